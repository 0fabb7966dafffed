// Reading a QUIVET file: each line is classified (deck line, picture, heading,
// command, field descriptor), each descriptor bound to the line before it, and
// the choice, picture and assigned files it names are looked up.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "quivet/formitem.h"

namespace quivet {

enum class LineClass { Deck, Picture, Heading, Before, After, Numeric, Choice, File };
LineClass classifyLine(const std::string& line);

struct ReadOptions {
    std::string programDir;              // where installation data files are looked for last
    std::function<void(int)> progress;   // called with each line number read
};

// A file named inside the QUIVET file, as written ("\" allowed): tried as given,
// then beside the QUIVET file, then relative to the current and the program
// directory, each ignoring letter case. Empty when it exists nowhere.
std::string findNamedFile(const std::string& asWritten, const std::string& quivetFile, const std::string& programDir);

// Throws QuivetError: "Cannot open file <path>." when the file cannot be read,
// the input error for a malformed statement or descriptor, and the missing or
// unreadable choice, picture and assigned files.
QuivetDocument readQuivetFile(const std::string& path, const ReadOptions& options);
QuivetDocument parseQuivetLines(const std::vector<std::string>& lines, const std::string& path,
                                const ReadOptions& options);

}  // namespace quivet
