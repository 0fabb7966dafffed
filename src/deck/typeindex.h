// The component types installed with the engine: one entry per information file
// INFO/TYPEn.INF of the engine folder, named by the title of its header line.
#pragma once
#include <string>
#include <vector>

#include "help/helptext.h"

namespace deck {

struct TypeEntry {
    int number = 0;
    std::string name;  // the header's title; "" when the file is missing, damaged or has no header
    std::string path;  // the information file
};

// The installed types in ascending order of number. Files that cannot be read
// or are larger than a type description can be keep their entry without a name.
std::vector<TypeEntry> readTypeIndex(const std::string& engineFolder);

// The title of a header line "TYPE 5 STORAGE TANK": the text after the number.
std::string typeTitle(const std::string& headerLine);

// The name of a type in the index ("" when it is not there or has none); the
// type is given as the deck writes it ("5", "05").
std::string typeName(const std::vector<TypeEntry>& index, const std::string& typeNumber);

// The description of a type as its information file holds it: the lines from
// its header to the end of the file; or one line saying why there is none.
std::string typeInfoText(const std::string& engineFolder, const std::string& typeNumber);

// The help file an index file's entries give for a type: that of the first
// entry whose title begins with "TYPE n" or whose file is TYPEn.INF (any
// case), as written; "" when none has one.
std::string typeHelpFile(const std::vector<pal::IndexEntry>& entries, const std::string& typeNumber);

}  // namespace deck
