// The engine's plot data file (.PLT) read into columns: names, units, extremes
// and values, as the plot setup dialog offers them; read at once, or piece by
// piece while the engine is still writing it.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plot/realcolumn.h"

namespace plot {

constexpr int kMaxColumns = 25;
constexpr std::size_t kMaxColumnName = 20;

struct PlotDataTable {
    bool hasHeader = false;
    bool hasUnits = false;
    int rowCount = 0;
    // The rows that begin with a number of the file; the others (a file of
    // header lines only, empty lines at its end) are rows of zeros.
    int rowsRead = 0;
    std::vector<std::string> names;   // one per column (column count = names.size())
    std::vector<std::string> units;   // same size; empty strings without a unit line
    std::vector<double> minimum;      // per column
    std::vector<double> maximum;
    // values[c][r]: row r (0-based) of column c, held as the 6-byte reals they
    // are (the precision of the file's numbers as plots store them).
    std::vector<RealColumn> values;

    int columnCount() const { return static_cast<int>(names.size()); }
};

// Reads plot data from pieces of whole lines as they come: a whole file at once
// (ReadPlt) or one that the engine is still writing (a followed file).
class PlotDataReader {
public:
    enum class Rows {
        // As a file is read once it is complete: a row may go on over line ends,
        // numbers beyond the columns are skipped, a bad number fails the read.
        Stream,
        // As a file is followed while it grows: each line is one row (numbers
        // beyond the columns skipped); a line with fewer values, or one that is
        // not a number, is refused (the refusals name it) and the reading goes on.
        Lines,
    };
    // sizeHint: the file's expected size, to reserve the columns once.
    PlotDataReader(std::string path, Rows mode, std::uint64_t sizeHint = 0);

    // The next piece of the file; it ends on a line end except the very last
    // piece before finish().
    void feed(std::string_view piece);
    // The file ends here: a row cut short is completed with zeros, lines without
    // numbers at the end are rows of zeros, and at least one row is counted, as a
    // read of the whole file gives them. Throws pal::IoError for a bad number
    // (Stream) or a damaged file.
    void finish();

    // The header lines have been read: the columns are known.
    bool headerRead() const { return headDone_; }
    const PlotDataTable& table() const { return t_; }
    PlotDataTable take() { return std::move(t_); }
    // Rows read so far (complete rows; after finish() the table's row count).
    int rows() const { return t_.rowCount; }
    // Lines refused while following (Lines), the first few of them named.
    std::size_t refusedLines() const { return refused_; }
    const std::vector<std::string>& refusals() const { return refusals_; }
    static constexpr std::size_t kNamedRefusals = 20;

private:
    void readHead(std::string_view& piece);
    void feedRows(std::string_view piece);
    void reserveRows(std::string_view firstRow);
    void streamRows(const char* p, const char* end);
    void lineRows(const char* p, const char* end);
    void commitRow();
    void flushRows();
    void refuse(const std::string& why);
    int checkedRows();

    std::string path_;
    Rows mode_;
    std::uint64_t sizeHint_;
    PlotDataTable t_;
    std::string headPending_;      // a header line not yet ended
    bool headDone_ = false;
    bool finished_ = false;
    int rowsBefore_ = 0;           // header lines that were rows (line 1 or 2 read as data)
    std::uint64_t dataLines_ = 0;  // lines fed to the rows (the last one without its end counts)
    std::uint64_t bytes_ = 0;      // bytes fed
    std::uint64_t lineNumber_ = 0; // of the file, for refusals
    int column_ = 0;               // values of the row under way (Stream)
    std::array<double, 25> row_{};
    // Rows are gathered here and stored in the columns a block at a time.
    std::vector<double> block_;  // row by row
    std::size_t blockRows_ = 0;
    std::string error_;            // the first bad number (Stream), told at finish
    std::size_t refused_ = 0;
    std::vector<std::string> refusals_;
};

// Splits the first token off line: it ends before the first blank, comma or tab;
// line becomes the text after that delimiter with blanks trimmed at both ends.
std::string NextToken(std::string& line);

// Reads a plot data file. Throws pal::IoError when the file cannot be read, a
// value is not a number or lies outside the 6-byte real range, or the file is
// damaged so that its rows would need far more memory than its data. The file
// is read in pieces: memory holds the values, not the text.
PlotDataTable ReadPlt(const std::string& path);
// The same, telling progress how far the read is (0..1) after each piece; when
// progress returns false the read stops and nothing is returned.
std::optional<PlotDataTable> ReadPlt(const std::string& path, const std::function<bool(double)>& progress);

// The same from the file's bytes (path is only used in messages).
PlotDataTable parsePlotData(std::string_view bytes, const std::string& path);

// Plot data read a block of rows at a time without holding the file: the
// header by ReadPlt's rules, then one row per line, each with at least as many
// numbers as there are columns (those beyond them are skipped); empty lines
// are skipped. For readers that keep only what they need, such as the
// comparison of two runs.
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
