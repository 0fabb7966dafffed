#include "study/sweep.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "common/bytes.h"
#include "table/deckconstants.h"
#include "table/numberparse.h"

namespace study {

namespace {

std::string numberWord(long double v) { return table::exactValueText(v, true); }

long double number(const std::string& name, std::string_view text) {
    const auto v = table::parseDecimal(text);
    if (!v || !std::isfinite(*v) || std::fabs(*v) >= table::kDefinedLimit)
        throw SweepError(name + ": \"" + pal::trim(text) + "\" is not a number");
    return *v;
}

std::vector<std::string_view> split(std::string_view text, char sep) {
    std::vector<std::string_view> out;
    for (;;) {
        const std::size_t at = text.find(sep);
        out.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return out;
        text.remove_prefix(at + 1);
    }
}

// Six significant digits where that keeps the value inside [lo, hi): drawn
// values read better in a table and in run decks.
long double tidy(long double v, long double lo, long double hi) {
    if (v == 0) return v;
    const long double scale = std::pow(10.0L, 5 - std::floor(std::log10(std::fabs(v))));
    const long double r = std::nearbyint(v * scale) / scale;
    return r >= lo && r < hi ? r : v;
}

// A uniform number in [0, 1) from the generator's bits (the same on every
// platform, unlike the library's distributions).
double unit(std::mt19937_64& g) { return static_cast<double>(g() >> 11) * 0x1p-53; }

std::size_t below(std::mt19937_64& g, std::size_t n) {
    // Rejection keeps every index equally likely.
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    std::uint64_t x;
    do x = g();
    while (x >= limit);
    return static_cast<std::size_t>(x % n);
}

}  // namespace

std::vector<long double> rangeValues(const std::string& name, long double from, long double to, int count,
                                     Spacing spacing) {
    if (count < 1) throw SweepError(name + ": the range is empty (it needs at least one value)");
    if (count > kMostValues) throw SweepError(name + ": " + std::to_string(count) + " values are too many (at most " +
                                              std::to_string(kMostValues) + ")");
    if (from > to)
        throw SweepError(name + ": the range is reversed (from " + numberWord(from) + " down to " + numberWord(to) + ")");
    if (count > 1 && from == to)
        throw SweepError(name + ": the range is empty (from and to are both " + numberWord(from) + ")");
    if (spacing == Spacing::Log && (from <= 0 ? to >= 0 : false))
        throw SweepError(name + ": a logarithmic range cannot reach or cross zero (from " + numberWord(from) + " to " +
                         numberWord(to) + ")");
    std::vector<long double> v(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const long double f = count == 1 ? 0 : static_cast<long double>(i) / (count - 1);
        v[std::size_t(i)] = spacing == Spacing::Linear ? from + (to - from) * f : from * std::pow(to / from, f);
    }
    if (count > 1) v.back() = to;  // exactly the end the user gave
    if (spacing == Spacing::Linear)
        for (long double& x : v) x = tidy(x, x - std::fabs(x) * 1e-12L, x + std::fabs(x) * 1e-12L + 1e-300L);
    return v;
}

std::vector<long double> ValueSpec::values() const {
    if (isRange) return rangeValues(name, from, to, count, spacing);
    if (list.empty()) throw SweepError(name + ": no values given");
    return list;
}

ValueSpec parseValueText(const std::string& name, std::string_view text) {
    ValueSpec s;
    s.name = name;
    const std::string t = pal::trim(text);
    if (t.empty()) throw SweepError(name + ": no values given");
    if (t.find(':') != std::string::npos) {
        const auto parts = split(t, ':');
        if (parts.size() < 3 || parts.size() > 4)
            throw SweepError(name + ": \"" + t + "\" is not a range (from:to:count, or from:to:count:log)");
        s.isRange = true;
        s.from = number(name, parts[0]);
        s.to = number(name, parts[1]);
        const auto n = table::parseInteger(parts[2]);
        if (!n) throw SweepError(name + ": the count \"" + pal::trim(parts[2]) + "\" is not a whole number");
        s.count = *n;
        if (parts.size() == 4) {
            const std::string kind = pal::upper(pal::trim(parts[3]));
            if (kind == "LOG") s.spacing = Spacing::Log;
            else if (kind != "LIN") throw SweepError(name + ": \"" + pal::trim(parts[3]) + "\" is neither lin nor log");
        }
        (void)s.values();  // the range's faults are told now
        return s;
    }
    std::string words = t;
    std::replace(words.begin(), words.end(), ',', ' ');
    std::string_view rest = words;
    while (!rest.empty()) {
        const std::size_t a = rest.find_first_not_of(" \t");
        if (a == std::string_view::npos) break;
        rest.remove_prefix(a);
        const std::size_t b = std::min(rest.find_first_of(" \t"), rest.size());
        s.list.push_back(number(name, rest.substr(0, b)));
        rest.remove_prefix(b);
    }
    if (s.list.size() > std::size_t(kMostValues)) throw SweepError(name + ": too many values");
    return s;
}

std::vector<ValueSpec> parseSweepText(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> parts;
    for (std::string_view item : split(text, ',')) {
        const std::size_t eq = item.find('=');
        if (eq != std::string_view::npos) {
            const std::string name = pal::upper(pal::trim(item.substr(0, eq)));
            if (name.empty()) throw SweepError("\"" + pal::trim(item) + "\" names no variable");
            for (const auto& p : parts)
                if (p.first == name) throw SweepError(name + " is swept twice");
            parts.emplace_back(name, std::string(item.substr(eq + 1)));
        } else if (!parts.empty() && parts.back().second.find(':') == std::string::npos) {
            parts.back().second += "," + std::string(item);
        } else {
            throw SweepError("\"" + pal::trim(item) + "\" is not NAME=values");
        }
    }
    if (parts.empty()) throw SweepError("no variable to sweep");
    std::vector<ValueSpec> out;
    for (const auto& [name, values] : parts) out.push_back(parseValueText(name, values));
    return out;
}

std::pair<int, std::uint64_t> parseHypercube(std::string_view text) {
    const auto parts = split(text, ':');
    const auto n = table::parseInteger(parts[0]);
    if (parts.size() > 2 || !n || *n < 1 || *n > kMostValues)
        throw SweepError("the Latin hypercube needs a number of runs from 1 to " + std::to_string(kMostValues) +
                         " and an optional seed (N or N:seed), not \"" + std::string(text) + "\"");
    std::uint64_t seed = 1;
    if (parts.size() == 2) {
        const std::string s = pal::trim(parts[1]);
        std::size_t used = 0;
        try {
            seed = std::stoull(s, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (s.empty() || used != s.size() || s[0] == '-')
            throw SweepError("the seed \"" + s + "\" is not a whole number");
    }
    return {*n, seed};
}

SweepRuns makeRuns(const SweepRequest& request, const std::vector<std::optional<long double>>& base) {
    SweepRuns out;
    std::vector<std::vector<long double>> values;
    for (const ValueSpec& v : request.variables) {
        out.names.push_back(v.name);
        values.push_back(v.values());
    }
    const std::size_t n = values.size();
    if (n == 0) throw SweepError("no variable to sweep");
    switch (request.design) {
    case Design::OneAtATime: {
        std::vector<long double> centre(n);
        for (std::size_t k = 0; k < n; ++k) {
            if (k >= base.size() || !base[k])
                throw SweepError(out.names[k] + ": the deck gives no plain number to hold it at while the others vary");
            centre[k] = *base[k];
        }
        for (std::size_t k = 0; k < n; ++k)
            for (long double x : values[k]) {
                std::vector<long double> run = centre;
                run[k] = x;
                if (std::find(out.runs.begin(), out.runs.end(), run) == out.runs.end()) out.runs.push_back(run);
            }
        break;
    }
    case Design::Grid: {
        std::size_t total = 1;
        for (const auto& v : values) {
            total *= v.size();
            if (total > 1000000) throw SweepError("the grid would need more than a million runs");
        }
        std::vector<std::size_t> at(n, 0);
        for (std::size_t r = 0; r < total; ++r) {
            std::vector<long double> run(n);
            for (std::size_t k = 0; k < n; ++k) run[k] = values[k][at[k]];
            out.runs.push_back(std::move(run));
            for (std::size_t k = n; k-- > 0;) {  // the last variable changes fastest
                if (++at[k] < values[k].size()) break;
                at[k] = 0;
            }
        }
        break;
    }
    case Design::LatinHypercube: {
        const int runs = request.lhsRuns;
        if (runs < 1 || runs > kMostValues)
            throw SweepError("the Latin hypercube needs from 1 to " + std::to_string(kMostValues) + " runs");
        std::mt19937_64 g(request.seed);
        out.runs.assign(std::size_t(runs), std::vector<long double>(n));
        for (std::size_t k = 0; k < n; ++k) {
            // Interval i goes to run order[i].
            std::vector<std::size_t> order(static_cast<std::size_t>(runs));
            for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
            for (std::size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[below(g, i)]);
            const ValueSpec& given = request.variables[k];
            for (std::size_t i = 0; i < order.size(); ++i) {
                long double v;
                if (given.isRange) {
                    const bool log = given.spacing == Spacing::Log;
                    const long double a = log ? std::log(std::fabs(given.from)) : given.from;
                    const long double b = log ? std::log(std::fabs(given.to)) : given.to;
                    const long double lo = a + (b - a) * i / runs, hi = a + (b - a) * (i + 1) / runs;
                    const long double x = lo + (hi - lo) * static_cast<long double>(unit(g));
                    const long double sign = given.from < 0 ? -1 : 1;
                    v = log ? sign * std::exp(x) : x;
                    const long double e0 = log ? sign * std::exp(lo) : lo, e1 = log ? sign * std::exp(hi) : hi;
                    v = tidy(v, std::min(e0, e1), std::max(e0, e1));
                } else {
                    v = values[k][i * values[k].size() / order.size()];
                }
                out.runs[order[i]][k] = v;
            }
        }
        break;
    }
    }
    return out;
}

int tablesNeeded(std::size_t runs) {
    return static_cast<int>((runs + table::kMaxRuns - 1) / table::kMaxRuns);
}

std::string partTablePath(const std::string& tablePath, int part) {
    const std::string dir = pal::directoryPart(tablePath);
    std::string name = pal::fileNamePart(tablePath);
    const std::size_t dot = name.find('.');
    const std::string ext = dot == std::string::npos ? std::string(".TBL") : name.substr(dot);
    name = name.substr(0, dot) + "_" + std::to_string(part) + ext;
    return dir.empty() ? name : dir + tablePath[dir.size()] + name;
}

void fillTable(table::TableData& t, const SweepRuns& runs, std::size_t first, std::size_t count, bool append,
               const std::vector<std::optional<long double>>& others) {
    std::vector<int> column(runs.names.size(), 0);
    for (std::size_t k = 0; k < runs.names.size(); ++k) {
        for (int c = 1; c <= t.variables(); ++c)
            if (pal::equalsNoCase(t.columns[std::size_t(c - 1)].name, runs.names[k])) column[k] = c;
        if (column[k] == 0) throw SweepError(runs.names[k] + " is not a variable of the table");
    }
    first = std::min(first, runs.runs.size());
    count = std::min(count, runs.runs.size() - first);
    const int start = append ? t.runs() : 0;
    const std::size_t total = static_cast<std::size_t>(start) + count;
    if (total > std::size_t(table::kMaxRuns))
        throw SweepError("a table holds at most " + std::to_string(table::kMaxRuns) + " runs; this one would need " +
                         std::to_string(total));
    if (!append) t.changeRuns(0, -t.runs());
    t.changeRuns(start, static_cast<int>(count));
    for (std::size_t r = 0; r < count; ++r) {
        const int row = start + static_cast<int>(r) + 1;
        for (int c = 1; c <= t.variables(); ++c) {
            const std::size_t ci = std::size_t(c - 1);
            if (ci < others.size() && others[ci]) t.setValue(c, row, *others[ci]);
        }
        for (std::size_t k = 0; k < column.size(); ++k) t.setValue(column[k], row, runs.runs[first + r][k]);
    }
}

std::vector<std::optional<long double>> deckBaseValues(const std::string& deckPath, const std::vector<std::string>& names) {
    std::vector<std::optional<long double>> out(names.size());
    const auto constants = table::ScanDeckConstants(deckPath);
    if (!constants) return out;
    for (std::size_t k = 0; k < names.size(); ++k)
        for (const table::DeckVariable& v : *constants)
            if (pal::equalsNoCase(pal::trim(v.name), pal::trim(names[k]))) {
                // The value before a trailing remark ("4.5   ! [m2] area").
                const auto x = table::parseDecimal(std::string_view(v.valueText).substr(0, v.valueText.find('!')));
                if (x && std::fabs(*x) < table::kDefinedLimit) out[k] = *x;
                break;
            }
    return out;
}

}  // namespace study
