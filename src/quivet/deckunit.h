// The records of a plain deck's analysis: the units of components with the
// descriptions of their parameters and inputs, the deck's variables and the
// messages the analysis has for the user.
#pragma once
#include <string>
#include <vector>

namespace quivet {

// One parameter or input as the component-type information file describes it.
struct TypeDescription {
    std::string name;         // variable name, upper case
    std::string description;  // at most 40 characters
    std::string tail;         // "|SI|English|offset|factor|min|max|" of the descriptor
    bool selected = false;
};

// A variable of the deck (EQUATIONS and CONSTANTS) or a generated constant.
struct DeckVariable {
    std::string name;   // upper case
    std::string value;  // text after "="
    int occurrences = 0;
    std::string description;
    std::string tail;
};

// Where a unit or one of its values stands in the deck: 0-based line, byte
// column and length, for the editor that points at it.
struct DeckPlace {
    std::size_t line = 0;
    std::size_t column = 0;
    std::size_t length = 0;
};

struct DeckUnit {
    std::size_t line = 0;    // of the UNIT statement, 0-based
    std::string unitLine;    // upper case
    std::string typeNumber;  // fourth word of the UNIT line
    std::string description; // header line of the type, or "... - NO DATA AVAILABLE"
    bool noData = false;

    int parameterCount = 0;
    std::vector<std::string> parameters;
    int inputCount = 0;
    std::vector<std::string> connections;
    std::vector<std::string> initialValues;
    int derivativeCount = 0;
    std::vector<std::string> derivatives;
    std::string trace;
    // The unit's statement lines as read (upper case, comments left out); a unit
    // without data is written back from them.
    std::vector<std::string> statementLines;
    // The places of the parameters, connections and initial values, one each.
    std::vector<DeckPlace> parameterPlaces;
    std::vector<DeckPlace> connectionPlaces;
    std::vector<DeckPlace> initialValuePlaces;

    std::vector<TypeDescription> parameterInfo;
    std::vector<TypeDescription> inputInfo;

    // A parameter can become a constant when its deck value is a number.
    bool parameterSelectable(std::size_t i) const;
    // An input can when it is unconnected and its initial value is a number.
    bool inputSelectable(std::size_t i) const;
};

struct AnalysisMessage {
    std::string text;
    bool beep = false;
    int line = 0;  // the 1-based deck line of the unit it concerns; 0 when none
};

}  // namespace quivet
