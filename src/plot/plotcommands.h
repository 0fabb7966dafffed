// The main window's Plot menu and the plot windows that file dispatch opens.
#pragma once

class TPALUMAROFORM;
class TPlotForm;
class TPlotSetup;
class TModPlot;

namespace plot {

// Creates the plot dialogs once at start-up and registers the plot window
// factory (saved plots opened through File > Open).
void install(TPALUMAROFORM& main);

void NewPlot(TPALUMAROFORM& main);
void OverlayPlot(TPALUMAROFORM& main);
void ModifyPlot(TPALUMAROFORM& main);

// A new, empty plot window whose double click opens Modify Plot.
TPlotForm* makePlotWindow();

// The dialogs made by install (null before it).
TPlotSetup* setupDialogInstance();
TModPlot* modifyDialogInstance();

}  // namespace plot
