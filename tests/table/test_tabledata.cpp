// Table edits: cell texts, in-place editing, copy, paste, clear, value series,
// runs inserted and deleted, variables reshaped; and the number input rules.
#include <gtest/gtest.h>

#include <functional>

#include "table/numberparse.h"
#include "table/tabledata.h"
#include "table/tablelayout.h"

using namespace table;

namespace {
TableData abTable(int runs) { return TableData("/w/SOLAR.DCK", {"A", "B"}, runs); }
}  // namespace

TEST(NumberInput, DecimalNumbersOnly) {
    struct Row {
        const char* text;
        std::optional<long double> value;
    };
    const std::vector<Row> rows = {
        {"25", 25.0L}, {" -2.5e3 ", -2500.0L}, {"+.5", 0.5L}, {"3.", 3.0L}, {"1E", std::nullopt},
        {"1.5E+", std::nullopt}, {"inf", std::nullopt}, {"nan", std::nullopt}, {"0x10", std::nullopt},
        {"", std::nullopt}, {"1,5", std::nullopt}, {"1e99999", std::nullopt}, {"1e-99999", 0.0L},
    };
    for (const auto& r : rows) EXPECT_EQ(parseDecimal(r.text), r.value) << r.text;
    EXPECT_EQ(ParseNumber("Inf"), pal::kBlankValue);
    EXPECT_EQ(ParseNumber("-INF"), -pal::kBlankValue);
    EXPECT_EQ(parseInteger(" 12 "), 12);
    EXPECT_EQ(parseInteger("-3"), -3);
    EXPECT_FALSE(parseInteger("1.5"));
    EXPECT_FALSE(parseInteger("99999999999"));
    EXPECT_FALSE(parseInteger("++1"));
}

TEST(TableCells, NewTableShowsEnterValueAndEditsStoreMarkers) {
    TableData t = abTable(3);
    EXPECT_EQ(t.rows(), 4);
    EXPECT_EQ(t.cellText(1, 0), "A");
    EXPECT_EQ(t.cellText(0, 1), "");
    EXPECT_EQ(t.cellText(2, 3), "Enter value");
    EXPECT_EQ(t.cellText(3, 1), "");
    EXPECT_EQ(t.cellText(1, 4), "");
    EXPECT_TRUE(t.setEditText(1, 1, "25"));
    EXPECT_EQ(t.cellText(1, 1), "25.00");
    EXPECT_FALSE(t.setEditText(1, 1, " 25 "));  // same value: no change
    EXPECT_FALSE(t.setEditText(1, 1, "2.5E"));  // does not convert: nothing stored
    EXPECT_EQ(t.value(1, 1), 25.0L);
    EXPECT_TRUE(t.setEditText(1, 1, "  "));
    EXPECT_EQ(t.value(1, 1), pal::kBlankValue);
    EXPECT_EQ(t.cellText(1, 1), " ");
    t.columns[1].format = {1, 3};
    t.setValue(2, 1, 2.0L);
    EXPECT_EQ(t.cellText(2, 1), "2.000");
}

TEST(TableCells, CopyJoinsCellsWithTabsAndRowsWithCrLf) {
    TableData t = abTable(2);
    t.setValue(1, 1, 1);
    t.setValue(2, 1, 2);
    t.setValue(1, 2, pal::kBlankValue);
    EXPECT_EQ(t.copyText({1, 1, 2, 2}), "1.0000\t2.000\r\n \tEnter value");
    EXPECT_EQ(t.copyText({0, 0, 1, 1}), "\tA\r\n\t1.0000");
}

TEST(TablePaste, FieldsFillColumnsThenWrapToTheNextRun) {
    TableData t("/w/D.DCK", {"A", "B", "C"}, 3);
    // More fields than columns right of the start: the rest of the line is skipped.
    auto r = t.paste("1\t2\t3\r\n4\t5\r\n6", 2, 1);
    EXPECT_TRUE(r.changed);
    EXPECT_FALSE(r.badField);
    EXPECT_EQ(t.value(2, 1), 1);
    EXPECT_EQ(t.value(3, 1), 2);
    EXPECT_EQ(t.value(2, 2), 4);
    EXPECT_EQ(t.value(3, 2), 5);
    EXPECT_EQ(t.value(2, 3), 6);
    EXPECT_TRUE(isUndefinedValue(t.value(1, 1)));
    // More lines than runs stop after the last run; row/column 0 count as 1.
    r = t.paste("7\n8\n9\n10\n11", 0, 0);
    EXPECT_EQ(t.value(1, 3), 9);
    EXPECT_FALSE(r.badField);
    // INF, a copied blank and "Enter value" come back as their markers.
    t.paste("inf\t \tEnter value", 1, 1);
    EXPECT_EQ(t.value(1, 1), pal::kBlankValue);
    EXPECT_EQ(t.value(2, 1), pal::kBlankValue);
    EXPECT_TRUE(isUndefinedValue(t.value(3, 1)));
}

TEST(TablePaste, BadNumberStopsAndKeepsWhatWasStored) {
    TableData t = abTable(2);
    const auto r = t.paste("1\t2\r\n3\tx\r\n5\t6", 1, 1);
    ASSERT_TRUE(r.badField);
    EXPECT_EQ(*r.badField, std::make_pair(2, 2));
    EXPECT_EQ(t.value(1, 2), 3);
    EXPECT_TRUE(isUndefinedValue(t.value(2, 2)));
    EXPECT_FALSE(t.paste("1", 3, 1).changed);  // no column there
    // A round trip of copy and paste restores every cell.
    TableData u = abTable(2);
    u.paste(t.copyText({1, 1, 2, 2}), 1, 1);
    EXPECT_EQ(u.copyText({1, 1, 2, 2}), t.copyText({1, 1, 2, 2}));
}

TEST(TableClear, SelectionBecomesUndefinedUnlessItStartsInColumnZero) {
    TableData t = abTable(3);
    t.paste("1\t2\n3\t4\n5\t6", 1, 1);
    EXPECT_FALSE(t.clear({0, 1, 2, 3}));
    EXPECT_EQ(t.value(1, 1), 1);
    EXPECT_TRUE(t.clear({2, 2, 2, 3}));
    EXPECT_EQ(t.copyText({1, 1, 2, 3}), "1.0000\t2.000\r\n3.000\tEnter value\r\n5.000\tEnter value");
}

TEST(TableSeries, IncrementLastValueAndMultiplier) {
    TableData t = abTable(5);
    t.fillSeries(1, 2, 4, SeriesMode::Increment, 10, 5);
    EXPECT_EQ(t.value(1, 2), 10);
    EXPECT_EQ(t.value(1, 3), 15);
    EXPECT_EQ(t.value(1, 4), 20);
    EXPECT_TRUE(isUndefinedValue(t.value(1, 5)));
    t.fillSeries(2, 1, 5, SeriesMode::LastValue, 1, 9);
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(t.value(2, r), 2 * r - 1);
    t.fillSeries(1, 1, 3, SeriesMode::Multiplier, 1, 10);
    EXPECT_EQ(t.value(1, 3), 100);
    t.fillSeries(1, 4, 4, SeriesMode::LastValue, 7, 9);
    EXPECT_EQ(t.value(1, 4), 7);
    t.clearRuns(2, 2, 3);
    EXPECT_TRUE(isUndefinedValue(t.value(2, 2)));
    EXPECT_EQ(t.value(2, 4), 7);
}

TEST(TableRuns, InsertAndDeleteKeepTheOtherRuns) {
    TableData t = abTable(5);
    for (int r = 1; r <= 5; ++r) t.setValue(1, r, r);
    t.changeRuns(2, 3);  // 3 runs after row 2
    ASSERT_EQ(t.runs(), 8);
    EXPECT_EQ(t.value(1, 2), 2);
    for (int r = 3; r <= 5; ++r) EXPECT_TRUE(isUndefinedValue(t.value(1, r)));
    for (int r = 6; r <= 8; ++r) EXPECT_EQ(t.value(1, r), r - 3);
    t.changeRuns(2, -3);  // and out again
    ASSERT_EQ(t.runs(), 5);
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(t.value(1, r), r);
    t.changeRuns(0, -2);  // at the top
    EXPECT_EQ(t.value(1, 1), 3);
    t.changeRuns(1, -10);  // more than there are: the runs after row 1 go
    EXPECT_EQ(t.runs(), 1);
    EXPECT_EQ(t.value(1, 1), 3);
    t.changeRuns(t.runs(), 2);  // at the bottom
    EXPECT_EQ(t.runs(), 3);
    EXPECT_TRUE(isUndefinedValue(t.value(2, 3)));
}

TEST(TableVariables, ReshapeKeepsValuesInTheNewOrder) {
    TableData t("/w/D.DCK", {"A", "B", "C"}, 2);
    t.paste("1\t2\t3\n4\t5\t6", 1, 1);
    t.columns[2].format = {1, 2};
    t.reshape({"C", "NEW", "A"});
    ASSERT_EQ(t.variables(), 3);
    EXPECT_EQ(t.cellText(1, 0), "C");
    EXPECT_EQ(t.columns[0].index, 1);
    EXPECT_EQ(t.columns[0].format, (pal::LabelFormat{1, 2}));
    EXPECT_EQ(t.value(1, 2), 6);
    EXPECT_TRUE(isUndefinedValue(t.value(2, 1)));
    EXPECT_EQ(t.columns[1].format, (pal::LabelFormat{2, 4}));
    EXPECT_EQ(t.value(3, 1), 1);
    EXPECT_EQ(t.columns[2].index, 3);
    EXPECT_EQ(tablePathForDeck("/w/SOLAR.DCK"), "/w/SOLAR.TBL");
    EXPECT_EQ(tablePathForDeck("/w/SOLAR"), "/w/SOLAR.TBL");
    EXPECT_EQ(tablePathForDeck("/tmp/x/v1.2/SOLAR.DCK"), "/tmp/x/v1.2/SOLAR.TBL");
}

// Every counted change sends one notice of its kind; what changes nothing
// sends none. The listeners stay with the table object across assignment.
TEST(TableNotices, EachChangeNotifiesOnceByKind) {
    using Edit = std::function<void(TableData&)>;
    struct Row {
        const char* what;
        Edit edit;
        std::vector<TableChange> notices;
    };
    const std::vector<Row> rows = {
        {"a value", [](TableData& t) { t.setValue(1, 1, 5); }, {TableChange::Values}},
        {"the same value", [](TableData& t) { t.setValue(1, 1, 2); }, {}},
        {"edit text", [](TableData& t) { t.setEditText(2, 2, "7"); }, {TableChange::Values}},
        {"text that does not convert", [](TableData& t) { t.setEditText(2, 2, "x"); }, {}},
        {"a paste of three values", [](TableData& t) { t.paste("1\t2\r\n3", 1, 1); }, {TableChange::Values}},
        {"a clear", [](TableData& t) { t.clear({1, 1, 2, 2}); }, {TableChange::Values}},
        {"a format", [](TableData& t) { t.setFormat(1, {1, 2}); }, {TableChange::Values}},
        {"runs inserted", [](TableData& t) { t.changeRuns(1, 2); }, {TableChange::Shape}},
        {"no runs deleted", [](TableData& t) { t.changeRuns(3, -1); }, {}},
        {"variables reshaped", [](TableData& t) { t.reshape({"B", "C"}); }, {TableChange::Shape}},
        {"the same variables", [](TableData& t) { t.reshape({"A", "B"}); }, {}},
    };
    for (const Row& r : rows) {
        TableData t = abTable(3);
        t.setValue(1, 1, 2);
        std::vector<TableChange> seen;
        t.listen([&seen](TableChange c) { seen.push_back(c); });
        const auto before = t.changes();
        r.edit(t);
        EXPECT_EQ(seen, r.notices) << r.what;
        EXPECT_EQ(t.changes() > before, !r.notices.empty()) << r.what;
    }

    TableData t = abTable(1);
    int heard = 0;
    const int id = t.listen([&heard](TableChange) { ++heard; });
    t = abTable(2);  // another table's content, the same listeners
    t.setValue(1, 2, 1);
    EXPECT_EQ(heard, 1);
    TableData copy = t;
    copy.setValue(1, 1, 1);  // a copy starts without listeners
    EXPECT_EQ(heard, 1);
    t.unlisten(id);
    t.setValue(1, 1, 3);
    EXPECT_EQ(heard, 1);
}

TEST(TableLayout, PrintSlicesFitThePageAndNeverStall) {
    // widths[c] * 5/4: 100 each; margins 2 x 50.
    EXPECT_EQ(printSlices({0, 80, 80, 80, 80}, 350, 50),
              (std::vector<std::pair<int, int>>{{1, 2}, {3, 4}}));
    // A column wider than the page gets a slice of its own.
    EXPECT_EQ(printSlices({0, 80, 1000, 80}, 350, 50),
              (std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {3, 3}}));
    EXPECT_TRUE(printSlices({0}, 350, 50).empty());
}

TEST(TableLayout, WindowFitsWholeColumnsAndRows) {
    GridFitInput in;
    in.columnWidths = {45, 90, 90, 90};
    in.rowHeights = {30, 20, 20, 20, 20, 20};
    in.clientWidth = 1000;
    in.clientHeight = 1000;
    in.horizontalBarHeight = in.verticalBarWidth = 16;
    GridFit f = fitGrid(in);
    EXPECT_EQ(f.clientWidth, 45 + 3 * 91 + 1);
    EXPECT_EQ(f.clientHeight, 30 + 5 * 21 + 1);
    EXPECT_FALSE(f.horizontalBar);
    EXPECT_FALSE(f.verticalBar);
    in.clientWidth = 200;  // (200 + 45 - 45) / 91 = 2 columns
    f = fitGrid(in);
    EXPECT_TRUE(f.horizontalBar);
    EXPECT_FALSE(f.verticalBar);
    EXPECT_EQ(f.clientHeight, 30 + 5 * 21 + 1 + 16);
    EXPECT_EQ(f.clientWidth, 45 + 2 * 91 + 1);
    in.clientHeight = 60;  // (60 + 20 - 30 - 4) / 21 = 2 rows
    f = fitGrid(in);
    EXPECT_TRUE(f.verticalBar);
    EXPECT_EQ(f.clientWidth, 45 + 2 * 91 + 1 + 16);
}
