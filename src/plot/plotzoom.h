// The arithmetic of a zoomed plot view: visible ranges, the axes they are drawn
// with, pixels back to values, and curve values read at a cursor. A view never
// changes the plot's stored settings.
#pragma once
#include <optional>

#include "plot/axes.h"
#include "plot/curverecord.h"

namespace plot {

struct AxisRange {
    long double low = 0;
    long double high = 1;
    bool operator==(const AxisRange&) const = default;
};

inline AxisRange storedRange(const AxisSettings& a) { return AxisRange{a.minimum, a.maximum}; }

// The stored axis drawn over another range, with as many label digits as its
// round tick step needs to tell ticks apart.
AxisSettings zoomedAxis(const AxisSettings& stored, const AxisRange& visible);

// The round step of a linear axis drawn over a range with about `intervals`
// major intervals: 1, 2 or 5 times a power of ten. 0 when there is none.
long double roundStep(long double low, long double high, int intervals);

// The major ticks of an axis as a view draws it: a stored range walks its ticks
// from the minimum (NextTick); a zoomed linear range puts them at the multiples
// of its round step inside the range, as round as a stored plot's are.
std::vector<Tick> viewTicks(const AxisSettings& drawn, bool zoomed);

// The value at a pixel (the inverse of MapToPixel, not rounded).
long double PixelToValue(const AxisSettings& axis, const AxisSpan& span, double pixel);

// The range shrunk (factor < 1) or grown around a value that stays in place;
// on a logarithmic axis in decades. Empty when the result would be unusable
// (too narrow to draw, not finite, or not above zero on a log axis).
std::optional<AxisRange> zoomAround(const AxisSettings& axis, const AxisRange& r, long double anchor, double factor);
// The range moved by a fraction of its span (on a log axis, of its decades).
std::optional<AxisRange> panBy(const AxisSettings& axis, const AxisRange& r, double fraction);
// A range from two values in any order; empty when unusable as above.
std::optional<AxisRange> rangeBetween(const AxisSettings& axis, long double a, long double b);

// The number of points a curve draws (the point of its last row is not drawn).
int drawnPoints(const CurveRecord& c);
// The curve's Y at x, linear between the first pair of drawn points (in data
// order) that encloses x; empty when no pair does.
std::optional<long double> curveValueAt(const CurveRecord& c, long double x);

}  // namespace plot
