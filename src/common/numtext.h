// Number text shared by tables, plots and forms: FormatValue writes a value in a
// label format, ChooseFormat picks a format from a count of significant digits.
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
LabelFormat ChooseFormat(int significantDigits, long double value);

}  // namespace pal
