#include "plot/curvetable.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <vector>

#include "common/bytes.h"
#include "plot/plotdata.h"

namespace plot {

namespace {

// A cell as CSV wants it: quoted when it holds the separator, a quote or a line
// end. Tab-separated text has no quoting: tabs and line ends become blanks.
std::string cell(const std::string& text, char sep) {
    if (sep == '\t') {
        std::string out = text;
        std::replace_if(out.begin(), out.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
        return out;
    }
    if (text.find_first_of(std::string(1, sep) + "\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

void number(std::string& out, double v) {
    char buf[40];
    // The shortest text that a plot data reader turns into this very stored
    // value (a 6-byte real holds about 12 digits: 5.000000E-02 is stored as
    // 0.05000000000001137 and written "0.05"), never in the locale's notation.
    for (int digits = 1; digits <= 17; ++digits) {
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
        double back = 0;
        std::from_chars(buf, r.ptr, back);
        bool same = false;
        try {
            same = toReal6Precision(back) == v;
        } catch (const std::range_error&) {
        }
        if (same || back == v) {
            out.append(buf, r.ptr);
            return;
        }
    }
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

struct CurveSet {
    const CurveRecord* xs;               // the curve whose X values the set shares
    std::vector<const CurveRecord*> ys;
    std::vector<int> rows;               // indexes of the points shown
};

}  // namespace

std::string columnTitle(const std::string& name, const std::string& unit) {
    const std::string n = pal::trim(name), u = pal::trim(unit);
    return u.empty() ? n : n + " [" + u + "]";
}

std::string curveTable(const PlotRecord& record, const CurveTableOptions& o) {
    std::vector<CurveSet> sets;
    for (const CurveRecord& c : record.curves) {
        if (!sets.empty()) {
            const CurveRecord& head = *sets.back().xs;
            if (head.xColumn == c.xColumn && head.x == c.x && head.y.size() == c.y.size()) {
                sets.back().ys.push_back(&c);
                continue;
            }
        }
        sets.push_back(CurveSet{&c, {&c}, {}});
    }
    std::size_t rows = 0;
    for (CurveSet& s : sets) {
        const std::size_t n = std::min(s.xs->x.size(), s.xs->y.size());
        for (std::size_t i = 0; i < n; ++i) {
            const double x = s.xs->x[i];
            if (o.xRange && !(x >= o.xRange->low && x <= o.xRange->high)) continue;
            s.rows.push_back(static_cast<int>(i));
        }
        rows = std::max(rows, s.rows.size());
    }

    std::string out;
    bool firstCell = true;
    const auto sep = [&] {
        if (!firstCell) out += o.separator;
        firstCell = false;
    };
    for (const CurveSet& s : sets) {
        sep();
        out += cell(columnTitle(s.xs->xName, s.xs->xUnit), o.separator);
        for (const CurveRecord* c : s.ys) {
            sep();
            out += cell(columnTitle(c->yName, c->yUnit), o.separator);
        }
    }
    out += o.lineEnd;
    for (std::size_t r = 0; r < rows; ++r) {
        firstCell = true;
        for (const CurveSet& s : sets) {
            const bool has = r < s.rows.size();
            const int i = has ? s.rows[r] : 0;
            sep();
            if (has) number(out, s.xs->x[i]);
            for (const CurveRecord* c : s.ys) {
                sep();
                if (has && static_cast<std::size_t>(i) < c->y.size()) number(out, c->y[i]);
            }
        }
        out += o.lineEnd;
    }
    return out;
}

}  // namespace plot
