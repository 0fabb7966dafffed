// Reading plot data files: header and unit detection, row counting, free-format
// rows, limits and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <charconv>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "common/codecs.h"
#include "common/ioerror.h"
#include "plot/curvebuilder.h"
#include "plot/plotdata.h"
#include "plot/quickplot.h"

using plot::parsePlotData;
using plot::PlotDataTable;

namespace {
PlotDataTable parse(std::string_view text) { return parsePlotData(text, "X.PLT"); }
}  // namespace

TEST(PlotData, HeaderAndUnitLinesNameTheColumns) {
    const auto t = parse("  TIME  X,V\tENERGY \r\ns m m/s J\r\n0 1 2 3\r\n1 4 5 6\r\n");
    ASSERT_EQ(t.columnCount(), 4);
    EXPECT_EQ(t.names, (std::vector<std::string>{"TIME", "X", "V", "ENERGY"}));
    EXPECT_EQ(t.units, (std::vector<std::string>{"s", "m", "m/s", "J"}));
    EXPECT_TRUE(t.hasHeader);
    EXPECT_TRUE(t.hasUnits);
    EXPECT_EQ(t.rowCount, 2);
    EXPECT_EQ(t.values[3], (std::vector<double>{3, 6}));
    EXPECT_EQ(t.minimum[1], 1);
    EXPECT_EQ(t.maximum[1], 4);
}

TEST(PlotData, FirstLineOfNumbersIsTheFirstRow) {
    const auto t = parse("1 2 3\n4 5 6\n");
    EXPECT_EQ(t.names, (std::vector<std::string>{"TIME", "Col 2", "Col 3"}));
    EXPECT_EQ(t.units, (std::vector<std::string>{"", "", ""}));
    EXPECT_FALSE(t.hasHeader);
    EXPECT_FALSE(t.hasUnits);
    EXPECT_EQ(t.rowCount, 2);
    EXPECT_EQ(t.values[0], (std::vector<double>{1, 4}));
}

TEST(PlotData, HeaderDetectionLooksAtTwoCharacters) {
    EXPECT_TRUE(parse("1X 2Y\n0 0\n").hasHeader);      // digit then letter
    EXPECT_TRUE(parse("t x\n0 0\n").hasHeader);        // lower case counts
    EXPECT_FALSE(parse("-1 2\n0 0\n").hasHeader);
    EXPECT_FALSE(parse(".5 2\n0 0\n").hasHeader);
}

TEST(PlotData, SecondLineIsDataOnlyWhenItStartsLikeANumber) {
    const auto units = parse("A B\n 1 2\n3 4\n");  // leading blank: a unit line
    EXPECT_TRUE(units.hasUnits);
    EXPECT_EQ(units.units, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(units.rowCount, 1);
    for (const char* first : {"1 2\n3 4\n", ".1 2\n3 4\n", "+1 2\n3 4\n", "-1 2\n3 4\n"}) {
        const auto t = parse(std::string("A B\n") + first);
        EXPECT_FALSE(t.hasUnits) << first;
        EXPECT_EQ(t.rowCount, 2) << first;
        EXPECT_EQ(t.units, (std::vector<std::string>{"", ""}));
    }
}

TEST(PlotData, OnlyHeaderLinesGiveOneRowOfZeros) {
    const auto t = parse("A B\ns m\n");
    EXPECT_EQ(t.rowCount, 1);
    EXPECT_EQ(t.values[0], std::vector<double>{0});
    EXPECT_EQ(t.values[1], std::vector<double>{0});
    // No number of the file is in that row; a real row of zeros is.
    EXPECT_EQ(t.rowsRead, 0);
    EXPECT_EQ(parse("A B\ns m\n0 0\n\n").rowsRead, 1);
}

TEST(PlotData, ShortRowsContinueOnTheNextLineAndLongRowsAreCut) {
    const auto t = parse("A B C\nu v w\n1 2\n3\n4 5 6 7 8\n");
    ASSERT_EQ(t.rowCount, 3);
    EXPECT_EQ(t.values[0], (std::vector<double>{1, 4, 0}));
    EXPECT_EQ(t.values[2], (std::vector<double>{3, 6, 0}));
}

TEST(PlotData, ColumnsAndNamesAreLimited) {
    std::string header, row;
    for (int i = 1; i <= 30; ++i) {
        header += "NAME_THAT_IS_MUCH_LONGER_" + std::to_string(i) + " ";
        row += std::to_string(i) + " ";
    }
    // The header line is cut at 255 characters: nine whole names and the start
    // of a tenth over rows of 30 values. The named columns are read; the numbers
    // beyond them are passed over, with or without a unit line.
    const auto cut = parse(header + "\n" + row + "\n" + row + "\n");
    EXPECT_EQ(cut.columnCount(), 10);
    EXPECT_EQ(cut.rowCount, 2);
    EXPECT_EQ(cut.values[9], (std::vector<double>{10, 10}));
    const auto wide = parse("A B\nu v\n1 2 3\n4 5 6 7\n");
    EXPECT_EQ(wide.rowCount, 2);
    EXPECT_EQ(wide.values[0], (std::vector<double>{1, 4}));
    EXPECT_EQ(wide.values[1], (std::vector<double>{2, 5}));
    const auto t = parse("NAME_THAT_IS_MUCH_LONGER_1 B\nu v\n1 2\n");
    EXPECT_EQ(t.names[0], "NAME_THAT_IS_MUCH_LO");
    EXPECT_EQ(t.values[1], std::vector<double>{2});

    std::string many;
    for (int i = 1; i <= 30; ++i) many += "C" + std::to_string(i) + " ";
    const auto w = parse(many + "\n" + row + "\n" + row + "\n");
    EXPECT_EQ(w.columnCount(), 25);
    EXPECT_FALSE(w.hasUnits);
    EXPECT_EQ(w.values[24], (std::vector<double>{25, 25}));
}

TEST(PlotData, ValuesAreStoredInTheSavedPlotPrecision) {
    const auto t = parse("A\n0.1\n");
    EXPECT_NE(t.values[0][0], 0.1);
    EXPECT_EQ(t.values[0][0], plot::toReal6Precision(0.1L));
    EXPECT_NEAR(t.values[0][0], 0.1, 1e-12);
}

TEST(PlotData, EveryNotationReadsAsTheGeneralConversionGivesIt) {
    // Short decimals take a quick conversion, the rest the general one: both
    // must give the same stored value.
    for (const char* text : {"0.1234567E+01", "-0.9999999E-05", "0.3333333E+00", "4.35", "-0.0", "1.", ".5", "7e0",
                             "123456789012345", "1234567890123456", "0.000000000000000000001234", "1e22", "1e23",
                             "2.5E-22", "2.5E-23", "9.9999999E+36", "1.7E38", "0.1000000E-37", "+3.25", "1E+001",
                             "0.29999999999999998889776975"}) {
        const std::string_view plain = text[0] == '+' ? text + 1 : text;
        double general = 0;
        std::from_chars(plain.data(), plain.data() + plain.size(), general);
        const double want = plot::toReal6Precision(general);
        const double got = parse(std::string("A B\nu v\n") + text + " 1\n").values[0][0];
        EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(want)) << text;
    }
}

TEST(PlotData, SavedPlotPrecisionMatchesTheSixByteCodec) {
    const long double values[] = {1, -1, 0.1L, 3.14159265358979L, 1e-30L, -2.5e37L, 123456.789L, 1.0L / 3, 0x1p-128L, 0x1.fffffffffp126L};
    for (long double v : values) {
        const pal::Real6 r = pal::encodeReal6(v);
        EXPECT_EQ(plot::toReal6Precision(v), static_cast<double>(pal::decodeReal6(r.data()))) << static_cast<double>(v);
    }
    EXPECT_EQ(plot::toReal6Precision(1e-39L), 0.0);
    EXPECT_THROW(plot::toReal6Precision(2e38L), std::range_error);
    // A row of numbers from the engine in its own notation.
    const auto t = parse("A B C\n+1.500000E+00 -2.5e-3 7\n");
    EXPECT_EQ(t.values[0][0], 1.5);
    EXPECT_EQ(t.values[1][0], plot::toReal6Precision(-2.5e-3L));
}

TEST(PlotData, BadFilesFailWithAMessage) {
    EXPECT_THROW(parse("A B\n1,2 3\n"), pal::IoError);       // comma in a data row
    EXPECT_THROW(parse("A B\n1 nan\n"), pal::IoError);
    EXPECT_THROW(parse("A B\n1 1E40\n"), pal::IoError);      // beyond the 6-byte real
    // Only plain decimal numbers, whatever the fast conversion would take.
    for (const char* bad : {"inf", "-inf", "-nan", "0x1A", "1.5e", "2.5x", "+-1", "--1", ".", "-", "1e5e3"}) {
        try {
            parse(std::string("A B\n1 ") + bad + "\n");
            ADD_FAILURE() << bad;
        } catch (const pal::IoError& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\" in row 1"), std::string::npos) << e.what();
        }
    }
    try {
        parse(std::string("A B\n1 \x01\xff\x1b[2J\n"));  // bytes of no text are quoted as "?"
        ADD_FAILURE();
    } catch (const pal::IoError& e) {
        EXPECT_NE(std::string(e.what()).find("\"???[2J\" in row 1"), std::string::npos) << e.what();
        EXPECT_EQ(e.code(), 0);  // no system error number
    }
    EXPECT_THROW(parse("A B\n1 1E999\n"), pal::IoError);    // beyond even a double
    EXPECT_EQ(parse("A B\n1 1E-999\n").values[1][0], 0.0);  // tiny: 0
    // A wide header over a long run of empty lines: refused, not gigabytes reserved.
    std::string wide;
    for (int i = 0; i < 25; ++i) wide += "C" + std::to_string(i) + " ";
    EXPECT_THROW(parse(wide + "\n" + std::string(1'000'000, '\n')), pal::IoError);
    // Damage is told before a bad number in it (the rows are counted as they are read).
    try {
        parse(wide + "\nu\n1 x\n" + std::string(1'000'000, '\n'));
        ADD_FAILURE();
    } catch (const pal::IoError& e) {
        EXPECT_NE(std::string(e.what()).find("damaged: it has 1000001 lines"), std::string::npos) << e.what();
    }
    try {
        plot::ReadPlt("/nonexistent/dir/NONE.PLT");
        FAIL();
    } catch (const pal::IoError& e) {
        EXPECT_NE(e.code(), 0);
    }
}

TEST(PlotData, NextTokenSplitsAtTheFirstDelimiter) {
    std::string line = "AB, CD\tEF";
    EXPECT_EQ(plot::NextToken(line), "AB");
    EXPECT_EQ(line, "CD\tEF");
    EXPECT_EQ(plot::NextToken(line), "CD");
    EXPECT_EQ(plot::NextToken(line), "EF");
    EXPECT_EQ(line, "");
}

TEST(PlotData, ReadsAFileFromDisk) {
    const auto path = std::filesystem::temp_directory_path() / ("plotdata_" + std::to_string(::getpid()) + ".PLT");
    std::ofstream(path, std::ios::binary) << "TIME Y\r\ns m\r\n0 1\r\n1 3\r\n2 2";
    const auto t = plot::ReadPlt(path.string());
    std::filesystem::remove(path);
    EXPECT_EQ(t.rowCount, 3);
    EXPECT_EQ(t.maximum[1], 3);
}

TEST(PlotData, ReadingTellsItsProgressAndStopsWhenAsked) {
    const auto path = std::filesystem::temp_directory_path() / ("plotdata_big_" + std::to_string(::getpid()) + ".PLT");
    {
        std::string rows;
        for (int i = 0; i < 1'200'000; ++i) rows += "0.5 1.5\n";  // 9.6 MB: three pieces
        std::ofstream(path, std::ios::binary) << "T Y\ns m\n" << rows;
    }
    std::vector<double> heard;
    const auto whole = plot::ReadPlt(path.string(), [&](double done) { heard.push_back(done); return true; });
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(whole->rowCount, 1'200'000);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));
    EXPECT_LT(heard.front(), 0.5);
    EXPECT_DOUBLE_EQ(heard.back(), 1.0);
    int calls = 0;
    EXPECT_FALSE(plot::ReadPlt(path.string(), [&](double) { return ++calls < 2; }).has_value());
    EXPECT_EQ(calls, 2);
    std::filesystem::remove(path);
}

// ---- Plot Setup's row range and curves

TEST(CurveBuilder, RowRangeRules) {
    struct Row {
        const char* from;
        const char* to;
        int first, last;
        plot::RowRangeError error;
    };
    const Row rows[] = {
        {"1", "20", 1, 20, plot::RowRangeError::None},   {"5", "10", 5, 10, plot::RowRangeError::None},
        {"0", "10", 1, 10, plot::RowRangeError::None},   {"x", "10", 1, 10, plot::RowRangeError::None},
        {"5", "99", 5, 20, plot::RowRangeError::None},   {"5", "5", 5, 20, plot::RowRangeError::None},
        {"5", "3", 5, 20, plot::RowRangeError::None},    {"1", "abc", 1, 0, plot::RowRangeError::ToRowNotInteger},
        {"21", "30", 1, 0, plot::RowRangeError::FromRowBeyondData},
    };
    for (const Row& r : rows) {
        plot::RowRange out;
        EXPECT_EQ(plot::resolveRows(r.from, r.to, 20, out), r.error) << r.from << " " << r.to;
        if (r.error == plot::RowRangeError::None) {
            EXPECT_EQ(out.first, r.first) << r.from << " " << r.to;
            EXPECT_EQ(out.last, r.last) << r.from << " " << r.to;
        }
    }
}

TEST(CurveBuilder, CurvesStepSymbolAndColourAndCopyTheirRows) {
    const auto t = parse("TIME A B C\ns m kg N\n0 1 2 3\n1 4 5 6\n2 7 8 9\n3 1 1 1\n");
    plot::PlotRecord rec;
    plot::addCurves(rec, t, 0, {1, 2, 3}, plot::RowRange{2, 3}, plot::CurveStyle{1, 1, 0, false});
    ASSERT_EQ(rec.curveCount(), 3);
    EXPECT_EQ(rec.x.title, "TIME s");
    EXPECT_EQ(rec.y.title, "A m");
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(rec.curves[k].curveNumber, k + 1);
        EXPECT_EQ(rec.curves[k].symbol, k + 1);
        EXPECT_EQ(rec.curves[k].color, k);
        EXPECT_EQ(rec.curves[k].pointCount, 2);
        EXPECT_EQ(rec.curves[k].fileRows, 4);
    }
    EXPECT_EQ(rec.curves[1].x, (std::vector<double>{1, 2}));
    EXPECT_EQ(rec.curves[1].y, (std::vector<double>{5, 8}));
    EXPECT_EQ(rec.curves[2].yUnit, "N");

    // An overlay continues the numbering; its codes start at the dialog's.
    plot::addCurves(rec, t, 0, {1, 2}, plot::RowRange{1, 4}, plot::CurveStyle{2, 5, 7, true});
    ASSERT_EQ(rec.curveCount(), 5);
    EXPECT_EQ(rec.curves[3].curveNumber, 4);
    EXPECT_EQ(rec.curves[3].symbol, 5);
    EXPECT_EQ(rec.curves[4].symbol, 6);
    EXPECT_EQ(rec.curves[4].color, 8);
    EXPECT_EQ(rec.x.title, "TIME s");
    EXPECT_EQ(plot::curveListText(rec.curves[4]), "B vs. TIME");
}

TEST(CurveBuilder, NumberFields) {
    EXPECT_EQ(plot::parseInteger(" 12 "), 12);
    EXPECT_EQ(plot::parseInteger("-3"), -3);
    EXPECT_FALSE(plot::parseInteger("1.5"));
    EXPECT_FALSE(plot::parseInteger(""));
    EXPECT_EQ(plot::parseReal("1.5E3"), 1500.0L);
    EXPECT_FALSE(plot::parseReal("inf"));
    EXPECT_FALSE(plot::parseReal("1,5"));
    EXPECT_FALSE(plot::parseReal(""));
}

TEST(QuickPlot, ColumnsByNameWithProposedAxes) {
    const plot::PlotDataTable t = plot::parsePlotData("TIME A B\r\ns m kg\r\n0 3 1\r\n1 10 2\r\n2 62 4\r\n", "Q.PLT");
    const plot::PlotDocument d = plot::quickPlot(t, "Plot from Q.PLT", "time", {"b", "A"});
    const plot::PlotRecord& r = d.record;
    ASSERT_EQ(r.curveCount(), 2);
    EXPECT_EQ(r.curves[0].yName, "B");
    EXPECT_EQ(r.curves[1].yName, "A");
    EXPECT_EQ(r.curves[1].symbol, 2);
    EXPECT_EQ(r.curves[1].color, 1);
    EXPECT_EQ(r.curves[0].x.size(), 3u);
    EXPECT_EQ(r.x.title, "TIME s");
    // Y over 1..62 as Plot Setup proposes it.
    EXPECT_EQ(static_cast<double>(r.y.minimum), 0.0);
    EXPECT_EQ(static_cast<double>(r.y.maximum), 70.0);
    EXPECT_EQ(r.y.ticks, 7);
    EXPECT_TRUE(r.legend);
    EXPECT_THROW(plot::quickPlot(t, "", "TIME", {"C"}), std::invalid_argument);
    EXPECT_THROW(plot::quickPlot(t, "", "X", {"A"}), std::invalid_argument);

    // Table runs: runs lacking a column are left out, the legend is cut to 20.
    std::vector<plot::TableRunData> runs(3);
    runs[0] = {plot::runLegend({"AREA ", "VOLUME"}, {"4.5", "0.25"}), t};
    runs[1] = {"broken", plot::parsePlotData("TIME Z\r\n0 1\r\n", "R.PLT")};
    runs[2] = {plot::runLegend({"AREA", "VOLUME"}, {"9", "1250000.5"}), t};
    const plot::PlotDocument o = plot::tableRunsPlot(runs, "Runs", "TIME", "A");
    ASSERT_EQ(o.record.curveCount(), 2);
    EXPECT_EQ(o.record.curves[0].yName, "AREA=4.5 VOLUME=0.25");
    EXPECT_EQ(o.record.curves[1].yName, "AREA=9 VOLUME=125000");
    EXPECT_EQ(o.record.y.title, "A m");
    EXPECT_THROW(plot::tableRunsPlot(runs, "Runs", "TIME", "Q"), std::invalid_argument);
}
