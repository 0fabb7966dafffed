#include <gtest/gtest.h>

#include "common/numtext.h"

using namespace pal;

TEST(FormatValue, FixedAndExponentialStyles) {
    struct Row { std::uint8_t style; std::int16_t digits; long double v; const char* text; };
    const Row rows[] = {
        {1, 2, 3.14159L, "3.14"},      {1, 0, 42.0L, "42"},          {1, 3, -0.5L, "-0.500"},
        {0, 2, 12345.0L, "1.23E+04"},  {0, 0, 1.0E12L, "1E+12"},     {2, 4, 25.0L, "2.5000E+01"},
        {0, 2, 0.00123L, "1.23E-03"},  {0, 2, -12345.0L, "-1.23E+04"}, {0, 1, 1.5E123L, "1.5E+123"},
        {0, 3, 0.0L, "0.000E+00"},     {0, 0, 7.0L, "7E+00"},        {0, 1, 9.96L, "1.0E+01"},
        {1, 1, 1.0E99L, "inf"},        {0, 2, -1.0E99L, "-inf"},     {1, 0, -1.0E99L, "-inf"},
        {2, 3, 1.0E99L, "inf"}};
    for (const Row& r : rows)
        EXPECT_EQ(FormatValue({r.style, r.digits}, r.v), r.text)
            << "style " << int(r.style) << " digits " << r.digits << " value " << static_cast<double>(r.v);
}

TEST(FormatValue, BlankMarkerStoredAsDoubleStillPrintsInf) {
    EXPECT_EQ(FormatValue({1, 2}, static_cast<long double>(1.0E99)), "inf");
}

TEST(FormatValue, HugeFixedValuesAreCutAt255) {
    EXPECT_LE(FormatValue({1, 9}, 1.0E300L).size(), 255u);
}

TEST(ChooseFormat, SignificantDigitsGiveStyleAndDecimals) {
    struct Row { int s; long double v; LabelFormat f; };
    const Row rows[] = {
        {4, 0.0L, {1, 1}},      {4, 0.000001L, {0, 3}}, {4, 123.456L, {1, 1}}, {4, 1.0E-5L, {0, 3}},
        {3, 0.5L, {1, 3}},      {4, 1.0E6L, {1, 0}},    {3, 1.0E-4L, {0, 2}},  {4, -123.456L, {1, 1}},
        // The factor 0.43431053203040176 is slightly above log10(e): at 100 it
        // gives 0 decimals where log10 would give 1.
        {3, 100.0L, {1, 0}},
        {1, 5.0L, {1, 0}}};
    for (const Row& r : rows) {
        const LabelFormat got = ChooseFormat(r.s, r.v);
        EXPECT_EQ(got.style, r.f.style) << r.s << " " << static_cast<double>(r.v);
        EXPECT_EQ(got.digits, r.f.digits) << r.s << " " << static_cast<double>(r.v);
    }
}
