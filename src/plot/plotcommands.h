// The main window's Plot menu and the plot windows that file dispatch opens.
#pragma once

class Workbench;
class TPlotForm;
class TPlotSetup;
class TModPlot;
class TDocWindow;
#include <QString>
#include <vector>

namespace plot {

struct PlotDocument;

// Creates the plot dialogs once at start-up and registers the plot window
// factory (saved plots opened through File > Open).
void install(Workbench& bench);

void NewPlot(Workbench& bench);
void OverlayPlot(Workbench& bench);
void ModifyPlot(Workbench& bench);
// File > Export... on the active plot window.
void ExportPlot(Workbench& bench);
// Plot > Plot table runs...: one curve per run of the active table window.
void PlotTableRuns(Workbench& bench);

// A new plot window showing the plot (a double click on it opens Modify Plot).
void showPlot(Workbench& bench, const PlotDocument& doc);

// The plot data files the runs of a table window wrote (run i's file is named
// like its run deck with ".PLT": SOLAR.PLT, SOLAR1.PLT, ...), by run number;
// empty for runs without one and for windows that are not tables.
std::vector<QString> tableRunPlotFiles(TDocWindow* window);
bool tableRunsHavePlotData(TDocWindow* window);

// The dialogs made by install (null before it).
TPlotSetup* setupDialogInstance();
TModPlot* modifyDialogInstance();

}  // namespace plot
