// Deck editing in the core: how each kind of deck line is classed and coloured,
// the engine's messages read from a listing and found again in a changed deck,
// the outline of the shipped samples, and what the type files say about the
// values of units.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "common/textfile.h"
#include "deck/deckline.h"
#include "deck/listingmessages.h"
#include "deck/outline.h"
#include "deck/typeindex.h"
#include "deck/unitvalues.h"
#include "support/coretemp.h"

using namespace deck;
using Lines = std::vector<std::string>;

namespace {

// "K0+4 N5+1": kind letter, start, "+", length, for each token.
std::string tokenText(const ClassifiedLine& c) {
    static const char kLetter[] = {'K', 'C', 'D', 'N', 'c', 'e', 'F', 'R', 'I'};
    std::string s;
    for (const TokenSpan& t : c.tokens) {
        if (!s.empty()) s += ' ';
        s += kLetter[static_cast<int>(t.kind)] + std::to_string(t.start) + "+" + std::to_string(t.length);
    }
    return s;
}

struct LineRow {
    const char* line;
    LineState before;
    LineKind kind;
    const char* tokens;
    LineState after;
};

LineState pending(int n, bool equations) { return {n, equations, false, false}; }
LineState unit() { return {0, false, true, false}; }
LineState ended() { return {0, false, false, true}; }

}  // namespace

class LineClasses : public testing::TestWithParam<LineRow> {};

TEST_P(LineClasses, KindTokensAndState) {
    const LineRow& r = GetParam();
    const ClassifiedLine c = classifyLine(std::string_view(r.line), r.before);
    EXPECT_EQ(c.kind, r.kind);
    EXPECT_EQ(tokenText(c), r.tokens);
    EXPECT_EQ(c.after, r.after);
    // The editor's UTF-16 text reads the same, and the state survives packing.
    const std::string bytes(r.line);
    const std::u16string wide(bytes.begin(), bytes.end());
    EXPECT_EQ(tokenText(classifyLine(std::u16string_view(wide), r.before)), r.tokens);
    EXPECT_EQ(LineState::unpack(r.after.pack()), r.after);
}

INSTANTIATE_TEST_SUITE_P(
    Deck, LineClasses,
    testing::Values(
        LineRow{"", {}, LineKind::Blank, "", {}},
        LineRow{"  * a comment 12", {}, LineKind::Comment, "C2+14", {}},
        LineRow{"*|Tank volume |m3|ft3|0|35.3|0.1|10|0", pending(2, false), LineKind::Descriptor, "D0+37", pending(2, false)},
        LineRow{"constants 2 ! two", {}, LineKind::Statement, "K0+9 N10+1 R12+5", pending(2, false)},
        LineRow{"EQN 1", unit(), LineKind::Statement, "K0+3 N4+1", pending(1, true)},
        LineRow{"Area = 1.5E-3*x2 + .5 ! [m2]", pending(2, false), LineKind::Definition, "c0+4 N7+6 N19+2 R22+6", pending(1, false)},
        LineRow{"CONTROL=2D2", pending(1, true), LineKind::Definition, "e0+7 N8+3", pending(0, true)},
        LineRow{"SIMULATION 0 72 0.05", pending(3, false), LineKind::Statement, "K0+10 N11+1 N13+2 N16+4", {}},
        LineRow{"LEVEL", pending(3, false), LineKind::Other, "", pending(2, false)},
        LineRow{"ASSIGN out/RUN.PLT 12", {}, LineKind::Statement, "K0+6 F7+11 N19+2", {}},
        LineRow{"UNIT 3 type 5 Tank 2", {}, LineKind::Statement, "K0+4 N5+1 K7+4 N12+1 N19+1", unit()},
        LineRow{"PARAMETERS 2", unit(), LineKind::Statement, "K0+10 N11+1", unit()},
        LineRow{"4,1 0,0  -1.5", unit(), LineKind::UnitData, "N0+1 N2+1 N4+1 N6+1 N10+3", unit()},
        LineRow{"X = 2", {}, LineKind::Other, "N4+1", {}},
        LineRow{"END", {}, LineKind::Statement, "K0+3", ended()},
        LineRow{"UNIT 1 TYPE 1", ended(), LineKind::AfterEnd, "I0+13", ended()}));

// The listing the engine writes for a deck with an unknown name, a bad block
// count and a duplicate, and a summary message tied to no line.
TEST(ListingMessages, ParsedUnderTheirLines) {
    const Lines listing = {"KALVEX stand-in engine 1.0",
                           "Deck: /tmp/x/PUMP.DCK",
                           "",
                           "    1  CONSTANTS 2",
                           "    2  A = 1",
                           "    3  A = 2",
                           " *** Warning in line 3: A is defined again (first in line 2); later lines use this definition",
                           "    4  EQUATIONS 1",
                           "    5  B = A * NOPE",
                           " *** Error in line 5: unknown name NOPE",
                           "    6  ",
                           "    7  SIMULATION 0 1 1",
                           "    8  END",
                           "",
                           "Summary",
                           " *** Warning: the deck has no END statement",
                           "  1 error, 2 warnings"};
    const ListingMessages m = parseListing(listing);
    ASSERT_EQ(m.messages.size(), 3u);
    EXPECT_EQ(m.errors, 1);
    EXPECT_EQ(m.warnings, 2);
    const EngineMessage& e = m.messages[1];
    EXPECT_EQ(e.severity, Severity::Error);
    EXPECT_EQ(e.line, 5);
    EXPECT_EQ(e.listingLine, 10);
    EXPECT_EQ(e.text, "unknown name NOPE");
    EXPECT_EQ(e.echo, "B = A * NOPE");
    EXPECT_EQ(m.messages[0].line, 3);
    EXPECT_EQ(m.messages[2].line, 0);  // the summary's message names no line
    EXPECT_FALSE(m.messages[2].hasEcho);
    EXPECT_EQ(countText(m.errors, m.warnings), "1 error, 2 warnings");
    EXPECT_EQ(countText(0, 0), "0 errors");
}

TEST(ListingMessages, WithoutNumbersTheLineAboveCounts) {
    const ListingMessages m = parseListing({"CONSTANTS 1", "A = 1 +", "*** ERROR: the expression ends too early"});
    ASSERT_EQ(m.messages.size(), 1u);
    EXPECT_EQ(m.messages[0].line, 0);
    EXPECT_EQ(m.messages[0].echo, "A = 1 +");
    EXPECT_TRUE(m.messages[0].hasEcho);
}

struct PlaceRow {
    int deckLine;
    const char* echo;
    bool hasEcho;
    int line;
    bool moved;
    const char* noteStart;
};

class MessagePlaces : public testing::TestWithParam<PlaceRow> {};

TEST_P(MessagePlaces, NearestLineAndNote) {
    const PlaceRow& r = GetParam();
    const Lines deck = {"CONSTANTS 2", "A = 1", "* new comment", "B = A * NOPE", "B = A * NOPE", "END"};
    EngineMessage m;
    m.line = r.deckLine;
    m.echo = r.echo;
    m.hasEcho = r.hasEcho;
    const LinePlace p = placeOf(m, deck);
    EXPECT_EQ(p.line, r.line);
    EXPECT_EQ(p.moved, r.moved);
    EXPECT_EQ(p.note.substr(0, std::string(r.noteStart).size()), r.noteStart) << p.note;
}

INSTANTIATE_TEST_SUITE_P(
    Deck, MessagePlaces,
    testing::Values(PlaceRow{2, "A = 1", true, 2, false, ""},
                    PlaceRow{2, "", false, 2, false, ""},                         // "in line 2" without an echo
                    PlaceRow{3, "B = A * NOPE", true, 4, true, "The deck changed since the run: its line 3 is now line 4"},
                    PlaceRow{6, "B = A * NOPE  ", true, 5, true, "The deck changed"},  // the nearest of two
                    PlaceRow{40, "GONE", true, 6, true, "The deck changed since the run: it has no line 40 now"},
                    PlaceRow{3, "GONE", true, 3, true, "The deck changed since the run: line 3 no longer"},
                    PlaceRow{0, "A = 1", true, 2, true, "The listing numbers no lines"},
                    PlaceRow{0, "", false, 1, true, "The listing ties this message to no deck line"}));

namespace {

std::string outlineText(const std::vector<OutlineEntry>& outline) {
    std::string s;
    for (const auto& e : outline) {
        if (!s.empty()) s += "; ";
        s += std::to_string(e.line) + ":" + e.text;
        if (!e.detail.empty()) s += "=" + e.detail;
        if (!e.children.empty()) {
            s += "{";
            for (const auto& c : e.children) s += (c.line == e.children.front().line ? "" : " ") + c.text;
            s += "}";
        }
    }
    return s;
}

std::string sourceDir() {
    const char* dir = std::getenv("PALUMARO_SOURCE_DIR");
    return dir ? dir : ".";
}

}  // namespace

class SampleOutlines : public testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(SampleOutlines, ListsUnitsBlocksAssignsAndSimulation) {
    const std::string installation = sourceDir() + "/installation";
    const auto types = readTypeIndex(installation);
    const Lines deck = pal::readLines(installation + "/samples/" + GetParam().first);
    EXPECT_EQ(outlineText(buildOutline(deck, types)), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Deck, SampleOutlines,
    testing::Values(
        std::pair{"PUMP.DCK",
                  "16:CONSTANTS 9{AREA HMAX QMAX HSHUT HSTAT CV CSPILL EFF L0}; "
                  "31:EQUATIONS 10{LEVEL HOUR PUMPON HEAD QPUMP QOUT QSPILL VOLUME POWER ENERGY}; 44:SIMULATION 0 72 0.05"},
        std::pair{"COLLECT.DCK",
                  "8:ASSIGN COLLECT.LST 6; 9:ASSIGN COLLECT.PLT 12; "
                  "11:UNIT 1 TYPE 1 Solar collector=FLAT-PLATE SOLAR COLLECTOR; "
                  "18:UNIT 2 TYPE 3 Collector loop pump=CIRCULATION PUMP; "
                  "25:UNIT 3 TYPE 5 Storage tank=STRATIFIED STORAGE TANK; "
                  "34:CONSTANTS 6{AREA ETA0 UL VTANK TAMB TSTART}; 42:EQUATIONS 6{TTANK HOUR G QGAIN QUSE QLOSS}; "
                  "50:SIMULATION 0 72 0.25"},
        std::pair{"SOLAR.DCK",
                  "18:ASSIGN SOLAR.LST 6; 19:ASSIGN SOLAR.OUT 7; 20:ASSIGN SOLAR.PLT 12; "
                  "22:UNIT 1 TYPE 1 Solar collector=FLAT-PLATE SOLAR COLLECTOR; "
                  "29:CONSTANTS 10{AREA ETA0 UL GMAX VTANK UATANK TAMB TCOLD DRAW TSTART}; "
                  "41:EQUATIONS 12{TTANK HOUR DAY CLOUD G QGAIN PUMP QUSE QLOSS TAP QLOAD SOLARKWH}; "
                  "55:SIMULATION 0 240 0.25"},
        std::pair{"HEATX.DCK",
                  "14:CONSTANTS 9{T0 THSET TRAMP TCIN MH MC CP UAH UAC}; 24:CONSTANTS 1{CWALL}; "
                  "26:EQUATIONS 8{TWALL THIN QH QC THOUT TCOUT STORED EFFECT}; 39:SIMULATION 0 1800 5"},
        std::pair{"OSCILL.DCK",
                  "14:CONSTANTS 7{M K ZETA F0 TSTEP TRISE W}; 22:EQUATIONS 6{X V F ACC XREST ENERGY}; "
                  "30:SIMULATION 0 8 0.002"}));

namespace {

const char* const kHeater =
    "Test types\r\n"
    "TYPE 7 TEST HEATER\r\n"
    "PARAMETERS\r\n"
    "POWER\r\n"
    "Heating power\r\n"
    "kW kBtu/h 0 3.41214 0 50\r\n"
    "EFF\r\n"
    "Efficiency\r\n"
    "none 0 1\r\n"
    "INPUTS\r\n"
    "TIN\r\n"
    "Inlet temperature\r\n"
    "C F 17.7778 1.8 -50 200\r\n";

const Lines kUnitsDeck = {"CONSTANTS 1",        "P = 80",        "UNIT 4 TYPE 7 Heater", "PARAMETERS 2",
                          "  20 1.5",           "INPUTS 1",      "0,0",                  "300",
                          "UNIT 5 TYPE 7 Second", "PARAMETERS 2", "P 0.5",                "UNIT 6 TYPE 12 Damaged",
                          "PARAMETERS 1",       "3",             "UNIT 7 TYPE 8 Missing", "PARAMETERS 1",
                          "4",                  "END"};

struct ValueRow {
    int line;
    std::size_t column;
    const char* name;  // "" when not described, "-" when no value is there
    const char* unit;
    bool outOfLimits;
    const char* inHover;
};

}  // namespace

class UnitValues : public testing::TestWithParam<ValueRow> {
protected:
    static void SetUpTestSuite() {
        dir_ = new coretest::TempDir;
        std::filesystem::create_directories(dir_->path / "info");  // found in any letter case
        coretest::write(*dir_ / "info/type7.inf", kHeater);
        static const char kDamaged[] = "\0\xff\x01garbage TYPE\r\n\x7f";
        coretest::write(*dir_ / "info/TYPE12.INF", std::string(kDamaged, sizeof kDamaged - 1));
        coretest::write(*dir_ / "info/TYPEX.INF", "TYPE X NOT A NUMBER\r\n");
        values_ = new DeckValues(describeValues(kUnitsDeck, dir_->path.string()));
    }
    static void TearDownTestSuite() {
        delete values_;
        delete dir_;
    }
    static coretest::TempDir* dir_;
    static DeckValues* values_;
};
coretest::TempDir* UnitValues::dir_ = nullptr;
DeckValues* UnitValues::values_ = nullptr;

TEST_P(UnitValues, HoverAndLimits) {
    const ValueRow& r = GetParam();
    const ValueInfo* v = valueAt(*values_, r.line, r.column);
    if (std::string(r.name) == "-") {
        EXPECT_EQ(v, nullptr);
        return;
    }
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->name, r.name);
    EXPECT_EQ(v->described, !std::string(r.name).empty());
    EXPECT_EQ(v->unit, r.unit);
    EXPECT_EQ(v->outOfLimits, r.outOfLimits);
    EXPECT_NE(hoverText(*v).find(r.inHover), std::string::npos) << hoverText(*v);
}

INSTANTIATE_TEST_SUITE_P(
    Deck, UnitValues,
    testing::Values(ValueRow{4, 2, "POWER", "kW", false, "POWER - Heating power\nUnit: kW    Limits: 0 to 50\nParameter 1 of UNIT 4 TYPE 7 HEATER (TEST HEATER)"},
                    ValueRow{4, 6, "EFF", "", true, "The value 1.5 lies outside the limits 0 to 1."},
                    ValueRow{4, 4, "-", "", false, ""},
                    ValueRow{6, 1, "TIN", "C", false, "Input 1 of UNIT 4"},  // a connection is not checked
                    ValueRow{7, 0, "TIN", "C", true, "Limits: -50 to 200"},
                    ValueRow{10, 0, "POWER", "kW", true, "The value P lies outside"},  // the constant's value
                    ValueRow{10, 2, "EFF", "", false, "Parameter 2 of UNIT 5"},
                    ValueRow{13, 0, "", "", false, "No description: Type 12 can not be found"},
                    ValueRow{16, 0, "", "", false, "No description: Error 2 was encountered while trying to open file"}));

TEST(TypeIndex, NamesFromHeadersAndNumbersWithoutThem) {
    coretest::TempDir d;
    std::filesystem::create_directories(d.path / "INFO");
    coretest::write(d / "INFO/TYPE7.INF", kHeater);
    coretest::write(d / "INFO/TYPE12.INF", "no header here\n");
    coretest::write(d / "INFO/TYPE3.INF", "TYPE 3 PUMP\n");
    coretest::write(d / "INFO/NOTES.INF", "TYPE 4 NOT A TYPE FILE\n");
    const auto index = readTypeIndex(d.path.string());
    ASSERT_EQ(index.size(), 3u);
    EXPECT_EQ(index[0].number, 3);
    EXPECT_EQ(index[1].name, "TEST HEATER");
    EXPECT_EQ(index[2].name, "");
    EXPECT_EQ(typeName(index, "07"), "TEST HEATER");
    EXPECT_EQ(typeName(index, "99"), "");
    // A folder without type files gives an empty index.
    EXPECT_TRUE(readTypeIndex((d.path / "nowhere").string()).empty());
}
