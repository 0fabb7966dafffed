// Writing QUIVET files from analysed decks: the exact text, the names and places
// of generated constants, and that the form reader accepts what is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "common/textfile.h"
#include "enginerun.h"
#include "mkqtypefiles.h"
#include "quivet/quiveterror.h"
#include "quivet/quivetgen.h"
#include "quivet/quivetreader.h"
#include "quivet/typeinfo.h"
#include "support/coretemp.h"

using namespace quivet;
using Lines = std::vector<std::string>;

namespace {

void select(std::vector<TypeDescription>& list, std::initializer_list<int> which) {
    for (int i : which) list.at(i).selected = true;
}

const Lines kSolarDeck = {"* collector deck", "ASSIGN S.LST 6", "UNIT 1 TYPE 1 Collector", "PARAMETERS 4",
                          "1 12.0 0.78 4.2", "INPUTS 3", "0,0 0,0 0,0", "20 20 0", "CONSTANTS 1", "AREA = 4.5",
                          "SIMULATION 0 24 0.5", "END"};

}  // namespace

TEST(QuivetGen, WritesSelectedParametersAndInputsAsConstants) {
    coretest::TempDir d;
    mkqtest::writeAllTypes(d.path.string());
    DeckAnalysis a = analyseDeckLines(kSolarDeck, d.path.string());
    ASSERT_EQ(a.units.size(), 1u);
    select(a.units[0].parameterInfo, {1, 2});
    select(a.units[0].inputInfo, {0});
    // A connected input is not taken even when marked.
    a.units[0].inputInfo[2].selected = true;
    a.units[0].connections[2] = "2,1";
    const Lines expected = {
        "*QUIVET",
        "ASSIGN S.LST 6",
        "SIMULATION 0 24 0.5",
        "* collector deck",
        "CONSTANTS 1",
        "AREA = 4.5",
        "*|*",
        "",
        "*|*     ***** UNIT 1 TYPE 1 COLLECTOR *****",
        "*|*",
        "*|*           PARAMETERS       ",
        "CONSTANTS  2",
        "AREA1=12.0",
        "*|Collector area                             |m2|ft2|0|10.7639|0|1000|",
        "ETA0=0.78",
        "*|Optical efficiency of the collector glaz   |||0|1|0|1.00|",
        "*|*",
        "*|*             INPUTS         ",
        "CONSTANTS  1",
        "TIN=20",
        "*|Inlet temperature                          |C|F|17.7778|1.8|-50|200|",
        "*|*",
        "UNIT 1 TYPE 1 COLLECTOR",
        "PARAMETERS  4",
        "1 AREA1 ETA0 4.2 ",
        "INPUTS  3",
        "TIN 0,0 2,1 ",
        "20 20 0 ",
        "",
        "END",
    };
    EXPECT_EQ(quivetFileLines(a, {}), expected);
    // Generating again from the same analysis gives the same names.
    EXPECT_EQ(quivetFileLines(a, {}), expected);

    // Written with CR LF, the file opens as a form: one numeric field per constant
    // with its units, range and the format of its maximum.
    const std::string path = d / "COLL.QVD";
    writeQuivetFile(path, expected);
    EXPECT_EQ(pal::readFileBytes(path).substr(0, 25), "*QUIVET\r\nASSIGN S.LST 6\r\n");
    const QuivetDocument doc = readQuivetFile(path, {});
    std::vector<const FormItem*> fields;
    for (const auto& item : doc.items)
        if (item.kind == ItemKind::Numeric) fields.push_back(&item);
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0]->name, "AREA1");
    EXPECT_EQ(fields[0]->numeric.siUnit, "m2");
    EXPECT_EQ(fields[0]->numeric.englishUnit, "ft2");
    EXPECT_DOUBLE_EQ(static_cast<double>(fields[0]->numeric.value), 12.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(fields[0]->numeric.maximum), 1000.0);
    EXPECT_EQ(fields[0]->numeric.format, (pal::LabelFormat{1, 0}));
    EXPECT_EQ(fields[1]->numeric.format, (pal::LabelFormat{1, 2}));
    EXPECT_EQ(fields[1]->line, 15);
    EXPECT_EQ(fields[2]->numeric.offset, 17.7778L);
    EXPECT_EQ(fields[2]->help, 0);
}

TEST(QuivetGen, NamesOfTwoUnitsOfOneTypeAreNumbered) {
    coretest::TempDir d;
    mkqtest::writeAllTypes(d.path.string());
    DeckAnalysis a = analyseDeckLines({"UNIT 1 TYPE 1", "PARAMETERS 4", "1 2 0.7 4", "UNIT 2 TYPE 1", "PARAMETERS 4",
                                       "1 3 0.8 4", "END"},
                                      d.path.string());
    ASSERT_EQ(a.units.size(), 2u);
    select(a.units[0].parameterInfo, {1});
    select(a.units[1].parameterInfo, {1});
    const Lines out = quivetFileLines(a, {});
    const auto has = [&](const std::string& l) { return std::find(out.begin(), out.end(), l) != out.end(); };
    EXPECT_TRUE(has("AREA=2"));
    EXPECT_TRUE(has("AREA1=3"));
    EXPECT_TRUE(has("1 AREA1 0.8 4 "));
    // No constants block for a unit without selections.
    EXPECT_EQ(std::count(out.begin(), out.end(), "CONSTANTS  1"), 2);
}

TEST(QuivetGen, TwelveInputsTakeTwoStatements) {
    coretest::TempDir d;
    mkqtest::writeType(d.path.string(), 5, mkqtest::kType5);
    DeckAnalysis a = analyseDeckLines({"UNIT 3 TYPE 5", "PARAMETERS 10", "1 2 3 4 5 6 7 8 9 10", "INPUTS 10",
                                       "0,0 0,0 0,0 0,0 0,0 0,0 0,0 0,0 0,0 0,0", "1 2 3 4 5 6 7 8 9 10", "INPUTS 2",
                                       "0,0 0,0", "11 12", "END"},
                                      d.path.string());
    ASSERT_EQ(a.units.size(), 1u);
    ASSERT_EQ(a.units[0].inputInfo.size(), 12u);
    select(a.units[0].inputInfo, {11});
    const Lines out = quivetFileLines(a, {});
    const Lines tail(out.end() - 12, out.end());
    EXPECT_EQ(tail, (Lines{"UNIT 3 TYPE 5", "PARAMETERS 10", "1 2 3 4 5 6 7 8 9 10 ", "", "INPUTS 10",
                           "0,0 0,0 0,0 0,0 0,0 0,0 0,0 0,0 0,0 0,0 ", "1 2 3 4 5 6 7 8 9 10 ", "INPUTS  2", "0,0 TI ",
                           "11 12 ", "", "END"}));
    EXPECT_NE(std::find(out.begin(), out.end(), "TI=12"), out.end());
}

TEST(QuivetGen, HeadingAndSimulationCardComeAfterTheAssignLines) {
    coretest::TempDir d;
    // A deck without a SIMULATION statement of its own gets the template.
    const DeckAnalysis a = analyseDeckLines({"ASSIGN A.LST 6", "* simple: x", "END"}, d.path.string());
    QuivetOptions o;
    o.header = true;
    o.headerLines = {"*|*", "*|*Head", "*|*"};
    o.simulationCard = true;
    Lines expected = {"*QUIVET", "ASSIGN A.LST 6", "*|*", "*|*Head", "*|*"};
    expected.insert(expected.end(), simulationTemplate().begin(), simulationTemplate().end());
    expected.insert(expected.end(), {"", "END"});
    EXPECT_EQ(quivetFileLines(a, o), expected);
    EXPECT_EQ(simulationTemplate().size(), 18u);
    EXPECT_EQ(simulationTemplate()[10], "*|Timestep for Simulation                    |h|h|0|1|0.01|1.00|0");
    EXPECT_EQ(descriptorLine("Timestep for Simulation", "|h|h|0|1|0.01|1.00|0"), simulationTemplate()[10]);

    // Without a simulation statement and without the card, nothing stands in its place.
    const DeckAnalysis b = analyseDeckLines({"* x", "END"}, d.path.string());
    EXPECT_EQ(quivetFileLines(b, {}), (Lines{"*QUIVET", "* x", "", "END"}));
}

// The card of a deck with its own SIMULATION statement proposes that statement's
// start, stop and step, under names the deck leaves free.
TEST(QuivetGen, TheSimulationCardProposesTheDecksOwnTimes) {
    const std::string head[] = {"*|*", "*|*              ***** Simulation Parameters *****", "*|*"};
    const auto field = [](const std::string& label, const std::string& tail) { return descriptorLine(label, tail); };
    const struct {
        Lines deck;
        Lines card;  // after the three heading lines; empty: the template
    } rows[] = {
        {{"SIMULATION 0 8 0.002  ! [s]"},
         {"CONSTANTS 3", "START=0", field("Start of Simulation", "|s|s|0|1|-999999999.999|999999999.999|0"), "STOP=8",
          field("End of Simulation", "|s|s|0|1|-999999999.999|999999999.999|0"), "STEP=0.002",
          field("Timestep for Simulation", "|s|s|0|1|0.001|999999999.999|0"), "*|*",
          "SIMULATION START STOP STEP  ! [s]"}},
        // A name the deck uses is not taken; a word that is no number stays.
        {{"CONSTANTS 2", "START = 3", "TEND = 9", "sim 1 TEND 2.5E-1"},
         {"CONSTANTS 2", "START1=1", field("Start of Simulation", "|||0|1|-1.0E+30|1.0E+30|0"), "STEP=2.5E-1",
          field("Timestep for Simulation", "|||0|1|1.0E-30|1.0E+30|0"), "*|*", "sim START1 TEND STEP"}},
        {{"SIMULATION 0 72 1"},
         {"CONSTANTS 3", "START=0", field("Start of Simulation", "|||0|1|-999999999|999999999|0"), "STOP=72",
          field("End of Simulation", "|||0|1|-999999999|999999999|0"), "STEP=1",
          field("Timestep for Simulation", "|||0|1|1|999999999|0"), "*|*", "SIMULATION START STOP STEP"}},
        {{"* a simulation of nothing", "SIMULATION 0 1"}, {}},
    };
    coretest::TempDir d;
    for (const auto& row : rows) {
        Lines deck = row.deck;
        deck.push_back("END");
        QuivetOptions o;
        o.simulationCard = true;
        Lines want = {"*QUIVET"};
        if (row.card.empty()) {
            want.insert(want.end(), simulationTemplate().begin(), simulationTemplate().end());
        } else {
            want.insert(want.end(), std::begin(head), std::end(head));
            want.insert(want.end(), row.card.begin(), row.card.end());
        }
        Lines got = quivetFileLines(analyseDeckLines(deck, d.path.string()), o);
        // The deck's own blocks and comments follow the card.
        got.resize(std::min(got.size(), want.size()));
        EXPECT_EQ(got, want) << deck[0];
    }
}

// OSCILL.DCK, a one-second oscillator, made into a form with the card: the
// engine runs it with the deck's own step, and the form shows those times.
TEST(QuivetGen, TheShippedOscillatorMadeIntoAFormRuns) {
    const char* src = std::getenv("PALUMARO_SOURCE_DIR");
    if (!src) GTEST_SKIP() << "PALUMARO_SOURCE_DIR not set";
    const std::string inst = std::string(src) + "/installation";
    QuivetOptions o;
    o.simulationCard = true;
    coretest::TempDir d;
    const std::string qvd = d / "OSCILL.QVD";
    writeQuivetFile(qvd, quivetFileLines(MakeDeck(inst + "/samples/OSCILL.DCK", inst), o));
    std::ostringstream console;
    EXPECT_EQ(kalvex::runEngine({qvd}, inst, console), kalvex::kExitOk) << console.str();
    const std::string plot = pal::readFileBytes(d / "OSCILL.PLT");
    EXPECT_EQ(std::count(plot.begin(), plot.end(), '\n'), 2 + 4001);  // names, units, 0 to 8 s in 0.002 s
    const QuivetDocument form = readQuivetFile(qvd, {});
    std::vector<std::string> fields;
    for (const FormItem& item : form.items)
        if (item.kind == ItemKind::Numeric) fields.push_back(item.name + "=" + std::to_string(double(item.numeric.value)));
    EXPECT_EQ(fields, (Lines{"START=0.000000", "STOP=8.000000", "STEP=0.002000"}));
}

TEST(QuivetGen, UnitsWithoutDataAreWrittenAsTheyWere) {
    coretest::TempDir d;
    const DeckAnalysis a = analyseDeckLines(
        {"UNIT 9 TYPE 77", "PARAMETERS 3", "1 2", "3", "INPUTS 1", "0,0", "5", "DERIVATIVES 1", "9", "END"},
        d.path.string());
    ASSERT_EQ(a.units.size(), 1u);
    EXPECT_EQ(quivetFileLines(a, {}),
              (Lines{"*QUIVET", "", "*|*     ***** UNIT 9 TYPE 77 *****", "*|*", "UNIT 9 TYPE 77", "PARAMETERS 3", "1 2",
                     "3", "INPUTS 1", "0,0", "5", "DERIVATIVES 1", "9", "", "END"}));
}

TEST(QuivetGen, ProposesTheNameBesideTheDeck) {
    EXPECT_EQ(proposedQuivetName("/w/PUMP.DCK"), "/w/PUMP.QVD");
    EXPECT_EQ(proposedQuivetName("/w/run.1/PUMP.X.DCK"), "/w/run.1/PUMP.QVD");
    EXPECT_EQ(proposedQuivetName("/w/PUMP"), "/w/PUMP.QVD");
}

// The installation's own type files, header and sample deck make a QUIVET file
// that the form reader accepts, simulation card included.
TEST(QuivetGen, TheShippedInstallationMakesAFormFromItsSample) {
    const char* src = std::getenv("PALUMARO_SOURCE_DIR");
    if (!src) GTEST_SKIP() << "PALUMARO_SOURCE_DIR not set";
    const std::string inst = std::string(src) + "/installation";
    DeckAnalysis a = MakeDeck(inst + "/samples/COLLECT.DCK", inst);
    ASSERT_TRUE(a.messages.empty()) << a.messages[0].text;
    ASSERT_GE(a.units.size(), 3u);
    for (auto& u : a.units) {
        EXPECT_FALSE(u.noData) << u.unitLine;
        for (std::size_t i = 0; i < u.parameterInfo.size(); ++i) u.parameterInfo[i].selected = true;
        for (std::size_t i = 0; i < u.inputInfo.size(); ++i) u.inputInfo[i].selected = true;
    }
    QuivetOptions o;
    const HeaderLines h = readHeaderLines(inst);
    ASSERT_EQ(h.error, "");
    o.header = true;
    o.headerLines = h.lines;
    o.simulationCard = true;
    coretest::TempDir d;
    writeQuivetFile(d / "COLLECT.QVD", quivetFileLines(a, o));
    ReadOptions ro;
    ro.programDir = inst;
    const QuivetDocument doc = readQuivetFile(d / "COLLECT.QVD", ro);
    int numeric = 0, choices = 0;
    long double step = 0;
    for (const auto& item : doc.items) {
        numeric += item.kind == ItemKind::Numeric;
        choices += item.shownChoice();
        if (item.name == "STEP") step = item.numeric.value;
    }
    // The card is the sample's own SIMULATION 0 72 0.25, in fields of its own.
    EXPECT_EQ(choices, 0);
    EXPECT_EQ(step, 0.25L);
    EXPECT_GT(numeric, 4);

    // The solar sample's collector is described by the same installation.
    const DeckAnalysis solar = MakeDeck(inst + "/samples/SOLAR.DCK", inst);
    EXPECT_TRUE(solar.messages.empty());
    ASSERT_EQ(solar.units.size(), 1u);
    EXPECT_EQ(solar.units[0].parameterInfo.size(), 4u);
    EXPECT_EQ(solar.units[0].inputInfo.size(), 3u);
}

TEST(QuivetGen, TypeFileTextsThatWouldReadAsOtherMarkupNeverMakeAnUnreadableForm) {
    coretest::TempDir d;
    const std::string folder = d.path.string();
    // Labels starting like a choice, a file field and a heading.
    mkqtest::writeType(folder, 1,
                       "TYPE 1 Hostile collector\r\nPARAMETERS\r\nMODE\r\n<Mode\r\nnone 1 3\r\nAREA\r\n?Area\r\n"
                       "m2 ft2 0 10.7639 0 1000\r\nETA0\r\n*Efficiency\r\nnone 0 1\r\nCP\r\n<PICTURE> x.bmp\r\n"
                       "none 0 10\r\nINPUTS\r\nTIN\r\n<BEFORE> rm -rf x\r\nC F 17.7778 1.8 -50 200\r\n"
                       "FLOW\r\nFlow\r\nnone 0 9\r\nTAMB\r\nAir\r\nnone 0 9\r\n");
    DeckAnalysis a = analyseDeckLines(kSolarDeck, folder);
    ASSERT_TRUE(a.messages.empty()) << a.messages[0].text;
    for (auto& p : a.units[0].parameterInfo) p.selected = true;
    for (auto& p : a.units[0].inputInfo) p.selected = true;
    const Lines lines = quivetFileLines(a, {});
    QuivetDocument doc;
    ASSERT_NO_THROW(doc = parseQuivetLines(lines, folder + "/F.QVD", {}));
    std::vector<FormItem> fields;
    for (const auto& item : doc.items)
        if (item.kind != ItemKind::Heading) fields.push_back(item);
    ASSERT_EQ(fields.size(), 7u);  // four parameters, three inputs
    for (const auto& item : fields) EXPECT_EQ(item.kind, ItemKind::Numeric);
    EXPECT_EQ(fields[0].label.substr(0, 6), " <Mode");
    EXPECT_EQ(fields[1].label.substr(0, 6), " ?Area");
    EXPECT_EQ(fields[2].label.substr(0, 12), " *Efficiency");
    EXPECT_EQ(fields[4].label.substr(0, 18), " <BEFORE> rm -rf x");

    // Names that cannot stand before "=": the unit gets no data and the message
    // names the type file and the line.
    for (const auto& [name, why] : {std::pair<std::string, std::string>{"NA=ME", "it holds \"=\""},
                                    {std::string(201, 'N'), "it is longer than 200 characters"},
                                    {"*STAR", "a line starting with \"*\" is a comment"}}) {
        mkqtest::writeType(folder, 1, "TYPE 1 C\r\nPARAMETERS\r\nMODE\r\nMode\r\nnone 1 3\r\n" + name +
                                          "\r\nArea\r\nnone 0 9\r\n");
        const DeckAnalysis bad = analyseDeckLines(kSolarDeck, folder);
        ASSERT_EQ(bad.messages.size(), 1u) << name;
        EXPECT_EQ(bad.messages[0].text, "The type file " + typeInfoPath(folder, "1") + ", line 6: \"" +
                                            name.substr(0, 40) + "\" cannot name a constant (" + why + ")");
        EXPECT_TRUE(bad.units[0].noData);
        EXPECT_NO_THROW(parseQuivetLines(quivetFileLines(bad, {}), folder + "/F.QVD", {}));
    }
}

TEST(QuivetGen, LongValuesAndUnitLinesStayWithinDeckLines) {
    coretest::TempDir d;
    mkqtest::writeAllTypes(d.path.string());
    // Four parameter values of 70 characters: one line of them would be 284 long.
    const std::string value = "1." + std::string(68, '0');
    std::string values;
    for (int i = 0; i < 4; ++i) values += value + " ";
    const Lines deck = {"UNIT 1 TYPE 1 " + std::string(240, 'U'), "PARAMETERS 4", values, "INPUTS 3",
                        "0,0 0,0 0,0", "20 20 0", "END"};
    const DeckAnalysis a = analyseDeckLines(deck, d.path.string());
    ASSERT_EQ(a.units.size(), 1u);
    ASSERT_FALSE(a.units[0].noData);
    Lines notes;
    const Lines lines = quivetFileLines(a, {}, &notes);
    for (const auto& line : lines) EXPECT_LE(line.size(), 255u) << line;
    // The unit's heading on the form is cut, and the cut told.
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("cut to 255 characters"), std::string::npos) << notes[0];
    // Read again, the generated deck gives the unit the same four values.
    const DeckAnalysis again = analyseDeckLines(lines, d.path.string());
    ASSERT_EQ(again.units.size(), 1u);
    EXPECT_EQ(again.units[0].parameters, Lines(4, value));

    // A value or a deck line longer than a QUIVET file's line is refused, not cut
    // into another value.
    const std::string huge = "1." + std::string(300, '0');
    const Lines withComment = {"* " + std::string(300, 'c'), "UNIT 1 TYPE 1", "PARAMETERS 4", "1 1 1 1", "INPUTS 3",
                               "0,0 0,0 0,0", "20 20 0", "END"};
    notes.clear();
    const Lines commented = quivetFileLines(analyseDeckLines(withComment, d.path.string()), {}, &notes);
    EXPECT_TRUE(std::find(commented.begin(), commented.end(), "* " + std::string(253, 'c')) != commented.end());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("cut to 255 characters"), std::string::npos) << notes[0];
    for (const Lines& tooLong : {Lines{"UNIT 1 TYPE 1", "PARAMETERS 4", huge + " 1 1 1", "INPUTS 3", "0,0 0,0 0,0", "20 20 0", "END"},
                                 Lines{"UNIT 1 TYPE 1 " + std::string(260, 'U'), "PARAMETERS 4", "1 1 1 1", "INPUTS 3",
                                       "0,0 0,0 0,0", "20 20 0", "END"}}) {
        try {
            quivetFileLines(analyseDeckLines(tooLong, d.path.string()), {});
            ADD_FAILURE() << "written: " << tooLong[0];
        } catch (const QuivetError& e) {
            EXPECT_NE(std::string(e.what()).find("characters long, more than the 255"), std::string::npos) << e.what();
        }
    }
}
