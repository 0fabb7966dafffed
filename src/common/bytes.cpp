#include "common/bytes.h"

#include <algorithm>
#include <cstring>

namespace pal {

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && upper(a) == upper(b);
}

std::string trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return std::string(s.substr(b, e - b));
}

std::string cut(std::string_view s, std::size_t n) { return std::string(s.substr(0, std::min(n, s.size()))); }

std::vector<std::pair<std::size_t, std::size_t>> wordSpans(std::string_view s) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > start) out.emplace_back(start, i - start);
    }
    return out;
}

std::vector<std::string> splitWords(std::string_view s) {
    std::vector<std::string> out;
    for (const auto& [start, length] : wordSpans(s)) out.emplace_back(s.substr(start, length));
    return out;
}

std::string extensionTest(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    return upper(path.substr(dot, 4));
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

static std::size_t lastSeparator(std::string_view path) {
    for (std::size_t i = path.size(); i-- > 0;)
        if (isSeparator(path[i])) return i;
    return std::string_view::npos;
}

static std::size_t nameDot(std::string_view path) {
    const auto sep = lastSeparator(path);
    return path.find('.', sep == std::string_view::npos ? 0 : sep + 1);
}

std::string baseName(std::string_view path) { return std::string(path.substr(0, nameDot(path))); }

bool nameHasDot(std::string_view path) { return nameDot(path) != std::string_view::npos; }

std::string fileNamePart(std::string_view path) {
    const auto p = lastSeparator(path);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string directoryPart(std::string_view path) {
    const auto p = lastSeparator(path);
    if (p == std::string_view::npos) return {};
    if (p == 0) return std::string(path.substr(0, 1));  // the root directory
    return std::string(path.substr(0, p));
}

std::string readShortString(const std::uint8_t* slot, std::size_t n) {
    const std::size_t len = std::min<std::size_t>(slot[0], n);
    return std::string(reinterpret_cast<const char*>(slot + 1), len);
}

void writeShortString(std::uint8_t* slot, std::size_t n, std::string_view s) {
    const std::size_t len = std::min(s.size(), std::min<std::size_t>(n, 255));
    std::memset(slot, 0, n + 1);
    slot[0] = static_cast<std::uint8_t>(len);
    std::memcpy(slot + 1, s.data(), len);
}

void rewriteShortString(std::uint8_t* slot, std::size_t n, std::string_view s) {
    if (readShortString(slot, n) != s.substr(0, n)) writeShortString(slot, n, s);
}

std::int32_t readInt32(const std::uint8_t* p) {
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | p[i];
    return static_cast<std::int32_t>(u);
}

void writeInt32(std::uint8_t* p, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

}  // namespace pal
