#include "compare/bandplot.h"

#include <algorithm>
#include <cfloat>
#include <stdexcept>

#include "common/bytes.h"
#include "plot/plotdata.h"
#include "plot/quickplot.h"

namespace cmp {

namespace {

// Curve colours and line styles of the plot renderer.
constexpr int kBlue = 1, kRed = 2, kGreen = 3, kPurple = 4;
constexpr int kThin = 1, kDotted = 3;

double real6(double v) {
    try {
        return plot::toReal6Precision(v);
    } catch (const std::range_error&) {
        return v < 0 ? -1.7e38 : 1.7e38;
    }
}

struct CurveMaker {
    plot::PlotRecord& record;
    std::vector<plot::ColumnRange> xRanges, yRanges;

    void add(std::string name, const PlotColumns& file, int yColumn, std::vector<double> x, std::vector<double> y,
             int color, int line) {
        if (x.empty()) return;
        plot::CurveRecord c;
        c.curveNumber = record.curveCount() + 1;
        c.fileRows = static_cast<std::int32_t>(file.rows());
        c.xColumn = 0;
        c.yColumn = yColumn;
        c.xName = file.names[0].substr(0, plot::kMaxColumnName);
        c.yName = name.substr(0, plot::kMaxColumnName);
        c.xUnit = file.units.empty() ? std::string() : file.units[0].substr(0, plot::kMaxColumnName);
        const std::size_t yc = static_cast<std::size_t>(std::max(yColumn, 0));
        c.yUnit = yc < file.units.size() ? file.units[yc].substr(0, plot::kMaxColumnName) : std::string();
        c.pointCount = static_cast<std::int32_t>(x.size());
        c.firstRow = 1;
        c.lastRow = c.pointCount;
        c.lineStyle = line;
        c.symbol = 0;
        c.color = color;
        const auto [xlo, xhi] = std::minmax_element(x.begin(), x.end());
        const auto [ylo, yhi] = std::minmax_element(y.begin(), y.end());
        xRanges.push_back({*xlo, *xhi});
        yRanges.push_back({*ylo, *yhi});
        c.x = std::move(x);
        c.y = std::move(y);
        if (record.curves.empty()) {
            record.x.title = (c.xName + " " + c.xUnit).substr(0, 30);
            record.y.title = (file.names[yc] + " " + c.yUnit).substr(0, 30);
        }
        record.curves.push_back(std::move(c));
    }
};

}  // namespace

plot::PlotDocument bandPlot(const PlotComparison& comparison, const VariableResult& v) {
    plot::PlotDocument doc;
    const PlotColumns& ref = *comparison.reference;
    const PlotColumns& cand = *comparison.candidate;
    // The new file by its name, the reference by its folder and name.
    const auto shortName = [](const std::string& path, int parts) {
        std::size_t at = path.size();
        for (int k = 0; k < parts && at != std::string::npos && at > 0; ++k) at = path.find_last_of('/', at - 1);
        return at == std::string::npos ? path : path.substr(at + 1);
    };
    doc.caption = (v.name + ": " + shortName(cand.path, 1) + " against the reference " + shortName(ref.path, 2)).substr(0, 255);
    CurveMaker m{doc.record, {}, {}};
    const std::size_t rc = static_cast<std::size_t>(std::max(v.referenceColumn, 0));
    const std::size_t cc = static_cast<std::size_t>(std::max(v.candidateColumn, 0));
    if (v.referenceColumn > 0) m.add(v.name + " ref", ref, v.referenceColumn, ref.values[0], ref.values[rc], kBlue, kThin);
    if (v.candidateColumn > 0) m.add(v.name + " new", cand, v.candidateColumn, cand.values[0], cand.values[cc], kRed, kThin);
    if (v.referenceColumn > 0 && v.candidateColumn > 0) {
        std::vector<double> x, upper, lower, diff;
        const std::vector<double>& rx = ref.values[0];
        const std::vector<double>& ry = ref.values[rc];
        for (std::size_t i = 0; i < rx.size(); ++i) {
            if (rx[i] < comparison.from || rx[i] > comparison.to) continue;
            const double allowed = comparison.tolerance.allowed(ry[i]);
            const double value = comparison.sameX ? cand.values[cc][i] : interpolate(cand, cc, rx[i]);
            x.push_back(rx[i]);
            upper.push_back(real6(ry[i] + allowed));
            lower.push_back(real6(ry[i] - allowed));
            diff.push_back(real6(value - ry[i]));
        }
        m.add("tolerance +", ref, v.referenceColumn, x, std::move(upper), kGreen, kDotted);
        m.add("tolerance -", ref, v.referenceColumn, x, std::move(lower), kGreen, kDotted);
        m.add("new - ref", ref, v.referenceColumn, std::move(x), std::move(diff), kPurple, kThin);
    }
    plot::proposeAxis(doc.record.x, m.xRanges);
    plot::proposeAxis(doc.record.y, m.yRanges);
    doc.record.legend = true;
    return doc;
}

}  // namespace cmp
