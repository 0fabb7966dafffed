// The curves of a plot as a table of text: one X column per curve set (curves
// sharing their X values), the curves' Y columns beside it, names and units as
// the header, every value at its full stored precision with a decimal point.
#pragma once
#include <optional>
#include <string>

#include "plot/plotrecord.h"
#include "plot/plotzoom.h"

namespace plot {

struct CurveTableOptions {
    char separator = ',';           // ',' for CSV files, '\t' for the clipboard
    const char* lineEnd = "\r\n";
    // Only the points whose X lies in this range (the visible part of a view).
    std::optional<AxisRange> xRange;
};

std::string curveTable(const PlotRecord& record, const CurveTableOptions& options);

// The header text of a column: "NAME [unit]", or the name alone.
std::string columnTitle(const std::string& name, const std::string& unit);

}  // namespace plot
