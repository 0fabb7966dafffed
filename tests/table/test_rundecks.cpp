// Run decks: names, suffixes, replaced constant lines, ASSIGN numbering, the
// letter case of file names, exact value texts and the refusal of undefined values.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/textfile.h"
#include "table/numberparse.h"
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
        "ASSIGN solar2.lst 6", "ASSIGN OTHER.PLT 12", "ASSIGN C:\\ELSE\\SOLAR2.OUT 7", "CONSTANTS 3",
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

TEST(RunDecks, FileNamesKeepTheirLetterCase) {
    // Statements go upper case; ASSIGN names, comments and descriptor lines
    // (pictures, choice files, commands) are paths or text and stay as written.
    const std::vector<std::string> deck = {"assign out/asg.plt 12",        "Assign Results/Other.lst 6",
                                           "*|<PICTURE> Pics/Pump.bmp",     "*|<Fluid|Choices/Fluids.chc|1|1|0",
                                           "* remark in Mixed case",        "constants 1",
                                           "fluid = water",                 "unit 1 type 1 Pump",
                                           "end"};
    const auto out = runDeckLines(deck, "/w/data/ASG.DCK", 2, {"AREA"}, {"1.0000E+00"});
    const std::vector<std::string> expected = {"ASSIGN out/asg1.plt 12",       "ASSIGN Results/Other.lst 6",
                                               "*|<PICTURE> Pics/Pump.bmp",     "*|<Fluid|Choices/Fluids.chc|1|1|0",
                                               "* remark in Mixed case",        "CONSTANTS 1",
                                               "FLUID = WATER",                 "UNIT 1 TYPE 1 PUMP",
                                               "END"};
    EXPECT_EQ(out, expected);
    // The deck's own base name is found in any letter case, and run 1 keeps it.
    EXPECT_EQ(runDeckLines({"ASSIGN Asg.Out 7"}, "/w/asg.dck", 11, {}, {})[0], "ASSIGN Asg10.Out 7");
    EXPECT_EQ(runDeckLines({"assign out/asg.plt 12"}, "/w/ASG.DCK", 1, {}, {})[0], "ASSIGN out/asg.plt 12");
}

TEST(RunDecks, ValueTextsGiveBackTheStoredValue) {
    // The column's own format when it reads back exactly, the shortest exact text otherwise.
    EXPECT_EQ(runDeckValueText({2, 4}, 25), "2.5000E+01");
    EXPECT_EQ(runDeckValueText({1, 1}, 200), "200.0");
    EXPECT_EQ(runDeckValueText({2, 4}, 4.50004L), "4.50004E+00");
    EXPECT_EQ(runDeckValueText({1, 2}, 25.123456L), "2.5123456E+01");
    // A long fixed text is not cut (cutting would change the value).
    EXPECT_EQ(runDeckValueText({1, 9}, 123456789012.5L), "123456789012.500000000");

    // Alter Table from 4.5 to 4.50004 over 5 runs gives five different run decks,
    // each with exactly the table's value.
    const auto dir = std::filesystem::temp_directory_path() / ("rundeckvalues" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string deck = (dir / "solar.dck").string();
    pal::writeLinesCRLF(deck, {"CONSTANTS 1", "AREA = 4.5", "END"});
    TableData t(deck, {"AREA"}, 5);
    t.fillSeries(1, 1, 5, SeriesMode::LastValue, 4.5L, 4.50004L);
    ASSERT_FALSE(writeRunDecks(t).failed);
    std::vector<std::string> texts;
    for (int r = 1; r <= 5; ++r) {
        const std::string line = pal::readLines(t.runDeckNames[static_cast<std::size_t>(r)])[1];
        ASSERT_EQ(line.rfind("AREA=", 0), 0u) << line;
        const auto v = parseDecimal(line.substr(5));
        ASSERT_TRUE(v) << line;
        EXPECT_EQ(*v, t.value(1, r)) << line;
        if (r > 1) {
            EXPECT_NE(line, texts.back());
        }
        texts.push_back(line);
    }
    EXPECT_EQ(texts.front(), "AREA=4.5000E+00");
    EXPECT_EQ(texts.back(), "AREA=4.50004E+00");
    std::filesystem::remove_all(dir);
}
