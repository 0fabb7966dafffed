// Number text shared by tables, plots and forms: FormatValue writes a value in a
// label format, ChooseFormat picks a format from a count of significant digits,
// ExactText writes a value into a deck without rounding it.
#pragma once
#include <cstdint>
#include <string>

namespace pal {

struct LabelFormat {
    std::uint8_t style = 0;  // 1 fixed; any other value exponential
    std::int16_t digits = 0; // decimals
    bool operator==(const LabelFormat&) const = default;
};

constexpr long double kBlankValue = 1.0E99L;     // printed "inf"
constexpr long double kUndefinedValue = 9.99E99L;

std::string FormatValue(LabelFormat format, long double value);

// The shortest text that reads back as exactly v (v finite), in exponent form
// ("4.50004E+00") or, with general set, in the shorter of plain and exponent
// form ("4.50004").
std::string ShortestText(long double v, bool general = false);

// How a value is written into a deck: the preferred text (its format's) when
// that reads back as exactly the value, else the shortest text that does, so
// that no number is rounded on its way into a deck.
std::string ExactText(const std::string& preferred, long double v);
LabelFormat ChooseFormat(int significantDigits, long double value);

}  // namespace pal
