#include "plot/quickplot.h"

#include <algorithm>
#include <stdexcept>

#include "common/bytes.h"
#include "plot/axes.h"
#include "plot/curvebuilder.h"

namespace plot {

namespace {

// Colours that read well on white, in the order curves get them (yellow, aqua
// and silver last).
constexpr int kRunColours[] = {0, 1, 2, 3, 4, 5, 12, 13, 8, 10, 11, 7, 9, 6, 14};

}  // namespace

int columnIndex(const PlotDataTable& data, const std::string& name) {
    const std::string want = pal::upper(pal::trim(name));
    for (int c = 0; c < data.columnCount(); ++c)
        if (pal::upper(data.names[c]) == want) return c;
    return -1;
}

void proposeAxis(AxisSettings& axis, const std::vector<ColumnRange>& ranges) {
    const ScaleProposal p = ScaleMinMax(ranges);
    axis.minimum = p.low;
    axis.maximum = p.high;
    axis.ticks = p.ticks.value_or(5);
    axis.digits = static_cast<std::int16_t>(std::clamp(p.digits.value_or(2), 0, 9));
    axis.style = 1;
    axis.minorTicks = 1;
    axis.grid = false;
    axis.logarithmic = false;
}

PlotDocument quickPlot(const PlotDataTable& data, const std::string& caption, const std::string& xName,
                       const std::vector<std::string>& yNames) {
    const int x = columnIndex(data, xName);
    if (x < 0) throw std::invalid_argument("The plot data has no column " + xName);
    if (yNames.empty() || static_cast<int>(yNames.size()) > kMaxCurves)
        throw std::invalid_argument("A plot takes 1 to " + std::to_string(kMaxCurves) + " Y columns");
    std::vector<int> ys;
    std::vector<ColumnRange> yr;
    for (const std::string& n : yNames) {
        const int y = columnIndex(data, n);
        if (y < 0) throw std::invalid_argument("The plot data has no column " + n);
        ys.push_back(y);
        yr.push_back({data.minimum[y], data.maximum[y]});
    }
    PlotDocument doc;
    doc.caption = caption.substr(0, 255);
    proposeAxis(doc.record.x, {{data.minimum[x], data.maximum[x]}});
    proposeAxis(doc.record.y, yr);
    addCurves(doc.record, data, x, ys, RowRange{1, data.rowCount}, CurveStyle{1, 1, 0, false});
    doc.record.legend = true;
    return doc;
}

std::string runLegend(const std::vector<std::string>& names, const std::vector<std::string>& values) {
    std::string out;
    for (std::size_t i = 0; i < names.size() && i < values.size(); ++i) {
        if (!out.empty()) out += ' ';
        out += pal::trim(names[i]) + "=" + pal::trim(values[i]);
    }
    return out;
}

std::vector<RunTitle> runTitles(const std::vector<TableRunData>& runs) {
    std::size_t variables = 0;
    for (const TableRunData& r : runs) variables = std::max(variables, std::min(r.names.size(), r.values.size()));
    const auto valueOf = [](const TableRunData& r, std::size_t c) { return c < r.values.size() ? pal::trim(r.values[c]) : std::string(); };
    std::vector<bool> varies(variables, false);
    for (std::size_t c = 0; c < variables; ++c)
        for (const TableRunData& r : runs) varies[c] = varies[c] || valueOf(r, c) != valueOf(runs.front(), c);
    // One run alone, or runs that do not differ: every variable.
    if (std::none_of(varies.begin(), varies.end(), [](bool v) { return v; })) varies.assign(variables, true);
    std::vector<RunTitle> out;
    for (const TableRunData& r : runs) {
        std::string shown, values, full;
        for (std::size_t c = 0; c < variables && c < r.names.size(); ++c) {
            const std::string item = pal::trim(r.names[c]) + "=" + valueOf(r, c);
            full += (full.empty() ? "" : " ") + item;
            if (!varies[c]) continue;
            shown += (shown.empty() ? "" : " ") + item;
            values += (values.empty() ? "" : "/") + valueOf(r, c);
        }
        // Too long with the names: the run number and the values alone
        // ("#3 9/0.3/61.2"), cut only when even these do not fit.
        const std::string number = std::to_string(r.run);
        if (shown.size() > kMaxColumnName) shown = ("#" + number + " " + values).substr(0, kMaxColumnName);
        out.push_back(RunTitle{shown, "Run " + number + ": " + full});
    }
    return out;
}

PlotDocument tableRunsPlot(const std::vector<TableRunData>& runs, const std::string& caption, const std::string& xName,
                           const std::string& yName) {
    PlotDocument doc;
    doc.caption = caption.substr(0, 255);
    std::vector<ColumnRange> xr, yr;
    PlotRecord& rec = doc.record;
    const bool titled = std::any_of(runs.begin(), runs.end(), [](const TableRunData& r) { return !r.names.empty(); });
    const std::vector<RunTitle> titles = titled ? runTitles(runs) : std::vector<RunTitle>();
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const TableRunData& run = runs[i];
        const int x = columnIndex(run.data, xName), y = columnIndex(run.data, yName);
        if (x < 0 || y < 0 || rec.curveCount() >= kMaxCurves) continue;
        const int k = rec.curveCount();
        addCurves(rec, run.data, x, {y}, RowRange{1, run.data.rowCount}, CurveStyle{1, 1, 0, false});
        CurveRecord& c = rec.curves.back();
        c.symbol = k % 15 + 1;
        c.color = kRunColours[k % 15];
        if (titled) {
            c.yName = titles[i].legend;
            c.title = titles[i].full;
        } else {
            c.yName = run.legend.substr(0, kMaxColumnName);
        }
        xr.push_back({run.data.minimum[x], run.data.maximum[x]});
        yr.push_back({run.data.minimum[y], run.data.maximum[y]});
    }
    if (rec.curves.empty()) throw std::invalid_argument("No run has plot data with the columns " + xName + " and " + yName);
    // The titles came with the first curve, from the column names and units.
    proposeAxis(rec.x, xr);
    proposeAxis(rec.y, yr);
    rec.legend = true;
    return doc;
}

}  // namespace plot
