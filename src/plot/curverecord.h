// CurveRecord: one curve of a plot as the 156-byte slot of the saved-plot
// layout, with the curve's own X and Y values.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "plot/realcolumn.h"

namespace plot {

constexpr std::size_t kCurveRecordSize = 156;

// The codes as the drawing uses them: a symbol code above 15 is reduced by 15
// until it is at most 15 (an overlay adds 1 per curve); a colour index outside
// 0..15 is black (0); a line style outside 0..3 draws no line.
inline int drawnSymbol(int code) { return code > 15 ? (code - 1) % 15 + 1 : code < 0 ? 0 : code; }
inline int drawnColor(int index) { return index >= 0 && index <= 15 ? index : 0; }
inline int drawnLineStyle(int code) { return code >= 0 && code <= 3 ? code : 0; }

struct CurveRecord {
    std::int32_t pointCount = 0;    // last row - first row + 1
    std::int32_t fileRows = 0;      // row count of the plot data file
    std::int32_t curveNumber = 0;   // 1-based
    std::int32_t xColumn = 0;       // 0-based
    std::int32_t yColumn = 0;
    std::string xName, yName, xUnit, yUnit;  // at most 20 characters each
    std::int32_t firstRow = 1;      // 1-based
    std::int32_t lastRow = 0;
    std::int32_t lineStyle = 1;     // 0 none, 1 thin, 2 thick, 3 dotted
    std::int32_t symbol = 1;
    std::int32_t color = 0;
    bool smoothing = false;

    // A longer name than the 20 characters the file keeps (a table run's
    // variables), for the cursor read-out and the legend's tooltip; not saved.
    std::string title;

    // The values, pointCount each, as 6-byte reals. Curves made from one plot
    // data file share its columns' storage.
    RealColumn x, y;

    // The slot as read (reserved bytes, padding and the stale memory handles are
    // written back as they came, so a saved plot survives open and save intact).
    std::array<std::uint8_t, kCurveRecordSize> raw{};

    std::array<std::uint8_t, kCurveRecordSize> encode() const;
    // Reads the fields of a slot; the values are not part of it.
    static CurveRecord decode(const std::uint8_t* slot);
};

}  // namespace plot
