#include "table/numberparse.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "common/bytes.h"
#include "common/numtext.h"

namespace table {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The grammar checked before conversion, so that the converter never sees the
// words and forms it would otherwise accept.
bool wellFormed(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == s.size();
}

}  // namespace

std::optional<long double> parseDecimal(std::string_view text) {
    const std::string_view s = trimmed(text);
    if (!wellFormed(s)) return std::nullopt;
    std::string_view body = s;
    if (body.front() == '+') body.remove_prefix(1);
    long double v = 0;
    const auto r = std::from_chars(body.data(), body.data() + body.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Underflow is a zero; overflow does not convert.
        std::size_t e = body.find_first_of("eE");
        if (e != std::string_view::npos && body.find('-', e) != std::string_view::npos) return 0.0L;
        return std::nullopt;
    }
    if (r.ec != std::errc() || r.ptr != body.data() + body.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<long double> ParseNumber(std::string_view text) {
    const std::string t = pal::upper(trimmed(text));
    if (t == "INF") return pal::kBlankValue;
    if (t == "-INF") return -pal::kBlankValue;
    return parseDecimal(t);
}

std::string exactValueText(long double v, bool general) { return pal::ShortestText(v, general); }

std::optional<int> parseInteger(std::string_view text) {
    std::string_view s = trimmed(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || s.front() == '+') return std::nullopt;
    int v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace table
