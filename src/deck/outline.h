// The outline of a deck: its units with their types' names, its CONSTANTS and
// EQUATIONS blocks with the names they define, its ASSIGN statements and its
// SIMULATION statement, each with the line it stands on.
#pragma once
#include <string>
#include <vector>

#include "deck/typeindex.h"

namespace deck {

struct OutlineEntry {
    enum class Kind { Unit, Constants, Equations, Name, Assign, Simulation };
    Kind kind = Kind::Unit;
    int line = 0;             // 1-based
    std::string text;         // the statement as written (without its remark), or the name
    std::string detail;       // a unit's type name; "" when the type index has none
    std::vector<OutlineEntry> children;  // the names of a block
    friend bool operator==(const OutlineEntry&, const OutlineEntry&) = default;
};

std::vector<OutlineEntry> buildOutline(const std::vector<std::string>& lines, const std::vector<TypeEntry>& types);

// The fourth word of a UNIT statement: its type number.
std::string unitTypeNumber(const std::string& unitStatement);

}  // namespace deck
