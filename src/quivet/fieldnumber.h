// Number text of QUIVET fields: the strict number reading of statement values and
// boxes, the display format a descriptor's maximum selects, and the 13-character
// exponent form in which values are written back into the deck.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/numtext.h"

namespace quivet {

// Decimal or exponent notation (blanks around it allowed); a text ending in "."
// reads as if a "0" followed. Nothing else (no "inf", "nan" or hex) is a number,
// nor a value too large for the field's arithmetic.
std::optional<long double> parseFieldNumber(std::string_view text);

// A whole number with an optional sign, blanks around it allowed, in 32 bits.
std::optional<std::int32_t> parseFieldInteger(std::string_view text);

// The leading digits of the trimmed text (with an optional sign); 0 when none.
std::int32_t leadingInteger(std::string_view text);

// The display format chosen by the written text of a maximum: an exponent letter
// gives exponential style with 4 digits, else fixed style with as many decimals
// as there are characters after the first ".".
pal::LabelFormat displayFormatFor(std::string_view maximumText);

// " 1.0000E+0001": sign or blank, one digit, ".", four decimals, "E", the
// exponent's sign and four exponent digits.
std::string deckNumberText(long double value);

}  // namespace quivet
