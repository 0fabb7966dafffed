// "palumaro --run-table TABLE.TBL [--jobs N | --slurm]": runs a table file
// without a window through the same table runner as the table window, one
// line per run as it ends.
#pragma once
#include <QStringList>

namespace run {

// The command's handler (a row of the command-line table): arguments are those
// after --run-table. Needs the application object and the program directory.
// Returns the exit code: 0 every run ended normally, 1 a run failed or did not
// run, 2 nothing could be run (bad arguments, unreadable table, undefined
// values, missing engine, clashing result files).
int runTableFile(const QStringList& arguments);

}  // namespace run
