// Writing a QUIVET file from an analysed deck: every selected parameter and input
// becomes a described constant before its unit, with optional heading lines and
// the simulation-parameter template.
#pragma once
#include <string>
#include <vector>

#include "quivet/deckanalysis.h"

namespace quivet {

struct QuivetOptions {
    bool header = false;
    std::vector<std::string> headerLines;  // readHeaderLines' lines
    bool simulationCard = false;
};

// The 18 lines of the simulation-parameter template, for decks without a
// SIMULATION statement of their own.
const std::vector<std::string>& simulationTemplate();

// The simulation card of a deck's own SIMULATION statement: its start, stop and
// step (those that are numbers) as constants under free names with fields that
// show them, then the statement naming them, its remark kept. Empty when the
// statement lacks a value; the statement alone when none is a number.
std::vector<std::string> deckSimulationCard(const std::string& statement, std::vector<DeckVariable>& variables,
                                            VariableIndex& index);

// "*|" + label padded to 43 characters + tail.
std::string descriptorLine(const std::string& label, const std::string& tail);

// The name proposed for the QUIVET file of a deck: up to the first "." of the
// file name, then ".QVD".
std::string proposedQuivetName(const std::string& deckPath);

// The lines of the QUIVET file. The analysis is taken by value: generating the
// constants claims names, and a second attempt must start from the same state.
// What had to be shortened (a unit's heading, a comment) is told in notes.
// Throws QuivetError when a statement line would be longer than a QUIVET
// file's line (a deck line or a value beyond 255 characters).
std::vector<std::string> quivetFileLines(DeckAnalysis analysis, const QuivetOptions& options,
                                         std::vector<std::string>* notes = nullptr);

// Writes the lines with CR LF through a safe replacement. Throws pal::IoError.
void writeQuivetFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace quivet
