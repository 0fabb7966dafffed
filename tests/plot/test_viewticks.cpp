// The plot core behind the views: round ticks of a zoomed range, the table
// text of stored values, curves without symbols and the legends of table runs.
#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <cmath>

#include "plot/curvebuilder.h"
#include "plot/curvetable.h"
#include "plot/plotdata.h"
#include "plot/plotzoom.h"
#include "plot/quickplot.h"

namespace {
plot::AxisSettings zoomed(long double lo, long double hi, int ticks, int digits = 1) {
    plot::AxisSettings stored;
    stored.minimum = 0;
    stored.maximum = 100;
    stored.ticks = ticks;
    stored.digits = static_cast<std::int16_t>(digits);
    return plot::zoomedAxis(stored, plot::AxisRange{lo, hi});
}
}  // namespace

TEST(ViewTicks, AZoomedRangeGetsRoundTicksAndEnoughDigits) {
    struct Row {
        long double lo, hi;
        int ticks;
        double step, first, last;
        int digits;
    };
    const Row rows[] = {
        {13.7L, 61.2L, 5, 10, 20, 60, 1},            // stored digits kept when they suffice
        {2.2345L, 2.3071L, 5, 0.02, 2.24, 2.30, 2},   // 0.0145 per interval: steps of 0.02
        {-0.3L, 0.5L, 4, 0.2, -0.2, 0.4, 1},          // through zero
        {41.0L, 41.0007L, 5, 0.0001, 41.0, 41.0007, 4},
        {-7.9L, -2.1L, 10, 0.5, -7.5, -2.5, 1},
        {0.0L, 3.3L, 5, 0.5, 0.0, 3.0, 1},            // a bound on a multiple gets its tick
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(static_cast<double>(r.lo)) + ".." + std::to_string(static_cast<double>(r.hi)));
        const plot::AxisSettings a = zoomed(r.lo, r.hi, r.ticks);
        EXPECT_NEAR(static_cast<double>(plot::roundStep(r.lo, r.hi, r.ticks)), r.step, r.step * 1e-9);
        const std::vector<plot::Tick> t = plot::viewTicks(a, true);
        ASSERT_GE(t.size(), 2u);
        EXPECT_NEAR(static_cast<double>(t.front().value), r.first, r.step * 1e-9);
        EXPECT_NEAR(static_cast<double>(t.back().value), r.last, r.step * 1e-9);
        EXPECT_TRUE(t.back().last);
        for (std::size_t i = 1; i < t.size(); ++i)
            EXPECT_NEAR(static_cast<double>(t[i].value - t[i - 1].value), r.step, r.step * 1e-9);
        for (const plot::Tick& k : t) {
            EXPECT_TRUE(k.labelled);
            // Every tick a multiple of the step; zero exactly zero, never -0.
            const double m = static_cast<double>(k.value) / r.step;
            EXPECT_NEAR(m, std::round(m), 1e-6);
            if (std::round(m) == 0) {
                EXPECT_FALSE(std::signbit(k.value));
            }
        }
        EXPECT_EQ(a.digits, r.digits);
    }
    // The stored range walks its ticks from the minimum, as always.
    plot::AxisSettings stored;
    stored.minimum = 0.3L;
    stored.maximum = 1.3L;
    stored.ticks = 4;
    EXPECT_NEAR(static_cast<double>(plot::viewTicks(stored, false)[1].value), 0.55, 1e-12);
}

TEST(CurveTable, EachValueIsTheShortestTextOfItsStoredReal) {
    struct Row {
        const char* file;  // as the engine writes it
        const char* csv;   // as the table writes it
    };
    const Row rows[] = {{"5.000000E-02", "0.05"},      {"1.234568E+05", "123456.8"}, {"3.333333E-01", "0.3333333"},
                        {"-2.500000E-07", "-2.5e-07"}, {"0.000000E+00", "0"},        {"1.000000E+30", "1e+30"},
                        {"7.123457E+00", "7.123457"}};
    std::string plt = "TIME V\r\n";
    for (std::size_t i = 0; i < std::size(rows); ++i) plt += std::to_string(i) + " " + rows[i].file + "\r\n";
    const plot::PlotDataTable data = plot::parsePlotData(plt, "T.PLT");
    plot::PlotRecord rec;
    plot::addCurves(rec, data, 0, {1}, plot::RowRange{1, data.rowCount}, plot::CurveStyle{});
    const std::string table = plot::curveTable(rec, plot::CurveTableOptions{});
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const std::string line = std::to_string(i) + "," + rows[i].csv + "\r\n";
        EXPECT_NE(table.find(line), std::string::npos) << rows[i].file << " -> " << table;
        // The text reads back to the very stored value.
        double back = 0;
        std::from_chars(rows[i].csv, rows[i].csv + std::strlen(rows[i].csv), back);
        EXPECT_EQ(plot::toReal6Precision(back), rec.curves[0].y[i]) << rows[i].csv;
    }
}

TEST(CurveBuilder, SymbolNoneHoldsForEveryCurve) {
    std::string plt = "T A B C D E F G H I\r\n";
    for (int i = 0; i < 3; ++i) plt += "1 2 3 4 5 6 7 8 9 10\r\n";
    const plot::PlotDataTable data = plot::parsePlotData(plt, "T.PLT");
    for (const auto& [symbol, second, ninth] : {std::tuple{0, 0, 0}, std::tuple{1, 2, 9}}) {
        plot::PlotRecord rec;
        plot::addCurves(rec, data, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9}, plot::RowRange{1, 3}, plot::CurveStyle{1, symbol, 0, false});
        ASSERT_EQ(rec.curveCount(), 9);
        EXPECT_EQ(rec.curves[1].symbol, second);
        EXPECT_EQ(rec.curves[8].symbol, ninth);
        EXPECT_EQ(rec.curves[8].color, 8);  // colours step on
    }
}

TEST(TableRuns, LegendsTellEveryRunApartWithinTheCurveName) {
    const plot::PlotDataTable t = plot::parsePlotData("TIME LEVEL\r\nh m\r\n0 1\r\n1 2\r\n", "R.PLT");
    struct Row {
        std::vector<std::string> names;
        std::vector<std::vector<std::string>> values;  // per run
        std::vector<std::string> legends, fulls;
    };
    const Row rows[] = {
        // Only the variables that vary; CONST stays in the full text.
        {{"AREA", "CONST"}, {{"2", "1"}, {"4.5", "1"}}, {"AREA=2", "AREA=4.5"}, {"Run 1: AREA=2 CONST=1", "Run 2: AREA=4.5 CONST=1"}},
        // Three varying variables are too long with their names: the run
        // number and the values; cut only when even these are too long.
        {{"AREA", "DRAW", "VTANK"},
         {{"4.5", "0.3", "58.71"}, {"4.5", "0.35", "58.71"}, {"9", "0.3", "61.2"}},
         {"#1 4.5/0.3/58.71", "#2 4.5/0.35/58.71", "#3 9/0.3/61.2"},
         {"Run 1: AREA=4.5 DRAW=0.3 VTANK=58.71", "Run 2: AREA=4.5 DRAW=0.35 VTANK=58.71", "Run 3: AREA=9 DRAW=0.3 VTANK=61.2"}},
        {{"A", "B"}, {{"12.345678", "7654.321"}, {"23.456789", "8765.432"}}, {"#1 12.345678/7654.32", "#2 23.456789/8765.43"},
         {"Run 1: A=12.345678 B=7654.321", "Run 2: A=23.456789 B=8765.432"}},
        // One run: all its variables.
        {{"AREA"}, {{"7"}}, {"AREA=7"}, {"Run 1: AREA=7"}},
    };
    for (const Row& r : rows) {
        std::vector<plot::TableRunData> runs;
        for (std::size_t i = 0; i < r.values.size(); ++i) {
            plot::TableRunData run{plot::runLegend(r.names, r.values[i]), t};
            run.run = static_cast<int>(i + 1);
            run.names = r.names;
            run.values = r.values[i];
            runs.push_back(run);
        }
        const plot::PlotDocument doc = plot::tableRunsPlot(runs, "Runs", "TIME", "LEVEL");
        ASSERT_EQ(doc.record.curveCount(), static_cast<int>(r.legends.size()));
        for (std::size_t i = 0; i < r.legends.size(); ++i) {
            EXPECT_EQ(doc.record.curves[i].yName, r.legends[i]);
            EXPECT_LE(doc.record.curves[i].yName.size(), plot::kMaxColumnName);
            EXPECT_EQ(doc.record.curves[i].title, r.fulls[i]);
        }
    }
}
