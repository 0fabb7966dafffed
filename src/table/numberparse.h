// Number input of the table and its dialogs: decimal numbers and integers as a
// user types them, and the INF words of pasted and dialog values.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace table {

// A decimal number: optional sign, digits with an optional decimal point, an
// optional exponent; blanks around it are ignored. "inf", "nan" and hexadecimal
// forms are not numbers here. Empty optional when the text does not convert.
std::optional<long double> parseDecimal(std::string_view text);

// "INF" (any case) is the blank marker 1E+99, "-INF" its negative; any other text
// a decimal number.
std::optional<long double> ParseNumber(std::string_view text);

// The shortest text that parseDecimal reads back as exactly v (v finite), in
// exponent form ("4.50004E+00") or, with general set, in the shorter of plain
// and exponent form ("4.50004").
std::string exactValueText(long double v, bool general = false);

// A decimal integer in the 32-bit range, blanks around it ignored.
std::optional<int> parseInteger(std::string_view text);

}  // namespace table
