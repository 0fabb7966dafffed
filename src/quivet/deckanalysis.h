// The analysis of a plain deck for making a QUIVET file: its units of
// components, EQUATIONS and CONSTANTS blocks, ASSIGN lines, simulation
// statement and all other lines, each unit described from its type's file.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "quivet/deckunit.h"

namespace quivet {

// The position of the first variable of each name in a variable list: a hashed
// look-up, so that decks of many constants are analysed in linear time.
using VariableIndex = std::unordered_map<std::string, std::size_t>;

struct DeckAnalysis {
    std::vector<std::string> plainLines;
    std::vector<std::string> assignLines;
    std::string simulation;  // the last line naming SIM; empty when none
    // The last SIMULATION statement (a line whose statement word begins with
    // SIM, not a comment that names it); empty when none.
    std::string simulationStatement;
    std::vector<DeckVariable> variables;
    VariableIndex variableIndex;  // over variables
    std::vector<DeckUnit> units;
    std::vector<AnalysisMessage> messages;  // to be shown in order
};

// Whether units of this type are copied as plain text instead of analysed.
bool neverAnalysedType(const std::string& typeNumber);

// A free name for a new variable: NAME itself, or NAME followed by the raised
// occurrence count of the first variable of that name (NAME1, NAME2, ...).
std::string claimVariableName(std::vector<DeckVariable>& variables, VariableIndex& index, const std::string& name);
// Appends a variable and indexes its name.
void addVariable(std::vector<DeckVariable>& variables, VariableIndex& index, DeckVariable v);
// The same for a list without an index (one look-up over the list).
std::string claimVariableName(std::vector<DeckVariable>& variables, const std::string& name);

class TypeFileCache;

// Analyses deck lines; the type files are looked for in folder (read through
// the cache when one is given).
DeckAnalysis analyseDeckLines(const std::vector<std::string>& lines, const std::string& folder,
                              TypeFileCache* cache = nullptr);
// Reads the deck file and analyses it. Throws pal::IoError when it cannot be read.
DeckAnalysis MakeDeck(const std::string& deckPath, const std::string& folder);

}  // namespace quivet
