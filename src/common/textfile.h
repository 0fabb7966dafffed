// Text and binary file input/output with the house rules: lines end in LF or
// CR LF when read and CR LF when written, lines are cut at 255 bytes, and a
// file is replaced only through a complete temporary file renamed over it.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace pal {

// Every line of the file, each cut to maxLen bytes (the rest of that line is dropped).
// Throws IoError when the file cannot be opened or read.
std::vector<std::string> readLines(const std::string& path, std::size_t maxLen = 255);

// The first line (cut to 255 bytes); empty for an empty file. Throws IoError.
std::string readFirstLine(const std::string& path);

// The whole file as bytes. Throws IoError.
std::string readFileBytes(const std::string& path);

// Writes the lines, each followed by CR LF, through replaceFile.
void writeLinesCRLF(const std::string& path, const std::vector<std::string>& lines,
                    std::size_t maxLen = 255);

// Writes content to a temporary file in the target's directory and renames it over
// the target, so the target is either the old file or the complete new one. It
// respects the file system: a file the user may not write is refused (errno 13),
// a symbolic link is followed and kept, and a file with several hard links, a
// writable file in a directory that refuses new files, or one whose owner a new
// file cannot take over, is rewritten in place (the old content is restored when
// that write fails). Mode, owner and group stay. Throws IoError.
void replaceFile(const std::string& path, std::string_view content);

}  // namespace pal
