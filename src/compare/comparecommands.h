// The main window's comparison commands: File > Compare..., KALVEX > Keep as
// Reference and Compare with Reference, Plot > Compare table runs...
#pragma once
#include <QString>

class TPALUMAROFORM;
class TDocWindow;
struct CompareRequest;

namespace cmpui {

// Adds the items to the main window's menus (File > Compare..., KALVEX > Keep
// as Reference and Compare with Reference, Plot > Compare table runs...).
void installMenus(TPALUMAROFORM& main);
// Their enabled state for the active window (part of UpdateMenu).
void updateMenus(TPALUMAROFORM& main);

// The deck the commands work on: the active deck window's file, else the
// current input file.
QString currentDeck(TPALUMAROFORM& main);

// File > Compare...: the deck's reference plot data and its latest plot data
// proposed; the result in a compare window (text files side by side).
void CompareFiles(TPALUMAROFORM& main);
// KALVEX > Keep as Reference: the deck's latest results into PUMP.ref/.
void KeepAsReference(TPALUMAROFORM& main);
// KALVEX > Compare with Reference: every reference file with its current result.
void CompareWithReference(TPALUMAROFORM& main);
// Plot > Compare table runs...: the runs of the active table with run 1 or a chosen run.
void CompareTableRuns(TPALUMAROFORM& main);

// Opens the side-by-side comparison of two text files (a failure is shown).
void openTextComparison(TPALUMAROFORM& main, const QString& reference, const QString& candidate,
                        const CompareRequest& request);

}  // namespace cmpui
