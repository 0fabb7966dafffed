#include "quivet/quivetgen.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/bytes.h"
#include "common/textfile.h"
#include "quivet/fieldnumber.h"
#include "quivet/quiveterror.h"

namespace quivet {

namespace {

constexpr std::size_t kLabelWidth = 43;

std::string rightAligned(std::size_t n, std::size_t width) {
    std::string s = std::to_string(n);
    if (s.size() < width) s.insert(0, width - s.size(), ' ');
    return s;
}

// Values from..to, each followed by a blank, as lines of at most 255 characters
// (the engine reads a statement's values across lines; a longer line would be
// cut). A value too long for a line of its own is refused when the lines are
// checked.
std::vector<std::string> joined(const std::vector<std::string>& values, std::size_t from, std::size_t to) {
    std::vector<std::string> lines(1);
    for (std::size_t i = from; i < to && i < values.size(); ++i) {
        const std::string word = values[i] + " ";
        if (!lines.back().empty() && lines.back().size() + word.size() > pal::kMaxLine) lines.emplace_back();
        lines.back() += word;
    }
    return lines;
}

void append(std::vector<std::string>& out, const std::vector<std::string>& lines) {
    out.insert(out.end(), lines.begin(), lines.end());
}

struct UnitConstants {
    std::vector<DeckVariable> parameters;
    std::vector<DeckVariable> inputs;
};

// Turns the unit's selected entries into constants and puts their names in place
// of the parameter values and input connections.
UnitConstants makeConstants(DeckUnit& u, std::vector<DeckVariable>& variables, VariableIndex& index) {
    UnitConstants c;
    if (u.noData) return c;
    auto add = [&](const TypeDescription& d, std::string& slot, const std::string& value,
                   std::vector<DeckVariable>& into) {
        DeckVariable v{claimVariableName(variables, index, d.name), value, 0, d.description, d.tail};
        addVariable(variables, index, v);
        into.push_back(v);
        slot = v.name;
    };
    // A value too long for the constant's deck line stays where it is: cut, it
    // would be another number.
    const auto fits = [](const TypeDescription& d, const std::string& value) {
        return d.name.size() + 12 + value.size() <= pal::kMaxLine;
    };
    for (std::size_t i = 0; i < u.parameterInfo.size(); ++i)
        if (u.parameterInfo[i].selected && u.parameterSelectable(i) && fits(u.parameterInfo[i], u.parameters[i]))
            add(u.parameterInfo[i], u.parameters[i], u.parameters[i], c.parameters);
    for (std::size_t i = 0; i < u.inputInfo.size(); ++i)
        if (u.inputInfo[i].selected && u.inputSelectable(i) && fits(u.inputInfo[i], u.initialValues[i]))
            add(u.inputInfo[i], u.connections[i], u.initialValues[i], c.inputs);
    return c;
}

void constantsBlock(std::vector<std::string>& out, const char* heading, const std::vector<DeckVariable>& constants) {
    if (constants.empty()) return;
    out.push_back(heading);
    out.push_back("CONSTANTS" + rightAligned(constants.size(), 3));
    for (const auto& v : constants) {
        out.push_back(v.name + "=" + v.value);
        out.push_back(descriptorLine(v.description, v.tail));
    }
    out.push_back("*|*");
}

void unitBlock(std::vector<std::string>& out, DeckUnit& u, std::vector<DeckVariable>& variables, VariableIndex& index,
               std::vector<std::string>* notes) {
    const UnitConstants c = makeConstants(u, variables, index);
    out.push_back("");
    // The unit's heading on the form: a long unit line is cut there (the unit
    // line itself follows whole), and the cut is told.
    const std::string heading = "*|*     ***** " + u.unitLine;
    if (heading.size() > pal::kMaxLine - 6 && notes)
        notes->push_back("The heading of " + pal::cut(u.unitLine, 40) + "... on the form is cut to " +
                         std::to_string(pal::kMaxLine) + " characters");
    out.push_back(pal::cut(heading, pal::kMaxLine - 6) + " *****");
    out.push_back("*|*");
    if (u.noData) {
        // Written back as the deck had it.
        out.insert(out.end(), u.statementLines.begin(), u.statementLines.end());
        return;
    }
    constantsBlock(out, "*|*           PARAMETERS       ", c.parameters);
    constantsBlock(out, "*|*             INPUTS         ", c.inputs);
    out.push_back(u.unitLine);
    if (u.parameterCount > 0) {
        out.push_back("PARAMETERS " + rightAligned(u.parameterCount, 2));
        // Ten values a line; after a multiple of 10 values an empty line.
        for (std::size_t i = 0; i < u.parameters.size(); i += 10) append(out, joined(u.parameters, i, i + 10));
        if (u.parameters.size() % 10 == 0) out.push_back("");
    }
    if (u.inputCount > 0) {
        const std::size_t n = u.connections.size();
        const std::size_t first = n < 10 ? n : 10;
        out.push_back("INPUTS " + rightAligned(n < 10 ? u.inputCount : 10, 2));
        append(out, joined(u.connections, 0, first));
        append(out, joined(u.initialValues, 0, first));
        // Exactly 10 inputs need no second statement.
        if (n > 10) {
            out.push_back("INPUTS " + rightAligned(n - 10, 2));
            append(out, joined(u.connections, 10, n));
            append(out, joined(u.initialValues, 10, n));
        }
    }
    if (u.derivativeCount > 0) {
        out.push_back("DERIVATIVES " + rightAligned(u.derivativeCount, 2));
        for (std::size_t i = 0; i < u.derivatives.size(); i += 10) append(out, joined(u.derivatives, i, i + 10));
    }
    if (!u.trace.empty()) out.push_back(u.trace);
}

// The decimals a number is written with; none when it has an exponent.
std::optional<std::size_t> decimalsOf(const std::string& word) {
    if (word.find_first_of("eE") != std::string::npos) return std::nullopt;
    const auto dot = word.find('.');
    return dot == std::string::npos ? 0 : word.size() - dot - 1;
}

}  // namespace

std::vector<std::string> deckSimulationCard(const std::string& statement, std::vector<DeckVariable>& variables,
                                            VariableIndex& index) {
    const std::size_t bang = statement.find('!');
    const std::string remark = bang == std::string::npos ? std::string() : statement.substr(bang);
    std::vector<std::string> w;
    {
        const std::string body = statement.substr(0, bang);
        std::size_t i = 0;
        while (i < body.size()) {
            while (i < body.size() && (body[i] == ' ' || body[i] == '\t')) ++i;
            const std::size_t start = i;
            while (i < body.size() && body[i] != ' ' && body[i] != '\t') ++i;
            if (i > start) w.push_back(body.substr(start, i - start));
        }
    }
    if (w.size() < 4) return {};

    // The fields show the deck's values as it writes them: as many decimals as
    // the most precise of them, or exponent form for an exponent or a huge value.
    std::size_t decimals = 0;
    bool exponent = false;
    for (std::size_t k = 1; k <= 3; ++k) {
        const auto v = parseFieldNumber(w[k]);
        if (!v) continue;
        const auto d = decimalsOf(w[k]);
        if (!d || *d > 10 || std::fabs(*v) >= 1e9L) exponent = true;
        else decimals = std::max(decimals, *d);
    }
    const std::string nines = decimals ? "." + std::string(decimals, '9') : std::string();
    const std::string high = exponent ? "1.0E+30" : "999999999" + nines;
    const std::string low = exponent ? "-1.0E+30" : "-999999999" + nines;
    const std::string smallest = exponent ? "1.0E-30" : decimals ? "0." + std::string(decimals - 1, '0') + "1" : "1";
    // The time unit the deck's remark gives ("! [s]"), else none.
    std::string unit;
    const std::size_t open = remark.find('['), close = remark.find(']');
    if (open != std::string::npos && close != std::string::npos && close > open)
        unit = pal::trim(remark.substr(open + 1, close - open - 1));
    if (unit.find('|') != std::string::npos || unit.size() > 25) unit.clear();

    static const char* const kNames[] = {"START", "STOP", "STEP"};
    static const char* const kLabels[] = {"Start of Simulation", "End of Simulation", "Timestep for Simulation"};
    std::vector<std::string> fields;
    std::string card = w[0];
    for (std::size_t k = 1; k <= 3; ++k) {
        // A word that is no number (a constant of the deck, an expression) stays in the statement.
        if (!parseFieldNumber(w[k])) {
            card += " " + w[k];
            continue;
        }
        const std::string name = claimVariableName(variables, index, kNames[k - 1]);
        addVariable(variables, index, DeckVariable{name, w[k], 0, kLabels[k - 1], {}});
        fields.push_back(name + "=" + w[k]);
        fields.push_back(descriptorLine(kLabels[k - 1], "|" + unit + "|" + unit + "|0|1|" + (k == 3 ? smallest : low) +
                                                            "|" + high + "|0"));
        card += " " + name;
    }
    if (!remark.empty()) card += "  " + remark;
    if (fields.empty()) return {statement};
    std::vector<std::string> out = {"*|*", "*|*              ***** Simulation Parameters *****", "*|*",
                                    "CONSTANTS " + std::to_string(fields.size() / 2)};
    append(out, fields);
    out.push_back("*|*");
    out.push_back(pal::cut(card));
    return out;
}

const std::vector<std::string>& simulationTemplate() {
    static const std::vector<std::string> lines = {
        "*|*",
        "*|*              ***** Simulation Parameters *****",
        "*|*",
        "EQUATIONS 8",
        "MONTH=0",
        "*|<Month of the simulation                   |\\KALWIN\\Month1.dat|1|2|0",
        "DAY1=  1.0000E+0000",
        "*|Day of Month for Simulation Start          |||0|1|1|31|0",
        "DAY=MONTH/24+DAY1",
        "STEP=  1.0000E+0000",
        "*|Timestep for Simulation                    |h|h|0|1|0.01|1.00|0",
        "LENGTH=  2.8000E+0001",
        "*|<Length of Simulation                      |\\KALWIN\\Length.dat|2|1|0",
        "START=24*(DAY-1)+1",
        "STOP=START+LENGTH*24-1",
        "PLOTS=INT(((STOP-START)/168.0)+0.5)",
        "*|*",
        "SIMULATION START STOP STEP",
    };
    return lines;
}

std::string descriptorLine(const std::string& label, const std::string& tail) {
    std::string s = "*|" + label;
    if (label.size() < kLabelWidth) s.append(kLabelWidth - label.size(), ' ');
    return s + tail;
}

std::string proposedQuivetName(const std::string& deckPath) {
    return pal::baseName(deckPath) + ".QVD";
}

std::vector<std::string> quivetFileLines(DeckAnalysis a, const QuivetOptions& options, std::vector<std::string>* notes) {
    std::vector<std::string> out;
    out.push_back("*QUIVET");
    out.insert(out.end(), a.assignLines.begin(), a.assignLines.end());
    if (options.header) out.insert(out.end(), options.headerLines.begin(), options.headerLines.end());
    const std::vector<std::string> deckCard =
        options.simulationCard && !a.simulationStatement.empty()
            ? deckSimulationCard(a.simulationStatement, a.variables, a.variableIndex)
            : std::vector<std::string>();
    if (!deckCard.empty())
        append(out, deckCard);
    else if (options.simulationCard)
        append(out, simulationTemplate());
    else if (!a.simulation.empty())
        out.push_back(a.simulation);
    out.insert(out.end(), a.plainLines.begin(), a.plainLines.end());
    for (auto& u : a.units) unitBlock(out, u, a.variables, a.variableIndex, notes);
    out.push_back("");
    out.push_back("END");
    // A QUIVET file's lines are read up to 255 characters. A longer comment is
    // cut, and told; a longer statement (a deck line or a value beyond that)
    // would reach the engine cut, with another value: refused.
    for (std::string& line : out) {
        if (line.size() <= pal::kMaxLine) continue;
        if (line[0] != '*')
            throw QuivetError(QuivetError::Kind::BadFile,
                              "The deck line \"" + pal::cut(line, 40) + "...\" is " + std::to_string(line.size()) +
                                  " characters long, more than the " + std::to_string(pal::kMaxLine) +
                                  " a line of a QUIVET file holds: shorten it in the deck first");
        if (notes)
            notes->push_back("The comment \"" + pal::cut(line, 40) + "...\" is cut to " + std::to_string(pal::kMaxLine) +
                             " characters");
        line = pal::cut(line, pal::kMaxLine);
    }
    return out;
}

void writeQuivetFile(const std::string& path, const std::vector<std::string>& lines) {
    pal::writeLinesCRLF(path, lines);
}

}  // namespace quivet
