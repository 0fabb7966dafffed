#include "study/sensitivity.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "plot/plotdata.h"
#include "plot/quickplot.h"

namespace study {

namespace {

// The colours of the table-run plots, one per curve in turn.
constexpr int kColours[] = {0, 1, 2, 3, 4, 5, 12, 13, 8, 10, 11, 7, 9, 6, 14};

double real6(long double v) {
    try {
        return plot::toReal6Precision(v);
    } catch (const std::range_error&) {
        return v < 0 ? -1.7e38 : 1.7e38;
    }
}

}  // namespace

plot::PlotDocument sensitivityPlot(const StudyResults& r, std::size_t metric, std::size_t xVariable,
                                   std::optional<std::size_t> byVariable, const std::string& caption) {
    if (metric >= r.metrics.size() || xVariable >= r.variables.size() || (byVariable && *byVariable >= r.variables.size()))
        throw std::invalid_argument("No such metric or variable");
    // Points of each curve, by the second variable's value (one key without it).
    std::map<long double, std::vector<std::pair<long double, double>>> curves;
    for (std::size_t i = 0; i < r.runs.size(); ++i) {
        const RunResult& run = r.runs[i];
        if (run.failed || metric >= run.values.size() || !run.values[metric] || i >= r.inputs.size()) continue;
        const long double x = r.inputs[i][xVariable];
        const long double key = byVariable ? r.inputs[i][*byVariable] : 0;
        if (std::fabs(x) >= table::kDefinedLimit || std::fabs(key) >= table::kDefinedLimit) continue;
        curves[key].emplace_back(x, *run.values[metric]);
    }
    const std::string metricName = r.metrics[metric].text();
    if (curves.empty()) throw std::invalid_argument("No run has a value of " + metricName);
    if (curves.size() > static_cast<std::size_t>(plot::kMaxCurves))
        throw std::invalid_argument(r.variables[*byVariable] + " takes " + std::to_string(curves.size()) +
                                    " values: a plot holds at most 50 curves");
    plot::PlotDocument doc;
    doc.caption = caption.substr(0, 255);
    plot::PlotRecord& rec = doc.record;
    std::vector<plot::ColumnRange> xr, yr;
    for (auto& [key, points] : curves) {
        std::stable_sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<double> xs, ys;
        for (const auto& [x, y] : points) {
            xs.push_back(real6(x));
            ys.push_back(real6(y));
        }
        // A plot draws a curve through all its rows but the last: the last
        // run's point is given twice so that every run shows.
        xs.push_back(xs.back());
        ys.push_back(ys.back());
        const int k = rec.curveCount();
        plot::CurveRecord c;
        c.curveNumber = k + 1;
        c.pointCount = c.fileRows = c.lastRow = static_cast<std::int32_t>(xs.size());
        c.firstRow = 1;
        c.xColumn = 0;
        c.yColumn = 1;
        c.xName = r.variables[xVariable].substr(0, plot::kMaxColumnName);
        c.yName = (byVariable ? r.variables[*byVariable] + "=" + inputText(key) : metricName).substr(0, plot::kMaxColumnName);
        c.lineStyle = 1;
        c.symbol = k % 15 + 1;
        c.color = kColours[k % 15];
        const auto [xlo, xhi] = std::minmax_element(xs.begin(), xs.end());  // NOLINT: the repeat changes nothing
        const auto [ylo, yhi] = std::minmax_element(ys.begin(), ys.end());
        xr.push_back({*xlo, *xhi});
        yr.push_back({*ylo, *yhi});
        c.x = xs;
        c.y = ys;
        rec.curves.push_back(std::move(c));
    }
    rec.x.title = r.variables[xVariable].substr(0, 30);
    rec.y.title = metricName.substr(0, 30);
    plot::proposeAxis(rec.x, xr);
    plot::proposeAxis(rec.y, yr);
    rec.legend = true;
    return doc;
}

}  // namespace study
