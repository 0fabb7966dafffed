// Plot data read in pieces while the engine writes it: whole rows only, rows of
// another shape refused and named, a replaced, shortened or header-less file,
// and the table at the end equal to a fresh read of the finished file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>

#include "common/codecs.h"
#include "common/ioerror.h"
#include "plot/curvebuilder.h"
#include "plot/plotdata.h"
#include "plot/plotfollow.h"

namespace fs = std::filesystem;

namespace {

class ScratchFile {
public:
    explicit ScratchFile(const char* name) {
        static int n = 0;
        dir_ = fs::temp_directory_path() / ("plotfollow." + std::to_string(::getpid()) + "." + std::to_string(++n));
        fs::create_directories(dir_);
        path_ = (dir_ / name).string();
    }
    ~ScratchFile() { fs::remove_all(dir_); }
    const std::string& path() const { return path_; }
    void write(const std::string& text, std::ios::openmode mode = std::ios::trunc) const {
        std::ofstream(path_, std::ios::binary | mode) << text;
    }
    void append(const std::string& text) const { write(text, std::ios::app); }
    // A new file renamed over the old one, as the engine begins a run.
    void replace(const std::string& text) const {
        std::ofstream(path_ + ".new", std::ios::binary) << text;
        fs::rename(path_ + ".new", path_);
    }

private:
    fs::path dir_;
    std::string path_;
};

void expectSameTable(const plot::PlotDataTable& a, const plot::PlotDataTable& b, const std::string& what) {
    EXPECT_EQ(a.names, b.names) << what;
    EXPECT_EQ(a.units, b.units) << what;
    EXPECT_EQ(a.hasHeader, b.hasHeader) << what;
    EXPECT_EQ(a.hasUnits, b.hasUnits) << what;
    EXPECT_EQ(a.rowCount, b.rowCount) << what;
    EXPECT_EQ(a.minimum, b.minimum) << what;
    EXPECT_EQ(a.maximum, b.maximum) << what;
    ASSERT_EQ(a.values.size(), b.values.size()) << what;
    for (std::size_t c = 0; c < a.values.size(); ++c) EXPECT_TRUE(a.values[c] == b.values[c]) << what << " column " << c;
}

}  // namespace

TEST(PlotFollower, ATornRowWaitsForItsEnd) {
    ScratchFile f("RUN.PLT");
    f.write("TIME LEVEL\r\nh m\r\n0 1.5\r\n1 2.");
    plot::PlotFollower follower(f.path());
    EXPECT_EQ(follower.poll().newRows, 1);
    EXPECT_EQ(follower.table().values[1], std::vector<double>{1.5});
    f.append("5\r\n2 3");
    EXPECT_EQ(follower.poll().newRows, 1);
    EXPECT_EQ(follower.table().values[1], (std::vector<double>{1.5, 2.5}));
    EXPECT_EQ(follower.table().maximum[1], 2.5);
    // The engine has ended: its last line counts even without a line end.
    EXPECT_EQ(follower.poll(true).newRows, 1);
    EXPECT_TRUE(follower.finished());
    EXPECT_EQ(follower.table().values[0], (std::vector<double>{0, 1, 2}));
}

TEST(PlotFollower, RowsOfAnotherShapeAreRefusedByLineAndFollowingGoesOn) {
    ScratchFile f("RUN.PLT");
    // Numbers beyond the columns are passed over (line 6), as a whole read does.
    f.write("TIME A B\r\ns m m\r\n0 1 2\r\n1 2\r\n2 x 4\r\n3 4 5 6\r\n4 5 6\r\n");
    plot::PlotFollower follower(f.path());
    const plot::PlotFollower::Look look = follower.poll();
    EXPECT_EQ(look.newRows, 3);
    EXPECT_EQ(look.problem, "Line 4 of " + f.path() + " is left out: it holds 2 values, not 3. (and 1 more line)");
    EXPECT_EQ(follower.table().values[0], (std::vector<double>{0, 3, 4}));
    EXPECT_EQ(follower.table().values[2], (std::vector<double>{2, 5, 6}));
    f.append("5 6 7\r\n");
    const plot::PlotFollower::Look next = follower.poll();
    EXPECT_EQ(next.newRows, 1);
    EXPECT_EQ(next.problem, "");
    // At the end the table is what a fresh read of the file gives.
    follower.poll(true);
    expectSameTable(follower.table(), plot::ReadPlt(f.path()), "after refused rows");
}

TEST(PlotFollower, AReplacedOrShortenedFileIsReadAgain) {
    ScratchFile f("RUN.PLT");
    f.write("TIME A\r\ns m\r\n0 1\r\n1 2\r\n2 3\r\n");
    plot::PlotFollower follower(f.path());
    EXPECT_EQ(follower.poll().newRows, 3);
    // The next run puts a new file in place.
    f.replace("TIME A\r\ns m\r\n0 7\r\n");
    plot::PlotFollower::Look look = follower.poll();
    EXPECT_TRUE(look.restarted);
    EXPECT_EQ(follower.table().values[1], std::vector<double>{7});
    // Shortened in place, then written on.
    f.append("1 8\r\n2 9\r\n");
    follower.poll();
    f.write("TIME A\r\ns m\r\n5 5\r\n");
    look = follower.poll();
    EXPECT_TRUE(look.restarted);
    EXPECT_EQ(follower.table().values[0], std::vector<double>{5});
}

TEST(PlotFollower, AFileThatLosesItsHeaderKeepsTheLastTable) {
    ScratchFile f("RUN.PLT");
    f.write("TIME A\r\ns m\r\n0 1\r\n1 2\r\n");
    plot::PlotFollower follower(f.path());
    follower.poll();
    struct Row {
        const char* what;
        std::function<void()> change;
        const char* problem;
    };
    const Row rows[] = {
        {"truncated to zero", [&] { f.write(""); }, " has lost its header lines; the last drawing stays."},
        {"other columns", [&] { f.write("TIME B C\r\ns m m\r\n0 1 2\r\n"); }, " now holds other columns; the last drawing stays."},
        {"removed", [&] { fs::remove(f.path()); }, ": No such file or directory; the last drawing stays."},
    };
    for (const Row& r : rows) {
        r.change();
        const plot::PlotFollower::Look look = follower.poll();
        EXPECT_EQ(look.problem, f.path() + r.problem) << r.what;
        EXPECT_EQ(follower.table().values[1], (std::vector<double>{1, 2})) << r.what;
    }
    // The header back: the new run is followed.
    f.write("TIME A\r\ns m\r\n0 4\r\n");
    EXPECT_TRUE(follower.poll().restarted);
    EXPECT_EQ(follower.table().values[1], std::vector<double>{4});
}

TEST(PlotFollower, FollowedToItsEndTheTableIsAFreshRead) {
    // Each file written in two pieces cut at every byte: the rows followed and
    // the end rules (a last line without its end, blank lines, header lines
    // only) give what one read of the whole file gives.
    const char* const files[] = {
        "TIME Y\r\ns m\r\n0 1\r\n1 2\r\n2 3",
        "1 2\n3 4\n",
        "A B\nu v\n",
        "A B\n1 2\n\n\n",
        "A B C\nu v w\n1 2\n3\n4 5 6 7 8\n",
        "T X\n-1.5E+00 2.5e-3\n",
    };
    for (const char* text : files) {
        const std::string all = text;
        for (std::size_t cut = 0; cut <= all.size(); ++cut) {
            ScratchFile f("RUN.PLT");
            f.write(all.substr(0, cut));
            plot::PlotFollower follower(f.path());
            follower.poll();
            f.append(all.substr(cut));
            follower.poll();
            follower.poll(true);
            ASSERT_TRUE(follower.finished()) << text;
            expectSameTable(follower.table(), plot::parsePlotData(all, f.path()), all + " cut at " + std::to_string(cut));
        }
    }
}

// ---- values held as 6-byte reals

TEST(RealColumn, HoldsEveryValueAsTheSavedPlotCodecDoes) {
    const double values[] = {0, 1, -1, 0.1, 1.0 / 3, 3.14159265358979, -2.5e37, 1e-30, 0x1p-128, 0x1.fffffffffep126, 123456.789};
    plot::RealColumn column;
    for (double v : values) column.push_back(v);
    ASSERT_EQ(column.size(), std::size(values));
    for (std::size_t i = 0; i < column.size(); ++i) {
        const pal::Real6 r = pal::encodeReal6(values[i]);
        EXPECT_EQ(column[i], static_cast<double>(pal::decodeReal6(r.data()))) << values[i];
        EXPECT_EQ(std::memcmp(column.data() + 6 * i, r.data(), 6), 0) << values[i];
    }
    // Beyond the format: the largest value, nothing at all, and 0 for NaN.
    EXPECT_EQ(plot::RealColumn::nearest(1e39), 0x1.fffffffffep126);
    EXPECT_EQ(plot::RealColumn::nearest(-1e39), -0x1.fffffffffep126);
    EXPECT_EQ(plot::RealColumn::nearest(1e-40), 0.0);
    EXPECT_EQ(plot::RealColumn::nearest(std::nan("")), 0.0);
}

TEST(RealColumn, CurvesShareTheirFilesColumnsAndSeeItsNewRows) {
    plot::PlotDataTable t = plot::parsePlotData("TIME A B\ns m m\n0 1 2\n1 3 4\n2 5 6\n", "R.PLT");
    plot::PlotRecord rec;
    plot::addCurves(rec, t, 0, {1, 2}, plot::RowRange{2, 3}, plot::CurveStyle{});
    EXPECT_EQ(rec.curves[0].x.data(), t.values[0].data() + 6);  // row 2 onwards, not a copy
    EXPECT_EQ(rec.curves[1].x.data(), rec.curves[0].x.data());
    // Rows appended to the column leave the curve as it was; a view of them shares them.
    t.values[1].push_back(7);
    EXPECT_EQ(rec.curves[0].y, (std::vector<double>{3, 5}));
    EXPECT_EQ(t.values[1].slice(1, 9), (std::vector<double>{3, 5, 7}));
    // A column grown from a shorter view takes a storage of its own.
    plot::RealColumn shortView = t.values[1].slice(0, 2);
    shortView.push_back(9);
    EXPECT_EQ(shortView, (std::vector<double>{1, 3, 9}));
    EXPECT_EQ(t.values[1], (std::vector<double>{1, 3, 5, 7}));
}
