// Explicit codecs for the two floating-point layouts of the file formats:
// the 10-byte extended (x87 80-bit) and the 6-byte real. Never memcpy a long double.
#pragma once
#include <array>
#include <cstdint>

namespace pal {

using Extended10 = std::array<std::uint8_t, 10>;
using Real6 = std::array<std::uint8_t, 6>;

// 80-bit extended: 64-bit mantissa with explicit integer bit, 15-bit exponent
// (bias 16383), sign bit; little-endian.
Extended10 encodeExtended(long double v);
long double decodeExtended(const std::uint8_t* bytes);

// 6-byte real: byte 0 is the exponent (bias 129, 0 means zero), bytes 1..5 the
// 39-bit fraction little-endian with the sign in the top bit of byte 5.
// Values too large for the format throw std::range_error; tiny values become 0.
Real6 encodeReal6(long double v);
long double decodeReal6(const std::uint8_t* bytes);

}  // namespace pal
