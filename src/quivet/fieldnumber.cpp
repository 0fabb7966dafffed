#include "quivet/fieldnumber.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/bytes.h"

namespace quivet {

std::optional<long double> parseFieldNumber(std::string_view raw) {
    std::string text = pal::trim(raw);
    // "3." reads as 3.0; a lone "." stays no number.
    if (text.size() > 1 && text.back() == '.' && std::isdigit(static_cast<unsigned char>(text[text.size() - 2])))
        text += '0';
    // Checked by hand: strtold alone would accept hex, "inf" and "nan".
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    errno = 0;
    const long double v = std::strtold(text.c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::int32_t> parseFieldInteger(std::string_view raw) {
    const std::string text = pal::trim(raw);
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT32_MAX) + 1) return std::nullopt;
    }
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

std::int32_t leadingInteger(std::string_view raw) {
    const std::string text = pal::trim(raw);
    std::size_t end = 0;
    if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    // Too many digits for 32 bits reads as no number.
    return parseFieldInteger(text.substr(0, end)).value_or(0);
}

pal::LabelFormat displayFormatFor(std::string_view maximumText) {
    if (maximumText.find_first_of("eE") != std::string_view::npos) return {0, 4};
    const auto dot = maximumText.find('.');
    if (dot == std::string_view::npos) return {1, 0};
    const std::size_t after = maximumText.size() - dot - 1;
    return {1, static_cast<std::int16_t>(std::min<std::size_t>(after, 40))};
}

std::string deckNumberText(long double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4Le", value);
    const char* e = std::strchr(buf, 'e');
    if (!e) return buf;
    std::string mant(static_cast<const char*>(buf), e);
    std::string exp(e + 2);
    while (exp.size() < 4) exp.insert(exp.begin(), '0');
    return (mant[0] == '-' ? "" : " ") + mant + "E" + e[1] + exp;
}

}  // namespace quivet
