// PlotRecord: the settings of one plot (axes, titles, legend, curve slots) in the
// 8220-byte layout that saved plots store.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "plot/curverecord.h"

namespace plot {

constexpr std::size_t kPlotRecordSize = 8220;
constexpr int kMaxCurves = 50;
constexpr std::size_t kCurveSlotOffset = 392;

struct AxisSettings {
    long double minimum = 0;
    long double maximum = 1;
    bool grid = false;
    std::int32_t minorTicks = 1;    // per major interval
    std::int32_t ticks = 5;         // major intervals
    bool logarithmic = false;
    std::uint8_t style = 1;         // 1 fixed, 0 exponential
    std::int16_t digits = 0;        // 0..9
    std::string title;              // at most 30 characters
};

struct PlotRecord {
    AxisSettings x, y;
    bool legend = false;
    std::vector<CurveRecord> curves;  // the curve count is curves.size() (0..50)

    // The record as read; bytes the fields do not cover (reserved areas, unused
    // curve slots) are written back unchanged.
    std::array<std::uint8_t, kPlotRecordSize> raw{};

    int curveCount() const { return static_cast<int>(curves.size()); }

    // The 8220 bytes, curve slots 1..count from the curves.
    std::array<std::uint8_t, kPlotRecordSize> encode() const;
    // Reads the fields and the curve slots 1..count (their values are not part of
    // the record). Throws std::runtime_error for a curve count outside 0..50.
    static PlotRecord decode(const std::uint8_t* bytes);
};

}  // namespace plot
