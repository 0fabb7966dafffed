// The menu-state rules of the main window: which items UpdateMenu enables or
// disables for the kind of the active document window.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace pal {

struct MenuInput {
    bool hasActive = false;       // an active document window is known
    int windowCount = 0;          // open document windows
    int tag = 0;                  // kind tag of the active window
    std::string editorFileName;   // for the editor kinds: the file name
    bool plotDataKnown = false;   // the plot-data file name is not empty
    bool tableRunPlots = false;   // the active table's runs have written plot data
    bool tableRunActive = false;  // a table run is going on: Run Table waits for it
};

// The changes UpdateMenu makes, in order, as (item objectName, enabled). Items not
// listed keep their state. Top-level menus are named by their objectName too
// ("Edit1", "Parametrics1", "KALVEX1").
std::vector<std::pair<std::string, bool>> menuChanges(const MenuInput& in);

}  // namespace pal
