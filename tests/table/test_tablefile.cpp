// The table file: exact bytes of a small table, a round trip, and damaged files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/codecs.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "table/tablefile.h"

using namespace table;

namespace {
std::uint16_t u16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

TableData sample() {
    TableData t("C:\\WORK\\SOLAR.DCK", {"AREA", "VTANK"}, 2);
    t.setValue(1, 1, 4.5L);
    t.setValue(1, 2, 6.0L);
    t.setValue(2, 1, pal::kBlankValue);
    t.columns[1].format = {1, 2};
    t.columns[1].scratch = 7;
    t.runDeckNames[1] = "C:\\WORK\\SOLAR.TMP";
    t.runDeckNames[2] = "C:\\WORK\\SOLAR1.TMP";
    return t;
}
}  // namespace

TEST(TableFile, ExactLayout) {
    const TablePlacement pl{100, 200, 0, 0, 319, 136};
    const std::string b = encodeTableFile(sample(), pl);
    const std::size_t R = 3, C = 3;
    ASSERT_EQ(b.size(), 276 + R * 97 + (C - 1) * (60 + R * 10) + 2);
    EXPECT_EQ(static_cast<unsigned char>(b[0]), 17);
    EXPECT_EQ(b.substr(1, 17), "C:\\WORK\\SOLAR.DCK");
    EXPECT_EQ(b[18], '\0');
    EXPECT_EQ(u16(b, 256), 3);
    EXPECT_EQ(u16(b, 260), 3);
    EXPECT_EQ(u16(b, 264), 100);
    EXPECT_EQ(u16(b, 266), 200);
    EXPECT_EQ(u16(b, 272), 319);
    EXPECT_EQ(u16(b, 274), 136);
    EXPECT_EQ(static_cast<unsigned char>(b[276]), 17);  // run deck name of run 1
    EXPECT_EQ(b.substr(277 + 97, 18), "C:\\WORK\\SOLAR1.TMP");
    const std::size_t col1 = 276 + 3 * 97;
    EXPECT_EQ(u16(b, col1), 1);
    EXPECT_EQ(static_cast<unsigned char>(b[col1 + 6]), 4);
    EXPECT_EQ(b.substr(col1 + 7, 4), "AREA");
    EXPECT_EQ(static_cast<unsigned char>(b[col1 + 44]), 2);
    EXPECT_EQ(u16(b, col1 + 46), 4);
    const auto v1 = pal::encodeExtended(4.5L);
    EXPECT_EQ(0, std::memcmp(b.data() + col1 + 60 + 10, v1.data(), 10));
    const auto undef = pal::encodeExtended(9.99E99L);
    const std::size_t col2 = col1 + 60 + 30;
    EXPECT_EQ(u16(b, col2), 2);
    EXPECT_EQ(static_cast<unsigned char>(b[col2 + 44]), 1);
    EXPECT_EQ(u16(b, col2 + 46), 2);
    EXPECT_EQ(u16(b, col2 + 52), 7);
    EXPECT_EQ(0, std::memcmp(b.data() + col2 + 60 + 20, undef.data(), 10));
    EXPECT_EQ(u16(b, b.size() - 2), 0);
    // Pointers and padding are zero.
    for (std::size_t at : {col1 + 40, col1 + 56, col2 + 40, col2 + 56}) EXPECT_EQ(u16(b, at), 0) << at;
}

TEST(TableFile, RoundTripKeepsEverythingAndBytes) {
    const TablePlacement pl{5, 6, 0, 0, 400, 300};
    const std::string b = encodeTableFile(sample(), pl);
    const TableFileContent c = decodeTableFile(b, "x.TBL");
    EXPECT_EQ(c.table.deckPath, "C:\\WORK\\SOLAR.DCK");
    EXPECT_EQ(c.table.runs(), 2);
    ASSERT_EQ(c.table.variables(), 2);
    EXPECT_EQ(c.table.cellText(2, 0), "VTANK");
    EXPECT_EQ(c.table.value(1, 1), 4.5L);
    EXPECT_EQ(c.table.value(2, 1), pal::kBlankValue);
    EXPECT_EQ(c.table.columns[1].format, (pal::LabelFormat{1, 2}));
    EXPECT_EQ(c.table.runDeckNames[2], "C:\\WORK\\SOLAR1.TMP");
    EXPECT_EQ(c.placement.right, 400);
    EXPECT_EQ(encodeTableFile(c.table, c.placement), b);

    const auto dir = std::filesystem::temp_directory_path() / ("tbl" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "T.TBL").string();
    writeTableFile(path, sample(), pl);
    EXPECT_EQ(pal::readFileBytes(path), b);
    EXPECT_EQ(readTableFile(path).table.value(1, 2), 6.0L);
    std::filesystem::remove_all(dir);
}

TEST(TableFile, DamagedFilesAreRefusedWithAMessage) {
    const std::string good = encodeTableFile(sample(), {});
    auto expectDamaged = [](const std::string& bytes) {
        try {
            decodeTableFile(bytes, "bad.TBL");
            ADD_FAILURE() << "accepted";
        } catch (const pal::IoError& e) {
            EXPECT_NE(std::string(e.what()).find("damaged"), std::string::npos);
            EXPECT_EQ(e.path(), "bad.TBL");
        }
    };
    expectDamaged(good.substr(0, 100));
    expectDamaged(good.substr(0, good.size() - 1));
    std::string many = good;
    many[260] = 101;  // 100 runs do not fit the run deck names
    expectDamaged(many);
    std::string huge = good;
    huge[256] = '\xff', huge[257] = '\xff', huge[258] = '\xff', huge[259] = '\x7f';
    expectDamaged(huge);
    std::string negative = good;
    negative[263] = '\x80';
    expectDamaged(negative);
    // The largest table that fits: 99 runs.
    TableData big("D.DCK", {"A"}, 99);
    EXPECT_EQ(decodeTableFile(encodeTableFile(big, {}), "b.TBL").table.runs(), 99);
}
