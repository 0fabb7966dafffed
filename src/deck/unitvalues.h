// What the component-type files say about each value on the PARAMETERS and
// INPUTS lines of a deck's units: the parameter or input it gives, its unit
// and limits, and whether the value lies outside them. The units are read as
// Make QUIVET reads them.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace deck {

struct ValueInfo {
    int line = 0;              // 0-based deck line
    std::size_t column = 0;    // byte column and length of the value's word
    std::size_t length = 0;
    int unitLine = 0;          // 1-based line of the UNIT statement
    std::string unitText;      // the UNIT statement, upper case
    std::string typeName;      // the type's title from its header; "" when unknown
    bool input = false;        // an input's connection or initial value
    bool connection = false;   // an input's connection ("3,1")
    int index = 0;             // 1-based parameter or input number
    bool described = false;    // the type file describes it
    std::string missing;       // why it is not described
    std::string name, description, unit, minimum, maximum;
    std::string value;         // as written
    std::optional<long double> number;  // the value, or that of the constant it names
    bool outOfLimits = false;
};

struct DeckValues {
    std::vector<ValueInfo> values;  // ordered by line and column
};

// Reads the units of the deck's lines (bytes, as saved) against the type files
// of the engine folder.
DeckValues describeValues(const std::vector<std::string>& lines, const std::string& engineFolder);

// The value whose word covers the byte column of a 0-based line; null when none.
const ValueInfo* valueAt(const DeckValues& values, int line, std::size_t column);

// The lines a tooltip shows for a value.
std::string hoverText(const ValueInfo& v);

}  // namespace deck
