#include "table/tabledata.h"

#include <algorithm>
#include <cmath>

#include "common/bytes.h"
#include "table/numberparse.h"

namespace table {

bool isUndefinedValue(long double v) {
    return v == pal::kUndefinedValue || v == static_cast<long double>(9.99E99);
}

bool isBlankValue(long double v) { return v == pal::kBlankValue || v == static_cast<long double>(1.0E99); }

int TableListeners::add(std::function<void(TableChange)> listener) {
    list_.emplace_back(++last_, std::move(listener));
    return last_;
}

void TableListeners::remove(int id) {
    list_.erase(std::remove_if(list_.begin(), list_.end(), [id](const auto& l) { return l.first == id; }), list_.end());
}

void TableListeners::notify(TableChange change) const {
    // A copy: a listener may add or remove listeners.
    const auto list = list_;
    for (const auto& l : list) l.second(change);
}

TableData::TableData() : runDeckNames(kMaxRuns + 2) {}

void TableData::changed(TableChange change) {
    ++changes_;
    listeners_.notify(change);
}

TableData::TableData(std::string deck, const std::vector<std::string>& names, int runs)
    : deckPath(std::move(deck)), runDeckNames(kMaxRuns + 2), rows_(std::max(runs, 0) + 1) {
    int i = 0;
    for (const auto& n : names) columns.push_back(newColumn(++i, n));
}

TableColumn TableData::newColumn(int index, const std::string& name) const {
    TableColumn c;
    c.index = static_cast<std::int16_t>(index);
    c.name = name.substr(0, kMaxName);
    c.values.assign(static_cast<std::size_t>(rows_), pal::kUndefinedValue);
    c.values[0] = 0;
    return c;
}

void TableData::setRows(int rows) {
    const bool differs = std::max(rows, 1) != rows_;
    rows_ = std::max(rows, 1);
    for (auto& c : columns) c.values.resize(static_cast<std::size_t>(rows_), pal::kUndefinedValue);
    if (runDeckNames.size() < static_cast<std::size_t>(rows_)) runDeckNames.resize(static_cast<std::size_t>(rows_));
    if (differs) changed(TableChange::Shape);
}

std::string TableData::cellText(int column, int row) const {
    if (column <= 0 || column > variables() || row < 0 || row >= rows_) return {};
    const TableColumn& c = columns[static_cast<std::size_t>(column - 1)];
    if (row == 0) return c.name;
    const long double v = c.values[static_cast<std::size_t>(row)];
    if (isUndefinedValue(v)) return "Enter value";
    if (isBlankValue(v)) return " ";
    const pal::LabelFormat f = c.format.style == 2 ? pal::ChooseFormat(4, v) : c.format;
    return pal::FormatValue(f, v);
}

std::string TableData::fullText(int column, int row) const {
    if (column <= 0 || column > variables() || row <= 0 || row >= rows_) return cellText(column, row);
    const long double v = value(column, row);
    if (isUndefinedValue(v) || isBlankValue(v) || !std::isfinite(v)) return cellText(column, row);
    return exactValueText(v, true);
}

long double TableData::value(int column, int row) const {
    return columns.at(static_cast<std::size_t>(column - 1)).values.at(static_cast<std::size_t>(row));
}

void TableData::setValue(int column, int row, long double v) {
    long double& stored = columns.at(static_cast<std::size_t>(column - 1)).values.at(static_cast<std::size_t>(row));
    const bool differs = stored != v;
    stored = v;
    if (differs) changed(TableChange::Values);
}

bool TableData::setEditText(int column, int row, std::string_view text) {
    if (column < 1 || column > variables() || row < 1 || row > runs()) return false;
    const std::string t = pal::trim(text);
    long double v = pal::kBlankValue;
    if (!t.empty()) {
        const auto parsed = parseDecimal(t);
        if (!parsed) return false;
        v = *parsed;
    }
    long double& stored = columns[static_cast<std::size_t>(column - 1)].values[static_cast<std::size_t>(row)];
    const bool differs = stored != v;
    stored = v;
    if (differs) changed(TableChange::Values);
    return differs;
}

std::string TableData::copyText(const CellRect& r) const {
    std::string out;
    for (int row = r.top; row <= r.bottom; ++row) {
        if (row > r.top) out += "\r\n";
        for (int col = r.left; col <= r.right; ++col) {
            if (col > r.left) out += '\t';
            out += cellText(col, row);
        }
    }
    return out;
}

TableData::PasteResult TableData::paste(std::string_view text, int startColumn, int startRow) {
    const PasteResult result = pasteFields(text, startColumn, startRow);
    if (result.changed) listeners_.notify(TableChange::Values);
    return result;
}

TableData::PasteResult TableData::pasteFields(std::string_view text, int startColumn, int startRow) {
    PasteResult result;
    const int c0 = std::max(startColumn, 1);
    int run = std::max(startRow, 1);
    if (c0 > variables()) return result;
    int col = c0;
    std::string_view rest = text;
    while (!rest.empty() && run <= runs()) {
        // A field ends at the first TAB or LF and is cut at its first CR.
        const std::size_t end = rest.find_first_of("\t\n");
        std::string_view field = rest.substr(0, end);
        const bool tab = end != std::string_view::npos && rest[end] == '\t';
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (const auto cr = field.find('\r'); cr != std::string_view::npos) field = field.substr(0, cr);

        std::optional<long double> v;
        const std::string t = pal::trim(field);
        if (t.empty())
            v = pal::kBlankValue;
        else if (pal::equalsNoCase(t, "Enter value"))
            v = pal::kUndefinedValue;
        else
            v = ParseNumber(t);
        if (!v) {
            result.badField = std::make_pair(run, col);
            return result;
        }
        long double& stored = columns[static_cast<std::size_t>(col - 1)].values[static_cast<std::size_t>(run)];
        if (stored != *v) {
            result.changed = true;
            ++changes_;  // one change per value; one notice for the paste
        }
        stored = *v;

        if (tab && col < variables()) {
            ++col;
            continue;
        }
        if (tab) {  // no column left: the rest of this line is skipped
            const std::size_t lf = rest.find('\n');
            rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
        }
        col = c0;
        ++run;
    }
    return result;
}

bool TableData::clear(const CellRect& r) {
    if (r.left <= 0) return false;
    bool differs = false;
    for (int col = r.left; col <= std::min(r.right, variables()); ++col)
        for (int row = std::max(r.top, 1); row <= std::min(r.bottom, runs()); ++row) {
            long double& v = columns[static_cast<std::size_t>(col - 1)].values[static_cast<std::size_t>(row)];
            if (!isUndefinedValue(v)) differs = true;
            v = pal::kUndefinedValue;
        }
    if (differs) changed(TableChange::Values);
    return differs;
}

bool TableData::setFormat(int column, pal::LabelFormat format) {
    if (column < 1 || column > variables()) return false;
    pal::LabelFormat& f = columns[static_cast<std::size_t>(column - 1)].format;
    if (f == format) return false;
    f = format;
    changed(TableChange::Values);
    return true;
}

void TableData::clearRuns(int column, int first, int last) {
    for (int r = std::max(first, 1); r <= std::min(last, runs()); ++r) setValue(column, r, pal::kUndefinedValue);
}

void TableData::fillSeries(int column, int first, int last, SeriesMode mode, long double v, long double s) {
    if (mode == SeriesMode::LastValue && last > first) s = (s - v) / (last - first);
    for (int r = first; r <= last; ++r) {
        if (r >= 1 && r <= runs()) setValue(column, r, v);
        if (mode == SeriesMode::Multiplier)
            v *= s;
        else
            v += s;
    }
}

void TableData::changeRuns(int p, int n) {
    const int R = runs();
    p = std::clamp(p, 0, R);
    if (n < 0) n = std::max(n, -(R - p));
    if (n == 0) return;
    const int N = R + n;
    for (auto& c : columns) {
        std::vector<long double> fresh(static_cast<std::size_t>(N + 1), pal::kUndefinedValue);
        fresh[0] = c.values[0];
        for (int r = 1; r <= std::min(p, N); ++r) fresh[static_cast<std::size_t>(r)] = c.values[static_cast<std::size_t>(r)];
        for (int r = (n > 0 ? p + n + 1 : p + 1); r <= N; ++r)
            fresh[static_cast<std::size_t>(r)] = c.values[static_cast<std::size_t>(r - n)];
        c.values = std::move(fresh);
    }
    rows_ = N + 1;
    if (runDeckNames.size() < static_cast<std::size_t>(rows_)) runDeckNames.resize(static_cast<std::size_t>(rows_));
    changed(TableChange::Shape);
}

void TableData::reshape(const std::vector<std::string>& names) {
    std::vector<std::string> before;
    for (const auto& c : columns) before.push_back(c.name);
    std::vector<std::string> after;
    for (const auto& n : names) after.push_back(n.substr(0, kMaxName));
    const bool differs = before != after;
    for (auto& c : columns) c.scratch = 0;
    for (std::size_t b = 0; b < names.size(); ++b) {
        for (auto& c : columns) {
            if (c.name == names[b].substr(0, kMaxName)) {
                if (c.scratch == 0) c.scratch = static_cast<std::int16_t>(b + 1);
                break;
            }
        }
    }
    std::vector<TableColumn> fresh;
    for (std::size_t i = 1; i <= names.size(); ++i) {
        auto kept = std::find_if(columns.begin(), columns.end(),
                                 [i](const TableColumn& c) { return c.scratch == static_cast<std::int16_t>(i); });
        if (kept != columns.end()) {
            TableColumn c = std::move(*kept);
            kept->scratch = 0;
            c.index = static_cast<std::int16_t>(i);
            fresh.push_back(std::move(c));
        } else {
            fresh.push_back(newColumn(static_cast<int>(i), names[i - 1]));
        }
    }
    columns = std::move(fresh);
    if (differs) changed(TableChange::Shape);
}

std::string tablePathForDeck(const std::string& deckPath) {
    return pal::baseName(deckPath) + ".TBL";
}

}  // namespace table
