// Comparing runs on small files with known answers: plot data variable by
// variable, bad input, text files line by line, and the exit codes.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "compare/filecompare.h"
#include "compare/plotcompare.h"
#include "compare/reference.h"
#include "compare/runsummary.h"
#include "compare/textcompare.h"

namespace fs = std::filesystem;
using cmp::FileResult;
using cmp::Status;

namespace {

class Scratch {
public:
    Scratch() {
        dir_ = fs::temp_directory_path() / ("cmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        fs::create_directories(dir_);
    }
    ~Scratch() { fs::remove_all(dir_); }
    std::string write(const std::string& name, const std::string& text) const {
        const fs::path p = dir_ / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

private:
    fs::path dir_;
    static inline int counter_ = 0;
};

// Plot data with the columns named, one row per X from 0 to rows - 1;
// value(column, x) gives each value.
std::string plotData(const std::vector<std::string>& names, int rows, double (*value)(int, double), double xStep = 1) {
    std::string t;
    for (const auto& n : names) t += n + " ";
    t += "\r\n";
    for (std::size_t c = 0; c < names.size(); ++c) t += "u ";
    t += "\r\n";
    for (int r = 0; r < rows; ++r) {
        const double x = r * xStep;
        t += std::to_string(x);
        for (std::size_t c = 1; c < names.size(); ++c) t += " " + std::to_string(value(int(c), x));
        t += "\r\n";
    }
    return t;
}

double smooth(int c, double x) { return 10.0 * c + x; }
double spikeAt3(int c, double x) { return smooth(c, x) + (c == 1 && x == 3 ? 5 : 0); }
double shiftedWithin(int c, double x) { return smooth(c, x) * (1 + 4e-4); }

FileResult compare(const Scratch& s, const std::string& ref, const std::string& cand) {
    return cmp::compareFiles(s.write("ref/A.PLT", ref), s.write("new/A.PLT", cand), cmp::CompareOptions{});
}

}  // namespace

TEST(PlotCompare, OneRowSpikeIsFoundAtItsX) {
    Scratch s;
    const FileResult r = compare(s, plotData({"TIME", "LEVEL", "FLOW"}, 10, smooth), plotData({"TIME", "LEVEL", "FLOW"}, 10, spikeAt3));
    ASSERT_TRUE(r.plot) << r.error;
    const cmp::VariableResult* level = r.plot->find("LEVEL");
    ASSERT_TRUE(level);
    EXPECT_EQ(level->status, Status::Differs);
    EXPECT_DOUBLE_EQ(level->maxAbs, 5);
    EXPECT_DOUBLE_EQ(level->maxAbsX, 3);
    EXPECT_EQ(level->firstOutside, 3.0);
    EXPECT_EQ(level->pointsOutside, 1u);
    EXPECT_EQ(r.plot->find("FLOW")->status, Status::Identical);
    EXPECT_EQ(cmp::exitCode({r}), 1);
    const auto lines = cmp::resultLines(r);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("LEVEL: differs, largest difference 5.0000E+00 at TIME = 3.0000E+00"), std::string::npos);
}

TEST(PlotCompare, ShiftInsideTheTolerancePasses) {
    Scratch s;
    const FileResult r = compare(s, plotData({"TIME", "A", "B"}, 20, smooth), plotData({"TIME", "A", "B"}, 20, shiftedWithin));
    ASSERT_TRUE(r.plot) << r.error;
    EXPECT_EQ(r.plot->find("A")->status, Status::Within);
    EXPECT_GT(r.plot->find("A")->maxAbs, 0);
    EXPECT_TRUE(cmp::resultLines(r).empty());
    EXPECT_EQ(cmp::exitCode({r}), 0);
}

TEST(PlotCompare, MissingColumnsAreReportedOnBothSides) {
    Scratch s;
    const FileResult r = compare(s, plotData({"TIME", "A", "B"}, 5, smooth), plotData({"TIME", "A", "C"}, 5, smooth));
    ASSERT_TRUE(r.plot) << r.error;
    EXPECT_EQ(r.plot->find("A")->status, Status::Identical);
    EXPECT_EQ(r.plot->find("B")->status, Status::Missing);
    EXPECT_EQ(r.plot->find("B")->note, "not in A.PLT");
    EXPECT_EQ(r.plot->find("C")->note, "only in A.PLT");
    EXPECT_EQ(cmp::exitCode({r}), 1);
    EXPECT_EQ(cmp::resultLines(r).size(), 2u);
}

TEST(PlotCompare, NewCurveIsInterpolatedOntoTheReferenceXOverTheCommonRange) {
    Scratch s;
    // The new file in half steps over twice the range: the same straight lines.
    const FileResult r = compare(s, plotData({"TIME", "A"}, 11, smooth), plotData({"TIME", "A"}, 41, smooth, 0.5));
    ASSERT_TRUE(r.plot) << r.error;
    EXPECT_FALSE(r.plot->sameX);
    EXPECT_EQ(r.plot->find("A")->status, Status::Identical);
    EXPECT_EQ(r.plot->pointsCompared, 11u);
    EXPECT_TRUE(r.plot->rangesDiffer);
    ASSERT_FALSE(r.plot->notes.empty());
    EXPECT_NE(r.plot->notes.back().find("Only TIME from 0 to 1.0000E+01 is compared"), std::string::npos);
    EXPECT_EQ(cmp::exitCode({r}), 1);  // a shorter run is a difference
}

struct BadInput {
    const char* name;
    std::string reference, candidate;
    const char* message;  // part of the failure text
};

class PlotCompareBadInput : public testing::TestWithParam<BadInput> {};

TEST_P(PlotCompareBadInput, GivesAClearMessageAndExitCode2) {
    Scratch s;
    const BadInput& b = GetParam();
    const std::string ref = b.reference == "<missing>" ? s.path("ref/A.PLT") : s.write("ref/A.PLT", b.reference);
    const FileResult r = cmp::compareFiles(ref, s.write("new/A.PLT", b.candidate), cmp::CompareOptions{});
    EXPECT_EQ(r.outcome, FileResult::Outcome::Failed);
    EXPECT_NE(r.error.find(b.message), std::string::npos) << r.error;
    EXPECT_EQ(cmp::exitCode({r}), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlotCompareBadInput,
    testing::Values(
        BadInput{"Empty", "", "TIME A\n0 1\n", "A.PLT is empty"},
        BadInput{"MissingReference", "<missing>", "TIME A\n0 1\n", "No such file or directory"},
        BadInput{"UnequalRows", "TIME A B\n0 1 2\n1 1 2\n", "TIME A B\n0 1 2\n1 1\n", "Line 3 holds 2 values, but the file has 3 columns"},
        BadInput{"NaNText", "TIME A\n0 1\n1 2\n", "TIME A\n0 1\n1 NaN\n", "Invalid numeric format \"NaN\" in line 3"},
        BadInput{"InfiniteText", "TIME A\n0 1\n1 2\n", "TIME A\n0 1\n1 -inf\n", "Invalid numeric format \"-inf\""},
        BadInput{"XNotIncreasing", "TIME A\n0 1\n1 2\n2 3\n", "TIME A\n0 1\n2 2\n1 3\n", "do not increase at row 3"},
        BadInput{"NoCommonRange", "TIME A\n0 1\n1 2\n", "TIME A\n5 1\n6 2\n", "The X ranges do not overlap"},
        BadInput{"NotPlotData", "TIME A\n0 1\n", "Listing of a run\nwith words only\n", "is not plot data"}),
    [](const testing::TestParamInfo<BadInput>& i) { return std::string(i.param.name); });

TEST(CompareExitCode, FoldersPairFilesByNameAndNeverPassWhatWasNotCompared) {
    Scratch s;
    const std::string same = plotData({"TIME", "A"}, 4, smooth);
    s.write("ref/SAME.PLT", same);
    s.write("new/same.plt", same);                        // paired ignoring letter case
    s.write("ref/GONE.LST", "only here\n");
    s.write("new/EXTRA.DCK", "a deck\n");
    const auto results = cmp::compareFolders(s.path("ref"), s.path("new"), cmp::CompareOptions{});
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].name, "EXTRA.DCK");
    EXPECT_EQ(results[0].outcome, FileResult::Outcome::OnlyCandidate);
    EXPECT_EQ(results[1].outcome, FileResult::Outcome::OnlyReference);
    EXPECT_EQ(results[2].status(), Status::Identical);
    EXPECT_EQ(cmp::exitCode(results), 1);                 // GONE.LST is missing
    EXPECT_EQ(cmp::exitCode({results[0], results[2]}), 0);  // a file only in the new folder is not a difference
    EXPECT_EQ(cmp::exitCode({results[0]}), 2);              // nothing compared
}

// A listing pair with known changes: line 3 changed beyond the tolerance,
// line 5 only within it, line 7 removed, one line added after line 9.
TEST(TextCompare, MarksExactlyTheChangedLines) {
    Scratch s;
    std::string left, right;
    for (int i = 1; i <= 12; ++i) {
        const std::string plain = "row " + std::to_string(i) + "  value = " + std::to_string(i * 1.5) + " m\n";
        left += plain;
        if (i == 3) right += "row 3  value = 4.9 m\n";
        else if (i == 5) right += "row 5  value =   7.50001 m\n";
        else if (i != 7) right += plain;
        if (i == 9) right += "an added line\n";
    }
    const std::string l = s.write("L.LST", left), r = s.write("R.LST", right);
    struct Case {
        bool exact;
        std::vector<std::vector<std::size_t>> changed;  // left first, left count, right first, right count
        std::size_t close;
    };
    for (const Case& c : {Case{false, {{2, 1, 2, 1}, {6, 1, 6, 0}, {9, 0, 8, 1}}, 1},
                          Case{true, {{2, 1, 2, 1}, {4, 1, 4, 1}, {6, 1, 6, 0}, {9, 0, 8, 1}}, 0}}) {
        cmp::TextComparison t(l, r, cmp::Tolerance{}, c.exact);
        t.runToEnd();
        std::vector<std::vector<std::size_t>> changed;
        std::size_t close = 0;
        for (const cmp::TextBlock& b : t.blocks()) {
            if (b.kind == cmp::TextBlock::Changed) changed.push_back({b.left, b.leftCount, b.right, b.rightCount});
            if (b.kind == cmp::TextBlock::Close) close += b.leftCount;
        }
        EXPECT_EQ(changed, c.changed) << "exact " << c.exact;
        EXPECT_EQ(close, c.close) << "exact " << c.exact;
        EXPECT_EQ(t.differenceCount(), c.changed.size());
        EXPECT_EQ(t.rowCount(), 13u);
        EXPECT_EQ(t.nextDifference(0), 2u);
        EXPECT_EQ(t.previousDifference(t.rowCount()), t.blocks().back().kind == cmp::TextBlock::Changed
                                                          ? t.blocks().back().firstRow
                                                          : t.nextDifference(8).value());
    }
}

TEST(TextCompare, WordDifferenceMarksTheNumberOutsideTheTolerance) {
    const std::string l = "QMAX = 45.0  ! [m3/h] at 1.000000E+00", r = "QMAX = 45.45 ! [m3/h] at 1.0000001E+00";
    const cmp::WordDifference tolerant = cmp::wordDifference(l, r, cmp::Tolerance{}, false);
    ASSERT_EQ(tolerant.left.size(), 1u);
    EXPECT_EQ(l.substr(tolerant.left[0].first, tolerant.left[0].second), "45.0");
    EXPECT_EQ(r.substr(tolerant.right[0].first, tolerant.right[0].second), "45.45");
    EXPECT_NEAR(tolerant.largestRel, 0.01, 1e-12);
    EXPECT_EQ(cmp::wordDifference(l, r, cmp::Tolerance{}, true).left.size(), 2u);  // exact: both numbers
}

TEST(ReferenceResults, KeepsOnlyResultsNewerThanTheDeckAndPairsThemBack) {
    Scratch s;
    const std::string deck = s.write("run.1/PUMP.DCK", "CONSTANTS 1\nQMAX = 45\nEND\n");
    const std::string plt = s.write("run.1/PUMP.PLT", plotData({"TIME", "A"}, 3, smooth));
    const std::string lst = s.write("run.1/PUMP.LST", "listing\n");
    s.write("run.1/PUMP.OU2", "second output table\n");
    const auto old = fs::last_write_time(deck) - std::chrono::hours(1);
    fs::last_write_time(lst, old);  // a listing of an earlier run
    EXPECT_EQ(cmp::referenceFolder(deck), s.path("run.1/PUMP.ref"));
    EXPECT_EQ(cmp::keepAsReference(deck), (std::vector<std::string>{"PUMP.OU2", "PUMP.PLT"}));
    const auto pairs = cmp::referencePairs(deck);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].reference, s.path("run.1/PUMP.ref/PUMP.PLT"));
    EXPECT_EQ(pairs[1].current, plt);
    EXPECT_FALSE(pairs[1].stale);
    fs::last_write_time(plt, old);
    EXPECT_TRUE(cmp::referencePairs(deck)[1].stale);
    EXPECT_THROW(cmp::referencePairs(s.write("other/X.DCK", "END\n")), std::runtime_error);
}

TEST(RunsSummary, EveryRunAgainstTheChosenRun) {
    Scratch s;
    const std::vector<std::string> files{"", s.write("R1.PLT", plotData({"TIME", "A", "B"}, 5, smooth)),
                                         s.write("R2.PLT", plotData({"TIME", "A", "B"}, 5, spikeAt3)), ""};
    const cmp::RunsSummary sum = cmp::compareRuns(files, 2, cmp::Tolerance{});
    EXPECT_EQ(sum.variables, (std::vector<std::string>{"A", "B"}));
    ASSERT_EQ(sum.rows.size(), 3u);
    EXPECT_EQ(sum.rows[0].cells[0].status, Status::Differs);
    EXPECT_NEAR(sum.rows[0].cells[0].maxRel, 5.0 / 18, 1e-9);  // run 1 against run 2's spike of 5 on 18
    EXPECT_EQ(sum.rows[1].cells[1].status, Status::Identical);
    EXPECT_EQ(sum.rows[2].note, "no plot data");
    EXPECT_NE(cmp::summaryText(sum).find("2\t0\t0\treference run\n"), std::string::npos);
}
