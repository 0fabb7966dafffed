// The main window's Parametrics menu, Run Table, and the table windows that
// file dispatch opens.
#pragma once
#include <QString>
#include <functional>

class Workbench;

namespace table {

// Creates the table dialogs once at start-up and registers the table window
// factory (tables opened through File > Open and the Windows menu).
void install(Workbench& bench);

void NewTable(Workbench& bench);
void AlterTable(Workbench& bench);
void InsertDeleteRuns(Workbench& bench);
void InsertDeleteVars(Workbench& bench);
void RunTable(Workbench& bench);
// A table run is going on (Run Table is disabled meanwhile).
bool tableRunActive();

// Shows a failed run's listing, given with the table's deck (the main window
// lists its messages); unset, the listing opens in a viewer.
std::function<void(const QString& listing, const QString& deck)>& failedRunListing();

}  // namespace table
