// Run decks: names, suffixes, replaced constant lines, ASSIGN numbering and the
// refusal of undefined values.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/textfile.h"
#include "table/rundecks.h"

using namespace table;

TEST(RunDecks, NamesAndSuffixes) {
    EXPECT_EQ(runSuffix(1), "");
    EXPECT_EQ(runSuffix(3), "2");
    EXPECT_EQ(runSuffix(11), "10");
    EXPECT_EQ(runDeckPath("/w/dir/solar.dck", 1), "/w/dir/SOLAR.TMP");
    EXPECT_EQ(runDeckPath("/w/dir/solar.dck", 3), "/w/dir/SOLAR2.TMP");
    EXPECT_EQ(runDeckPath("/w/run.1/pump.dck", 2), "/w/run.1/PUMP1.TMP");
    EXPECT_EQ(runDeckPath("/w/v1.2/solar.x.dck", 3), "/w/v1.2/SOLAR2.TMP");
}

TEST(RunDecks, LinesOfOneRun) {
    const std::vector<std::string> deck = {
        "ASSIGN solar.lst 6",   "ASSIGN OTHER.PLT 12", "ASSIGN C:\\ELSE\\SOLAR.OUT 7", "CONSTANTS 3",
        "area = 4.5 ! remark",  "AREA2=5",             "Y=AREA*2",                      "LONGNAMEOFTWENTYCHARSXYZ=1",
        "  =AREA",              "end"};
    const auto out = runDeckLines(deck, "C:\\WORK\\SOLAR.DCK", 3, {"AREA", "LONGNAMEOFTWENTYCHAR"},
                                  {"2.5000E+01", "1.0000E+00"});
    const std::vector<std::string> expected = {
        "ASSIGN SOLAR2.LST 6", "ASSIGN OTHER.PLT 12", "ASSIGN C:\\ELSE\\SOLAR2.OUT 7", "CONSTANTS 3",
        "AREA=2.5000E+01",     "AREA2=5",             "Y=AREA*2",                      "LONGNAMEOFTWENTYCHARSXYZ=1",
        "  =AREA",             "END"};
    EXPECT_EQ(out, expected);
    // Run 1 has no number in its ASSIGN names.
    EXPECT_EQ(runDeckLines({"ASSIGN SOLAR.LST 6"}, "/w/SOLAR.DCK", 1, {}, {})[0], "ASSIGN SOLAR.LST 6");
}

TEST(RunDecks, WritesEveryRunOrStopsAtAnUndefinedValue) {
    const auto dir = std::filesystem::temp_directory_path() / ("rundecks" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string deck = (dir / "solar.dck").string();
    pal::writeLinesCRLF(deck, {"ASSIGN SOLAR.PLT 12", "CONSTANTS 2", "AREA = 4.5", "VTANK=300", "END"});

    TableData one(deck, {"AREA"}, 1);
    one.setValue(1, 1, 25);
    EXPECT_FALSE(writeRunDecks(one).failed);
    EXPECT_EQ(one.runDeckNames[1], (dir / "SOLAR.TMP").string());
    EXPECT_EQ(pal::readFileBytes(one.runDeckNames[1]),
              "ASSIGN SOLAR.PLT 12\r\nCONSTANTS 2\r\nAREA=2.5000E+01\r\nVTANK=300\r\nEND\r\n");

    TableData t(deck, {"AREA", "VTANK"}, 3);
    t.paste("1\t100\n2\t200\n3", 1, 1);
    t.columns[1].format = {1, 1};
    const RunDeckOutcome o = writeRunDecks(t);
    EXPECT_TRUE(o.failed);
    EXPECT_EQ(o.message, "Parameter in the col #2, run #3 isn't defined");
    // Earlier runs' decks stay.
    EXPECT_EQ(pal::readLines(t.runDeckNames[2])[0], "ASSIGN SOLAR1.PLT 12");
    EXPECT_EQ(pal::readLines(t.runDeckNames[2])[3], "VTANK=200.0");
    EXPECT_FALSE(std::filesystem::exists(dir / "SOLAR2.TMP"));

    TableData none(deck, {"AREA"}, 0);
    EXPECT_FALSE(writeRunDecks(none).failed);
    std::filesystem::remove_all(dir);
}
