// The saved-plot layout: field offsets, curve slots and values, round trips and
// damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
#include <fstream>

#include "common/codecs.h"
#include "common/ioerror.h"
#include "plot/pmxfile.h"

namespace {
std::int32_t int32At(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
    return static_cast<std::int32_t>(v);
}
const std::uint8_t* u8(const std::string& b, std::size_t at) { return reinterpret_cast<const std::uint8_t*>(b.data() + at); }

plot::PlotDocument sample() {
    plot::PlotDocument d;
    d.caption = "Plot from /tmp/OSCILL.PLT";
    auto& r = d.record;
    r.x = plot::AxisSettings{0, 10, true, 1, 5, false, 1, 2, "TIME s"};
    r.y = plot::AxisSettings{0.001L, 1000, false, 2, 7, true, 0, 3, "X m"};
    r.legend = true;
    for (int k = 1; k <= 2; ++k) {
        plot::CurveRecord c;
        c.curveNumber = k;
        c.fileRows = 40;
        c.xColumn = 0;
        c.yColumn = k;
        c.xName = "TIME";
        c.yName = k == 1 ? "X" : "V";
        c.xUnit = "s";
        c.yUnit = "m";
        c.firstRow = 2;
        c.lastRow = 4;
        c.pointCount = 3;
        c.lineStyle = 3;
        c.symbol = k + 1;
        c.color = 9;
        c.smoothing = k == 2;
        c.x = {0.5, 1, 1.5};
        c.y = {-2, 0, 1e10};
        r.curves.push_back(c);
    }
    return d;
}
}  // namespace

TEST(PmxFile, LayoutOfTheRecordAndTheCurves) {
    const std::string b = plot::encodePmx(sample());
    ASSERT_EQ(b.size(), 256u + 8220u + 2 * (156u + 3 * 12));
    EXPECT_EQ(static_cast<std::uint8_t>(b[0]), 25);
    EXPECT_EQ(b.substr(1, 25), "Plot from /tmp/OSCILL.PLT");
    const std::size_t r = 256;
    EXPECT_EQ(int32At(b, r + 0), 2);
    EXPECT_EQ(b.substr(r + 260, 7), std::string("\x06TIME s"));
    EXPECT_EQ(b.substr(r + 291, 4), std::string("\x03X m"));
    EXPECT_EQ(pal::decodeExtended(u8(b, r + 322)), 0.0L);
    EXPECT_EQ(pal::decodeExtended(u8(b, r + 332)), 0.001L);
    EXPECT_EQ(pal::decodeExtended(u8(b, r + 342)), 10.0L);
    EXPECT_EQ(pal::decodeExtended(u8(b, r + 352)), 1000.0L);
    EXPECT_EQ(b[r + 362], 1);
    EXPECT_EQ(b[r + 363], 0);
    EXPECT_EQ(int32At(b, r + 364), 1);
    EXPECT_EQ(int32At(b, r + 368), 2);
    EXPECT_EQ(int32At(b, r + 372), 5);
    EXPECT_EQ(int32At(b, r + 376), 7);
    EXPECT_EQ(b[r + 380], 0);
    EXPECT_EQ(b[r + 381], 1);
    EXPECT_EQ(b[r + 382], 1);
    EXPECT_EQ(b[r + 384], 2);
    EXPECT_EQ(b[r + 386], 0);
    EXPECT_EQ(b[r + 388], 3);
    EXPECT_EQ(b[r + 390], 1);
    // Slot 2 inside the record and the copy before the curve's values agree.
    const std::size_t slot2 = r + 392 + 156;
    const std::size_t curve2 = 256 + 8220 + 156 + 36;
    EXPECT_EQ(b.substr(slot2, 156), b.substr(curve2, 156));
    EXPECT_EQ(int32At(b, curve2 + 0), 3);
    EXPECT_EQ(int32At(b, curve2 + 4), 40);
    EXPECT_EQ(int32At(b, curve2 + 12), 2);
    EXPECT_EQ(int32At(b, curve2 + 20), 2);
    EXPECT_EQ(b.substr(curve2 + 24, 5), std::string("\x04TIME"));
    EXPECT_EQ(b.substr(curve2 + 45, 2), std::string("\x01V"));
    EXPECT_EQ(b.substr(curve2 + 87, 2), std::string("\x01m"));
    EXPECT_EQ(int32At(b, curve2 + 116), 2);
    EXPECT_EQ(int32At(b, curve2 + 120), 4);
    EXPECT_EQ(int32At(b, curve2 + 124), 3);
    EXPECT_EQ(int32At(b, curve2 + 128), 3);
    EXPECT_EQ(int32At(b, curve2 + 132), 9);
    EXPECT_EQ(b[curve2 + 136], 1);
    // X values then Y values, six bytes each.
    EXPECT_EQ(pal::decodeReal6(u8(b, curve2 + 156)), 0.5L);
    EXPECT_EQ(pal::decodeReal6(u8(b, curve2 + 156 + 18)), -2.0L);
    EXPECT_EQ(pal::decodeReal6(u8(b, curve2 + 156 + 30)), 1e10L);
    // Unused slots stay zero.
    EXPECT_EQ(b.substr(r + 392 + 2 * 156, 156), std::string(156, '\0'));
}

TEST(PmxFile, EmptyPlotIsCaptionAndRecordOnly) {
    plot::PlotDocument d;
    d.caption = "x";
    EXPECT_EQ(plot::encodePmx(d).size(), 256u + 8220u);
}

TEST(PmxFile, ReadingAndWritingAgainKeepsEveryByte) {
    std::string b = plot::encodePmx(sample());
    // Bytes the program does not interpret: reserved areas, stale handles, the
    // text after a short string's end, an unused slot.
    b[256 + 10] = '\x7f';
    b[256 + 8200] = '\x11';
    // Curve 1's slot, both in the record and before its values (the latter is
    // what opening keeps).
    for (const std::size_t slot : {std::size_t(256 + 392), std::size_t(256 + 8220)}) {
        b[slot + 108] = '\x55';
        b[slot + 30] = 'Z';  // after "TIME" in the X name
    }
    b[256 + 392 + 156 * 10 + 3] = '\x01';
    const std::string again = plot::encodePmx(plot::decodePmx(b, "A.PMX"));
    EXPECT_EQ(again, b);

    const plot::PlotDocument d = plot::decodePmx(b, "A.PMX");
    EXPECT_EQ(d.caption, "Plot from /tmp/OSCILL.PLT");
    ASSERT_EQ(d.record.curveCount(), 2);
    EXPECT_EQ(d.record.curves[1].y, (std::vector<double>{-2, 0, 1e10}));
    EXPECT_EQ(d.record.y.minimum, 0.001L);
    EXPECT_TRUE(d.record.curves[1].smoothing);
}

TEST(PmxFile, DamagedFilesAreRefused) {
    const std::string b = plot::encodePmx(sample());
    EXPECT_THROW(plot::decodePmx(b.substr(0, 8000), "A.PMX"), pal::IoError);
    EXPECT_THROW(plot::decodePmx(b.substr(0, b.size() - 1), "A.PMX"), pal::IoError);
    std::string badCount = b;
    badCount[256] = 51;
    EXPECT_THROW(plot::decodePmx(badCount, "A.PMX"), pal::IoError);
    // A huge point count is checked against the bytes that follow, not reserved.
    std::string huge = b;
    const std::size_t curve1 = 256 + 8220;
    huge[curve1 + 3] = 0x7f;
    EXPECT_THROW(plot::decodePmx(huge, "A.PMX"), pal::IoError);
}

TEST(PmxFile, WrittenFileReadsBack) {
    const auto dir = std::filesystem::temp_directory_path() / ("pmx_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "SAVED.PMX").string();
    plot::writePmx(path, sample());
    const plot::PlotDocument d = plot::readPmx(path);
    EXPECT_EQ(plot::encodePmx(d), plot::encodePmx(sample()));
    std::filesystem::remove_all(dir);
    EXPECT_THROW(plot::readPmx(path), pal::IoError);
}
