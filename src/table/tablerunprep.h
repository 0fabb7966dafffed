// What a table run needs before anything starts, the same for the table window
// and the command line: the table's deck, one run deck per run, where each
// run's listing will be, and the check that runs side by side never write the
// same file. Standard C++ only.
#pragma once
#include <string>
#include <vector>

#include "table/tabledata.h"

namespace table {

// The table's deck as found from its file: the stored deck, or, when that cannot
// be scanned, the deck of the table's own base name beside the table (a table
// moved together with its deck). found is false when neither can be scanned;
// path is then the stored deck as resolved.
struct FoundDeck {
    std::string path;
    bool found = false;
};
FoundDeck findTableDeck(const std::string& stored, const std::string& tablePath, const std::string& programDir);

struct PreparedRuns {
    enum class Problem { None, NotWritten, Clash, OverInput };
    Problem problem = Problem::None;
    std::string message;                // why nothing runs
    std::vector<std::string> decks;     // the run deck of run i + 1
    std::vector<std::string> listings;  // where its listing will be
};
// Writes one run deck per run and finds each run's listing. With sideBySide,
// runs that would write the same file refuse the whole table run, and so does a
// run deck or result file (or, on Slurm, a script, exit or log file) that is the
// table or its deck. When nothing runs (a problem, or pal::IoError thrown) no run
// deck is left behind.
PreparedRuns prepareRuns(TableData& data, bool sideBySide, const std::string& tablePath = {}, bool slurm = false);

}  // namespace table
