// The constants of a deck: every NAME=value line of its CONSTANTS blocks, with the
// component it belongs to and its description, from which tables choose variables.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace table {

struct DeckVariable {
    std::string name;         // upper case, leading blanks removed, occurrence number appended
    std::string unitContext;  // the component block the constant stands in
    std::string description;  // at most 40 characters
    std::string valueText;    // the text after "="
    int occurrence = 0;       // 0 for the first constant of a name
};

constexpr const char* kNoDescription = "No description available";

// Scans a deck (plain or QUIVET) for its constants. Empty optional when the file
// cannot be read or has no CONSTANTS statement.
std::optional<std::vector<DeckVariable>> ScanDeckConstants(const std::string& deckPath);

// The same scan over lines already read (the last line is never a statement line).
std::optional<std::vector<DeckVariable>> scanConstantsLines(const std::vector<std::string>& lines);

}  // namespace table
