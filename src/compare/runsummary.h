// The runs of a table compared with one of them: runs x variables, the largest
// relative difference of each variable in each run.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "compare/plotcompare.h"

namespace cmp {

struct RunsSummary {
    int baseRun = 1;
    std::vector<std::string> variables;  // the base run's, then those only other runs have
    struct Cell {
        Status status = Status::Missing;
        double maxRel = 0;
    };
    struct Row {
        int run = 0;
        std::string file;
        std::string note;            // why the run was not compared
        std::vector<Cell> cells;     // one per variable (empty when not compared)
    };
    std::vector<Row> rows;
};

// Compares the plot data of every run with the base run's. runFiles[i] is
// run i's plot data ("" when the run wrote none; element 0 is unused). Throws
// pal::IoError or NotComparable when the base run's data cannot be read.
RunsSummary compareRuns(const std::vector<std::string>& runFiles, int baseRun, const Tolerance& tolerance);

// The summary as tab-separated text: a header line, then one line per run.
std::string summaryText(const RunsSummary& summary);

}  // namespace cmp
