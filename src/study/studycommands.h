// The Parametrics menu's study commands on the active table window: Sweep...
// (runs from lists and ranges into the table, or into consecutive tables when
// they exceed one) and Results... (metrics across the runs in a results window).
#pragma once
#include <functional>

class QMenu;
class QWidget;
class TDocWindow;
class TTableForm;
class TStudyResultsForm;

namespace plot {
struct PlotDocument;
}

namespace studyui {

// What the commands need of the frame that hosts them.
struct StudyHost {
    QWidget* frame = nullptr;
    std::function<TDocWindow*()> activeDocument;
    std::function<void(TDocWindow*)> addDocument;
    std::function<void(const plot::PlotDocument&)> showPlot;
};

// Adds Sweep... (Sweep1) and Results... (Results1) to the menu; they are
// enabled while a table window is the active document.
void installMenus(QMenu& parametrics, const StudyHost& host);

// Parametrics > Sweep...: the dialog, then the runs into the table (or, past
// 99 runs and when the user agrees, into NAME_1.TBL, NAME_2.TBL, ... beside
// it, the table itself unchanged).
void SweepTable(TTableForm& table, QWidget* parent);

// Parametrics > Results...: a results window of the table's runs (null when
// no run has left outputs: that is told).
TStudyResultsForm* OpenResults(TTableForm& table);

}  // namespace studyui
