#include "common/utf8check.h"

namespace pal {

namespace {

// Length of the well-formed sequence starting at s[i]; 0 when malformed;
// -1 when well-formed so far but cut by the end of s.
int sequenceLength(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned c = b(i);
    if (c < 0x80) return 1;
    int n;
    unsigned lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;        // overlong
        else if (c == 0xED) hi = 0x9F;   // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;        // overlong
        else if (c == 0xF4) hi = 0x8F;   // above U+10FFFF
    } else {
        return 0;
    }
    for (int k = 1; k < n; ++k) {
        if (i + k >= s.size()) return -1;
        const unsigned d = b(i + k);
        if (k == 1 ? (d < lo || d > hi) : (d < 0x80 || d > 0xBF)) return 0;
    }
    return n;
}

}  // namespace

bool isValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const int n = sequenceLength(s, i);
        if (n <= 0) return false;
        i += static_cast<std::size_t>(n);
    }
    return true;
}

std::size_t validUtf8PrefixLength(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const int n = sequenceLength(s, i);
        if (n == 0) return std::string_view::npos;
        if (n < 0) return i;
        i += static_cast<std::size_t>(n);
    }
    return s.size();
}

std::size_t utf8CutLength(std::string_view s, std::size_t maxBytes) {
    if (s.size() <= maxBytes) return s.size();
    std::size_t n = maxBytes;
    // Step back over continuation bytes to the start of the cut character.
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return n;
}

}  // namespace pal

namespace pal {

std::string printableQuote(std::string_view s, std::size_t maxBytes) {
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        if (out.size() >= maxBytes) return out + "...";
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
            ++i;
            continue;
        }
        const std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (n > 1 && i + n <= s.size() && isValidUtf8(s.substr(i, n))) {
            out.append(s.substr(i, n));
            i += n;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

}  // namespace pal
