// TableData: the run table in memory (deck, columns of values, run deck names)
// and the edits made on it: cell text, copy, paste, clear, value series, runs and
// variables inserted or deleted. Row 0 holds the names, column 0 the run numbers.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/numtext.h"

namespace table {

constexpr int kMaxRuns = 99;          // the file holds run deck names for runs 1 .. 100
constexpr std::size_t kMaxName = 30;  // column name characters
constexpr long double kDefinedLimit = 1.0E20L;

bool isUndefinedValue(long double v);  // 9.99E+99, the value not entered yet
bool isBlankValue(long double v);      // 1E+99, an erased cell

struct TableColumn {
    std::int16_t index = 0;     // 1-based position as stored
    std::int16_t reserved = 0;
    std::string name;
    std::vector<long double> values;  // one per grid row; element 0 unused
    pal::LabelFormat format{2, 4};    // style 2: chosen per value for display
    std::int16_t scratch = 0;
};

// A rectangle of grid cells, inclusive.
struct CellRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

enum class SeriesMode { LastValue = 0, Increment = 1, Multiplier = 2 };

// What a change of a table touched: values or column formats, or its shape
// (runs or variables).
enum class TableChange { Values, Shape };

// Those who follow a table's changes (its grid, its window's modified marker).
// They belong to the table object: a copy starts without them, and a table
// assigned to another keeps the target's.
class TableListeners {
public:
    TableListeners() = default;
    TableListeners(const TableListeners&) {}
    TableListeners& operator=(const TableListeners&) { return *this; }
    int add(std::function<void(TableChange)> listener);
    void remove(int id);
    void notify(TableChange change) const;

private:
    std::vector<std::pair<int, std::function<void(TableChange)>>> list_;
    int last_ = 0;
};

class TableData {
public:
    TableData();
    // A new table: one column per name (cut to 30 characters), every value undefined.
    TableData(std::string deckPath, const std::vector<std::string>& names, int runs);

    std::string deckPath;
    std::vector<std::string> runDeckNames;  // index = run; 0 unused
    std::vector<TableColumn> columns;       // in column order

    int rows() const { return rows_; }  // runs + 1
    int runs() const { return rows_ - 1; }
    int variables() const { return static_cast<int>(columns.size()); }
    // Sets the row count; every column gets that many values (new ones undefined).
    void setRows(int rows);

    // The text a cell shows: "" for column 0 and outside the table, the name in
    // row 0, "Enter value", " " or the formatted value.
    std::string cellText(int column, int row) const;
    // A value cell's stored value in full (the shortest text that gives it back
    // exactly); the markers and other cells as cellText shows them.
    std::string fullText(int column, int row) const;
    long double value(int column, int row) const;
    void setValue(int column, int row, long double v);

    // The in-place editor's text: blank text erases the cell; a text that does not
    // convert stores nothing. True when the stored value changed.
    bool setEditText(int column, int row, std::string_view text);

    // The cells of the rectangle: TAB between cells, CR LF between rows.
    std::string copyText(const CellRect& r) const;

    struct PasteResult {
        bool changed = false;
        // Where a field did not convert (run, column); the paste stopped there.
        std::optional<std::pair<int, int>> badField;
    };
    // Pastes TAB/line separated fields from the start cell on (column 0 and row 0
    // count as 1). Besides numbers and INF, a field as a copy writes it ("Enter
    // value", a blank) comes back as that marker.
    PasteResult paste(std::string_view text, int startColumn, int startRow);

    // The selected values become undefined; nothing when the rectangle starts in
    // column 0. True when a value changed.
    bool clear(const CellRect& r);

    // Runs first .. last of a column (1-based, already inside the table).
    void clearRuns(int column, int first, int last);
    void fillSeries(int column, int first, int last, SeriesMode mode, long double v, long double s);

    // n > 0 inserts n undefined runs after run p, n < 0 deletes -n runs after
    // run p (as many as there are). 0 <= p <= runs.
    void changeRuns(int p, int n);

    // The variables become names, in that order: a column of the same name keeps
    // its values and format, other names get new undefined columns.
    void reshape(const std::vector<std::string>& names);

    // A column's label format (1-based column); true when it changed.
    bool setFormat(int column, pal::LabelFormat format);

    // Counts the changes made through the methods above (a value, the runs or
    // the variables), so that a window knows whether its table holds changes
    // that are not stored.
    std::uint64_t changes() const { return changes_; }

    // Calls listener after every counted change, once per call of a method
    // above. Returns an id for unlisten.
    int listen(std::function<void(TableChange)> listener) const { return listeners_.add(std::move(listener)); }
    void unlisten(int id) const { listeners_.remove(id); }

private:
    void changed(TableChange change);
    PasteResult pasteFields(std::string_view text, int startColumn, int startRow);
    TableColumn newColumn(int index, const std::string& name) const;
    int rows_ = 1;
    std::uint64_t changes_ = 0;
    mutable TableListeners listeners_;
};

// The table file beside a deck: its base name (pal::baseName) + ".TBL".
std::string tablePathForDeck(const std::string& deckPath);

}  // namespace table
