// Axis arithmetic of a plot: the proposed round range of new plots
// (ScaleMinMax), the walk of major ticks (NextTick) and value-to-pixel mapping.
#pragma once
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "plot/plotrecord.h"

namespace plot {

struct ColumnRange {
    long double minimum = 0;
    long double maximum = 0;
};

struct ScaleProposal {
    long double low = 0;
    long double high = 0;
    // Unset when the range is empty, constant or infinite (nothing to divide).
    std::optional<int> ticks;
    std::optional<int> digits;
};

// The proposal for the combined range of the selected columns (none: empty).
ScaleProposal ScaleMinMax(const std::vector<ColumnRange>& selected);

// The pixel span of one axis: X runs from the frame's left to its right, Y from
// its bottom up to its top.
struct AxisSpan {
    int base = 0;
    int span = 0;
};

// value -> device pixel, clamped to -32600..32600 (also for values a log axis
// cannot show): for ticks and marks, never for lines that may leave the frame.
int MapToPixel(const AxisSettings& axis, const AxisSpan& span, long double value);

// MapToPixel for many values: the same mapping in double precision, set up once
// per axis (pixels per unit precomputed: one multiplication a value), for
// drawing curves of a million points.
class PixelMap {
public:
    PixelMap(const AxisSettings& axis, const AxisSpan& span);
    int operator()(double value) const {
        double offset = ((log_ ? std::log10(value) : value) - low_) * perUnit_;
        if (std::isnan(offset)) offset = 0;
        offset = std::clamp(offset, -1.0E6, 1.0E6);
        // Round half to even by the float format itself (valid far beyond 1E6).
        constexpr double kShift = 6755399441055744.0;  // 1.5 * 2^52
        const double r = (offset + kShift) - kShift;
        return std::clamp(base_ + static_cast<int>(r), -32600, 32600);
    }
    // The same pixel's distance from the base, neither rounded nor clamped, for
    // lines cut at the frame before they become pixels (a deep zoom puts points
    // millions of pixels away); base() + its rounding is the pixel above. A
    // value the axis cannot show lies at the base, as above, or 1E30 pixels away.
    double offset(double value) const {
        const double offset = ((log_ ? std::log10(value) : value) - low_) * perUnit_;
        return std::isnan(offset) ? 0 : std::clamp(offset, -1.0E30, 1.0E30);
    }
    int base() const { return base_; }

private:
    bool log_;
    double low_, perUnit_;
    int base_;
};

// Number of decades of a logarithmic axis.
int decadesOf(const AxisSettings& axis);

struct Tick {
    long double value = 0;
    bool last = false;
    bool labelled = false;
};

// Tick i (1 = first) after the previous tick's value.
Tick NextTick(const AxisSettings& axis, int decades, int index, long double previous);

// All ticks of an axis (NextTick until the last), capped so that a degenerate
// axis (no range, a step too small to move) cannot loop for ever. Empty for a
// logarithmic axis with a bound at or below zero, which cannot be drawn.
std::vector<Tick> axisTicks(const AxisSettings& axis);

// Whether the axis can be drawn at all (finite bounds; log bounds above zero).
bool drawableAxis(const AxisSettings& axis);

}  // namespace plot
