// Reading a deck into statements: definitions of the CONSTANTS and EQUATIONS
// blocks, the SIMULATION card, ASSIGN statements and echoed UNIT statements.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kalvex {

struct DeckMessage {
    int line = 0;          // 1-based deck line; 0 when it concerns the whole deck
    bool error = true;     // false: a warning
    std::string text;
};

struct Definition {
    std::string name;      // upper case
    std::string expression;
    std::string unit;      // from a trailing "! [unit]" remark; empty when none
    int line = 0;
    bool equation = false; // EQUATIONS (per step) or CONSTANTS (once)
};

struct SimulationCard {
    std::string start, stop, step;  // expressions of constants
    std::string timeUnit;           // from a trailing "! [unit]" remark
    int line = 0;
};

struct AssignStatement {
    std::string file;  // as written in the deck
    int line = 0;
};

struct Deck {
    std::vector<std::string> lines;  // the deck as read, for the listing
    std::vector<Definition> definitions;
    std::optional<SimulationCard> simulation;
    std::vector<AssignStatement> assigns;
    int unitStatements = 0;
    bool hasEnd = false;
    std::vector<DeckMessage> messages;
};

constexpr std::size_t kMaxDeckBytes = 16u << 20;  // a deck is text; anything larger is refused
constexpr std::size_t kMaxDeckLine = 255;
constexpr std::size_t kMaxNameLength = 20;        // the plot data holds names of 20 characters

// Splits the deck bytes into lines (LF or CR LF) and reads the statements.
Deck readDeck(const std::string& bytes);

// Words of a statement, separated by blanks or tabs.
std::vector<std::string> statementWords(const std::string& text);

}  // namespace kalvex
