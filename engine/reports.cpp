#include "reports.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kalvex {

namespace {

std::string padLeft(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

std::string padRight(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : s + std::string(width - s.size(), ' ');
}

std::string messageLine(const DeckMessage& m) {
    std::string s = m.error ? " *** Error" : " *** Warning";
    if (m.line > 0) s += " in line " + std::to_string(m.line);
    return s + ": " + m.text;
}

std::string plural(int n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

std::vector<DeckMessage> shown(const std::vector<DeckMessage>& all, bool warnings) {
    std::vector<DeckMessage> out;
    for (const auto& m : all)
        if (m.error || warnings) out.push_back(m);
    return out;
}

}  // namespace

int errorCount(const Deck& deck, const Simulation* sim, const ReportOptions& options) {
    int n = 0;
    auto count = [&](const std::vector<DeckMessage>& list) {
        for (const auto& m : list) n += m.error ? 1 : 0;
    };
    count(deck.messages);
    count(options.fileMessages);
    if (sim) {
        count(sim->messages());
        count(sim->runMessages());
    }
    return n;
}

namespace {

// Messages about a line follow the echo of that line (sorted by line); the
// others (line 0) go to the summary.
std::vector<DeckMessage> messagesByLine(const Deck& deck, const Simulation* sim, const ReportOptions& options) {
    std::vector<DeckMessage> all = shown(deck.messages, options.warnings);
    if (sim)
        for (const auto& m : shown(sim->messages(), options.warnings)) all.push_back(m);
    std::stable_sort(all.begin(), all.end(), [](const DeckMessage& a, const DeckMessage& b) { return a.line < b.line; });
    return all;
}

}  // namespace

std::vector<std::string> listingLines(const Deck& deck, const Simulation* sim, const ReportOptions& options) {
    std::vector<std::string> out = listingHead(deck, sim, options);
    for (auto& line : listingSummary(deck, sim, options)) out.push_back(std::move(line));
    return out;
}

std::vector<std::string> listingHead(const Deck& deck, const Simulation* sim, const ReportOptions& options) {
    std::vector<std::string> out;
    if (options.header) {
        out.push_back(options.engineTitle);
        out.push_back("Deck: " + options.deckPath);
        if (options.tableRun) out.push_back("Run of a parametric table (/N)");
        out.push_back("");
    }
    const std::vector<DeckMessage> lineMessages = messagesByLine(deck, sim, options);
    auto next = lineMessages.begin();
    while (next != lineMessages.end() && next->line == 0) ++next;
    char number[16];
    for (std::size_t i = 0; i < deck.lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        std::snprintf(number, sizeof number, "%5d  ", lineNo);
        out.push_back(number + deck.lines[i]);
        for (; next != lineMessages.end() && next->line == lineNo; ++next) out.push_back(messageLine(*next));
    }
    return out;
}

std::vector<std::string> listingSummary(const Deck& deck, const Simulation* sim, const ReportOptions& options) {
    std::vector<std::string> out;
    std::vector<DeckMessage> general;
    for (const auto& m : messagesByLine(deck, sim, options))
        if (m.line == 0) general.push_back(m);
    out.push_back("");
    out.push_back("Summary");
    for (const auto& m : general) out.push_back(messageLine(m));
    for (const auto& m : options.fileMessages) out.push_back(messageLine(m));
    int warnings = 0;
    for (const auto* list : {&deck.messages, sim ? &sim->messages() : nullptr})
        if (list)
            for (const auto& m : *list) warnings += m.error ? 0 : 1;

    if (sim) {
        if (!sim->constants().empty()) {
            out.push_back("  Constants:");
            for (const auto& c : sim->constants())
                out.push_back("    " + padRight(c.name, kMaxNameLength) + " = " + exponentText(c.value) +
                              (c.unit.empty() ? "" : " " + c.unit));
        }
        const std::size_t equations = sim->results().names.size();
        const std::size_t plotted = plotColumnCount(sim->results()) - 1;
        out.push_back("  Equations: " + std::to_string(equations) +
                      (equations > plotted ? ", the first " + std::to_string(plotted) + " in the plot data" : ""));
        if (plotted < std::min(equations, kMaxPlotColumns - 1)) {
            ++warnings;
            out.push_back(" *** Warning: the plot data leaves out " + sim->results().names[plotted] +
                          " and the equations after it: their names do not fit its header line of " +
                          std::to_string(kMaxDeckLine) + " characters");
        }
        if (deck.unitStatements > 0)
            out.push_back("  Components (UNIT statements): " + std::to_string(deck.unitStatements) +
                          ", echoed, not simulated");
        if (sim->ready())
            out.push_back("  Simulation: TIME from " + exponentText(sim->start()) + " to " + exponentText(sim->stop()) +
                          " step " + exponentText(sim->step()) + " " + sim->results().timeUnit + ", " +
                          std::to_string(sim->steps()) + " steps, " + std::to_string(sim->results().rowCount()) +
                          " computed");
        for (const auto& m : sim->runMessages()) out.push_back(messageLine(m));
    }
    for (const auto& note : options.notes) out.push_back("  " + note);
    const int errors = errorCount(deck, sim, options);
    if (!sim || !sim->ready()) out.push_back("  No simulation was run because of the errors above.");
    out.push_back("  " + plural(errors, "error") + (options.warnings ? ", " + plural(warnings, "warning") : ""));
    return out;
}

namespace {

// Blocks of at most 8 equations beside TIME keep every line of the output
// table short enough for the viewers (255 characters).
constexpr std::size_t kPerBlock = 8;

struct OutputBlock {
    std::vector<std::size_t> columns;  // 0 is TIME
    std::vector<std::size_t> width;
};

OutputBlock outputBlock(const Results& r, std::size_t first) {
    OutputBlock b;
    b.columns.push_back(0);
    for (std::size_t k = first; k < std::min(r.names.size(), first + kPerBlock); ++k) b.columns.push_back(k + 1);
    for (std::size_t c : b.columns) {
        const std::string& name = c == 0 ? std::string("TIME") : r.names[c - 1];
        const std::string& unit = c == 0 ? r.timeUnit : r.units[c - 1];
        b.width.push_back(std::max<std::size_t>({13, name.size() + 2, unit.size() + 2}));
    }
    return b;
}

void blockHead(const Results& r, const OutputBlock& b, const ReportOptions& options, std::vector<std::string>& out) {
    if (options.labels) {
        std::string line;
        for (std::size_t k = 0; k < b.columns.size(); ++k)
            line += padLeft(b.columns[k] == 0 ? "TIME" : r.names[b.columns[k] - 1], b.width[k]);
        out.push_back(line);
    }
    if (options.units) {
        std::string line;
        for (std::size_t k = 0; k < b.columns.size(); ++k) {
            const std::string unit = b.columns[k] == 0 ? r.timeUnit : r.units[b.columns[k] - 1];
            line += padLeft(unit.empty() ? "-" : unit, b.width[k]);
        }
        out.push_back(line);
    }
}

std::string blockRow(const Results& r, const OutputBlock& b, std::size_t row) {
    std::string line;
    for (std::size_t k = 0; k < b.columns.size(); ++k) line += padLeft(exponentText(r.at(row, b.columns[k]), 5), b.width[k]);
    return line;
}

}  // namespace

std::vector<std::string> outputLines(const Simulation& sim, const ReportOptions& options) {
    std::vector<std::string> out = outputHead(sim, options);
    for (std::size_t row = 0; row < sim.results().rowCount(); ++row) out.push_back(outputRow(sim, row));
    for (auto& line : outputTail(sim, options)) out.push_back(std::move(line));
    return out;
}

std::vector<std::string> outputHead(const Simulation& sim, const ReportOptions& options) {
    std::vector<std::string> out;
    if (options.header) {
        out.push_back(options.engineTitle + ": results of " + options.deckPath);
        out.push_back("");
    }
    blockHead(sim.results(), outputBlock(sim.results(), 0), options, out);
    return out;
}

std::string outputRow(const Simulation& sim, std::size_t row) {
    return blockRow(sim.results(), outputBlock(sim.results(), 0), row);
}

std::vector<std::string> outputTail(const Simulation& sim, const ReportOptions& options) {
    const Results& r = sim.results();
    std::vector<std::string> out;
    for (std::size_t first = kPerBlock; first < r.names.size(); first += kPerBlock) {
        const OutputBlock b = outputBlock(r, first);
        out.push_back("");
        blockHead(r, b, options, out);
        for (std::size_t row = 0; row < r.rowCount(); ++row) out.push_back(blockRow(r, b, row));
    }
    for (const auto& m : sim.runMessages()) out.push_back(messageLine(m) + " (the table ends there)");
    return out;
}

namespace {

// The name and unit of plot column c (0 is TIME), each at most 20 characters.
std::string plotName(const Results& r, std::size_t c) {
    return c == 0 ? std::string("TIME") : r.names[c - 1].substr(0, kMaxNameLength);
}

std::string plotUnit(const Results& r, std::size_t c) {
    if (c > 0) return r.units[c - 1].empty() ? std::string("-") : r.units[c - 1].substr(0, kMaxNameLength);
    // A unit line must not look like data: it may not begin with a digit, ".", "+" or "-".
    std::string timeUnit = r.timeUnit.empty() ? "s" : r.timeUnit.substr(0, kMaxNameLength);
    if (std::string("0123456789.+-").find(timeUnit[0]) != std::string::npos)
        timeUnit = ("(" + timeUnit).substr(0, kMaxNameLength - 1) + ")";
    return timeUnit;
}

}  // namespace

std::size_t plotColumnCount(const Results& r) {
    const std::size_t most = std::min(r.columns(), kMaxPlotColumns);
    std::size_t nameLength = plotName(r, 0).size(), unitLength = plotUnit(r, 0).size();
    for (std::size_t c = 1; c < most; ++c) {
        nameLength += 1 + plotName(r, c).size();
        unitLength += 1 + plotUnit(r, c).size();
        if (nameLength > kMaxDeckLine || unitLength > kMaxDeckLine) return c;
    }
    return most;
}

std::vector<std::string> plotLines(const Results& r) {
    std::vector<std::string> out = plotHead(r);
    out.reserve(r.rowCount() + 2);
    const std::size_t columns = plotColumnCount(r);
    for (std::size_t row = 0; row < r.rowCount(); ++row) out.push_back(plotRow(r, row, columns));
    return out;
}

std::vector<std::string> plotHead(const Results& r) {
    const std::size_t columns = plotColumnCount(r);
    std::string names = plotName(r, 0), units = plotUnit(r, 0);
    for (std::size_t c = 1; c < columns; ++c) {
        names += " " + plotName(r, c);
        units += " " + plotUnit(r, c);
    }
    return {names, units};
}

std::string plotRow(const Results& r, std::size_t row, std::size_t columns) {
    std::string line;
    line.reserve(columns * 14);
    for (std::size_t c = 0; c < columns; ++c) {
        double v = r.at(row, c);
        // Plot data is stored in a format that holds magnitudes from about 3E-39;
        // smaller values are shown as the zero they look like on any plot.
        if (std::fabs(v) < 1e-37) v = 0;
        if (c > 0) line += ' ';
        line += exponentText(v);
    }
    return line;
}

}  // namespace kalvex
