#include "plot/curvebuilder.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "common/bytes.h"

namespace plot {

std::optional<long long> parseInteger(const std::string& text) {
    const std::string t = pal::trim(text);
    if (t.empty()) return std::nullopt;
    std::size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
    if (i == t.size() || t.size() > 18) return std::nullopt;
    for (std::size_t k = i; k < t.size(); ++k)
        if (t[k] < '0' || t[k] > '9') return std::nullopt;
    return std::strtoll(t.c_str(), nullptr, 10);
}

std::optional<long double> parseReal(const std::string& text) {
    const std::string t = pal::trim(text);
    bool digit = false;
    for (char c : t) {
        if (c >= '0' && c <= '9') digit = true;
        else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') return std::nullopt;
    }
    if (!digit) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long double v = std::strtold(t.c_str(), &end);
    if (!end || *end != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

RowRangeError resolveRows(const std::string& fromText, const std::string& toText, int rowCount, RowRange& out) {
    const auto from = parseInteger(fromText);
    out.first = from && *from > 0 && *from <= rowCount ? static_cast<int>(*from) : 1;
    if (from && *from > rowCount) return RowRangeError::FromRowBeyondData;
    const auto to = parseInteger(toText);
    if (!to) return RowRangeError::ToRowNotInteger;
    out.last = *to > out.first && *to <= rowCount ? static_cast<int>(*to) : rowCount;
    return RowRangeError::None;
}

void addCurves(PlotRecord& record, const PlotDataTable& data, int xColumn, const std::vector<int>& yColumns,
               const RowRange& rows, const CurveStyle& style) {
    const int first = record.curveCount() + 1;
    const std::size_t a = static_cast<std::size_t>(std::max(rows.first, 1) - 1);
    const std::size_t b = static_cast<std::size_t>(std::max(rows.last, rows.first));  // one past the last row
    for (std::size_t i = 0; i < yColumns.size(); ++i) {
        const int k = first + static_cast<int>(i);
        const int y = yColumns[i];
        CurveRecord c;
        c.curveNumber = k;
        c.fileRows = data.rowCount;
        c.xColumn = xColumn;
        c.yColumn = y;
        c.xName = data.names[xColumn];
        c.yName = data.names[y];
        c.xUnit = data.units[xColumn];
        c.yUnit = data.units[y];
        c.firstRow = rows.first;
        c.lastRow = rows.last;
        c.pointCount = rows.last - rows.first + 1;
        c.lineStyle = style.line;
        c.symbol = style.symbol == 0 ? 0 : style.symbol + (k - first);  // "None" holds for every curve
        c.color = style.color + (k - first);
        c.smoothing = style.smoothing;
        // The rows are shared with the data's columns, not copied.
        c.x = data.values[xColumn].slice(a, b - a);
        c.y = data.values[y].slice(a, b - a);
        c.x.resize(static_cast<std::size_t>(c.pointCount), 0.0);
        c.y.resize(static_cast<std::size_t>(c.pointCount), 0.0);
        if (k == 1) {
            record.x.title = (c.xName + " " + c.xUnit).substr(0, 30);
            record.y.title = (c.yName + " " + c.yUnit).substr(0, 30);
        }
        record.curves.push_back(std::move(c));
    }
}

std::string curveListText(const CurveRecord& curve) {
    return (curve.yName.substr(0, 25) + " vs. " + curve.xName.substr(0, 25)).substr(0, 45);
}

}  // namespace plot
