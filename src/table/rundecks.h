// Run decks of a table: one copy of the table's deck per run, upper case, with
// the tabled constants set to the run's values and the deck's own ASSIGN file
// names numbered by run, so that the runs do not overwrite each other's results.
#pragma once
#include <string>
#include <vector>

#include "table/tabledata.h"

namespace table {

struct RunDeckOutcome {
    bool failed = false;  // a message is to be shown and nothing is to be run
    std::string message;
};

// The suffix of run i: "" for run 1, else the decimal form of i - 1.
std::string runSuffix(int run);

// The run deck path of a run: the deck's base name (pal::baseName), its file-name
// part upper-cased, + suffix + ".TMP".
std::string runDeckPath(const std::string& deckPath, int run);

// The text a run deck gives a value: the column's format when that text reads
// back as exactly the value, else the shortest text that does.
std::string runDeckValueText(pal::LabelFormat format, long double value);

// One run deck's lines from the deck's lines: statements upper-cased, file names
// (ASSIGN names, comment and descriptor lines) kept as written.
std::vector<std::string> runDeckLines(const std::vector<std::string>& deckLines, const std::string& deckPath, int run,
                                      const std::vector<std::string>& names, const std::vector<std::string>& valueTexts);

// Writes the run decks of every run and records their paths in
// table.runDeckNames. A value that is not defined, or a run deck that cannot be
// written, ends it with a message (the decks of earlier runs stay). Throws
// pal::IoError when the deck cannot be read.
RunDeckOutcome writeRunDecks(TableData& table);

}  // namespace table
