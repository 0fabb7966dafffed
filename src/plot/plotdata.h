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

// Plot data read a block of rows at a time without holding the file: the
// header by ReadPlt's rules, then one row per line, each with exactly as many
// numbers as there are columns (more are skipped only where the 25 columns cut
// the header); empty lines are skipped. For readers that keep only what they
// need, such as the comparison of two runs.
class PlotDataStream {
public:
    // Opens the file and reads its header. Throws pal::IoError.
    explicit PlotDataStream(const std::string& path);
    ~PlotDataStream();
    PlotDataStream(const PlotDataStream&) = delete;
    PlotDataStream& operator=(const PlotDataStream&) = delete;

    const std::vector<std::string>& names() const { return header_.names; }
    const std::vector<std::string>& units() const { return header_.units; }
    int columnCount() const { return header_.columnCount(); }
    std::uint64_t fileSize() const { return fileSize_; }
    std::size_t rowsRead() const { return rows_; }

    // Appends the rows of the next block of the file (about a megabyte, at
    // most mostRows rows) to columns (one vector per column; resized to the
    // column count). False once the whole file has been read. Throws
    // pal::IoError for a line that is not a row of plot values, naming the line.
    bool next(std::vector<std::vector<double>>& columns, std::size_t mostRows = SIZE_MAX);

private:
    bool fill();  // moves the unread bytes to the front and reads more; false at the end
    void parseLine(const char* p, const char* end, std::vector<std::vector<double>>& columns);

    std::string path_;
    int fd_ = -1;
    std::uint64_t fileSize_ = 0;
    PlotDataTable header_;       // names and units (no values)
    std::string buffer_;
    std::size_t begin_ = 0, end_ = 0;  // the unread bytes of buffer_
    bool eof_ = false;
    std::size_t line_ = 0;       // lines of the file consumed
    std::size_t rows_ = 0;
};

// A value rounded to the 6-byte real precision in which curves are stored.
// Throws std::range_error when it lies outside that format's range.
double toReal6Precision(long double v);

}  // namespace plot
