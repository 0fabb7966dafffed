#include "common/codecs.h"

#include <cmath>
#include <stdexcept>

namespace pal {

Extended10 encodeExtended(long double v) {
    Extended10 out{};
    const bool neg = std::signbit(v);
    std::uint64_t mant = 0;
    int expField = 0;
    if (std::isnan(v)) {
        expField = 0x7FFF;
        mant = 0xC000000000000000ULL;
    } else if (std::isinf(v)) {
        expField = 0x7FFF;
        mant = 0x8000000000000000ULL;
    } else if (v != 0) {
        int e = 0;
        const long double m = std::frexp(std::fabs(v), &e);  // m in [0.5, 1)
        expField = e - 1 + 16383;
        if (expField <= 0) {  // subnormal: the integer bit is clear
            mant = static_cast<std::uint64_t>(std::ldexp(std::fabs(v), 16382 + 63));
            expField = 0;
        } else {
            mant = static_cast<std::uint64_t>(std::ldexp(m, 64));
        }
    }
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(mant >> (8 * i));
    const unsigned top = static_cast<unsigned>(expField) | (neg ? 0x8000u : 0u);
    out[8] = static_cast<std::uint8_t>(top & 0xFF);
    out[9] = static_cast<std::uint8_t>(top >> 8);
    return out;
}

long double decodeExtended(const std::uint8_t* b) {
    std::uint64_t mant = 0;
    for (int i = 7; i >= 0; --i) mant = (mant << 8) | b[i];
    const unsigned top = b[8] | (static_cast<unsigned>(b[9]) << 8);
    const bool neg = top & 0x8000u;
    const int expField = static_cast<int>(top & 0x7FFF);
    long double v;
    if (expField == 0x7FFF) {
        v = (mant << 1) == 0 ? INFINITY : NAN;
    } else if (expField == 0) {
        v = std::ldexp(static_cast<long double>(mant), -16382 - 63);
    } else {
        v = std::ldexp(static_cast<long double>(mant), expField - 16383 - 63);
    }
    return neg ? -v : v;
}

Real6 encodeReal6(long double v) {
    Real6 out{};
    if (v == 0 || std::isnan(v)) return out;
    if (std::isinf(v)) throw std::range_error("value out of range of the 6-byte real");
    const bool neg = v < 0;
    int e = 0;
    long double m = std::frexp(std::fabs(v), &e);  // m in [0.5, 1): value = m * 2^e
    // 40 significant bits (hidden bit + 39 fraction bits), rounded to nearest even.
    std::uint64_t sig = static_cast<std::uint64_t>(std::nearbyint(std::ldexp(m, 40)));
    if (sig >> 40) {  // rounding carried into a new bit
        sig >>= 1;
        ++e;
    }
    const int expField = e + 128;  // value = 1.f * 2^(e-1), bias 129
    if (expField > 255) throw std::range_error("value out of range of the 6-byte real");
    if (expField < 1) return out;  // below the smallest value: zero
    const std::uint64_t frac = sig & ((std::uint64_t(1) << 39) - 1);
    out[0] = static_cast<std::uint8_t>(expField);
    for (int i = 0; i < 5; ++i) out[1 + i] = static_cast<std::uint8_t>(frac >> (8 * i));
    if (neg) out[5] |= 0x80;
    return out;
}

long double decodeReal6(const std::uint8_t* b) {
    if (b[0] == 0) return 0;
    std::uint64_t frac = 0;
    for (int i = 4; i >= 0; --i) frac = (frac << 8) | b[1 + i];
    const bool neg = frac & (std::uint64_t(1) << 39);
    frac &= (std::uint64_t(1) << 39) - 1;
    const long double m = 1.0L + std::ldexp(static_cast<long double>(frac), -39);
    const long double v = std::ldexp(m, static_cast<int>(b[0]) - 129);
    return neg ? -v : v;
}

}  // namespace pal
