// Placeholder bodies until the table subsystem is built; replaced by that work.
#include "table/tablecommands.h"

#include "shell/palumaro.h"

namespace table {
void install(TPALUMAROFORM&) {}
void NewTable(TPALUMAROFORM& main) { main.UpdateMenu(); }
void AlterTable(TPALUMAROFORM& main) { main.UpdateMenu(); }
void InsertDeleteRuns(TPALUMAROFORM& main) { main.UpdateMenu(); }
void InsertDeleteVars(TPALUMAROFORM& main) { main.UpdateMenu(); }
void RunTable(TPALUMAROFORM& main) { main.UpdateMenu(); }
}  // namespace table
