#include "study/metrics.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/bytes.h"

namespace study {

namespace {

std::string shortNumber(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string namesText(const std::vector<std::string>& names) {
    std::string t;
    for (std::size_t i = 0; i < names.size() && i < 12; ++i) t += (i ? ", " : "") + names[i];
    if (names.size() > 12) t += ", ...";
    return t;
}

}  // namespace

const std::vector<MetricWord>& metricWords() {
    static const std::vector<MetricWord> words = {
        {MetricKind::Final, "final", "the value of the last row"},
        {MetricKind::Min, "min", "the smallest value"},
        {MetricKind::Max, "max", "the largest value"},
        {MetricKind::Mean, "mean", "the arithmetic mean of the values of all rows"},
        {MetricKind::Integral, "integral", "the integral over X (trapezoidal)"},
        {MetricKind::XAtMax, "xatmax", "X where the value is largest (the first such row)"},
        {MetricKind::XAtMin, "xatmin", "X where the value is smallest (the first such row)"},
        {MetricKind::ValueAt, "at=X", "the value at X, interpolated linearly"},
    };
    return words;
}

std::string Metric::text() const {
    if (kind == MetricKind::ValueAt) return column + ":at=" + (atText.empty() ? shortNumber(at) : atText);
    for (const MetricWord& w : metricWords())
        if (w.kind == kind) return column + ":" + w.word;
    return column;
}

Metric parseMetric(std::string_view text) {
    const std::string t = pal::trim(text);
    const std::size_t colon = t.rfind(':');
    if (colon == std::string::npos || colon == 0)
        throw MetricError("\"" + t + "\" is not COLUMN:metric (for example LEVEL:max)");
    Metric m;
    m.column = pal::trim(std::string_view(t).substr(0, colon));
    const std::string word = pal::trim(std::string_view(t).substr(colon + 1));
    const std::string lower = [&] {
        std::string s = word;
        for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return s;
    }();
    if (lower.rfind("at=", 0) == 0) {
        m.kind = MetricKind::ValueAt;
        m.atText = pal::trim(std::string_view(word).substr(3));
        const char* b = m.atText.data();
        const char* e = b + m.atText.size();
        const auto r = std::from_chars(b + (b != e && *b == '+'), e, m.at);
        if (m.atText.empty() || r.ec != std::errc() || r.ptr != e || !std::isfinite(m.at))
            throw MetricError("\"" + t + "\": \"" + m.atText + "\" is not a number");
        return m;
    }
    for (const MetricWord& w : metricWords())
        if (w.kind != MetricKind::ValueAt && lower == w.word) {
            m.kind = w.kind;
            return m;
        }
    throw MetricError("\"" + t + "\": unknown metric \"" + word +
                      "\" (final, min, max, mean, integral, xatmax, xatmin or at=X)");
}

std::vector<Metric> parseMetricList(std::string_view text) {
    std::vector<Metric> out;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        if (!pal::trim(part).empty()) out.push_back(parseMetric(part));
        else if (comma != std::string_view::npos || out.empty()) throw MetricError("an empty metric in \"" + std::string(text) + "\"");
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return out;
}

std::string metricListText(const std::vector<Metric>& metrics) {
    std::string t;
    for (const Metric& m : metrics) t += (t.empty() ? "" : ",") + m.text();
    return t;
}

int findColumn(const std::vector<std::string>& names, std::string_view name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (pal::equalsNoCase(names[i], name)) return static_cast<int>(i);
    return -1;
}

MetricCollector::MetricCollector(const std::vector<Metric>& metrics, const std::vector<std::string>& names)
    : metrics_(metrics) {
    for (const Metric& m : metrics_) {
        const int c = findColumn(names, m.column);
        if (c < 0) throw MetricError(m.text() + ": the plot data has no column " + m.column + " (it has " + namesText(names) + ")");
        auto it = std::find_if(columns_.begin(), columns_.end(), [&](const Column& k) { return k.index == std::size_t(c); });
        if (it == columns_.end()) {
            columns_.push_back(Column{});
            columns_.back().index = std::size_t(c);
            it = columns_.end() - 1;
        }
        const std::size_t slot = static_cast<std::size_t>(it - columns_.begin());
        columnOf_.push_back(slot);
        if (m.kind == MetricKind::ValueAt) {
            atOf_.push_back(static_cast<std::ptrdiff_t>(at_.size()));
            at_.push_back(At{slot, m.at, std::nullopt});
        } else {
            atOf_.push_back(-1);
        }
    }
    lastY_.assign(columns_.size(), 0.0);
}

void MetricCollector::add(const std::vector<std::vector<double>>& data) {
    if (data.empty() || data[0].empty()) return;
    const std::vector<double>& xs = data[0];
    const std::size_t n = xs.size();
    const bool first = rows_ == 0;
    for (std::size_t k = 0; k < columns_.size(); ++k) {
        Column& c = columns_[k];
        const double* y = data[c.index].data();
        std::size_t r = 0;
        long double sum = 0, area = 0;
        double lo = c.min, hi = c.max, xlo = c.xAtMin, xhi = c.xAtMax;
        double px = lastX_, py = lastY_[k];
        if (first) {
            lo = hi = y[0];
            xlo = xhi = xs[0];
            px = xs[0];
            py = y[0];
        }
        for (; r < n; ++r) {
            const double v = y[r], x = xs[r];
            sum += v;
            area += 0.5L * (static_cast<long double>(x) - px) * (static_cast<long double>(v) + py);
            if (v < lo) lo = v, xlo = x;
            if (v > hi) hi = v, xhi = x;
            px = x;
            py = v;
        }
        c.sum += sum;
        c.integral += area;
        c.min = lo, c.max = hi, c.xAtMin = xlo, c.xAtMax = xhi;
        c.last = y[n - 1];
    }
    // The value at X: the first segment (or row) that holds it.
    for (At& a : at_) {
        if (a.value) continue;
        const double* y = data[columns_[a.column].index].data();
        double px = first ? xs[0] : lastX_, py = first ? y[0] : lastY_[a.column];
        for (std::size_t r = 0; r < n; ++r) {
            const double x = xs[r], v = y[r];
            if (x == a.x) {
                a.value = v;
                break;
            }
            if ((px < a.x && a.x < x) || (x < a.x && a.x < px)) {
                a.value = static_cast<double>(py + (static_cast<long double>(v) - py) * (a.x - px) / (static_cast<long double>(x) - px));
                break;
            }
            px = x;
            py = v;
        }
    }
    const auto [xlo, xhi] = std::minmax_element(xs.begin(), xs.end());
    xMin_ = first ? *xlo : std::min(xMin_, *xlo);
    xMax_ = first ? *xhi : std::max(xMax_, *xhi);
    lastX_ = xs[n - 1];
    for (std::size_t k = 0; k < columns_.size(); ++k) lastY_[k] = data[columns_[k].index][n - 1];
    rows_ += n;
}

std::vector<MetricValue> MetricCollector::results() const {
    std::vector<MetricValue> out(metrics_.size());
    if (rows_ == 0) {
        for (MetricValue& v : out) v.note = "no rows";
        return out;
    }
    for (std::size_t i = 0; i < metrics_.size(); ++i) {
        const Column& c = columns_[columnOf_[i]];
        switch (metrics_[i].kind) {
        case MetricKind::Final: out[i].value = c.last; break;
        case MetricKind::Min: out[i].value = c.min; break;
        case MetricKind::Max: out[i].value = c.max; break;
        case MetricKind::Mean: out[i].value = static_cast<double>(c.sum / static_cast<long double>(rows_)); break;
        case MetricKind::Integral: out[i].value = static_cast<double>(c.integral); break;
        case MetricKind::XAtMax: out[i].value = c.xAtMax; break;
        case MetricKind::XAtMin: out[i].value = c.xAtMin; break;
        case MetricKind::ValueAt: {
            const At& a = at_[static_cast<std::size_t>(atOf_[i])];
            out[i].value = a.value;
            if (!a.value)
                out[i].note = metrics_[i].text() + ": X " + shortNumber(a.x) + " lies outside the data (" +
                              shortNumber(xMin_) + " .. " + shortNumber(xMax_) + ")";
            break;
        }
        }
    }
    return out;
}

}  // namespace study
