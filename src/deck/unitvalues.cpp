#include "deck/unitvalues.h"

#include <algorithm>

#include "common/bytes.h"
#include "deck/typeindex.h"
#include "quivet/deckanalysis.h"
#include "quivet/fieldnumber.h"
#include "quivet/typeinfo.h"

namespace deck {

namespace {

// "|SI|English|offset|factor|min|max|" into its fields.
std::vector<std::string> tailFields(const std::string& tail) {
    std::vector<std::string> f;
    std::size_t start = 0;
    while (start <= tail.size()) {
        const std::size_t bar = tail.find('|', start);
        f.push_back(tail.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return f;
}

std::string withoutRemark(const std::string& s) { return pal::trim(std::string_view(s).substr(0, s.find('!'))); }

void describe(ValueInfo& v, const quivet::TypeDescription& d) {
    v.described = true;
    v.name = d.name;
    v.description = pal::trim(d.description);
    const auto f = tailFields(d.tail);
    if (f.size() >= 7) {
        v.unit = f[1];
        v.minimum = f[5];
        v.maximum = f[6];
    }
    const auto lo = quivet::parseFieldNumber(v.minimum), hi = quivet::parseFieldNumber(v.maximum);
    if (v.number && lo && hi && !v.connection) v.outOfLimits = *v.number < *lo || *v.number > *hi;
}

}  // namespace

DeckValues describeValues(const std::vector<std::string>& lines, const std::string& engineFolder) {
    quivet::TypeFileCache cache;
    const quivet::DeckAnalysis a = quivet::analyseDeckLines(lines, engineFolder, &cache);
    DeckValues out;
    auto numberOf = [&](const std::string& text) -> std::optional<long double> {
        if (auto n = quivet::parseFieldNumber(text)) return n;
        const auto var = a.variableIndex.find(pal::upper(text));
        if (var == a.variableIndex.end()) return std::nullopt;
        return quivet::parseFieldNumber(withoutRemark(a.variables[var->second].value));
    };
    for (const quivet::DeckUnit& u : a.units) {
        std::string missing;
        for (const auto& m : a.messages)
            if (m.line == static_cast<int>(u.line + 1)) missing = pal::trim(m.text);
        if (missing.empty() && u.noData) missing = u.description;
        std::string title;
        if (!u.noData) title = typeTitle(u.description);
        auto add = [&](const quivet::DeckPlace& p, const std::string& text, bool input, bool connection, std::size_t i,
                       const std::vector<quivet::TypeDescription>& info) {
            ValueInfo v;
            v.line = static_cast<int>(p.line);
            v.column = p.column;
            v.length = p.length;
            v.unitLine = static_cast<int>(u.line + 1);
            v.unitText = u.unitLine;
            v.typeName = title;
            v.input = input;
            v.connection = connection;
            v.index = static_cast<int>(i + 1);
            v.value = text;
            if (!connection) v.number = numberOf(text);
            if (i < info.size())
                describe(v, info[i]);
            else
                v.missing = missing.empty() ? "the type file does not describe it" : missing;
            out.values.push_back(std::move(v));
        };
        for (std::size_t i = 0; i < u.parameterPlaces.size() && i < u.parameters.size(); ++i)
            add(u.parameterPlaces[i], u.parameters[i], false, false, i, u.parameterInfo);
        for (std::size_t i = 0; i < u.connectionPlaces.size() && i < u.connections.size(); ++i)
            add(u.connectionPlaces[i], u.connections[i], true, true, i, u.inputInfo);
        for (std::size_t i = 0; i < u.initialValuePlaces.size() && i < u.initialValues.size(); ++i)
            add(u.initialValuePlaces[i], u.initialValues[i], true, false, i, u.inputInfo);
    }
    std::sort(out.values.begin(), out.values.end(), [](const ValueInfo& x, const ValueInfo& y) {
        return x.line != y.line ? x.line < y.line : x.column < y.column;
    });
    return out;
}

const ValueInfo* valueAt(const DeckValues& values, int line, std::size_t column) {
    const auto& v = values.values;
    auto it = std::upper_bound(v.begin(), v.end(), std::make_pair(line, column), [](const auto& key, const ValueInfo& x) {
        return key.first != x.line ? key.first < x.line : key.second < x.column;
    });
    if (it == v.begin()) return nullptr;
    --it;
    return it->line == line && column < it->column + it->length ? &*it : nullptr;
}

std::string hoverText(const ValueInfo& v) {
    const std::string what = std::string(v.input ? "Input " : "Parameter ") + std::to_string(v.index) + " of " +
                             v.unitText + (v.typeName.empty() ? "" : " (" + v.typeName + ")");
    if (!v.described) return what + "\nNo description: " + v.missing;
    std::string s = v.name + (v.description.empty() ? "" : " - " + v.description) + "\n";
    s += "Unit: " + (v.unit.empty() ? std::string("none") : v.unit) + "    Limits: " + v.minimum + " to " + v.maximum + "\n";
    s += what;
    if (v.outOfLimits) s += "\nThe value " + v.value + " lies outside the limits " + v.minimum + " to " + v.maximum + ".";
    return s;
}

}  // namespace deck
