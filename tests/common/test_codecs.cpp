#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "common/codecs.h"

using namespace pal;

namespace {
template <std::size_t N>
std::array<std::uint8_t, N> bytes(std::initializer_list<int> l) {
    std::array<std::uint8_t, N> a{};
    std::size_t i = 0;
    for (int v : l) a[i++] = static_cast<std::uint8_t>(v);
    return a;
}
}  // namespace

TEST(Extended10, KnownBytePatterns) {
    EXPECT_EQ(encodeExtended(1.0L), (bytes<10>({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})));
    EXPECT_EQ(encodeExtended(-2.0L), (bytes<10>({0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0})));
    EXPECT_EQ(encodeExtended(0.1L), (bytes<10>({0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F})));
    EXPECT_EQ(encodeExtended(0.0L), (bytes<10>({})));
    EXPECT_EQ(encodeExtended(INFINITY), (bytes<10>({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F})));
}

TEST(Extended10, RoundTripsEveryKindOfValue) {
    for (long double v : {1.0E99L, -1.0E99L, 9.99E99L, 3.14159265358979323846L, -1e-4940L, 1e4000L, 123456789.0L}) {
        const auto e = encodeExtended(v);
        EXPECT_EQ(decodeExtended(e.data()), v);
    }
    const auto n = encodeExtended(NAN);
    EXPECT_TRUE(std::isnan(decodeExtended(n.data())));
}

TEST(Real6, KnownBytePatterns) {
    EXPECT_EQ(encodeReal6(1.0L), (bytes<6>({0x81, 0, 0, 0, 0, 0})));
    EXPECT_EQ(encodeReal6(-1.5L), (bytes<6>({0x81, 0, 0, 0, 0, 0xC0})));
    EXPECT_EQ(encodeReal6(0.1L), (bytes<6>({0x7D, 0xCD, 0xCC, 0xCC, 0xCC, 0x4C})));
    EXPECT_EQ(encodeReal6(0.0L), (bytes<6>({})));
    const auto b = bytes<6>({0x7D, 0xCD, 0xCC, 0xCC, 0xCC, 0x4C});
    EXPECT_NEAR(static_cast<double>(decodeReal6(b.data())), 0.1, 1e-12);
}

TEST(Real6, RoundTripWithinItsPrecisionAndLimits) {
    for (long double v : {2.5L, -1234.5678L, 1e30L, -3e-30L, 1.0E20L}) {
        const auto r = encodeReal6(v);
        EXPECT_NEAR(static_cast<double>(decodeReal6(r.data()) / v), 1.0, 1e-11) << static_cast<double>(v);
    }
    EXPECT_THROW(encodeReal6(1e40L), std::range_error);
    EXPECT_EQ(encodeReal6(1e-45L)[0], 0);  // below the smallest value: zero
    // A fraction of all ones rounds up into the next power of two.
    const auto r = encodeReal6(1.99999999999999L);
    EXPECT_EQ(decodeReal6(r.data()), 2.0L);
}
