// "palumaro --run-table TABLE.TBL [--jobs N | --slurm]": runs a table file
// without a window through the same table runner as the table window, one
// line per run as it ends.
#pragma once
#include <optional>

namespace run {

// None when the arguments ask for no table run; else the program's exit code:
// 0 every run ended normally, 1 a run failed or did not run, 2 nothing could
// be run (bad arguments, unreadable table, undefined values, missing engine,
// clashing result files).
std::optional<int> runTableFromCommandLine(int argc, char** argv);

}  // namespace run
