// The constants scan: names, occurrence numbers, descriptions and unit contexts.
#include <gtest/gtest.h>

#include <cstdlib>

#include "table/deckconstants.h"

using table::scanConstantsLines;

namespace {
std::vector<std::string> names(const std::vector<table::DeckVariable>& v) {
    std::vector<std::string> out;
    for (const auto& d : v) out.push_back(d.name);
    return out;
}
}  // namespace

TEST(DeckConstants, DescriptorLineGivesTheDescriptionUpToItsBar) {
    const auto v = scanConstantsLines({"CONSTANTS 2", "A=1", "*|Area of the collector|m2|1|100", "b = 2", "END", "x"});
    ASSERT_TRUE(v);
    ASSERT_EQ(v->size(), 2u);
    EXPECT_EQ((*v)[0].name, "A");
    EXPECT_EQ((*v)[0].description, "Area of the collector|");
    EXPECT_EQ((*v)[0].valueText, "1");
    EXPECT_EQ((*v)[1].name, "B ");  // trailing blanks stay, case goes up
    EXPECT_EQ((*v)[1].description, "No description available");
    EXPECT_EQ((*v)[1].valueText, " 2");
}

TEST(DeckConstants, RepeatedNamesAreNumberedAndCommentsSkipped) {
    const auto v = scanConstantsLines({"CONSTANTS 2", "A=1", "* a remark", "C=3", "EQUATIONS 1", "Y=A", "constants 1",
                                       "a=5", "CONSTANTS 1", "A=6", "END"});
    ASSERT_TRUE(v);
    EXPECT_EQ(names(*v), (std::vector<std::string>{"A", "C", "A1", "A2"}));
    EXPECT_EQ((*v)[2].occurrence, 1);
    EXPECT_EQ((*v)[3].valueText, "6");
}

TEST(DeckConstants, QuivetUnitHeaderNamesTheBlock) {
    const auto v = scanConstantsLines({"*|*     ***** UNIT 3 TYPE 1 Solar collector", "CONSTANTS 1", "AREA=4", "*|Area|m2",
                                       "*|*     ***** UNIT 4 TYPE 60 Tank *****", "CONSTANTS 1", "V=2", "END"});
    ASSERT_TRUE(v);
    ASSERT_EQ(v->size(), 2u);
    EXPECT_EQ((*v)[0].unitContext, "UNIT 3 Solar collector");
    EXPECT_EQ((*v)[1].unitContext, "UNIT 4 Tank");
}

TEST(DeckConstants, AbsentWithoutConstantsAndBoundedByTheFile) {
    EXPECT_FALSE(scanConstantsLines({"EQUATIONS 1", "Y=1", "END"}));
    // The last line is never a statement line.
    EXPECT_FALSE(scanConstantsLines({"EQUATIONS 1", "CONSTANTS 1"}));
    EXPECT_FALSE(table::ScanDeckConstants("/nonexistent/dir/X.DCK"));
    // A count far beyond the block ends with the file instead of running on.
    const auto v = scanConstantsLines({"CONSTANTS 2000000000", "A=1", "B=2", "END"});
    ASSERT_TRUE(v);
    EXPECT_EQ(v->size(), 2u);  // END has no "=": no variable
    // Descriptions are cut to 40 characters.
    const auto d = scanConstantsLines({"CONSTANTS 1", "A=1", "*|" + std::string(60, 'x') + "|", "END", ""});
    ASSERT_TRUE(d);
    EXPECT_EQ((*d)[0].description.size(), 40u);
}

TEST(DeckConstants, QuivetMarkupInsideABlockIsNoConstant) {
    // Headings, pictures and commands between the constants of a block are
    // passed over like comments; a unit heading among them names what follows.
    const auto v = scanConstantsLines({"CONSTANTS 4", "A=1", "*|*Tank heading", "*|<PICTURE> tank.bmp", "B=2",
                                       "*|Volume|m3|ft3|0|35.3|0|10|2", "*|<BEFORE> prep.sh",
                                       "*|*     ***** UNIT 2 TYPE 3 Pump *****", "C=3", "*|*Valve", "D=4", "END", ""});
    ASSERT_TRUE(v);
    EXPECT_EQ(names(*v), (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_EQ((*v)[0].description, table::kNoDescription);  // not the heading
    EXPECT_EQ((*v)[1].description, "Volume|");
    EXPECT_EQ((*v)[1].unitContext, "");
    EXPECT_EQ((*v)[2].unitContext, "UNIT 2 Pump");
    EXPECT_EQ((*v)[3].description, table::kNoDescription);

    // The shipped form: all nine constants, the choice fields' labels as descriptions.
    const char* src = std::getenv("PALUMARO_SOURCE_DIR");
    ASSERT_TRUE(src);
    const auto pump = table::ScanDeckConstants(std::string(src) + "/installation/samples/PUMP.QVD");
    ASSERT_TRUE(pump);
    EXPECT_EQ(names(*pump),
              (std::vector<std::string>{"AREA ", "HMAX ", "L0 ", "QMAX ", "HSHUT ", "HSTAT ", "EFF ", "CV ", "CSPILL "}));
    EXPECT_EQ((*pump)[7].description, "Valve outflow at a level of 1 m         ");
    EXPECT_EQ((*pump)[3].description.substr(0, 11), "<Pump model");
}
