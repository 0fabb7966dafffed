#include <gtest/gtest.h>

#include "support/coretemp.h"

#include <filesystem>
#include <fstream>

#include "common/ioerror.h"
#include "common/textfile.h"
#include "mainwindow/recentfiles.h"
#include "common/settings.h"

namespace fs = std::filesystem;
using namespace pal;

using coretest::TempDir;
using coretest::write;

TEST(SettingsFile, ExactLayoutOfTheThreeBlocks) {
    Settings s;
    s.unitSystem = 2;
    s.includeHeader = 0;
    s.includeSimCard = 1;
    s.version32 = 1;
    s.compileCommand = "FL32 /c";
    s.userCommand = "ls";
    s.kalvexDir = "/opt/kalvex";
    s.zobrelDir = "/opt/z";
    const auto img = encodeDFT(s);
    ASSERT_EQ(img.size(), 4116u);
    EXPECT_EQ(img[0], 2);
    EXPECT_EQ(img[4], 0);
    EXPECT_EQ(img[8], 1);
    EXPECT_EQ(img[12], 1);
    for (int i = 13; i < 20; ++i) EXPECT_EQ(img[i], 0) << "reserved byte " << i;
    EXPECT_EQ(img[20], 7);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&img[21]), 7), "FL32 /c");
    EXPECT_EQ(img[532], 2);
    for (int slot = 0; slot < 6; ++slot) EXPECT_EQ(img[788 + slot * 256], 0) << "reserved slot " << slot;
    EXPECT_EQ(img[2324], 11);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&img[2325]), 11), "/opt/kalvex");
    EXPECT_EQ(img[3604], 6);
    EXPECT_EQ(img[3860], 0);
}

TEST(SettingsFile, ReadBackAndShortFileIsAnIoError) {
    TempDir d;
    Settings s;
    s.unitSystem = 2;
    s.gaskDir = "C:\\KALVEX14\\GASK\\";
    writeDFTFile(d / "PALUMARO.DFT", s);
    EXPECT_EQ(fs::file_size(d / "PALUMARO.DFT"), 4116u);
    const Settings r = readDFTFile(d / "PALUMARO.DFT");
    EXPECT_EQ(r.unitSystem, 2);
    EXPECT_EQ(r.gaskDir, "C:\\KALVEX14\\GASK\\");
    EXPECT_EQ(r.rebuildCommand, s.rebuildCommand);
    write(d / "SHORT.DFT", std::string(4000, '\0'));
    EXPECT_THROW(readDFTFile(d / "SHORT.DFT"), IoError);
}

// The program directory's own engine is stored empty, so the file follows a
// copied or moved program directory; any other engine directory is kept.
TEST(SettingsFile, EngineInTheProgramDirectoryIsStoredSoItFollowsTheDirectory) {
    TempDir prog, other;
    const std::string saved = app().programDir;
    app().programDir.clear();
    Settings s;
    for (const std::string& dir : {prog.path.string(), prog.path.string() + "/", prog.path.string() + "/."}) {
        s.kalvexDir = dir;  // the directory the file is written to (as the build writes it)
        writeDFTFile(prog / "PALUMARO.DFT", s);
        EXPECT_EQ(decodeDFT(readFileBytes(prog / "PALUMARO.DFT"), "").kalvexDir, "") << dir;
    }
    // A copy of it elsewhere reads as that program directory.
    app().programDir = other.path.string();
    EXPECT_EQ(readDFTFile(prog / "PALUMARO.DFT").kalvexDir, other.path.string());
    // Written elsewhere (the user's configuration copy) the program directory is still stored empty.
    s.kalvexDir = other.path.string();
    writeDFTFile(prog / "USER.DFT", s);
    EXPECT_EQ(decodeDFT(readFileBytes(prog / "USER.DFT"), "").kalvexDir, "");
    // Another engine directory, existing or not, stays as it is.
    for (const std::string& dir : {prog.path.string() + "/engine", std::string("/opt/kalvex"), std::string("C:\\KALVEX14")}) {
        fs::create_directories(prog / "engine");
        s.kalvexDir = dir;
        writeDFTFile(prog / "USER.DFT", s);
        EXPECT_EQ(readDFTFile(prog / "USER.DFT").kalvexDir, dir);
    }
    app().programDir = saved;
}

TEST(SwitchesFile, FirstCharacterDecidesAnyCase) {
    TempDir d;
    write(d / "CNFGKV.KVN", "title\r\ny lower\nN\nYes\n\nno\nY\nYES\n");
    const KvnSwitches on = readKVN(d / "CNFGKV.KVN");
    EXPECT_EQ(on, (KvnSwitches{true, false, true, false, false, true, true}));
}

TEST(SwitchesFile, RewriteKeepsRestOfLinesDropsExtrasAndBacksUp) {
    TempDir d;
    const std::string old = "KALVEX switches\r\ny status\r\nN header\r\nY labels\r\nY units\r\nN unl\r\nN io\r\nY warn\r\nextra line\r\n";
    write(d / "CNFGKV.KVN", old);
    rewriteKVN(d.path.string(), {true, true, false, true, false, false, true});
    EXPECT_EQ(readFileBytes(d / "CNFGKV.KVN"),
              "KALVEX switches\r\nY status\r\nY header\r\nN labels\r\nY units\r\nN unl\r\nN io\r\nY warn\r\n");
    EXPECT_EQ(readFileBytes(d / "CNFGKV.BAK"), old);
}

TEST(SwitchesFile, ShortFileIsCompletedToEightLines) {
    const auto out = rewrittenKvnLines({"t", "Y"}, {false, true, true, true, true, true, true});
    ASSERT_EQ(out.size(), 8u);
    EXPECT_EQ(out[1], "N");
    EXPECT_EQ(out[7], "Y");
}

TEST(SwitchesFile, MissingFileIsAnIoErrorAndNothingIsCreated) {
    TempDir d;
    EXPECT_THROW(rewriteKVN(d.path.string(), {}), IoError);
    EXPECT_FALSE(fs::exists(d / "CNFGKV.BAK"));
    EXPECT_FALSE(fs::exists(d / "CNFGKV.KVN"));
}

TEST(Mode, QuivetAnywhereInTheStartPathAnyCase) {
    EXPECT_TRUE(isQuivetPath("/opt/pal/quivet"));
    EXPECT_TRUE(isQuivetPath("/home/u/MyQuiVet/palumaro"));
    EXPECT_FALSE(isQuivetPath("/opt/pal/palumaro"));
}

TEST(RecentList, NinthDropsOldestReopenMovesToNewestShortNamesNeverAdded) {
    RecentFiles r;
    for (int i = 1; i <= 9; ++i) r.add("/w/F" + std::to_string(i) + ".DCK");
    ASSERT_EQ(r.entries().size(), 8u);
    EXPECT_EQ(r.entries().front(), "/w/F2.DCK");
    r.add("/W/f4.dck");  // the same file in another letter case
    ASSERT_EQ(r.entries().size(), 8u);
    EXPECT_EQ(r.entries().back(), "/W/f4.dck");
    EXPECT_EQ(std::count(r.entries().begin(), r.entries().end(), "/w/F4.DCK"), 0);
    r.add("a.b");
    EXPECT_EQ(r.entries().back(), "/W/f4.dck");
    r.add("/w/F5.DCK");  // re-adding a short name removes it but does not add it
    EXPECT_EQ(r.entries().back(), "/w/F5.DCK");
}

TEST(RecentList, FileRoundTripAndAbsentFileIsEmpty) {
    TempDir d;
    RecentFiles r;
    r.add("/w/A.DCK");
    r.add("/w/B.DCK");
    r.save(d / "PALUMARO.FNL");
    EXPECT_EQ(readFileBytes(d / "PALUMARO.FNL"), "/w/A.DCK\r\n/w/B.DCK\r\n");
    RecentFiles back;
    back.load(d / "PALUMARO.FNL");
    EXPECT_EQ(back.entries(), r.entries());
    back.load(d / "NONE.FNL");
    EXPECT_TRUE(back.entries().empty());
}
