#include "common/numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pal {

namespace {

// The 1E99 marker as extended and as a double widened to extended: values reach
// here from both kinds of storage.
bool isBlankMarker(long double v) {
    const long double a = std::fabs(v);
    return a == 1.0E99L || a == static_cast<long double>(1.0E99);
}

// Exponential notation: sign or blank, one digit, ".", decimals, "E", sign and
// four exponent digits (one decimal at least).
std::string exponential(long double v, int digits) {
    const int decimals = std::max(digits, 1);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.*Le", decimals, v);
    const char* e = std::strchr(buf, 'e');
    if (!e) return buf;  // inf or nan
    std::string mant(static_cast<const char*>(buf), e);
    const char expSign = e[1];
    std::string expDigits(e + 2);
    while (expDigits.size() < 4) expDigits.insert(expDigits.begin(), '0');
    std::string text = (mant[0] == '-' ? "" : " ") + mant + "E" + expSign + expDigits;
    return text;
}

}  // namespace

std::string FormatValue(LabelFormat format, long double value) {
    if (isBlankMarker(value)) return value < 0 ? "-inf" : "inf";
    const int digits = std::clamp<int>(format.digits, 0, 40);
    std::string text;
    if (format.style == 1) {
        char buf[512];
        std::snprintf(buf, sizeof buf, "%21.*Lf", digits, value);
        text = buf;
    } else {
        text = exponential(value, digits);
    }
    text.erase(0, text.find_first_not_of(' ') == std::string::npos ? text.size() : text.find_first_not_of(' '));
    if (format.style != 1) {
        const auto e = text.find('E');
        if (e != std::string::npos) {
            for (int i = 0; i < 2; ++i)
                if (e + 2 < text.size() && text[e + 2] == '0') text.erase(e + 2, 1);
            if (digits == 0 && e >= 2) text.erase(e - 2, 2);
        }
    }
    if (text.size() > 255) text.resize(255);
    return text;
}

std::string ShortestText(long double v, bool general) {
    char buf[64];
    // Shortest round trip of the extended value, whatever the process locale.
    const auto r = std::to_chars(buf, buf + sizeof buf, v, general ? std::chars_format::general : std::chars_format::scientific);
    std::string text(buf, r.ptr);
    for (char& c : text)
        if (c == 'e') c = 'E';
    return text;
}

std::string ExactText(const std::string& preferred, long double v) {
    std::string_view s = preferred;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    long double back = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), back, std::chars_format::general);
    const bool exact = r.ec == std::errc() && r.ptr == s.data() + s.size() && back == v;
    return exact ? preferred : ShortestText(v);
}

LabelFormat ChooseFormat(int s, long double value) {
    const auto sd = static_cast<std::int16_t>(s);
    const auto sm1 = static_cast<std::int16_t>(s - 1);
    if (value == 0) return {1, 1};
    const long double a = std::fabs(value);
    if (a <= 1.0E-5L) return {0, sm1};
    const long double d = std::trunc(static_cast<long double>(s) - 0.43431053203040176L * std::log(a));
    if (d >= 0 && d <= s) return {1, static_cast<std::int16_t>(d)};
    if (a > std::pow(10.0L, s)) return {1, 0};
    if (a > std::pow(10.0L, s - 1)) return {1, sd};
    return {0, sm1};
}

}  // namespace pal
