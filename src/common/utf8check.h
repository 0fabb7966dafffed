// Byte-level UTF-8 checks for the text windows: a file or line is shown as UTF-8
// only when its bytes are well-formed UTF-8, otherwise as Latin-1.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace pal {

// True when s is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF).
bool isValidUtf8(std::string_view s);

// The length of the longest prefix of s that ends on a character boundary when
// s is well-formed UTF-8 apart from an incomplete sequence at its very end (a
// line cut in the middle of a character); npos when s is not such a prefix.
std::size_t validUtf8PrefixLength(std::string_view s);

// The longest prefix of s, at most maxBytes long, that does not end inside a
// UTF-8 sequence (s assumed well-formed).
std::size_t utf8CutLength(std::string_view s, std::size_t maxBytes);

}  // namespace pal

namespace pal {

// Text from a file as a message may quote it: well-formed UTF-8 characters
// kept, control bytes and bytes that are no UTF-8 shown as "?", at most
// maxBytes of it ("..." marks a cut). A file that is no text shows as such
// instead of as raw bytes.
std::string printableQuote(std::string_view s, std::size_t maxBytes = 40);

}  // namespace pal
