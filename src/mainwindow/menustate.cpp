#include "mainwindow/menustate.h"

#include "common/bytes.h"

namespace pal {

std::vector<std::pair<std::string, bool>> menuChanges(const MenuInput& in) {
    std::vector<std::pair<std::string, bool>> out;
    auto set = [&out](const char* name, bool on) { out.emplace_back(name, on); };

    set("NewPlot1", in.plotDataKnown);
    const bool active = in.hasActive && in.windowCount > 0;
    set("Export1", active && in.tag == 4000);
    set("PlotTableRuns1", active && in.tag == 5000 && in.tableRunPlots);
    if (!active) {
        for (const char* n : {"RunTable1", "Print1", "PrintPreview1", "Edit1", "MakeQUIVETfile1", "Parametrics1", "OverlayPlot1",
                              "ModifyPlot1", "Save1", "Saveas1"})
            set(n, false);
        return out;
    }
    for (const char* n : {"Save1", "Saveas1", "Print1", "PrintPreview1", "Parametrics1", "KALVEX1", "Edit1"}) set(n, true);
    for (const char* n : {"OverlayPlot1", "ModifyPlot1", "CompileModule1"}) set(n, false);
    set("RebuildKALVEX1", true);

    // Columns of the table: Find, Replace, Search Again, Copy, Cut, Paste, Clear,
    // Make QUIVET file, New Table, Calculate, Run Table, Alter Table,
    // Insert/Delete Runs, Insert/Delete Vars, Overlay Plot, Modify Plot.
    static const char* const cols[] = {"Find1",       "Replace1",          "SearchAgain1",      "Copy1",
                                       "Cut1",        "Paste1",            "Clear1",            "MakeQUIVETfile1",
                                       "NewTable1",   "Calculate1",        "RunTable1",         "AlterTable1",
                                       "InsertDeleteRuns1", "InsertDeleteVars1", "OverlayPlot1", "ModifyPlot1"};
    // 1 enabled, 0 disabled, -1 unchanged, 2 by extension.
    const int* row = nullptr;
    static const int editor[] = {1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 0, 0, 0, 0, -1, 0};
    static const int quivet[] = {1, 0, 1, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 0, -1, 0};  // Find: a field by name
    static const int viewer[] = {1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, 0};
    static const int plot[] = {0, 0, 0, 1, 0, 0, 0, -1, 0, 0, 0, -1, -1, -1, 1, 1};
    static const int table[] = {0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1, -1, 0};
    switch (in.tag) {
        case 1000: case 2100: case 7000: row = editor; break;
        case 2000: row = quivet; break;
        case 3000: case 6000: row = viewer; break;
        case 4000: row = plot; break;
        case 5000: row = table; break;
        default: return out;  // 8000 and unknown kinds change nothing more
    }
    const std::string ext = extensionTest(in.editorFileName);
    const bool deckExt = ext == ".DCK" || ext == ".QVD" || ext == ".DEK";
    for (int i = 0; i < 16; ++i) {
        if (row[i] == -1) continue;
        set(cols[i], row[i] == 2 ? deckExt : row[i] == 1);
    }
    if (row == editor && ext == ".FOR") set("CompileModule1", true);
    if (in.tableRunActive) set("RunTable1", false);
    return out;
}

}  // namespace pal
