// Finding files the program names itself, on a case-sensitive file system: the
// formats come from a case-insensitive one, so every look-up tries the exact name
// first and then a case-insensitive match in the same directory.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace pal {

// The existing regular file for path: path itself, or the same directory's entry
// whose name matches ignoring case. Empty when there is none.
std::optional<std::string> findFile(const std::string& path);
bool fileExists(const std::string& path);      // findFile(path).has_value()
bool directoryExists(const std::string& path); // exact name

// Regular files in dir (empty = current directory) whose names match the
// wildcard pattern ("*" any run, "?" one byte), ignoring case; sorted by name.
// Returns bare file names.
std::vector<std::string> matchFiles(const std::string& dir, const std::string& pattern);

// Case-insensitive wildcard match of a whole name.
bool wildcardMatch(const std::string& pattern, const std::string& name);

// A path written inside a data file: "\" becomes "/"; when it does not exist as
// written, it is tried relative to the current directory and then to programDir
// (a leading drive "C:" and leading separators dropped). Returns the first
// existing candidate, else the converted text.
std::string resolveDataPath(const std::string& text, const std::string& programDir);

// Joins a directory and a name with exactly one "/" between them.
std::string joinPath(const std::string& dir, const std::string& name);

// The path a program was started by, found as a shell finds it: an argv[0] with
// a "/" is taken from the working directory cwd; a bare name is looked up in the
// directories of pathVariable (PATH; an empty entry is the working directory),
// the first executable regular file winning. Links are not resolved, so a link
// named quivet stays "quivet". A name found nowhere is taken from cwd.
std::string startPath(const std::string& argv0, const std::string& pathVariable, const std::string& cwd);

}  // namespace pal
