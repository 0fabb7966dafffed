// Metafile reading: headers, records and frames of good files; clear errors, not
// crashes, for damaged ones; bitmaps out of records; the diagram print scale.
#include <gtest/gtest.h>

#include <random>

#include "common/ioerror.h"
#include "diagram/diagramscale.h"
#include "diagram/wmffile.h"
#include "wmfbuilder.h"

using namespace pal;
using wmftest::Builder;

namespace {

Builder goodPicture() {
    Builder b = Builder::placeable(0, 0, 1440, 720, 1440);
    b.rec(wmf::SetWindowOrg, {0, 0}).rec(wmf::SetWindowExt, {720, 1440});
    b.recBytes(wmf::CreatePenIndirect, Builder::w16(0) + Builder::w16(1) + Builder::w16(0) + Builder::color(255, 0, 0));
    b.rec(wmf::SelectObject, {0});
    b.rec(wmf::Rectangle, {600, 1200, 100, 100});
    b.eof();
    return b;
}

TEST(WmfFileTest, PlaceableHeaderGivesFrameAndSize) {
    const WmfFile f = WmfFile::parse(goodPicture().bytes());
    EXPECT_TRUE(f.placeable());
    EXPECT_EQ(f.frame().width(), 1440);
    EXPECT_EQ(f.frame().height(), 720);
    EXPECT_EQ(f.unitsPerInch(), 1440);
    EXPECT_EQ(f.objectCount(), 8);
    ASSERT_EQ(f.records().size(), 5u);
    EXPECT_EQ(f.records()[4].function, wmf::Rectangle);
    EXPECT_EQ(f.params(f.records()[4]).s16(6), 100);
    // One inch by half an inch.
    EXPECT_EQ(f.pixelSize(96).width, 96);
    EXPECT_EQ(f.pixelSize(96).height, 48);
    EXPECT_EQ(f.pixelSize(120).width, 120);
}

TEST(WmfFileTest, PlainFileTakesItsFrameFromTheWindow) {
    Builder b = Builder::plain();
    b.rec(wmf::SetWindowOrg, {10, 20}).rec(wmf::SetWindowExt, {50, 200}).eof();
    const WmfFile f = WmfFile::parse(b.bytes());
    EXPECT_FALSE(f.placeable());
    EXPECT_EQ(f.frame().left, 20);
    EXPECT_EQ(f.frame().top, 10);
    EXPECT_EQ(f.frame().width(), 200);
    EXPECT_EQ(f.frame().height(), 50);
    EXPECT_EQ(f.pixelSize(96).width, 200);
}

TEST(WmfFileTest, RecognisedByContent) {
    EXPECT_TRUE(WmfFile::looksLikeWmf(goodPicture().bytes()));
    EXPECT_TRUE(WmfFile::looksLikeWmf(Builder::plain().bytes()));
    EXPECT_FALSE(WmfFile::looksLikeWmf("BM\x36\x00"));
    EXPECT_FALSE(WmfFile::looksLikeWmf(""));
}

struct DamageRow {
    const char* name;
    std::string bytes;
    const char* words;  // part of the message
};

std::string withRecordSize(uint32_t words) {
    Builder b = Builder::placeable(0, 0, 100, 100, 96);
    b.u32(words);
    b.u16(wmf::Rectangle);
    b.u16(1);
    b.u16(2);
    return b.bytes();
}

class WmfDamageTest : public ::testing::TestWithParam<DamageRow> {};

TEST_P(WmfDamageTest, RefusedWithAMessage) {
    try {
        WmfFile::parse(GetParam().bytes, "/x/PUMP.WMF");
        FAIL() << "accepted a damaged file";
    } catch (const IoError& e) {
        EXPECT_NE(std::string(e.what()).find("Invalid metafile"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(GetParam().words), std::string::npos) << e.what();
        EXPECT_EQ(e.path(), "/x/PUMP.WMF");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, WmfDamageTest,
    ::testing::Values(
        DamageRow{"Empty", "", "header"},
        DamageRow{"TruncatedPlaceable", goodPicture().bytes().substr(0, 12), "placeable"},
        DamageRow{"TruncatedHeader", goodPicture().bytes().substr(0, 30), "header"},
        DamageRow{"BadHeader", std::string(40, '\x07'), "header"},
        DamageRow{"NoEndRecord", goodPicture().bytes().substr(0, goodPicture().bytes().size() - 6), "truncated"},
        DamageRow{"CutRecord", goodPicture().bytes().substr(0, goodPicture().bytes().size() - 9), "record"},
        DamageRow{"RecordSizeZero", withRecordSize(0), "size 0"},
        DamageRow{"RecordSizeTwo", withRecordSize(2), "size 2"},
        DamageRow{"HugeRecordSize", withRecordSize(0xFFFFFFFFu), "past the end"},
        DamageRow{"ZeroInch", Builder::placeable(0, 0, 100, 100, 0).eof().bytes(), "inch"},
        DamageRow{"ZeroFrame", Builder::placeable(0, 0, 0, 100, 96).eof().bytes(), "no size"},
        DamageRow{"PlainWithoutWindow", Builder::plain().eof().bytes(), "no size"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WmfFileTest, TooLargeAPictureIsRefused) {
    const WmfFile f = WmfFile::parse(Builder::placeable(-32000, -32000, 32000, 32000, 1).eof().bytes());
    EXPECT_THROW(f.pixelSize(96), IoError);
}

// Every cut and many random changes of a good file either parse or throw IoError.
TEST(WmfFileTest, CutsAndMutationsNeverCrash) {
    const std::string good = goodPicture().bytes();
    for (std::size_t n = 0; n < good.size(); ++n) {
        try {
            WmfFile::parse(good.substr(0, n));
        } catch (const IoError&) {
        }
    }
    std::mt19937 rng(11);
    for (int i = 0; i < 3000; ++i) {
        std::string bad = good;
        for (int k = 0; k < 3; ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
        try {
            const WmfFile f = WmfFile::parse(bad);
            for (const WmfRecord& r : f.records()) ASSERT_LE(std::size_t{r.offset} + r.size, f.bytes().size());
        } catch (const IoError&) {
        }
    }
}

TEST(WmfParamsTest, ReadsPastTheRecordGiveZero) {
    const std::string bytes = "\x01\x02\x03\x04";
    WmfRecord r;
    r.offset = 0;
    r.size = 4;
    const WmfParams p(bytes, r);
    EXPECT_EQ(p.u16(0), 0x0201);
    EXPECT_EQ(p.u32(0), 0x04030201u);
    EXPECT_EQ(p.u16(3), 0x0004);
    EXPECT_EQ(p.u16(4), 0);
    EXPECT_TRUE(p.has(4));
    EXPECT_FALSE(p.has(5));
    EXPECT_TRUE(p.bytes(10, 2).empty());
}

TEST(DibTest, BitmapFileHeaderPointsAtThePixels) {
    const std::string dib = Builder::dib24(2, 2, 10, 20, 30);
    const auto bmp = dibToBmp(dib);
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->substr(0, 2), "BM");
    EXPECT_EQ(bmp->size(), 14 + dib.size());
    EXPECT_EQ(static_cast<unsigned char>((*bmp)[10]), 54);  // 14 + 40, no colour table
    // An 8-bit bitmap has a 256-entry colour table before its pixels.
    std::string dib8 = Builder::w32(40) + Builder::w32(4) + Builder::w32(1) + Builder::w16(1) + Builder::w16(8) +
                       Builder::w32(0) + Builder::w32(0) + Builder::w32(0) + Builder::w32(0) + Builder::w32(0) +
                       Builder::w32(0) + std::string(1024 + 4, '\0');
    const auto bmp8 = dibToBmp(dib8);
    ASSERT_TRUE(bmp8);
    EXPECT_EQ(static_cast<unsigned char>((*bmp8)[10]) | (static_cast<unsigned char>((*bmp8)[11]) << 8), 14 + 40 + 1024);
}

TEST(DibTest, DamagedBitmapsAreRefused) {
    const std::string good = Builder::dib24(4, 4, 0, 0, 0);
    EXPECT_FALSE(dibToBmp(good.substr(0, good.size() - 1)));     // pixels missing
    EXPECT_FALSE(dibToBmp(good.substr(0, 20)));                  // header cut
    EXPECT_FALSE(dibToBmp(Builder::w32(7) + std::string(40, 0)));  // unknown header
    std::string zeroWidth = good;
    zeroWidth.replace(4, 4, Builder::w32(0));
    EXPECT_FALSE(dibToBmp(zeroWidth));
    std::string hugeColours = good;
    hugeColours.replace(14, 2, Builder::w16(8));
    hugeColours.replace(32, 4, Builder::w32(100000));
    EXPECT_FALSE(dibToBmp(hugeColours));
}

// ---- diagram printing

struct ScaleRow {
    int w, h, M, ppi, lineHeight;
    int outW, outH, lines;
};

class DiagramScaleTest : public ::testing::TestWithParam<ScaleRow> {};

TEST_P(DiagramScaleTest, ScaledToNearestHalvesToEven) {
    const ScaleRow r = GetParam();
    const DiagramPrintSize s = diagramPrintSize(r.w, r.h, r.M, r.ppi, r.lineHeight);
    EXPECT_EQ(s.width, r.outW);
    EXPECT_EQ(s.height, r.outH);
    EXPECT_EQ(s.lines, r.lines);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DiagramScaleTest,
                         ::testing::Values(ScaleRow{100, 40, 600, 96, 50, 625, 250, 5},  // 6.25 times
                                           ScaleRow{2, 6, 600, 96, 50, 12, 38, 0},       // 12.5 -> 12, 37.5 -> 38
                                           ScaleRow{3, 10, 600, 96, 60, 19, 62, 1},      // 18.75 -> 19, 62.5 -> 62
                                           ScaleRow{435, 300, 637, 96, 54, 2886, 1991, 36},
                                           ScaleRow{10, 10, 600, 96, 0, 62, 62, 0}));  // no line height

TEST(DiagramScaleTest, ScaleOfTheDocumentedExample) { EXPECT_EQ(diagramPrintScale(600, 96), 6.25L); }

}  // namespace
