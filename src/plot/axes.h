// Axis arithmetic of a plot: the proposed round range of new plots
// (ScaleMinMax), the walk of major ticks (NextTick) and value-to-pixel mapping.
#pragma once
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
// cannot show).
int MapToPixel(const AxisSettings& axis, const AxisSpan& span, long double value);

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
