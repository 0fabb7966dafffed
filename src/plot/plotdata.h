// The engine's plot data file (.PLT) read into columns: names, units, extremes
// and values, as the plot setup dialog offers them.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plot {

constexpr int kMaxColumns = 25;
constexpr std::size_t kMaxColumnName = 20;

struct PlotDataTable {
    bool hasHeader = false;
    bool hasUnits = false;
    int rowCount = 0;
    std::vector<std::string> names;   // one per column (column count = names.size())
    std::vector<std::string> units;   // same size; empty strings without a unit line
    std::vector<double> minimum;      // per column
    std::vector<double> maximum;
    // values[c][r]: row r (0-based) of column c. Every value is exactly a 6-byte
    // real (the precision the plots store), held in a double for speed.
    std::vector<std::vector<double>> values;

    int columnCount() const { return static_cast<int>(names.size()); }
};

// Splits the first token off line: it ends before the first blank, comma or tab;
// line becomes the text after that delimiter with blanks trimmed at both ends.
std::string NextToken(std::string& line);

// Reads a plot data file. Throws pal::IoError when the file cannot be read, a
// value is not a number or lies outside the 6-byte real range, or the file is
// damaged so that its rows would need far more memory than its data.
PlotDataTable ReadPlt(const std::string& path);

// The same from the file's bytes (path is only used in messages).
PlotDataTable parsePlotData(std::string_view bytes, const std::string& path);

// A value rounded to the 6-byte real precision in which curves are stored.
// Throws std::range_error when it lies outside that format's range.
double toReal6Precision(long double v);

}  // namespace plot
