// Help texts as the help windows show them: topics of a QUIVET file's ".HLP"
// file, the entries of an index file, and the reflowed help text of an entry.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pal {

// The text of topic n in a topic file's bytes, reflowed: a line end (CR LF or
// LF) stays when the next line begins with a blank or is empty, any other
// becomes one blank. The topic ends at the next line that begins with ".TOPIC".
// Empty optional when the file has no such topic.
std::optional<std::string> topicText(const std::string& fileBytes, int topic);

// The topic file of a QUIVET file: its base name (pal::baseName) plus ".HLP".
std::string topicFileFor(const std::string& quivetPath);

struct IndexEntry {
    std::string title;
    std::string file;     // the document to open
    std::string picture;  // "" when none
    std::string help;     // "" when none
};

struct IndexFile {
    std::string titles[3];
    std::vector<IndexEntry> entries;
};

// Splits an entry's file line: commas count as blanks; file, picture and
// help path in that order (paths hold no blanks; the help path is the rest).
IndexEntry parseIndexEntry(const std::string& title, const std::string& fileLine);
// Three title lines, then two lines per entry. Throws IoError.
IndexFile readIndexFile(const std::string& path);

constexpr std::size_t kMaxHelpText = 60000;
// The largest topic file read for a field's help: far more than any help text,
// far less than a file that would fill the memory.
constexpr std::uint64_t kMaxTopicFile = 4u << 20;

// The help text of an index entry as shown: an empty line is a paragraph break,
// a line beginning with a blank starts a new line, other lines run together
// (two blanks after a full stop, none after a trailing blank, else one).
// Cut at kMaxHelpText bytes.
std::string reflowHelpText(const std::vector<std::string>& lines);

// A help file in the system help format starts with "?_".
bool isSystemHelpFile(const std::string& firstBytes);

// A file's size and its first bytes, without reading the rest. Throws IoError.
struct FileHead {
    std::uint64_t size = 0;
    std::string head;
};
FileHead readFileHead(const std::string& path, std::size_t bytes);

}  // namespace pal
