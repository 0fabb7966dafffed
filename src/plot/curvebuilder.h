// What Plot Setup's OK does with the data: the row range from the dialog's
// texts, new curves copied from the plot data, the number texts of the dialogs.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "plot/plotdata.h"
#include "plot/plotrecord.h"

namespace plot {

// A whole number as the dialogs accept it (blanks around it allowed).
std::optional<long long> parseInteger(const std::string& text);
// A real number in decimal notation (blanks around it allowed; no inf, nan, hex).
std::optional<long double> parseReal(const std::string& text);

struct RowRange {
    int first = 1;
    int last = 0;
};

enum class RowRangeError { None, ToRowNotInteger, FromRowBeyondData };

// From Row: its value when a whole number above 0, else 1. To Row: its value
// when a whole number above From Row and not above the row count, else the row
// count; a To Row that is not a whole number, or a From Row beyond the data,
// is an error.
RowRangeError resolveRows(const std::string& fromText, const std::string& toText, int rowCount, RowRange& out);

struct CurveStyle {
    int line = 1;
    int symbol = 1;
    int color = 0;
    bool smoothing = false;
};

// Appends one curve per Y column (in the order given) to the record: symbol and
// colour step by one from the style's per curve (symbol 0, none, stays none:
// lines without symbols for all curves). The first curve of a plot also
// sets the axis titles from the column names and units. The caller has checked
// the curve limit.
void addCurves(PlotRecord& record, const PlotDataTable& data, int xColumn, const std::vector<int>& yColumns,
               const RowRange& rows, const CurveStyle& style);

// The text of a curve in the Modify Plot list: "Y vs. X".
std::string curveListText(const CurveRecord& curve);

}  // namespace plot
