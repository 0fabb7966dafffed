// Whether a file a command is about to write is one it reads: two names of one
// file (links, other spellings) are found by device and inode, links followed.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace pal {

// True when both paths exist and name the same file.
bool sameFile(const std::string& a, const std::string& b);

// The refusal of a command that would write one of its own inputs: "OUT is the
// file IN that this command reads; nothing was written". None when every
// output is a file apart from the inputs (or does not exist yet).
std::optional<std::string> outputOverInput(const std::vector<std::string>& inputs,
                                           const std::vector<std::string>& outputs);

}  // namespace pal
