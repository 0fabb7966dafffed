// The engine installation's component-type information files (INFO/TYPEn.INF)
// and header file (Header.txt): where they are and how a unit's parameters and
// inputs are described by them.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "quivet/deckunit.h"

namespace quivet {

// The engine folder: the KALVEX directory when it exists, else the program directory.
std::string engineFolder(const std::string& kalvexDir, const std::string& programDir);

// engineFolder/INFO/TYPEn.INF, the directory and the file found in any letter
// case; the path as built when there is none.
std::string typeInfoPath(const std::string& folder, const std::string& typeNumber);

// The descriptor tail of a units line ("SI English offset factor min max" or
// "none min max"); empty when the line cannot be converted.
std::optional<std::string> unitsTail(const std::string& unitsLine);

// Fills the unit's description and its parameter and input descriptions from the
// lines of an information file. False (with a message) when the type is missing
// or described wrongly (a name that cannot be a constant's names fileName and
// its line); the unit then has no data. Labels that would read as other markup
// are shown after a blank.
bool describeUnit(const std::vector<std::string>& infoLines, DeckUnit& unit,
                  const std::vector<DeckVariable>& variables, std::vector<AnalysisMessage>& messages,
                  const std::string& fileName = {});

// Opens the unit's information file in the engine folder and describes the unit;
// on any failure the unit gets its "NO DATA AVAILABLE" description.
void loadUnitDescription(const std::string& folder, DeckUnit& unit, const std::vector<DeckVariable>& variables,
                         std::vector<AnalysisMessage>& messages);

// The heading lines made of the engine folder's Header.txt ("*|*" framing each
// line), or the message why the file could not be read.
struct HeaderLines {
    std::vector<std::string> lines;
    std::string error;  // empty when read
};
HeaderLines readHeaderLines(const std::string& folder);

}  // namespace quivet
