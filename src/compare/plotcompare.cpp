#include "compare/plotcompare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "plot/plotdata.h"

namespace cmp {

std::string numberText(double v, int digits) {
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    if (std::isnan(v)) return "nan";
    if (v == 0) return "0";
    char text[48];
    std::snprintf(text, sizeof text, "%.*E", digits - 1, v);
    return text;
}

const char* statusText(Status s) {
    switch (s) {
    case Status::Identical: return "identical";
    case Status::Within: return "within tolerance";
    case Status::Differs: return "differs";
    case Status::Missing: return "missing";
    case Status::NotComparable: return "not comparable";
    }
    return "";
}

int severity(Status s) {
    switch (s) {
    case Status::NotComparable: return 4;
    case Status::Differs: return 3;
    case Status::Missing: return 2;
    case Status::Within: return 1;
    case Status::Identical: return 0;
    }
    return 0;
}

std::shared_ptr<const PlotColumns> readPlotColumns(const std::string& path) {
    plot::PlotDataStream in(path);
    auto data = std::make_shared<PlotColumns>();
    data->path = path;
    data->names = in.names();
    data->units = in.units();
    // Room for the rows the file can hold at the first block's row length, so
    // that the columns are not copied while they grow.
    std::vector<std::vector<double>>& columns = data->values;
    columns.resize(data->names.size());
    bool more = in.next(columns);
    if (in.rowsRead() > 0 && more) {
        const std::size_t perRow = std::max<std::size_t>(1, std::size_t(1 << 20) / in.rowsRead());
        const std::size_t expected = static_cast<std::size_t>(in.fileSize() / perRow) * 21 / 20 + 64;
        for (auto& c : columns) c.reserve(expected);
    }
    while (more) more = in.next(columns);
    for (auto& c : columns) c.shrink_to_fit();
    return data;
}

bool PlotComparison::anyDifference() const {
    if (rangesDiffer) return true;
    return std::any_of(variables.begin(), variables.end(),
                       [](const VariableResult& v) { return severity(v.status) >= severity(Status::Missing); });
}

const VariableResult* PlotComparison::find(const std::string& name) const {
    for (const VariableResult& v : variables)
        if (v.name == name) return &v;
    return nullptr;
}

double interpolate(const PlotColumns& data, std::size_t column, double x) {
    const std::vector<double>& xs = data.values[0];
    const std::vector<double>& ys = data.values[column];
    auto hi = std::lower_bound(xs.begin(), xs.end(), x);
    if (hi == xs.end()) return ys.back();
    const std::size_t k = static_cast<std::size_t>(hi - xs.begin());
    if (*hi == x || k == 0) return ys[k];
    const double w = (x - xs[k - 1]) / (xs[k] - xs[k - 1]);
    return ys[k - 1] + (ys[k] - ys[k - 1]) * w;
}

namespace {

std::string fileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first row where the X values stop increasing (strictly, or allowing
// equal neighbours); none when they increase throughout.
std::optional<std::size_t> firstNonIncreasing(const std::vector<double>& x, bool strictly) {
    for (std::size_t i = 1; i < x.size(); ++i)
        if (strictly ? !(x[i] > x[i - 1]) : !(x[i] >= x[i - 1])) return i;
    return std::nullopt;
}

// The candidate's column matched to each reference column by name (the n-th
// of equal names with the n-th); -1 where it has none.
std::vector<int> matchColumns(const PlotColumns& ref, const PlotColumns& cand) {
    std::vector<int> match(ref.names.size(), -1);
    std::vector<bool> used(cand.names.size(), false);
    for (std::size_t r = 1; r < ref.names.size(); ++r)
        for (std::size_t c = 1; c < cand.names.size(); ++c)
            if (!used[c] && cand.names[c] == ref.names[r]) {
                match[r] = static_cast<int>(c);
                used[c] = true;
                break;
            }
    return match;
}

struct Accumulator {
    std::size_t ref = 0, cand = 0;
    VariableResult* out = nullptr;
    void add(double x, double r, double v, const Tolerance& tol) {
        const double d = std::fabs(v - r);
        if (d > out->maxAbs) {
            out->maxAbs = d;
            out->maxAbsX = x;
        }
        const double rel = relativeDifference(r, v);
        if (rel > out->maxRel) out->maxRel = rel;
        if (tol.outside(r, v)) {
            if (!out->pointsOutside++) out->firstOutside = x;
        }
    }
};

}  // namespace

PlotComparison comparePlotData(std::shared_ptr<const PlotColumns> reference,
                               std::shared_ptr<const PlotColumns> candidate, const Tolerance& tolerance) {
    PlotComparison out;
    out.reference = reference;
    out.candidate = candidate;
    out.tolerance = tolerance;
    const PlotColumns& ref = *reference;
    const PlotColumns& cand = *candidate;
    const std::string refName = fileName(ref.path), candName = fileName(cand.path);
    for (const auto* d : {&ref, &cand})
        if (d->rows() == 0)
            throw NotComparable(fileName(d->path) + " holds no rows of plot data");
    out.xName = ref.names[0];
    if (cand.names[0] != ref.names[0])
        out.notes.push_back("The X columns have different names: " + ref.names[0] + " in " + refName + ", " +
                            cand.names[0] + " in " + candName + ".");

    const std::vector<double>& rx = ref.values[0];
    const std::vector<double>& cx = cand.values[0];
    out.sameX = rx == cx;
    if (!out.sameX) {
        // Interpolation needs X values that increase.
        if (auto row = firstNonIncreasing(rx, false))
            throw NotComparable("The X values of " + refName + " decrease at row " + std::to_string(*row + 1) +
                                ", and the files do not share their X values");
        if (auto row = firstNonIncreasing(cx, true))
            throw NotComparable("The X values of " + candName + " do not increase at row " + std::to_string(*row + 1) +
                                ", and the files do not share their X values");
    }
    const double refLo = *std::min_element(rx.begin(), rx.end()), refHi = *std::max_element(rx.begin(), rx.end());
    const double candLo = *std::min_element(cx.begin(), cx.end()), candHi = *std::max_element(cx.begin(), cx.end());
    out.from = std::max(refLo, candLo);
    out.to = std::min(refHi, candHi);
    if (out.from > out.to)
        throw NotComparable("The X ranges do not overlap: " + refName + " covers " + numberText(refLo) + " to " +
                            numberText(refHi) + ", " + candName + " " + numberText(candLo) + " to " + numberText(candHi));
    out.rangesDiffer = refLo != candLo || refHi != candHi;
    if (out.rangesDiffer)
        out.notes.push_back("Only " + out.xName + " from " + numberText(out.from) + " to " + numberText(out.to) +
                            " is compared: " + refName + " covers " + numberText(refLo) + " to " + numberText(refHi) +
                            ", " + candName + " " + numberText(candLo) + " to " + numberText(candHi) + ".");

    // The variables in the reference's order, then those only the new file has.
    const std::vector<int> match = matchColumns(ref, cand);
    std::vector<bool> matched(cand.names.size(), false);
    std::vector<Accumulator> acc;
    out.variables.reserve(ref.names.size() + cand.names.size());
    for (std::size_t r = 1; r < ref.names.size(); ++r) {
        VariableResult v;
        v.name = ref.names[r];
        v.unit = r < ref.units.size() ? ref.units[r] : std::string();
        v.referenceColumn = static_cast<int>(r);
        v.candidateColumn = match[r];
        if (match[r] < 0) {
            v.status = Status::Missing;
            v.note = "not in " + candName;
        } else {
            matched[static_cast<std::size_t>(match[r])] = true;
        }
        out.variables.push_back(std::move(v));
    }
    for (std::size_t c = 1; c < cand.names.size(); ++c) {
        if (matched[c]) continue;
        VariableResult v;
        v.name = cand.names[c];
        v.unit = c < cand.units.size() ? cand.units[c] : std::string();
        v.candidateColumn = static_cast<int>(c);
        v.status = Status::Missing;
        v.note = "only in " + candName;
        out.variables.push_back(std::move(v));
    }
    for (VariableResult& v : out.variables)
        if (v.referenceColumn > 0 && v.candidateColumn > 0)
            acc.push_back({static_cast<std::size_t>(v.referenceColumn), static_cast<std::size_t>(v.candidateColumn), &v});
    if (acc.empty() && out.variables.empty())
        throw NotComparable(refName + " and " + candName + " hold no variables besides " + out.xName);

    // One pass over the reference's rows within the common range, the new file's
    // segment found by walking along with them.
    std::size_t k = 0;  // candidate row at or before x
    for (std::size_t i = 0; i < rx.size(); ++i) {
        const double x = rx[i];
        if (x < out.from || x > out.to) continue;
        ++out.pointsCompared;
        if (out.sameX) {
            for (Accumulator& a : acc) a.add(x, ref.values[a.ref][i], cand.values[a.cand][i], tolerance);
            continue;
        }
        while (k + 1 < cx.size() && cx[k + 1] <= x) ++k;
        if (cx[k] == x || k + 1 >= cx.size()) {
            for (Accumulator& a : acc) a.add(x, ref.values[a.ref][i], cand.values[a.cand][k], tolerance);
        } else {
            const double w = (x - cx[k]) / (cx[k + 1] - cx[k]);
            for (Accumulator& a : acc) {
                const std::vector<double>& y = cand.values[a.cand];
                a.add(x, ref.values[a.ref][i], y[k] + (y[k + 1] - y[k]) * w, tolerance);
            }
        }
    }
    for (Accumulator& a : acc)
        a.out->status = a.out->pointsOutside ? Status::Differs : a.out->maxAbs == 0 ? Status::Identical : Status::Within;
    return out;
}

}  // namespace cmp
