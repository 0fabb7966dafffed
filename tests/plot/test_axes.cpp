// Axis arithmetic: proposed ranges, tick walks and pixel mapping.
#include <gtest/gtest.h>

#include <cmath>

#include "plot/axes.h"
#include "plot/spline.h"

using plot::AxisSettings;

namespace {
AxisSettings linear(long double lo, long double hi, int ticks) {
    AxisSettings a;
    a.minimum = lo;
    a.maximum = hi;
    a.ticks = ticks;
    return a;
}
AxisSettings logAxis(long double lo, long double hi) {
    AxisSettings a = linear(lo, hi, 5);
    a.logarithmic = true;
    return a;
}
std::vector<long double> values(const std::vector<plot::Tick>& ticks, bool labelledOnly = false) {
    std::vector<long double> out;
    for (const auto& t : ticks)
        if (!labelledOnly || t.labelled) out.push_back(t.value);
    return out;
}
void expectNear(const std::vector<long double>& got, const std::vector<long double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(static_cast<double>(got[i]), static_cast<double>(want[i]), 1e-9 * (1 + std::fabs(static_cast<double>(want[i])))) << i;
}
}  // namespace

TEST(ScaleMinMax, ProposedRanges) {
    struct Row {
        long double lo, hi;
        long double low, high;
        int ticks, digits;
    };
    const Row rows[] = {
        {3, 62, 0, 70, 7, 0},
        {0, 1, 0, 1, 10, 2},
        {0.013L, 0.041L, 0.01L, 0.045L, 7, 3},
        {-5, 5, -6, 6, 6, 0},  // empty end intervals dropped pass by pass
        {0, 100, 0, 100, 10, 0},
        {0, 250000, 0, 250000, 10, 3},  // |e| >= 5: three digits
    };
    for (const Row& r : rows) {
        const auto p = plot::ScaleMinMax({{r.lo, r.hi}});
        SCOPED_TRACE(std::to_string(static_cast<double>(r.lo)) + ".." + std::to_string(static_cast<double>(r.hi)));
        EXPECT_NEAR(static_cast<double>(p.low), static_cast<double>(r.low), 1e-12);
        EXPECT_NEAR(static_cast<double>(p.high), static_cast<double>(r.high), 1e-9);
        ASSERT_TRUE(p.ticks);
        EXPECT_EQ(*p.ticks, r.ticks);
        EXPECT_EQ(*p.digits, r.digits);
    }
}

TEST(ScaleMinMax, CombinesColumnsAndStopsEarlyWithoutARange) {
    const auto both = plot::ScaleMinMax({{3, 20}, {10, 62}});
    EXPECT_EQ(both.low, 0);
    EXPECT_EQ(both.high, 70);

    const auto constant = plot::ScaleMinMax({{4, 4}});
    EXPECT_EQ(constant.low, 3.5L);
    EXPECT_EQ(constant.high, 4.5L);
    EXPECT_FALSE(constant.ticks);
    EXPECT_FALSE(constant.digits);

    const auto none = plot::ScaleMinMax({});
    EXPECT_FALSE(none.ticks);
    EXPECT_GT(none.low, none.high);
}

TEST(NextTick, LinearTicksAreEvenAndEndAtTheMaximum) {
    expectNear(values(plot::axisTicks(linear(0, 70, 7))), {0, 10, 20, 30, 40, 50, 60, 70});
    expectNear(values(plot::axisTicks(linear(0, 1, 3))), {0, 1.0L / 3, 2.0L / 3, 1});
    for (const auto& t : plot::axisTicks(linear(0, 1, 3))) EXPECT_TRUE(t.labelled);
    // No tick count or no range: still a finite walk.
    EXPECT_LE(plot::axisTicks(linear(0, 1, 0)).size(), 2u);
    EXPECT_LE(plot::axisTicks(linear(1e10, 1e10 + 1e-9, 5)).size(), 2000u);
    EXPECT_LE(plot::axisTicks(linear(5, 5, 5)).size(), 2u);
}

TEST(NextTick, LogarithmicTicks) {
    const auto three = plot::axisTicks(logAxis(1, 1000));
    std::vector<long double> want;
    for (long double p : {1.0L, 10.0L, 100.0L})
        for (int k = 1; k <= 9; ++k) want.push_back(p * k);
    want.push_back(1000);
    expectNear(values(three), want);
    expectNear(values(three, true), {1, 10, 100, 1000});

    expectNear(values(plot::axisTicks(logAxis(1, 1e6))), {1, 10, 100, 1000, 1e4, 1e5, 1e6});
    // Below one and starting off a power of ten: the first tick is labelled too.
    const auto low = plot::axisTicks(logAxis(0.02L, 1));
    expectNear(values(low, true), {0.02L, 0.1L, 1});
    EXPECT_NEAR(static_cast<double>(low[1].value), 0.03, 1e-12);
    // A log axis with a bound at or below zero is not drawn.
    EXPECT_TRUE(plot::axisTicks(logAxis(0, 100)).empty());
    EXPECT_FALSE(plot::drawableAxis(logAxis(-1, 100)));
}

TEST(MapToPixel, LinearLogAndClamped) {
    const plot::AxisSpan x{100, 300};   // left 100, right 400
    const plot::AxisSpan y{225, -205};  // bottom 225, top 20
    EXPECT_EQ(plot::MapToPixel(linear(0, 10, 5), x, 0), 100);
    EXPECT_EQ(plot::MapToPixel(linear(0, 10, 5), x, 10), 400);
    EXPECT_EQ(plot::MapToPixel(linear(0, 10, 5), x, 5), 250);
    EXPECT_EQ(plot::MapToPixel(linear(0, 10, 5), y, 10), 20);
    EXPECT_EQ(plot::MapToPixel(logAxis(1, 100), x, 10), 250);
    EXPECT_EQ(plot::MapToPixel(linear(0, 10, 5), x, 1e30L), 32600);
    EXPECT_EQ(plot::MapToPixel(linear(0, 10, 5), x, -1e30L), -32600);
    EXPECT_EQ(plot::MapToPixel(logAxis(1, 100), x, 0), -32600);
    EXPECT_EQ(plot::MapToPixel(linear(3, 3, 5), x, 3), 100);  // no range: no crash
}

// ---- the spline of smoothed curves

TEST(Spline, ReproducesACubicAndALine) {
    const auto cubic = [](long double x) { return 2 - x + 0.5L * x * x - 0.25L * x * x * x; };
    std::vector<long double> x{0, 0.5L, 1.5L, 2, 3.5L, 4}, y;
    for (long double v : x) y.push_back(cubic(v));
    plot::Spline s;
    ASSERT_TRUE(s.SplineCoefficients(x, y));
    for (long double u : {0.0L, 0.25L, 1.0L, 2.7L, 4.0L}) EXPECT_NEAR(static_cast<double>(s.SplineValue(u)), static_cast<double>(cubic(u)), 1e-12);

    ASSERT_TRUE(s.SplineCoefficients({1, 3}, {2, 6}));
    EXPECT_NEAR(static_cast<double>(s.SplineValue(2)), 4.0, 1e-15);
    EXPECT_FALSE(s.SplineCoefficients({1, 1, 2}, {0, 1, 2}));  // x must increase
    EXPECT_FALSE(s.SplineCoefficients({1}, {1}));
}

TEST(Spline, SmoothedCurveHasAHundredPointsEitherWay) {
    const std::vector<long double> x{3, 2, 1, 0}, y{9, 4, 1, 0};
    const auto pts = plot::smoothCurve(x, y);
    ASSERT_EQ(pts.size(), 100u);
    EXPECT_EQ(pts.front().first, 3);
    EXPECT_NEAR(static_cast<double>(pts.back().first), 0.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(pts[33].second), static_cast<double>(pts[33].first * pts[33].first), 1e-12);
    EXPECT_TRUE(plot::smoothCurve({1, 1}, {0, 1}).empty());
}
