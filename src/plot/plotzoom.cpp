#include "plot/plotzoom.h"

#include <algorithm>
#include <cmath>

namespace plot {

namespace {

// Ranges narrower than this (relative) would give tick steps that cannot move.
constexpr long double kNarrowest = 1.0E-12L;

bool usable(const AxisSettings& axis, const AxisRange& r) {
    if (!std::isfinite(r.low) || !std::isfinite(r.high) || !(r.high > r.low)) return false;
    if (axis.logarithmic && !(r.low > 0)) return false;
    const long double scale = std::max({std::fabs(r.low), std::fabs(r.high), 1.0E-300L});
    return (r.high - r.low) / scale > kNarrowest && std::fabs(r.high) < 1.0E300L && std::fabs(r.low) < 1.0E300L;
}

long double toLine(const AxisSettings& a, long double v) { return a.logarithmic ? std::log10(v) : v; }
long double fromLine(const AxisSettings& a, long double u) { return a.logarithmic ? std::pow(10.0L, u) : u; }

}  // namespace

long double roundStep(long double low, long double high, int intervals) {
    const long double raw = (high - low) / std::max(intervals, 1);
    if (!(raw > 0) || !std::isfinite(raw)) return 0;
    const long double mag = std::pow(10.0L, std::floor(std::log10(raw)));
    const long double m = raw / mag;
    // The nearest of 1, 2, 5 and 10 on a log scale (geometric midpoints).
    const long double nice = m < 1.4142L ? 1 : m < 3.1623L ? 2 : m < 7.0711L ? 5 : 10;
    return nice * mag;
}

std::vector<Tick> viewTicks(const AxisSettings& a, bool zoomed) {
    if (!zoomed || a.logarithmic || a.ticks <= 0 || !drawableAxis(a)) return axisTicks(a);
    const long double step = roundStep(a.minimum, a.maximum, a.ticks);
    if (!(step > 0)) return axisTicks(a);
    // Multiples of the step within the range (a hair of tolerance at both ends,
    // so that a bound that is itself a multiple gets its tick).
    const long double tol = step * 1.0E-9L;
    const long double first = std::ceil((a.minimum - tol) / step), last = std::floor((a.maximum + tol) / step);
    std::vector<Tick> out;
    if (!(last >= first) || last - first > 2000) return axisTicks(a);
    for (long double k = first; k <= last; k += 1) {
        Tick t;
        t.value = k == 0 ? 0.0L : k * step;  // never a negative zero (ceil(-0.3) is -0)
        t.labelled = true;
        out.push_back(t);
    }
    out.back().last = true;
    return out;
}

AxisSettings zoomedAxis(const AxisSettings& stored, const AxisRange& visible) {
    AxisSettings a = stored;
    if (visible == storedRange(stored)) return a;
    a.minimum = visible.low;
    a.maximum = visible.high;
    if (a.logarithmic || a.ticks <= 0) return a;
    // Enough digits for the round step of the visible range.
    const long double step = roundStep(visible.low, visible.high, a.ticks);
    if (!(step > 0)) return a;
    int need;
    if (a.style == 1) {
        need = -static_cast<int>(std::floor(std::log10(step) + 1.0E-9L));
    } else {
        // The mantissas differ from the exponent of the largest value down to
        // the step's.
        const long double big = std::max(std::fabs(visible.low), std::fabs(visible.high));
        need = static_cast<int>(std::floor(std::log10(big) + 1.0E-9L) - std::floor(std::log10(step) + 1.0E-9L));
    }
    a.digits = static_cast<std::int16_t>(std::clamp(std::max<int>(need, stored.digits), 0, 9));
    return a;
}

long double PixelToValue(const AxisSettings& axis, const AxisSpan& span, double pixel) {
    if (span.span == 0) return axis.minimum;
    const long double f = (static_cast<long double>(pixel) - span.base) / span.span;
    const long double lo = toLine(axis, axis.minimum), hi = toLine(axis, axis.maximum);
    return fromLine(axis, lo + f * (hi - lo));
}

std::optional<AxisRange> zoomAround(const AxisSettings& axis, const AxisRange& r, long double anchor, double factor) {
    if (!(factor > 0) || (axis.logarithmic && !(anchor > 0))) return std::nullopt;
    const long double a = toLine(axis, anchor), lo = toLine(axis, r.low), hi = toLine(axis, r.high);
    const AxisRange out{fromLine(axis, a - (a - lo) * factor), fromLine(axis, a + (hi - a) * factor)};
    if (!usable(axis, out)) return std::nullopt;
    return out;
}

std::optional<AxisRange> panBy(const AxisSettings& axis, const AxisRange& r, double fraction) {
    const long double lo = toLine(axis, r.low), hi = toLine(axis, r.high);
    const long double d = (hi - lo) * fraction;
    const AxisRange out{fromLine(axis, lo + d), fromLine(axis, hi + d)};
    if (!usable(axis, out)) return std::nullopt;
    return out;
}

std::optional<AxisRange> rangeBetween(const AxisSettings& axis, long double a, long double b) {
    const AxisRange out{std::min(a, b), std::max(a, b)};
    if (!usable(axis, out)) return std::nullopt;
    return out;
}

int drawnPoints(const CurveRecord& c) {
    const long long rows = static_cast<long long>(c.lastRow) - c.firstRow;
    return static_cast<int>(std::clamp<long long>(rows, 0, static_cast<long long>(std::min(c.x.size(), c.y.size()))));
}

std::optional<long double> curveValueAt(const CurveRecord& c, long double x) {
    const int n = drawnPoints(c);
    if (n == 1 && c.x[0] == x) return c.y[0];
    for (int i = 0; i + 1 < n; ++i) {
        const long double x0 = c.x[i], x1 = c.x[i + 1];
        if (!((x0 <= x && x <= x1) || (x1 <= x && x <= x0))) continue;
        if (x0 == x1) return c.y[i];
        const long double f = (x - x0) / (x1 - x0);
        return c.y[i] + f * (static_cast<long double>(c.y[i + 1]) - c.y[i]);
    }
    return std::nullopt;
}

}  // namespace plot
