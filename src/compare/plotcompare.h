// Comparison of two plot data files, variable by variable: the new curve
// interpolated onto the reference's X values over the common X range, each
// point judged against the tolerance.
#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "compare/tolerance.h"

namespace cmp {

// Two files that cannot be compared (no rows, X values that do not increase,
// no common X range): the message names the file.
class NotComparable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Status { Identical, Within, Differs, Missing, NotComparable };
// "identical", "within tolerance", "differs", "missing", "not comparable".
const char* statusText(Status s);
// Orders statuses from the worst (not comparable, differs) to identical.
int severity(Status s);

// The values of one plot data file, column by column. The first column is X.
struct PlotColumns {
    std::string path;
    std::vector<std::string> names, units;
    std::vector<std::vector<double>> values;
    std::size_t rows() const { return values.empty() ? 0 : values.front().size(); }
};

// Reads a plot data file a block at a time (no copy of the file is held).
// Throws pal::IoError for a file that cannot be read or is not plot data (a
// row of unequal length, a word that is not a number, "NaN", "Infinity").
std::shared_ptr<const PlotColumns> readPlotColumns(const std::string& path);

struct VariableResult {
    std::string name, unit;
    Status status = Status::Identical;
    std::string note;                     // why missing or not comparable
    int referenceColumn = -1, candidateColumn = -1;
    double maxAbs = 0;                    // largest |new - ref|
    double maxAbsX = 0;                   // the X where it occurs
    double maxRel = 0;                    // largest relative difference
    std::optional<double> firstOutside;   // first X outside the tolerance
    std::size_t pointsOutside = 0;
};

struct PlotComparison {
    std::shared_ptr<const PlotColumns> reference, candidate;
    Tolerance tolerance;
    std::string xName;
    double from = 0, to = 0;              // the common X range compared
    bool rangesDiffer = false;
    bool sameX = false;                   // the same X values: compared row by row
    std::size_t pointsCompared = 0;
    std::vector<VariableResult> variables;  // the reference's order, then columns only in the new file
    std::vector<std::string> notes;         // said above the list (ranges, X names)

    // Something differs, is missing or could not be compared, or the X ranges differ.
    bool anyDifference() const;
    const VariableResult* find(const std::string& name) const;
};

// Compares the new file's columns with the reference's, matched by name.
// Throws NotComparable when nothing can be compared.
PlotComparison comparePlotData(std::shared_ptr<const PlotColumns> reference,
                               std::shared_ptr<const PlotColumns> candidate, const Tolerance& tolerance);

// The value of column c of the candidate at x (linear between its rows; x
// within the candidate's X range, whose values increase).
double interpolate(const PlotColumns& data, std::size_t column, double x);

}  // namespace cmp
