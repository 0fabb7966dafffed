// How one deck line reads to the engine, given the lines before it: statement,
// definition of a CONSTANTS or EQUATIONS block, data line of a unit, comment,
// descriptor, or text after END; with the spans the editor colours. The line is
// taken as bytes or as the editor's UTF-16 text, so columns are in its own units.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

namespace deck {

// What the lines before a line leave behind: definitions still owed to an open
// CONSTANTS or EQUATIONS block, whether data lines of a unit may follow, and
// whether END has been read (the engine reads nothing after it).
struct LineState {
    int pending = 0;
    bool equations = false;
    bool inUnit = false;
    bool ended = false;

    // One integer for the editor's block state; unpack(-1) (no state yet) is the
    // state of the first line.
    int pack() const;
    static LineState unpack(int packed);
    friend bool operator==(const LineState&, const LineState&) = default;
};

enum class LineKind : std::uint8_t {
    Blank,
    Comment,     // "*" first
    Descriptor,  // "*|" first: a QUIVET descriptor
    Statement,   // a keyword line
    Definition,  // NAME = expression inside a block
    UnitData,    // values of a unit's PARAMETERS, INPUTS, DERIVATIVES
    Other,       // anything the engine does not take (it warns or fails)
    AfterEnd,    // ignored by the engine
};

enum class Statement : std::uint8_t {
    None, Unit, Parameters, Inputs, Derivatives, Trace, Equations, Constants, Assign, Simulation, End,
};

enum class Token : std::uint8_t {
    Keyword, Comment, Descriptor, Number, ConstantName, EquationName, FileName, Remark, Ignored,
};

struct TokenSpan {
    std::size_t start = 0;
    std::size_t length = 0;
    Token kind = Token::Keyword;
    friend bool operator==(const TokenSpan&, const TokenSpan&) = default;
};

struct ClassifiedLine {
    LineKind kind = LineKind::Blank;
    Statement statement = Statement::None;
    LineState after;
    // A definition's name; a statement's words after the keyword (UNIT n TYPE m,
    // CONSTANTS n, ASSIGN file unit) are found from the tokens.
    std::size_t nameStart = 0, nameLength = 0;
    std::vector<TokenSpan> tokens;  // filled only when asked for
};

// Reads one line; the state is the one the previous line left.
ClassifiedLine classifyLine(std::string_view line, LineState before, bool withTokens = true);
ClassifiedLine classifyLine(std::u16string_view line, LineState before, bool withTokens = true);

// The statement named by the first three letters of a word, any case (EQN is
// EQUATIONS); None for any other word.
Statement statementOf(std::string_view word);

}  // namespace deck
