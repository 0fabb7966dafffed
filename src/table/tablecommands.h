// The main window's Parametrics menu, Run Table, and the table windows that
// file dispatch opens.
#pragma once
#include <QString>
#include <functional>

class TPALUMAROFORM;

namespace table {

// Creates the table dialogs once at start-up and registers the table window
// factory (tables opened through File > Open and the Windows menu).
void install(TPALUMAROFORM& main);

void NewTable(TPALUMAROFORM& main);
void AlterTable(TPALUMAROFORM& main);
void InsertDeleteRuns(TPALUMAROFORM& main);
void InsertDeleteVars(TPALUMAROFORM& main);
void RunTable(TPALUMAROFORM& main);
// A table run is going on (Run Table is disabled meanwhile).
bool tableRunActive();

// Shows a failed run's listing, given with the table's deck (the main window
// lists its messages); unset, the listing opens in a viewer.
std::function<void(const QString& listing, const QString& deck)>& failedRunListing();

}  // namespace table
