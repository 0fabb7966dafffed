// The three files a run leaves beside the deck: the listing (deck echo, errors,
// summary), the output table and the plot data that the shell plots.
#pragma once
#include <string>
#include <vector>

#include "deck.h"
#include "simulation.h"

namespace kalvex {

constexpr std::size_t kMaxPlotColumns = 25;  // TIME and the first 24 equations

struct ReportOptions {
    std::string deckPath;
    std::string engineTitle = "KALVEX stand-in engine 1.0";
    bool header = true;         // title and deck name at the top of listing and output
    bool labels = true;         // column names in the output table
    bool units = true;          // unit line in the output table
    bool warnings = true;       // warnings in the listing
    bool tableRun = false;      // started with /N
    std::vector<std::string> notes;  // extra summary lines (files written, switches)
    std::vector<DeckMessage> fileMessages;  // problems with the files themselves
};

// Every line of the listing (without line ends): its head (title and the deck
// echoed with the messages of its lines), known before the run, and its summary.
std::vector<std::string> listingLines(const Deck& deck, const Simulation* sim, const ReportOptions& options);
std::vector<std::string> listingHead(const Deck& deck, const Simulation* sim, const ReportOptions& options);
std::vector<std::string> listingSummary(const Deck& deck, const Simulation* sim, const ReportOptions& options);

// The output table: its head and the first block's row lines are written while
// the run goes on; the other blocks of columns and the run messages follow at
// its end (outputTail).
std::vector<std::string> outputLines(const Simulation& sim, const ReportOptions& options);
std::vector<std::string> outputHead(const Simulation& sim, const ReportOptions& options);
std::string outputRow(const Simulation& sim, std::size_t row);
std::vector<std::string> outputTail(const Simulation& sim, const ReportOptions& options);

// The plot data: its name and unit lines, then one line per row of the first
// plotColumnCount columns.
std::vector<std::string> plotLines(const Results& results);
std::vector<std::string> plotHead(const Results& results);
std::string plotRow(const Results& results, std::size_t row, std::size_t columns);
// The columns the plot data holds: TIME and the first equations, at most 25, and
// only as many as keep its name and unit lines within 255 characters (the shell
// reads no more of a line).
std::size_t plotColumnCount(const Results& results);

// Counts of the messages the listing reports (warnings only when shown).
int errorCount(const Deck& deck, const Simulation* sim, const ReportOptions& options);

}  // namespace kalvex
