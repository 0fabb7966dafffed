#include <gtest/gtest.h>

#include <map>

#include "mainwindow/menustate.h"

using namespace pal;

namespace {
std::map<std::string, bool> apply(const MenuInput& in) {
    std::map<std::string, bool> m;
    for (const auto& [k, v] : menuChanges(in)) m[k] = v;  // later changes win
    return m;
}
MenuInput active(int tag, std::string file = {}) {
    MenuInput in;
    in.hasActive = true;
    in.windowCount = 1;
    in.tag = tag;
    in.editorFileName = std::move(file);
    return in;
}
}  // namespace

TEST(UpdateMenu, NoWindowDisablesDocumentItemsAndLeavesCalculate) {
    MenuInput in;
    in.hasActive = true;  // a window was active but all are closed
    in.windowCount = 0;
    const auto m = apply(in);
    for (const char* n : {"RunTable1", "Print1", "Edit1", "MakeQUIVETfile1", "Parametrics1", "OverlayPlot1", "ModifyPlot1",
                          "Save1", "Saveas1", "NewPlot1"})
        EXPECT_FALSE(m.at(n)) << n;
    EXPECT_EQ(m.count("Calculate1"), 0u);
    EXPECT_EQ(m.count("KALVEX1"), 0u);
}

TEST(UpdateMenu, NewPlotFollowsThePlotDataFile) {
    MenuInput in;
    in.plotDataKnown = true;
    EXPECT_TRUE(apply(in).at("NewPlot1"));
}

TEST(UpdateMenu, EditorKindsByExtension) {
    for (int tag : {1000, 2100, 7000}) {
        for (const char* f : {"/w/PUMP.DCK", "/w/deck.dckx", "/w/A.QVD", "/w/B.dek"}) {
            const auto m = apply(active(tag, f));
            EXPECT_TRUE(m.at("Calculate1")) << tag << f;
            EXPECT_TRUE(m.at("NewTable1")) << tag << f;
            EXPECT_TRUE(m.at("MakeQUIVETfile1")) << tag << f;
            EXPECT_FALSE(m.at("CompileModule1"));
            EXPECT_FALSE(m.at("RunTable1"));
        }
        const auto txt = apply(active(tag, "/w/notes.txt"));
        EXPECT_FALSE(txt.at("Calculate1"));
        EXPECT_FALSE(txt.at("NewTable1"));
        const auto untitled = apply(active(tag, ""));
        EXPECT_FALSE(untitled.at("Calculate1"));
        const auto fortran = apply(active(tag, "/w/pump.for"));
        EXPECT_TRUE(fortran.at("CompileModule1"));
        EXPECT_FALSE(fortran.at("Calculate1"));
    }
}

TEST(UpdateMenu, TableEnablesRunsAndVarsButNotCalculate) {
    const auto m = apply(active(5000));
    for (const char* n : {"RunTable1", "AlterTable1", "InsertDeleteRuns1", "InsertDeleteVars1", "SearchAgain1", "Cut1"})
        EXPECT_TRUE(m.at(n)) << n;
    for (const char* n : {"Calculate1", "NewTable1", "Find1", "Replace1", "ModifyPlot1"}) EXPECT_FALSE(m.at(n)) << n;
}

TEST(UpdateMenu, PlotEnablesOverlayAndModifyAndLeavesSomeUnchanged) {
    const auto m = apply(active(4000));
    EXPECT_TRUE(m.at("OverlayPlot1"));
    EXPECT_TRUE(m.at("ModifyPlot1"));
    EXPECT_TRUE(m.at("Copy1"));
    EXPECT_FALSE(m.at("Calculate1"));
    // Make QUIVET file and the table items keep the state of step 3 / earlier.
    const auto changes = menuChanges(active(4000));
    int makeQuivet = 0;
    for (const auto& c : changes) makeQuivet += c.first == "MakeQUIVETfile1";
    EXPECT_EQ(makeQuivet, 0);
}

TEST(UpdateMenu, ExportFollowsPlotsAndTableRunsFollowTheirPlotData) {
    EXPECT_TRUE(apply(active(4000)).at("Export1"));
    EXPECT_FALSE(apply(active(1000)).at("Export1"));
    auto table = active(5000);
    EXPECT_FALSE(apply(table).at("PlotTableRuns1"));
    table.tableRunPlots = true;
    EXPECT_TRUE(apply(table).at("PlotTableRuns1"));
    auto plot = active(4000);
    plot.tableRunPlots = true;  // only a table window plots its runs
    EXPECT_FALSE(apply(plot).at("PlotTableRuns1"));
    EXPECT_FALSE(apply(pal::MenuInput{}).at("Export1"));
}

TEST(UpdateMenu, ViewerQuivetAndDiagramRows) {
    const auto v = apply(active(3000));
    EXPECT_TRUE(v.at("Find1"));
    EXPECT_FALSE(v.at("Replace1"));
    EXPECT_FALSE(v.at("Cut1"));
    EXPECT_EQ(apply(active(6000)), v);
    const auto q = apply(active(2000));
    EXPECT_TRUE(q.at("Calculate1"));
    EXPECT_TRUE(q.at("NewTable1"));
    EXPECT_TRUE(q.at("Find1"));  // a field by its name
    EXPECT_TRUE(q.at("SearchAgain1"));
    EXPECT_FALSE(q.at("Replace1"));
    EXPECT_FALSE(q.at("MakeQUIVETfile1"));
    const auto d = apply(active(8000));
    EXPECT_TRUE(d.at("Save1"));
    EXPECT_FALSE(d.at("OverlayPlot1"));
    EXPECT_EQ(d.count("Find1"), 0u);
    EXPECT_EQ(d.count("Calculate1"), 0u);
}
