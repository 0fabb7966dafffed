// The main window's comparison commands: File > Compare..., KALVEX > Keep as
// Reference and Compare with Reference, Plot > Compare table runs...
#pragma once
#include <QString>
#include <utility>
#include <vector>

class Workbench;
class TDocWindow;
struct CompareRequest;

namespace cmpui {

// Adds the items to the main window's menus (File > Compare..., KALVEX > Keep
// as Reference and Compare with Reference, Plot > Compare table runs...).
void installMenus(Workbench& bench);
// Their enabled state for the active window (asked at every menu update).
std::vector<std::pair<const char*, bool>> menuStates(Workbench& bench);

// The deck the commands work on: the active deck window's file, else the
// current input file.
QString currentDeck(Workbench& bench);

// File > Compare...: the deck's reference plot data and its latest plot data
// proposed; the result in a compare window (text files side by side).
void CompareFiles(Workbench& bench);
// KALVEX > Keep as Reference: the deck's latest results into PUMP.ref/.
void KeepAsReference(Workbench& bench);
// KALVEX > Compare with Reference: every reference file with its current result.
void CompareWithReference(Workbench& bench);
// Plot > Compare table runs...: the runs of the active table with run 1 or a chosen run.
void CompareTableRuns(Workbench& bench);

// Opens the side-by-side comparison of two text files (a failure is shown).
void openTextComparison(Workbench& bench, const QString& reference, const QString& candidate,
                        const CompareRequest& request);

}  // namespace cmpui
