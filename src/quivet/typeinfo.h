// The engine installation's component-type information files (INFO/TYPEn.INF)
// and header file (Header.txt): where they are and how a unit's parameters and
// inputs are described by them.
#pragma once
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/ioerror.h"

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

// The lines of the information files read so far, so that a deck of many units
// of one type reads its file once.
class TypeFileCache {
public:
    // The file's lines as pal::readLines gives them; throws its pal::IoError
    // (again at each ask for a file that could not be read).
    const std::vector<std::string>& lines(const std::string& path);

private:
    std::unordered_map<std::string, std::vector<std::string>> files_;
    std::unordered_map<std::string, pal::IoError> failures_;
};

// Opens the unit's information file in the engine folder and describes the unit;
// on any failure the unit gets its "NO DATA AVAILABLE" description.
void loadUnitDescription(const std::string& folder, DeckUnit& unit, const std::vector<DeckVariable>& variables,
                         std::vector<AnalysisMessage>& messages, TypeFileCache* cache = nullptr);

// The index of the header line of type typeNumber in an information file's
// lines: the first line holding "TYPE" (any case) whose second word is the number.
std::optional<std::size_t> typeHeaderLine(const std::vector<std::string>& infoLines, const std::string& typeNumber);

// The heading lines made of the engine folder's Header.txt ("*|*" framing each
// line), or the message why the file could not be read.
struct HeaderLines {
    std::vector<std::string> lines;
    std::string error;  // empty when read
};
HeaderLines readHeaderLines(const std::string& folder);

}  // namespace quivet
