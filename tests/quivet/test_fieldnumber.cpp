// Field numbers, the numeric field's display, check and conversion, and choice files.
#include <gtest/gtest.h>

#include "common/ioerror.h"
#include "quivet/choicefile.h"
#include "quivet/fieldnumber.h"
#include "quivet/numericfield.h"
#include "quivet/quiveterror.h"
#include "quivettestfiles.h"

using namespace quivet;

TEST(FieldNumber, ReadsDecimalAndExponentNotationOnly) {
    struct Row {
        const char* text;
        std::optional<long double> value;
    };
    const Row rows[] = {
        {"3.", 3.0L},         {"  -2.5 ", -2.5L},   {"1.5E+3", 1500.0L}, {"1e-2", 0.01L}, {".5", 0.5L},
        {"12", 12.0L},        {"", std::nullopt},   {"abc", std::nullopt}, {"1,5", std::nullopt},
        {"inf", std::nullopt}, {"nan", std::nullopt}, {"0x10", std::nullopt}, {"1E", std::nullopt},
        {"1e99999", std::nullopt}, {"-", std::nullopt}, {".", std::nullopt}, {"1.2.3", std::nullopt},
    };
    for (const Row& r : rows) {
        const auto v = parseFieldNumber(r.text);
        ASSERT_EQ(v.has_value(), r.value.has_value()) << r.text;
        if (v) {
            EXPECT_NEAR(static_cast<double>(*v), static_cast<double>(*r.value), 1e-12) << r.text;
        }
    }
}

TEST(FieldNumber, IntegersAndLeadingDigits) {
    EXPECT_EQ(parseFieldInteger(" 42 "), 42);
    EXPECT_EQ(parseFieldInteger("-3"), -3);
    EXPECT_FALSE(parseFieldInteger(""));
    EXPECT_FALSE(parseFieldInteger("4x"));
    EXPECT_FALSE(parseFieldInteger("99999999999"));
    EXPECT_EQ(leadingInteger(" 17 see text"), 17);
    EXPECT_EQ(leadingInteger("none"), 0);
    EXPECT_EQ(leadingInteger(""), 0);
}

TEST(FieldNumber, DisplayFormatFollowsTheWrittenMaximum) {
    EXPECT_EQ(displayFormatFor("1.00"), (pal::LabelFormat{1, 2}));
    EXPECT_EQ(displayFormatFor("100"), (pal::LabelFormat{1, 0}));
    EXPECT_EQ(displayFormatFor("1e5"), (pal::LabelFormat{0, 4}));
    EXPECT_EQ(displayFormatFor("2.5E+3"), (pal::LabelFormat{0, 4}));
    EXPECT_EQ(displayFormatFor("3."), (pal::LabelFormat{1, 0}));
}

TEST(FieldNumber, DeckNumbersAreThirteenCharactersWithFourExponentDigits) {
    EXPECT_EQ(deckNumberText(1), " 1.0000E+0000");
    EXPECT_EQ(deckNumberText(28), " 2.8000E+0001");
    EXPECT_EQ(deckNumberText(-0.05L), "-5.0000E-0002");
    EXPECT_EQ(deckNumberText(0), " 0.0000E+0000");
    EXPECT_EQ(deckNumberText(123456.0L), " 1.2346E+0005");
}

namespace {
NumericField temperature() {
    NumericField f;
    f.value = 100;
    f.minimum = 0;
    f.maximum = 150;
    f.offset = 17.7778L;
    f.factor = 1.8L;
    f.format = {1, 2};
    f.siUnit = "C";
    f.englishUnit = "F";
    return f;
}
}  // namespace

TEST(NumericFieldTest, ShowsInTheFieldFormatAndUnitSystem) {
    NumericField f;
    f.value = 0.5L;
    f.format = {1, 2};
    EXPECT_EQ(f.shownText(kSI), "0.50");
    f.format = {0, 4};
    f.value = 28;
    EXPECT_EQ(f.shownText(kSI), "2.8000E+01");
    f.value = -pal::kBlankValue;
    EXPECT_EQ(f.shownText(kEnglish), "-inf");

    const NumericField t = temperature();
    EXPECT_EQ(t.shownText(kSI), "100.00");
    EXPECT_EQ(t.shownText(kEnglish), "212.00");
    EXPECT_NEAR(static_cast<double>(t.toSI(212, kEnglish)), 100.0, 1e-3);
    EXPECT_EQ(t.unitText(kEnglish), "F");
}

TEST(NumericFieldTest, ZeroFactorIsShownUnconverted) {
    NumericField f;
    f.factor = 0;
    f.value = 5;
    EXPECT_EQ(f.toShown(5, kEnglish), 5);
    EXPECT_EQ(f.toSI(5, kEnglish), 5);
}

TEST(NumericFieldTest, CheckGivesTheThreeMessages) {
    NumericField f;
    f.minimum = 0.01L;
    f.maximum = 1.0L;
    f.format = {1, 2};
    EXPECT_EQ(f.checkText("0.5", kSI), "");
    EXPECT_EQ(f.checkText("1.", kSI), "");
    EXPECT_EQ(f.checkText("2", kSI), "This parameter must be >= 0.01 and <= 1.00");
    EXPECT_EQ(f.checkText("0", kSI), "This parameter must be >= 0.01 and <= 1.00");
    EXPECT_EQ(f.checkText("1a", kSI), "Illegal character in input");
    EXPECT_EQ(f.checkText("", kSI), "The input field is empty");
}

TEST(NumericFieldTest, EnglishInputIsCheckedAgainstConvertedLimits) {
    const NumericField t = temperature();
    EXPECT_EQ(t.checkText("212", kEnglish), "");
    EXPECT_EQ(t.checkText("302.00", kEnglish), "");  // exactly the converted maximum
    EXPECT_EQ(t.checkText("400", kEnglish), "This parameter must be >= 32.00 and <= 302.00");
    EXPECT_EQ(t.checkText("200", kSI), "This parameter must be >= 0.00 and <= 150.00");
}

TEST(ChoiceFileTest, RowsSplitAtCommaOrTabAndTrimmed) {
    quivettest::ScratchDir d;
    quivettest::writeBytes(d.path("c.chc"), "3\r\nWater , H2O,  1000 \r\nOil\t  OIL\r\nAir,AIR\r\nnot a row\r\n");
    const ChoiceFile f = ChoiceFile::load(d.path("c.chc"));
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f.column(0, 3), "1000");
    EXPECT_EQ(f.column(0, 5), "");
    EXPECT_EQ(f.column(1, 2), "OIL");
    EXPECT_EQ(f.column(0, 0), "");

    const auto m = f.lookup(1, 2, "oil");
    EXPECT_TRUE(m.found);
    EXPECT_EQ(m.text, "Oil");
    EXPECT_EQ(m.index, 1);
    const auto none = f.lookup(1, 2, "steam");
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.text, "not found");
    EXPECT_EQ(none.index, 0);
    EXPECT_EQ(f.lookup(1, 3, "", 1000).text, "Water");
}

TEST(ChoiceFileTest, CountBeyondTheFileAndBadCounts) {
    quivettest::ScratchDir d;
    quivettest::writeBytes(d.path("a.chc"), "1000000000\nA,1\nB,2\n");
    EXPECT_EQ(ChoiceFile::load(d.path("a.chc")).size(), 2u);
    quivettest::writeBytes(d.path("b.chc"), "two\nA,1\n");
    EXPECT_THROW(ChoiceFile::load(d.path("b.chc")), QuivetError);
    quivettest::writeBytes(d.path("e.chc"), "");
    EXPECT_THROW(ChoiceFile::load(d.path("e.chc")), QuivetError);
    try {
        loadForLookup(d.path("none.chc"), "NONE.CHC");
        FAIL();
    } catch (const QuivetError& e) {
        EXPECT_STREQ(e.what(), "File NONE.CHC was not found");
    }
}
