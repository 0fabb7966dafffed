// Sweeps: the values each variable of a study takes (a list, or a linear or
// logarithmic range) and the runs made of them (one at a time, a full grid or
// a seeded Latin hypercube), written into run tables of at most 99 runs.
#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "table/tabledata.h"

namespace study {

// Bad sweep input; the text names the variable and the part at fault.
class SweepError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Spacing { Linear, Log };

// What one variable takes: the listed values, or a range of count values
// from .. to.
struct ValueSpec {
    std::string name;
    bool isRange = false;
    std::vector<long double> list;
    long double from = 0, to = 0;
    int count = 0;
    Spacing spacing = Spacing::Linear;

    // The values in order (a range evaluated); throws SweepError.
    std::vector<long double> values() const;
};

constexpr int kMostValues = 10000;

// A range's values: count >= 1 values from .. to, evenly spaced or in equal
// ratios. Throws SweepError for an empty or reversed range, a count beyond
// kMostValues, or a logarithmic one that reaches or crosses zero.
std::vector<long double> rangeValues(const std::string& name, long double from, long double to, int count,
                                     Spacing spacing);

// One variable's text: "2:10:5" (from:to:count), "1:1000:4:log", or a list
// "200,300" (commas or blanks). Throws SweepError naming the variable.
ValueSpec parseValueText(const std::string& name, std::string_view text);

// "AREA=2:10:5,VTANK=200,300": a comma after a list value that is not followed
// by NAME= goes on with the same variable's list. Names are upper-cased.
// Throws SweepError.
std::vector<ValueSpec> parseSweepText(std::string_view text);

enum class Design { OneAtATime, Grid, LatinHypercube };

struct SweepRequest {
    std::vector<ValueSpec> variables;  // the swept ones
    Design design = Design::Grid;
    int lhsRuns = 0;                   // Latin hypercube: the number of runs
    std::uint64_t seed = 1;
};

// The runs of a sweep: one row of values per run, one value per name.
struct SweepRuns {
    std::vector<std::string> names;
    std::vector<std::vector<long double>> runs;
};

// The runs a request makes. base holds each swept variable's base value (one
// at a time: the others stay there; a variable without one makes that design
// fail). Throws SweepError.
//  - one at a time: each variable through its values in turn, the others at
//    their base values; a run equal to an earlier one is not repeated;
//  - grid: every combination, the first variable changing slowest;
//  - Latin hypercube: lhsRuns runs; each variable's range split into lhsRuns
//    equal intervals (equal ratios for a logarithmic one), each interval used
//    by exactly one run at a point drawn inside it; a listed variable takes
//    its values in equal shares. The same seed gives the same runs.
SweepRuns makeRuns(const SweepRequest& request, const std::vector<std::optional<long double>>& base);

// Parses "N" or "N:seed" of a Latin hypercube. Throws SweepError.
std::pair<int, std::uint64_t> parseHypercube(std::string_view text);

// The runs of a sweep in tables of at most kMaxRuns runs: the number of tables.
int tablesNeeded(std::size_t runs);
// NAME_1.TBL, NAME_2.TBL, ... beside path (the table's base name in its file name).
std::string partTablePath(const std::string& tablePath, int part);

// Puts runs first .. first + count - 1 of the sweep into the table: its swept
// columns take the sweep's values, every other column the value in others
// (by column, undefined when missing). With append the runs go after the
// table's runs, else they replace them. Throws SweepError when the result
// would exceed kMaxRuns runs or a swept name is not a column of the table.
void fillTable(table::TableData& table, const SweepRuns& runs, std::size_t first, std::size_t count, bool append,
               const std::vector<std::optional<long double>>& others);

// The deck's base value of each name (a CONSTANTS value that is a plain
// number; none for an expression, a missing name or a deck that cannot be
// read).
std::vector<std::optional<long double>> deckBaseValues(const std::string& deckPath,
                                                       const std::vector<std::string>& names);

}  // namespace study
