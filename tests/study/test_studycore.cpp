// Studies on small cases with known answers: sweep texts and their faults, the
// grid, one-at-a-time and Latin hypercube designs, tables of at most 99 runs,
// metrics against hand-computed values, collection across runs with damaged
// data, and the CSV read back.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <set>
#include <sstream>

#include "common/ioerror.h"
#include "study/collect.h"
#include "study/sensitivity.h"
#include "study/sweep.h"
#include "support/coretemp.h"

using namespace study;

namespace {

struct SweepRow {
    const char* text;
    std::vector<std::vector<long double>> values;  // per variable
    const char* error;                              // a part of the message, or null
};

class SweepText : public ::testing::TestWithParam<SweepRow> {};

TEST_P(SweepText, ValuesOrMessage) {
    const SweepRow& row = GetParam();
    if (row.error) {
        try {
            for (const ValueSpec& v : parseSweepText(row.text)) (void)v.values();
            FAIL() << row.text << " was accepted";
        } catch (const SweepError& e) {
            EXPECT_NE(std::string(e.what()).find(row.error), std::string::npos) << e.what();
        }
        return;
    }
    const auto specs = parseSweepText(row.text);
    ASSERT_EQ(specs.size(), row.values.size());
    for (std::size_t k = 0; k < specs.size(); ++k) {
        const auto v = specs[k].values();
        ASSERT_EQ(v.size(), row.values[k].size()) << row.text;
        for (std::size_t i = 0; i < v.size(); ++i) EXPECT_NEAR(double(v[i]), double(row.values[k][i]), 1e-9) << row.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SweepText,
    ::testing::Values(SweepRow{"AREA=2:10:5", {{2, 4, 6, 8, 10}}, nullptr},
                      SweepRow{"area = 1:1000:4:log", {{1, 10, 100, 1000}}, nullptr},
                      SweepRow{"AREA=2:10:5,VTANK=200,300", {{2, 4, 6, 8, 10}, {200, 300}}, nullptr},
                      SweepRow{"VTANK=200 250 300,AREA=3", {{200, 250, 300}, {3}}, nullptr},
                      SweepRow{"X=-100:-1:3:log", {{-100, -10, -1}}, nullptr},
                      SweepRow{"AREA=7:7:1", {{7}}, nullptr},
                      SweepRow{"AREA=10:2:5", {}, "reversed"},
                      SweepRow{"AREA=2:10:0", {}, "empty"},
                      SweepRow{"AREA=5:5:3", {}, "empty"},
                      SweepRow{"AREA=", {}, "no values"},
                      SweepRow{"AREA=0:10:3:log", {}, "zero"},
                      SweepRow{"AREA=-1:10:3:log", {}, "zero"},
                      SweepRow{"AREA=a:10:3", {}, "\"a\" is not a number"},
                      SweepRow{"AREA=1:10:2.5", {}, "not a whole number"},
                      SweepRow{"AREA=1:10:3:cubic", {}, "neither lin nor log"},
                      SweepRow{"AREA=1,AREA=2", {}, "swept twice"},
                      SweepRow{"2:10:5", {}, "not NAME=values"}));

TEST(Sweep, GridChangesTheLastVariableFastest) {
    SweepRequest q;
    q.variables = parseSweepText("A=1,2,B=10:30:3");
    const SweepRuns r = makeRuns(q, {});
    const std::vector<std::vector<long double>> want = {{1, 10}, {1, 20}, {1, 30}, {2, 10}, {2, 20}, {2, 30}};
    EXPECT_EQ(r.names, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(r.runs, want);
}

TEST(Sweep, OneAtATimeHoldsTheOthersAtTheirBaseAndDropsRepeats) {
    SweepRequest q;
    q.variables = parseSweepText("A=1,2,3,B=10,20");
    q.design = Design::OneAtATime;
    const SweepRuns r = makeRuns(q, {2.0L, 15.0L});
    const std::vector<std::vector<long double>> want = {{1, 15}, {2, 15}, {3, 15}, {2, 10}, {2, 20}};
    EXPECT_EQ(r.runs, want);
    EXPECT_THROW(makeRuns(q, {2.0L, std::nullopt}), SweepError);
}

TEST(Sweep, LatinHypercubeUsesEveryIntervalOnceAndFollowsItsSeed) {
    SweepRequest q;
    q.variables = parseSweepText("A=0:10:2,B=1:1000:2:log,C=5,6");
    q.design = Design::LatinHypercube;
    q.lhsRuns = 20;
    q.seed = 7;
    const SweepRuns r = makeRuns(q, {});
    ASSERT_EQ(r.runs.size(), 20u);
    std::set<int> a, b;
    int fives = 0;
    for (const auto& run : r.runs) {
        a.insert(static_cast<int>(std::floor(run[0] / 10 * 20)));
        b.insert(static_cast<int>(std::floor(std::log10(run[1]) / 3 * 20)));
        fives += run[2] == 5;
    }
    EXPECT_EQ(a.size(), 20u);
    EXPECT_EQ(*a.begin(), 0);
    EXPECT_EQ(*a.rbegin(), 19);
    EXPECT_EQ(b.size(), 20u);
    EXPECT_EQ(fives, 10);  // a list in equal shares
    EXPECT_EQ(makeRuns(q, {}).runs, r.runs);
    q.seed = 8;
    EXPECT_NE(makeRuns(q, {}).runs, r.runs);
    EXPECT_EQ(parseHypercube("12:99"), (std::pair<int, std::uint64_t>{12, 99}));
    EXPECT_THROW(parseHypercube("0"), SweepError);
    EXPECT_THROW(parseHypercube("5:x"), SweepError);
}

TEST(Sweep, TablesHoldAtMost99RunsAndAreLeftAloneWhenRefused) {
    table::TableData t("/w/SOLAR.DCK", {"AREA", "VTANK", "TAMB"}, 2);
    t.setValue(1, 1, 1);
    SweepRequest q;
    q.variables = parseSweepText("AREA=1:100:100,VTANK=300");
    const SweepRuns runs = makeRuns(q, {});
    EXPECT_EQ(tablesNeeded(runs.runs.size()), 2);
    EXPECT_THROW(fillTable(t, runs, 0, runs.runs.size(), false, {}), SweepError);
    EXPECT_EQ(t.runs(), 2);
    EXPECT_EQ(t.value(1, 1), 1);
    fillTable(t, runs, 99, 99, false, {std::nullopt, std::nullopt, 22.0L});
    ASSERT_EQ(t.runs(), 1);
    EXPECT_EQ(t.value(1, 1), 100);
    EXPECT_EQ(t.value(2, 1), 300);
    EXPECT_EQ(t.value(3, 1), 22);
    fillTable(t, runs, 0, 2, true, {});
    ASSERT_EQ(t.runs(), 3);
    EXPECT_EQ(t.value(1, 3), 2);
    EXPECT_TRUE(table::isUndefinedValue(t.value(3, 3)));
    EXPECT_EQ(partTablePath("/w/run.1/SOLAR.TBL", 2), "/w/run.1/SOLAR_2.TBL");
    EXPECT_EQ(partTablePath("T", 1), "T_1.TBL");
}

// Plot data: X 0..4 with LEVEL = 1 3 2 5 4 and a second column.
const char* kPlot = "TIME LEVEL ENERGY\r\nh m kWh\r\n0 1 0\r\n1 3 1\r\n2 2 4\r\n3 5 9\r\n4 4 16\r\n";

struct MetricRow {
    const char* metric;
    std::optional<double> value;
};

class MetricValues : public ::testing::TestWithParam<MetricRow> {};

TEST_P(MetricValues, MatchHandValuesInOneBlockAndAcrossBlocks) {
    coretest::TempDir dir;
    coretest::write(dir / "R.PLT", kPlot);
    const Metric m = parseMetric(GetParam().metric);
    const RunResult r = collectRun(dir / "R.PLT", {m});
    ASSERT_FALSE(r.failed) << r.status;
    ASSERT_EQ(r.values[0].has_value(), GetParam().value.has_value()) << r.status;
    if (GetParam().value) EXPECT_DOUBLE_EQ(*r.values[0], *GetParam().value);
    // The same rows fed a row at a time give the same value.
    MetricCollector c({m}, {"TIME", "LEVEL", "ENERGY"});
    const double rows[5][3] = {{0, 1, 0}, {1, 3, 1}, {2, 2, 4}, {3, 5, 9}, {4, 4, 16}};
    for (const auto& row : rows) c.add({{row[0]}, {row[1]}, {row[2]}});
    EXPECT_EQ(c.results()[0].value, r.values[0]);
}

INSTANTIATE_TEST_SUITE_P(Rows, MetricValues,
                         ::testing::Values(MetricRow{"LEVEL:final", 4}, MetricRow{"LEVEL:min", 1},
                                           MetricRow{"level:MAX", 5}, MetricRow{"LEVEL:mean", 3},
                                           // (1+3)/2 + (3+2)/2 + (2+5)/2 + (5+4)/2
                                           MetricRow{"LEVEL:integral", 12.5}, MetricRow{"LEVEL:xatmax", 3},
                                           MetricRow{"LEVEL:xatmin", 0}, MetricRow{"LEVEL:at=1.5", 2.5},
                                           MetricRow{"LEVEL:at=3", 5}, MetricRow{"ENERGY:at=3.25", 10.75},
                                           MetricRow{"TIME:final", 4}, MetricRow{"LEVEL:at=12", std::nullopt}));

TEST(Metrics, BadTextsNameTheirPart) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"LEVEL", "\"LEVEL\" is not COLUMN:metric"},
        {"LEVEL:peak", "unknown metric \"peak\""},
        {"LEVEL:at=x", "\"x\" is not a number"},
        {"LEVEL:max,,ENERGY:final", "an empty metric"},
        {"LEVEL:max,ENERGY:avg", "\"ENERGY:avg\""},
    };
    for (const auto& [text, part] : rows) {
        try {
            parseMetricList(text);
            ADD_FAILURE() << text;
        } catch (const MetricError& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
    }
    try {
        MetricCollector({parseMetric("DEPTH:max")}, {"TIME", "LEVEL"});
        ADD_FAILURE();
    } catch (const MetricError& e) {
        EXPECT_NE(std::string(e.what()).find("no column DEPTH (it has TIME, LEVEL)"), std::string::npos) << e.what();
    }
    EXPECT_EQ(metricListText(parseMetricList("LEVEL:max, ENERGY:at=12")), "LEVEL:max,ENERGY:at=12");
}

// Reads the CSV back: the header and every cell (quoted fields as written).
std::vector<std::vector<std::string>> readCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(cell), cell.clear();
        } else if (c == '\n') {
            rows.back().push_back(cell), cell.clear();
            rows.emplace_back();
        } else if (c != '\r') {
            cell += c;
        }
    }
    rows.pop_back();
    return rows;
}

TEST(Collect, FailedRunsAreToldAndTheCsvReadsBackExactly) {
    coretest::TempDir dir;
    table::TableData t(dir / "S.DCK", {"AREA", "VTANK"}, 4);
    const long double inputs[4][2] = {{2.1L, 300}, {4, 1.0L / 3}, {6, 300}, {8, 300}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c) t.setValue(c + 1, r + 1, inputs[r][c]);
    coretest::write(dir / "S.PLT", "TIME LEVEL\r\nh m\r\n0 0.1\r\n1 0.30000001\r\n2 1e-7\r\n");
    coretest::write(dir / "S1.PLT", "TIME LEVEL\r\nh m\r\n0 1\r\n1 2\r\n2 3");
    coretest::write(dir / "S2.PLT", "TIME LEVEL\r\nh m\r\n0 1\r\n1 2.5x\r\n");    // damaged
    const std::vector<std::string> files = {"", dir / "S.PLT", dir / "S1.PLT", dir / "S2.PLT", dir / "S3.PLT"};
    const auto metrics = parseMetricList("LEVEL:max,LEVEL:mean,LEVEL:at=1.5");
    std::vector<std::optional<std::string>> known(5);
    known[2] = "exit code 3";
    const StudyResults s = collectTable(t, files, metrics, known);
    ASSERT_EQ(s.runs.size(), 4u);
    EXPECT_EQ(s.runs[0].status, "ok");
    EXPECT_EQ(s.runs[1].status, "failed: exit code 3");
    EXPECT_TRUE(s.runs[2].failed);
    EXPECT_NE(s.runs[2].status.find("S2.PLT"), std::string::npos) << s.runs[2].status;
    EXPECT_NE(s.runs[2].status.find("2.5x"), std::string::npos) << s.runs[2].status;
    EXPECT_EQ(s.runs[3].status, "failed: no plot data (S3.PLT is missing)");

    const auto rows = readCsv(resultsCsv(s));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"run", "AREA", "VTANK", "LEVEL:max", "LEVEL:mean", "LEVEL:at=1.5", "status"}));
    for (std::size_t r = 0; r < 4; ++r) {
        ASSERT_EQ(rows[r + 1].size(), 7u);
        EXPECT_EQ(rows[r + 1][0], std::to_string(r + 1));
        for (std::size_t c = 0; c < 2; ++c) {
            long double v = 0;
            const std::string& cell = rows[r + 1][c + 1];
            std::from_chars(cell.data(), cell.data() + cell.size(), v);
            EXPECT_EQ(v, s.inputs[r][c]) << cell;
        }
        for (std::size_t m = 0; m < 3; ++m) {
            const std::string& cell = rows[r + 1][m + 3];
            if (!s.runs[r].values[m] || s.runs[r].failed) {
                EXPECT_EQ(cell, "");
                continue;
            }
            double v = 0;
            std::from_chars(cell.data(), cell.data() + cell.size(), v);
            EXPECT_EQ(v, *s.runs[r].values[m]) << cell;
        }
        EXPECT_EQ(rows[r + 1][6], s.runs[r].status);
    }
    EXPECT_EQ(resultsTabText(s, {3}), "run\tAREA\tVTANK\tLEVEL:max\tLEVEL:mean\tLEVEL:at=1.5\tstatus\r\n"
                                      "4\t8\t300\t\t\t\tfailed: no plot data (S3.PLT is missing)");
}

TEST(Collect, RunStatesTellWhichRunsFailed) {
    const std::vector<std::pair<const char*, std::optional<std::string>>> rows = {
        {"done, exit code 0, 0:03", std::nullopt},
        {"completed on node1, exit code 0", std::nullopt},
        {"", std::nullopt},
        {"failed, exit code 3, 0:01", "failed, exit code 3, 0:01"},
        {"stopped after 0:07", "stopped after 0:07"},
        {"running 0:02", "not ended (running 0:02)"},
    };
    for (const auto& [status, want] : rows) EXPECT_EQ(failureOfStatus(status), want) << status;
}

TEST(Collect, RunPlotFilesFollowTheDecksAssignNames) {
    coretest::TempDir dir;
    coretest::write(dir / "SOLAR.DCK", "ASSIGN OUT/SOLAR.PLT 12\r\nCONSTANTS 1\r\nAREA=4\r\nEND\r\n");
    std::filesystem::create_directory(dir.path / "OUT");
    coretest::write(dir / "OUT/SOLAR.PLT", "T A\r\n0 1\r\n");
    coretest::write(dir / "OUT/solar1.plt", "T A\r\n0 1\r\n");
    table::TableData t(dir / "SOLAR.DCK", {"AREA"}, 3);
    const auto files = runPlotFiles(t);
    EXPECT_EQ(files, (std::vector<std::string>{"", dir / "OUT/SOLAR.PLT", dir / "OUT/solar1.plt", ""}));
}

TEST(Collect, MetricsFileKeepsTheChoiceBesideTheTable) {
    coretest::TempDir dir;
    const std::string path = metricsFilePath(dir / "S.TBL");
    EXPECT_EQ(path, dir / "S.MET");
    EXPECT_TRUE(readMetricsFile(path).empty());
    const auto metrics = parseMetricList("LEVEL:max,ENERGY:at=12.5,LEVEL:xatmin");
    writeMetricsFile(path, metrics);
    EXPECT_EQ(readMetricsFile(path), metrics);
    coretest::write(path, "LEVEL:max\r\nnonsense\r\n\r\nA:final\r\n");
    EXPECT_EQ(metricListText(readMetricsFile(path)), "LEVEL:max,A:final");
    coretest::write(path, std::string(2 << 20, 'x'));
    EXPECT_THROW(readMetricsFile(path), pal::IoError);
}

TEST(Sensitivity, OneCurvePerValueOfTheSecondVariableInOrderOfX) {
    StudyResults s;
    s.variables = {"AREA", "VTANK"};
    s.metrics = parseMetricList("TTANK:max");
    const long double in[5][2] = {{6, 200}, {2, 200}, {2, 300}, {6, 300}, {4, 300}};
    const double out[5] = {60, 40, 35, 50, 45};
    for (int i = 0; i < 5; ++i) {
        s.inputs.push_back({in[i][0], in[i][1]});
        RunResult r;
        r.run = i + 1;
        r.values = {out[i]};
        r.failed = i == 4;  // left out
        s.runs.push_back(r);
    }
    const plot::PlotDocument doc = sensitivityPlot(s, 0, 0, 1, "study");
    ASSERT_EQ(doc.record.curveCount(), 2);
    EXPECT_EQ(doc.record.curves[0].yName, "VTANK=200");
    EXPECT_EQ(doc.record.curves[1].yName, "VTANK=300");
    // Points in order of X, the last one repeated (a plot leaves out its last row).
    const plot::CurveRecord& c = doc.record.curves[0];
    EXPECT_EQ(c.pointCount, 3);
    EXPECT_EQ(c.lastRow - c.firstRow, 2);
    EXPECT_EQ((std::vector<double>{c.x[0], c.x[1], c.x[2]}), (std::vector<double>{2, 6, 6}));
    EXPECT_EQ((std::vector<double>{c.y[0], c.y[1], c.y[2]}), (std::vector<double>{40, 60, 60}));
    EXPECT_EQ(doc.record.curves[1].pointCount, 3);  // run 5 failed: two runs
    EXPECT_EQ(doc.record.y.title, "TTANK:max");
    EXPECT_EQ(sensitivityPlot(s, 0, 0, std::nullopt, "study").record.curves[0].pointCount, 5);
}

}  // namespace
