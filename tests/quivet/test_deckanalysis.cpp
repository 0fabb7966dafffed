// The analysis of plain decks: how lines are sorted, how units are read and
// described from the component-type files, and every message of a bad file.
#include <gtest/gtest.h>

#include "common/ioerror.h"
#include "mkqtypefiles.h"
#include "quivet/deckanalysis.h"
#include "quivet/typeinfo.h"
#include "support/coretemp.h"

using namespace quivet;

namespace {

std::vector<std::string> texts(const std::vector<AnalysisMessage>& m) {
    std::vector<std::string> out;
    for (const auto& x : m) out.push_back(x.text);
    return out;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(DeckAnalysis, SortsLinesByTheirSubstrings) {
    coretest::TempDir d;
    const Lines deck = {"* simple test of a deck",  // "sim": the simulation statement, then replaced
                        "ASSIGN X.LST 6",
                        "* the glass cover",        // "ass": an ASSIGN line
                        "* a legend",               // "end": dropped
                        "",
                        "SIMULATION 0 24 1",
                        "UNIT 2 TYPE 24 Printer",   // never analysed
                        "PARAMETERS 2",
                        "1 2",
                        "CONSTANTS 2",
                        "A = 1 ! first",
                        "* between",
                        "B=2",
                        "* after",
                        "EQUATIONS 1",
                        "A=B*2",
                        "LAST LINE"};               // kept though the deck does not end with END
    const DeckAnalysis a = analyseDeckLines(deck, d.path.string());
    EXPECT_EQ(a.simulation, "SIMULATION 0 24 1");
    EXPECT_EQ(a.assignLines, (Lines{"ASSIGN X.LST 6", "* the glass cover"}));
    EXPECT_EQ(a.plainLines, (Lines{"", "  ", "UNIT 2 TYPE 24 Printer", "PARAMETERS 2", "1 2", "CONSTANTS 2",
                                   "A = 1 ! first", "* between", "B=2", "* after", "*|*", "EQUATIONS 1", "A=B*2",
                                   "*|*", "LAST LINE"}));
    EXPECT_TRUE(a.units.empty());
    ASSERT_EQ(a.variables.size(), 3u);
    EXPECT_EQ(a.variables[0].name, "A");
    EXPECT_EQ(a.variables[0].value, "1 ! first");
    EXPECT_EQ(a.variables[2].name, "A1");  // a name met again counts on
    EXPECT_TRUE(a.messages.empty());

    // A comment naming "sim" after the statement replaces it.
    const DeckAnalysis b = analyseDeckLines({"SIMULATION 0 1 1", "* simple", "END"}, d.path.string());
    EXPECT_EQ(b.simulation, "* simple");
}

TEST(DeckAnalysis, DescribesUnitsFromTheirTypeFiles) {
    coretest::TempDir d;
    mkqtest::writeAllTypes(d.path.string());
    const Lines deck = {"ASSIGN S.LST 6", "unit 1 type 1 Solar collector", "* comment in the unit",
                        "PARAMETERS 4", "1 AREA", "", "0.78 4.2", "INPUTS 3", "0,0 3, 1 -1,0", "20 20 0", "TRACE 0 24",
                        "* after the unit", "CONSTANTS 1", "AREA=12", "SIMULATION 0 24 1", "END"};
    const DeckAnalysis a = analyseDeckLines(deck, d.path.string());
    ASSERT_TRUE(a.messages.empty()) << texts(a.messages)[0];
    ASSERT_EQ(a.units.size(), 1u);
    const DeckUnit& u = a.units[0];
    EXPECT_EQ(u.unitLine, "UNIT 1 TYPE 1 SOLAR COLLECTOR");
    EXPECT_EQ(u.description, "TYPE 1 FLAT-PLATE SOLAR COLLECTOR");
    EXPECT_FALSE(u.noData);
    EXPECT_EQ(u.parameters, (Lines{"1", "AREA", "0.78", "4.2"}));
    EXPECT_EQ(u.connections, (Lines{"0,0", "3,1", "-1,0"}));
    EXPECT_EQ(u.initialValues, (Lines{"20", "20", "0"}));
    EXPECT_EQ(u.trace, "TRACE 0 24");
    // A parameter named by a variable cannot become a constant; nor can a
    // connected input or one of "-1,0".
    EXPECT_TRUE(u.parameterSelectable(0));
    EXPECT_FALSE(u.parameterSelectable(1));
    EXPECT_TRUE(u.inputSelectable(0));
    EXPECT_FALSE(u.inputSelectable(1));
    EXPECT_FALSE(u.inputSelectable(2));
    ASSERT_EQ(u.parameterInfo.size(), 4u);
    EXPECT_EQ(u.parameterInfo[0].name, "MODE");
    EXPECT_EQ(u.parameterInfo[0].description, "Flow mode of the collector");
    EXPECT_EQ(u.parameterInfo[0].tail, "|||0|1|1|3|");
    EXPECT_EQ(u.parameterInfo[1].tail, "|m2|ft2|0|10.7639|0|1000|");
    EXPECT_EQ(u.parameterInfo[2].description, "Optical efficiency of the collector glaz");  // 40 characters
    ASSERT_EQ(u.inputInfo.size(), 3u);
    EXPECT_EQ(u.inputInfo[1].description, "Mass flow / rate");  // a "|" would split the label
    // The comment after the unit stays with the deck's other lines.
    EXPECT_EQ(a.plainLines.front(), "* after the unit");
    EXPECT_EQ(a.simulation, "SIMULATION 0 24 1");
}

TEST(DeckAnalysis, ChoosesTheModeSectionByAParameterOrTheVariableItNames) {
    coretest::TempDir d;
    mkqtest::writeAllTypes(d.path.string());
    const Lines deck = {"CONSTANTS 1", "M = 2.4", "UNIT 1 TYPE 3", "PARAMETERS 2", "1 5000", "INPUTS 1", "0,0", "1",
                        "UNIT 2 TYPE 3", "PARAMETERS 2", "M -1", "INPUTS 1", "0,0", "0.5",
                        "UNIT 3 TYPE 3", "PARAMETERS 2", "2 1.5", "INPUTS 1", "0,0", "0.5",
                        "UNIT 4 TYPE 3", "PARAMETERS 2", "7 0", "END"};
    const DeckAnalysis a = analyseDeckLines(deck, d.path.string());
    ASSERT_EQ(a.units.size(), 4u);
    EXPECT_EQ(a.units[0].parameterInfo[1].name, "FMAX");
    EXPECT_EQ(a.units[0].inputInfo[0].name, "CTRL");
    EXPECT_EQ(a.units[1].parameterInfo[1].description, "Direction, reversed");  // M rounds to 2, -1 is below 1
    EXPECT_EQ(a.units[1].inputInfo[0].name, "SPD");
    EXPECT_EQ(a.units[2].parameterInfo[1].description, "Direction, forward");
    EXPECT_TRUE(a.units[3].noData);
    EXPECT_EQ(texts(a.messages), (Lines{"  Error in Type 3 ! MODE 1-7 can not be found"}));
}

TEST(DeckAnalysis, RepeatedDescriptionsCoverTheRestOfTheList) {
    coretest::TempDir d;
    mkqtest::writeAllTypes(d.path.string());
    const Lines deck = {"UNIT 7 TYPE 5", "PARAMETERS 4", "0.3 60 50 40", "INPUTS 2", "0,0 0,0", "10 12",
                        "DERIVATIVES 3", "60 50 40", "END"};
    const DeckAnalysis a = analyseDeckLines(deck, d.path.string());
    ASSERT_EQ(a.units.size(), 1u);
    const DeckUnit& u = a.units[0];
    ASSERT_EQ(u.parameterInfo.size(), 4u);
    EXPECT_EQ(u.parameterInfo[0].name, "VOL");
    for (int i = 1; i < 4; ++i) EXPECT_EQ(u.parameterInfo[i].name, "T");
    ASSERT_EQ(u.inputInfo.size(), 2u);
    EXPECT_EQ(u.inputInfo[1].name, "TI");
    EXPECT_EQ(u.derivatives, (Lines{"60", "50", "40"}));
}

TEST(DeckAnalysis, UnitsWithoutDataAreReportedAndKeepTheirLines) {
    coretest::TempDir d;
    mkqtest::writeAllTypes(d.path.string());
    // Type 1 describes 4 parameters; a fifth runs into its inputs.
    const Lines deck = {"UNIT 1 TYPE 1", "PARAMETERS 5", "1 2 3 4 5",
                        "UNIT 2 TYPE 8", "PARAMETERS 1", "1",
                        "UNIT 3 TYPE 1", "PARAMETERS 2", "1 2 3", "INPUTS 1", "0,0", "1",
                        "UNIT 4 TYPE 6", "INPUTS 1", "0,0 0,0", "1",
                        "END"};
    mkqtest::writeType(d.path.string(), 6, "TYPE 61\r\nTYPE 6x\r\n");
    const DeckAnalysis a = analyseDeckLines(deck, d.path.string());
    ASSERT_EQ(a.units.size(), 4u);
    for (const auto& u : a.units) {
        EXPECT_TRUE(u.noData);
        EXPECT_TRUE(u.parameterInfo.empty());
    }
    EXPECT_EQ(a.units[0].description, "UNIT 1  - NO DATA AVAILABLE");
    EXPECT_EQ(a.units[2].statementLines, (Lines{"UNIT 3 TYPE 1", "PARAMETERS 2", "1 2 3", "INPUTS 1", "0,0", "1"}));
    const std::string info = typeInfoPath(d.path.string(), "8");
    ASSERT_EQ(a.messages.size(), 4u);
    EXPECT_EQ(a.messages[0].text, "Parameter 5 for type 1 isn't defined correctly");
    EXPECT_EQ(a.messages[1].text, "Error 2 was encountered while trying to open file " + info);
    EXPECT_TRUE(a.messages[1].beep);
    EXPECT_EQ(a.messages[2].text, " The parameters number for unit 1 is not defined correctly");
    EXPECT_EQ(a.messages[3].text, " The inputs number for unit 6 is not defined correctly");
}

TEST(DeckAnalysis, DamagedTypeFilesGiveMessagesNotCrashes) {
    coretest::TempDir d;
    const std::string f = d.path.string();
    const Lines deck = {"UNIT 1 TYPE 1", "PARAMETERS 2", "1 2", "INPUTS 1", "0,0", "5", "END"};
    struct Case {
        std::string file;
        std::string message;
    } cases[] = {
        {"", "Type 1 can not be found"},
        {"TYPE 1\r\n", "Parameter 1 for type 1 isn't defined correctly"},
        {"TYPE 1\r\nP\r\nA\r\nArea\r\nm2 ft2 0 1 0\r\n", "Parameter 1 for type 1 isn't defined correctly"},
        {"TYPE 1\r\nP\r\nA\r\nArea\r\nm2 ft2 zero 1 0 9\r\nB\r\nb\r\nnone 0 1\r\n",
         "Parameter 1 for type 1 isn't defined correctly"},
        {"TYPE 1\r\nP\r\nA\r\na\r\nnone 0 1\r\nREP\r\nB\r\nb\r\n", "Parameter 2 for type 1 isn't defined correctly"},
        {"TYPE 1\r\nP\r\nA\r\na\r\nnone 0 1\r\nB\r\nb\r\nnone 0 1\r\n", "Input 1 for type 1 isn't defined correctly"},
        {"TYPE 1\r\nP\r\nA\r\na\r\nnone 0 1\r\nB\r\nb\r\nnone 0 1\r\nINPUTS\r\nI\r\ni\r\n",
         "Input 1 for type 1 isn't defined correctly"},
        {"TYPE 1\r\nPARMOD 9\r\nMODE 9-0\r\n", "Parameter 1 for type 1 isn't defined correctly"},
        {"TYPE 1\r\nPARMOD 1\r\n", "  Error in Type 1 ! MODE 1-1 can not be found"},
    };
    for (const auto& c : cases) {
        mkqtest::writeType(f, 1, c.file);
        const DeckAnalysis a = analyseDeckLines(deck, f);
        ASSERT_EQ(a.units.size(), 1u);
        EXPECT_TRUE(a.units[0].noData) << c.file;
        EXPECT_EQ(texts(a.messages), Lines{c.message}) << c.file;
    }
}

TEST(DeckAnalysis, TypeFourFollowsItsFixedLayout) {
    coretest::TempDir d;
    std::string file = "TYPE 4 AUXILIARY HEATER\r\nPARAMETERS\r\n";
    for (int i = 1; i <= 22; ++i) file += "P" + std::to_string(i) + "\r\nParameter " + std::to_string(i) + "\r\nnone 0 9\r\n";
    file += "INPUTS\r\nI1\r\nInput\r\nnone 0 1\r\n";
    mkqtest::writeType(d.path.string(), 4, file);
    auto names = [](const DeckUnit& u) {
        std::vector<std::string> out;
        for (const auto& t : u.parameterInfo) out.push_back(t.name);
        return out;
    };
    // Parameter 6 above 0 with 3 derivatives repeats P6 twice; parameter 1 = 3 takes P21 and P22.
    std::string values = "3 0 0 0 0 1";
    for (int i = 0; i < 18; ++i) values += " 0";
    const DeckAnalysis a = analyseDeckLines(
        {"UNIT 1 TYPE 4", "PARAMETERS 24", values, "INPUTS 1", "0,0", "1", "DERIVATIVES 3", "1 2 3", "END"},
        d.path.string());
    ASSERT_EQ(a.units.size(), 1u);
    ASSERT_TRUE(a.messages.empty()) << texts(a.messages)[0];
    const auto n = names(a.units[0]);
    ASSERT_EQ(n.size(), 24u);
    EXPECT_EQ(n[5], "P6");
    EXPECT_EQ(n[6], "P6");
    EXPECT_EQ(n[7], "P6");
    EXPECT_EQ(n[8], "P7");
    EXPECT_EQ(n[21], "P20");
    EXPECT_EQ(n[22], "P21");
    EXPECT_EQ(n[23], "P22");
    EXPECT_EQ(a.units[0].inputInfo[0].name, "I1");

    // Six derivatives repeat P6 five times, more than the list has room for when
    // the repeats begin: every copy is P6 with its own description.
    std::string six = "0 0 0 0 0 1";
    for (int i = 0; i < 19; ++i) six += " 0";
    const DeckAnalysis grown = analyseDeckLines(
        {"UNIT 1 TYPE 4", "PARAMETERS 25", six, "DERIVATIVES 6", "1 2 3 4 5 6", "END"}, d.path.string());
    ASSERT_EQ(grown.units.size(), 1u);
    const auto& info = grown.units[0].parameterInfo;
    ASSERT_EQ(info.size(), 25u);
    for (std::size_t k = 5; k <= 10; ++k) {
        EXPECT_EQ(info[k].name, "P6") << k;
        EXPECT_EQ(info[k].description, "Parameter 6") << k;
        EXPECT_EQ(info[k].tail, "|||0|1|0|9|") << k;
    }
    EXPECT_EQ(info[11].name, "P7");
    EXPECT_EQ(info[24].name, "P20");

    // Parameter 5 below 0 repeats the last description read; a huge derivative
    // count is bounded by the parameters.
    const DeckAnalysis b = analyseDeckLines(
        {"UNIT 1 TYPE 4", "PARAMETERS 22", "1 0 0 0 -1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0", "DERIVATIVES 2000000000",
         "END"},
        d.path.string());
    ASSERT_EQ(b.units.size(), 1u);
    const auto m = names(b.units[0]);
    ASSERT_EQ(m.size(), 22u);
    EXPECT_EQ(m[19], "P20");
    EXPECT_EQ(m[20], "P22");
    EXPECT_EQ(m[21], "P22");

    mkqtest::writeType(d.path.string(), 4, "TYPE 4\r\nPARAMETERS\r\nP1\r\none\r\nnone 0 1\r\n");
    const DeckAnalysis c = analyseDeckLines({"UNIT 1 TYPE 4", "PARAMETERS 1", "1", "INPUTS 1", "0,0", "1", "END"},
                                            d.path.string());
    EXPECT_EQ(texts(c.messages), Lines{"Parameter 2 for type 4 isn't defined correctly"});
}

TEST(DeckAnalysis, UnitsLinesBecomeDescriptorTails) {
    EXPECT_EQ(unitsTail("none 0 100"), "|||0|1|0|100|");
    EXPECT_EQ(unitsTail("NONE 0 100 extra"), "|||0|1|0|100|");
    EXPECT_EQ(unitsTail("  C  F 17.7778 1.8 -50 200"), "|C|F|17.7778|1.8|-50|200|");
    EXPECT_FALSE(unitsTail(""));
    EXPECT_FALSE(unitsTail("none 0"));
    EXPECT_FALSE(unitsTail("C F 0 1 0"));
    EXPECT_FALSE(unitsTail("C F 0 1 low high"));
    EXPECT_FALSE(unitsTail("C|x F 0 1 0 1"));
    EXPECT_FALSE(unitsTail("nOnE 0 1"));
    EXPECT_FALSE(unitsTail(std::string(220, 'm') + " F 0 1 0 1"));
}

TEST(DeckAnalysis, FreeNamesCountOnPastTheDecksOwn) {
    std::vector<DeckVariable> v = {{"AREA", "1", 0, {}, {}}, {"AREA1", "2", 0, {}, {}}};
    EXPECT_EQ(claimVariableName(v, "ETA"), "ETA");
    EXPECT_EQ(claimVariableName(v, "AREA"), "AREA2");
    EXPECT_EQ(claimVariableName(v, "AREA"), "AREA3");
}

TEST(DeckAnalysis, FindsTheFilesOfTheInstallationInAnyLetterCase) {
    coretest::TempDir d;
    const std::string f = d.path.string();
    std::filesystem::create_directories(f + "/info");
    coretest::write(f + "/info/type12.inf", "TYPE 12 X\r\n");
    EXPECT_EQ(typeInfoPath(f, "12"), f + "/info/type12.inf");
    EXPECT_EQ(typeInfoPath(f, "13"), f + "/info/TYPE13.INF");
    EXPECT_EQ(engineFolder(f, "/prog"), f);
    EXPECT_EQ(engineFolder("C:\\KALVEX14", "/prog"), "/prog");

    HeaderLines h = readHeaderLines(f);
    EXPECT_TRUE(h.lines.empty());
    EXPECT_EQ(h.error, "Error 2 while reading file " + f + "/Header.txt");
    coretest::write(f + "/HEADER.TXT", "Project X\r\n\r\nby us\r\n");
    h = readHeaderLines(f);
    EXPECT_EQ(h.error, "");
    EXPECT_EQ(h.lines, (Lines{"*|*", "*|*Project X", "*|*", "*|*by us", "*|*"}));
}

TEST(DeckAnalysis, ReadsTheDeckFile) {
    coretest::TempDir d;
    coretest::write(d / "A.DCK", "ASSIGN A.LST 6\r\nEND\r\n");
    EXPECT_EQ(MakeDeck(d / "A.DCK", d.path.string()).assignLines, Lines{"ASSIGN A.LST 6"});
    EXPECT_THROW(MakeDeck(d / "NONE.DCK", d.path.string()), pal::IoError);
}

TEST(DeckAnalysis, HugeCountsMarkTheUnitInsteadOfOverflowing) {
    coretest::TempDir d;
    mkqtest::writeAllTypes(d.path.string());
    const Lines deck = {"UNIT 1 TYPE 1 Solar collector", "PARAMETERS 2147483647", "1 2", "PARAMETERS 2147483647", "3",
                        "INPUTS 2147483647", "0,0", "INPUTS 2147483647", "20", "END"};
    const DeckAnalysis a = analyseDeckLines(deck, d.path.string());
    ASSERT_EQ(a.units.size(), 1u);
    EXPECT_TRUE(a.units[0].noData);
    EXPECT_LE(a.units[0].parameterCount, 100000);
    EXPECT_LE(a.units[0].inputCount, 100000);
    ASSERT_FALSE(a.messages.empty());
    EXPECT_EQ(a.messages[0].text, " The parameters number for unit 1 is not defined correctly");
}
