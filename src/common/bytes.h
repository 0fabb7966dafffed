// Byte-string helpers shared by every subsystem: the file formats count one byte
// as one character, so paths, deck lines and names are std::string of bytes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pal {

constexpr std::size_t kMaxLine = 255;  // longest line, path or command the formats hold

std::string upper(std::string_view s);          // ASCII upper case, other bytes unchanged
bool equalsNoCase(std::string_view a, std::string_view b);
std::string trim(std::string_view s);           // blanks and tabs at both ends
std::string cut(std::string_view s, std::size_t n = kMaxLine);
// The words of a statement, separated by blanks or tabs: their byte columns and
// lengths, or the words themselves.
std::vector<std::pair<std::size_t, std::size_t>> wordSpans(std::string_view s);
std::vector<std::string> splitWords(std::string_view s);

// The extension test: from the last "." of the path (dot included), upper-cased,
// cut to 4 characters; empty when the path has no dot.
std::string extensionTest(std::string_view path);

// The base name of a path, from which companion, table, run-deck, help and
// result names are made: the path up to, not including, the first "." of its
// file name (the last component; "/tmp/v1.2/A.B.DCK" gives "/tmp/v1.2/A").
// A directory's dot never counts; a file name without a dot gives the whole path.
std::string baseName(std::string_view path);
// Whether the file name (the last component) holds a dot.
bool nameHasDot(std::string_view path);

bool isSeparator(char c);                        // "/" and "\" both separate
std::string fileNamePart(std::string_view path); // text after the last separator
std::string directoryPart(std::string_view path);// text before the last separator ("" when none)

// Short string: one length byte then n character bytes (a fixed slot of n + 1 bytes).
std::string readShortString(const std::uint8_t* slot, std::size_t n);
void writeShortString(std::uint8_t* slot, std::size_t n, std::string_view s);
// Writes s into the slot only when the slot's text differs, so the bytes after
// the text (undefined in stored files) stay as they were.
void rewriteShortString(std::uint8_t* slot, std::size_t n, std::string_view s);

// Little-endian 32-bit integers, as the stored binary files hold them.
std::int32_t readInt32(const std::uint8_t* p);
void writeInt32(std::uint8_t* p, std::int32_t v);

}  // namespace pal
