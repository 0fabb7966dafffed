#include "plot/axes.h"

#include <algorithm>
#include <cmath>

namespace plot {

namespace {
long double roundEven(long double v) { return std::nearbyint(v); }
long double pow10(long double e) { return std::pow(10.0L, e); }
}  // namespace

ScaleProposal ScaleMinMax(const std::vector<ColumnRange>& selected) {
    long double low = 1.0E60L, high = -1.0E60L;
    for (const ColumnRange& c : selected) {
        low = std::min(low, c.minimum);
        high = std::max(high, c.maximum);
    }
    const long double dataLow = low, dataHigh = high;
    ScaleProposal p;
    long double diff = high - low;
    if (diff == 9.99E99L || diff == 1.0E99L || std::fabs(diff) < 1.0E-9L || !std::isfinite(diff)) {
        if (std::fabs(diff) < 1.0E-9L) {
            high += 0.5L;
            low -= 0.5L;
        }
        p.low = low;
        p.high = high;
        return p;
    }
    if (diff <= 0) {
        p.low = low;
        p.high = high;
        return p;
    }
    const long double e = std::trunc(std::log10(diff));
    long double step = pow10(e);
    if (0.2L * step > diff)
        step = 0.2L * step;
    else if (0.5L * step > diff)
        step = 0.5L * step;

    low = std::trunc(low / step) * step;
    while (low > dataLow) low -= step;
    high = std::trunc((high + 0.99L * step) / step) * step;
    while (high < dataHigh) high += step;

    long double x = (high - low) / step;
    while (x < 10) x *= 10;
    int ticks = 5;
    for (int n = 9; n >= 3; --n) {
        if (std::fabs(roundEven(x / n) * n - x) < 1.0E-6L) {
            ticks = n;
            break;
        }
    }

    const long double t = (high - low) / ticks;
    const int r = static_cast<int>(roundEven(std::log10(t)));
    int c = r > 0 ? r : r - 1;
    c = -c;
    if (c < 0) c = 0;
    const int digits = std::fabs(e) < 5 ? c : 3;

    // Drop an empty first or last interval while the data leaves one free.
    for (int pass = 0; pass < 100; ++pass) {
        bool changed = false;
        int n = ticks;
        if (n == 5) {
            n = 10;
            ticks = 10;
        }
        long double v = low + (n - 1) * (high - low) / n;
        if (dataHigh <= v) {
            n = n - 1;
            if (n < 5) n = 2 * n;
            high = v;
            ticks = n;
            changed = true;
        }
        v = low + (high - low) / n;
        if (dataLow >= v) {
            n = n - 1;
            low = v;
            if (n < 5) n = 2 * n;
            ticks = n;
            changed = true;
        }
        if (!changed) break;
    }
    p.low = low;
    p.high = high;
    p.ticks = ticks;
    p.digits = digits;
    return p;
}

int MapToPixel(const AxisSettings& axis, const AxisSpan& span, long double value) {
    long double f;
    if (axis.logarithmic)
        f = (std::log10(value) - std::log10(axis.minimum)) / (std::log10(axis.maximum) - std::log10(axis.minimum));
    else
        f = (value - axis.minimum) / (axis.maximum - axis.minimum);
    long double offset = span.span * f;
    if (std::isnan(offset)) offset = 0;
    offset = std::clamp(offset, -1.0E6L, 1.0E6L);
    const long double pixel = span.base + roundEven(offset);
    return static_cast<int>(std::clamp(pixel, -32600.0L, 32600.0L));
}

PixelMap::PixelMap(const AxisSettings& axis, const AxisSpan& span)
    : log_(axis.logarithmic), base_(span.base) {
    double range;
    if (log_) {
        low_ = static_cast<double>(std::log10(axis.minimum));
        range = static_cast<double>(std::log10(axis.maximum) - std::log10(axis.minimum));
    } else {
        low_ = static_cast<double>(axis.minimum);
        range = static_cast<double>(axis.maximum - axis.minimum);
    }
    perUnit_ = span.span / range;  // an empty range gives inf or nan, as the division would
}

int decadesOf(const AxisSettings& axis) {
    const long double d = std::log10(axis.maximum) - std::log10(axis.minimum);
    if (!std::isfinite(d)) return 0;
    return static_cast<int>(std::clamp(roundEven(d), -10000.0L, 10000.0L));
}

Tick NextTick(const AxisSettings& axis, int decades, int index, long double previous) {
    Tick t;
    if (index == 1) {
        t.value = axis.minimum;
        t.labelled = true;
        return t;
    }
    if (!axis.logarithmic) {
        t.labelled = true;
        t.value = previous + (axis.maximum - axis.minimum) / std::abs(static_cast<long double>(axis.ticks));
        if (!(t.value < axis.maximum)) {
            t.value = axis.maximum;
            t.last = true;
        }
        return t;
    }
    long double e = std::trunc(std::log10(previous));
    long double m = previous / pow10(e);
    if (m < 1) {
        e -= 1;
        m *= 10;
    }
    if (m >= 9.9999999L) {
        e += 1;
        m *= 0.1L;
    }
    int lastTried = 0;
    for (int k = 1; k <= 10; ++k) {
        lastTried = k;
        if (k > 1.001L * m) {
            m = k;
            if (decades <= 3 || k == 1 || k == 10) break;
        }
    }
    t.value = pow10(e) * m;
    if (t.value == previous) t.value *= 10;
    if (!(t.value < axis.maximum)) {
        t.value = axis.maximum;
        t.last = true;
    }
    t.labelled = lastTried == 1 || lastTried == 10;
    return t;
}

bool drawableAxis(const AxisSettings& axis) {
    if (!std::isfinite(axis.minimum) || !std::isfinite(axis.maximum)) return false;
    if (axis.logarithmic && (axis.minimum <= 0 || axis.maximum <= 0)) return false;
    return true;
}

std::vector<Tick> axisTicks(const AxisSettings& axis) {
    std::vector<Tick> out;
    if (!drawableAxis(axis)) return out;
    const int decades = axis.logarithmic ? decadesOf(axis) : 0;
    long double previous = 0;
    constexpr int kMaxTicks = 2000;
    for (int i = 1; i <= kMaxTicks; ++i) {
        Tick t = NextTick(axis, decades, i, previous);
        // A step too small to move the value ends the walk at the maximum.
        if (i > 1 && !t.last && !(t.value > previous)) {
            t.value = axis.maximum;
            t.last = true;
        }
        out.push_back(t);
        if (t.last) break;
        previous = t.value;
    }
    return out;
}

}  // namespace plot
