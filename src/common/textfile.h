// Text and binary file input/output with the house rules: lines end in LF or
// CR LF when read and CR LF when written, lines of any length are kept (a reader
// of a format with a line limit asks for its cut), and a file is replaced only
// through a complete temporary file renamed over it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pal {

// Every line of the file, each cut to maxLen bytes when given (the rest of that
// line is dropped). Throws IoError when the file cannot be opened or read.
std::vector<std::string> readLines(const std::string& path, std::size_t maxLen = SIZE_MAX);

// The first line (cut to 255 bytes); empty for an empty file. At most
// kFirstLineBytes of the file are read. Throws IoError.
constexpr std::size_t kFirstLineBytes = 4096;
std::string readFirstLine(const std::string& path);

// The whole file as bytes. Throws IoError (also for what is not a regular file).
std::string readFileBytes(const std::string& path);

// Writes the lines, each followed by CR LF, through replaceFile. Lines are
// written whole; a writer whose format needs a cut makes it and says so.
void writeLinesCRLF(const std::string& path, const std::vector<std::string>& lines,
                    std::size_t maxLen = SIZE_MAX);

// Writes content to a temporary file in the target's directory and renames it over
// the target, so the target is either the old file or the complete new one. It
// respects the file system: a file the user may not write is refused (errno 13),
// a symbolic link is followed and kept, and a file with several hard links, a
// writable file in a directory that refuses new files, or one whose owner a new
// file cannot take over, is rewritten in place: a complete backup of the old
// content is kept until the new content is synced (safereplace.h), and a failed
// write puts the old content back. Mode, owner and group stay. What is not a
// regular file is refused, and so is a file an OverwriteGuard sees changed
// (diskfile.h). Throws IoError.
void replaceFile(const std::string& path, std::string_view content);

}  // namespace pal
