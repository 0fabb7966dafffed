// Reading QUIVET files: line classes, descriptor fields, binding to statements,
// choice, picture and assigned files, and every input error.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <random>

#include "quivet/quiveterror.h"
#include "quivet/quivetreader.h"
#include "sampleform.h"
#include "support/heapbytes.h"

using namespace quivet;
using quivettest::ScratchDir;
using quivettest::writeBytes;

namespace {

QuivetDocument readText(const ScratchDir& d, const std::string& text) {
    writeBytes(d.path("t.qvd"), text);
    return readQuivetFile(d.path("t.qvd"), {});
}

// The error a text raises, as kind and message.
std::pair<QuivetError::Kind, std::string> errorOf(const ScratchDir& d, const std::string& text) {
    try {
        readText(d, text);
    } catch (const QuivetError& e) {
        return {e.kind(), e.what()};
    }
    return {QuivetError::Kind::BadFile, "no error"};
}

}  // namespace

TEST(QuivetReader, ClassifiesLines) {
    EXPECT_EQ(classifyLine("*"), LineClass::Deck);
    EXPECT_EQ(classifyLine("* comment"), LineClass::Deck);
    EXPECT_EQ(classifyLine("AREA=1"), LineClass::Deck);
    EXPECT_EQ(classifyLine("*|*Title"), LineClass::Heading);
    EXPECT_EQ(classifyLine("*|<picture>x.bmp"), LineClass::Picture);
    EXPECT_EQ(classifyLine("*|*Heading naming *|<PICTURE>"), LineClass::Picture);
    EXPECT_EQ(classifyLine("*|<Before> x"), LineClass::Before);
    EXPECT_EQ(classifyLine("*|<AFTER> x"), LineClass::After);
    EXPECT_EQ(classifyLine("*|?File|1"), LineClass::File);
    EXPECT_EQ(classifyLine("*|<Choice|f|1|1|0"), LineClass::Choice);
    EXPECT_EQ(classifyLine("*|Label|u|u|0|1|0|1|0"), LineClass::Numeric);
    EXPECT_EQ(classifyLine("*|"), LineClass::Numeric);
}

TEST(QuivetReader, BuildsEveryKindOfItem) {
    ScratchDir d;
    quivettest::writeSampleForm(d);
    std::vector<int> progress;
    ReadOptions o;
    o.progress = [&](int n) { progress.push_back(n); };
    const QuivetDocument doc = readQuivetFile(d.path("form.qvd"), o);
    EXPECT_EQ(doc.lineCount, 18);
    ASSERT_EQ(progress.size(), 18u);
    EXPECT_EQ(progress.back(), 18);
    EXPECT_EQ(doc.beforeCommand, "echo before");
    EXPECT_EQ(doc.afterCommand, "echo after");
    ASSERT_EQ(doc.items.size(), 8u);

    const FormItem& title = doc.items[0];
    EXPECT_EQ(title.kind, ItemKind::Heading);
    EXPECT_EQ(title.label, "Pump and tank");
    EXPECT_FALSE(title.hasText);
    EXPECT_EQ(title.line, 2);

    const FormItem& casebox = doc.items[1];
    EXPECT_TRUE(casebox.hasText);
    EXPECT_EQ(casebox.text, "Base case");
    EXPECT_EQ(casebox.help, 7);
    EXPECT_EQ(casebox.line, 3);

    const FormItem& area = doc.items[2];
    EXPECT_EQ(area.kind, ItemKind::Numeric);
    EXPECT_EQ(area.line, 5);
    EXPECT_EQ(area.name, "AREA ");
    EXPECT_EQ(area.label, "Tank area        ");
    EXPECT_EQ(area.help, 12);
    EXPECT_EQ(area.numeric.value, 12);
    EXPECT_EQ(area.numeric.siUnit, "m2");
    EXPECT_EQ(area.numeric.englishUnit, "ft2");
    EXPECT_EQ(area.numeric.format, (pal::LabelFormat{1, 1}));
    EXPECT_EQ(area.numeric.minimum, 1);
    EXPECT_EQ(area.numeric.maximum, 100);

    const FormItem& temp = doc.items[3];
    EXPECT_EQ(temp.help, 0);  // an empty help field
    EXPECT_EQ(temp.numeric.format, (pal::LabelFormat{1, 2}));
    EXPECT_NEAR(static_cast<double>(temp.numeric.offset), 17.7778, 1e-12);

    const FormItem& fluid = doc.items[4];
    EXPECT_EQ(fluid.kind, ItemKind::Choice);
    EXPECT_TRUE(fluid.shownChoice());
    ASSERT_EQ(fluid.entryCount(), 3u);
    EXPECT_EQ(*fluid.rows, (std::vector<std::string>{"Water", "Oil", "Glycol"}));
    EXPECT_EQ(fluid.selected, 0);
    EXPECT_EQ(fluid.valueText, "water");
    EXPECT_EQ(fluid.help, 3);

    const FormItem& dens = doc.items[5];
    EXPECT_TRUE(dens.dependentChoice());
    EXPECT_EQ(dens.entryCount(), 0u);
    EXPECT_EQ(dens.valueText, "1000");
    EXPECT_EQ(dens.line, 11);

    EXPECT_EQ(doc.items[6].kind, ItemKind::Picture);
    EXPECT_EQ(doc.items[6].picture, "pump.bmp");
    EXPECT_EQ(doc.items[6].picturePath, d.path("pump.bmp"));

    const FormItem& data = doc.items[7];
    EXPECT_EQ(data.kind, ItemKind::File);
    EXPECT_EQ(data.name, "ASSIGN");
    EXPECT_EQ(data.valueText, "data.txt");
    EXPECT_EQ(data.unit, 10);
    EXPECT_EQ(data.help, 5);
    EXPECT_EQ(data.label, "Input data");
    EXPECT_EQ(data.line, 14);
}

TEST(QuivetReader, ChoiceSelectionFollowsTheStatementValue) {
    ScratchDir d;
    writeBytes(d.path("fl.chc"), "3\nWater,water\nOil,oil\nAir,air\n");
    writeBytes(d.path("out.dat"), "");
    auto doc = readText(d, "F=OIL\n*|<Fluid|fl.chc|1|2|0\nASSIGN air 7\n*|<Gas|fl.chc|1|2|0\nG=steam\n*|<Other|fl.chc|1|2|0\n");
    ASSERT_EQ(doc.items.size(), 3u);
    EXPECT_EQ(doc.items[0].selected, 1);
    EXPECT_TRUE(doc.items[1].assign);
    EXPECT_EQ(doc.items[1].valueText, "air");
    EXPECT_EQ(doc.items[1].unit, 7);
    EXPECT_EQ(doc.items[1].selected, 2);
    // No match: an extra entry keeps the value, marked as not in the list.
    EXPECT_EQ(doc.items[2].selected, 3);
    EXPECT_EQ(doc.items[2].entry(3), std::string("steam") + kNotInListMark);
    EXPECT_EQ(doc.items[2].entryCount(), 4u);
    // The fields of one file share one list of its rows.
    EXPECT_EQ(doc.items[0].rows, doc.items[2].rows);
}

// Thousands of choice fields on one long choice file: the form holds the file's
// rows once, not once per field, and finds each field's row without walking them.
TEST(QuivetReader, ChoiceFieldsShareTheirFilesRows) {
    ScratchDir d;
    constexpr int kRows = 2000, kFields = 2000;
    std::string choices = std::to_string(kRows) + "\n";
    for (int r = 0; r < kRows; ++r) choices += "Material number " + std::to_string(r) + ",m" + std::to_string(r) + "\n";
    writeBytes(d.path("mat.chc"), choices);
    std::string form = "*QUIVET\n";
    for (int k = 0; k < kFields; ++k)
        form += "C" + std::to_string(k) + "=m" + std::to_string(k % kRows) + "\n*|<Material|mat.chc|1|2|0\n";
    writeBytes(d.path("many.qvd"), form);
    const std::size_t before = testsupport::heapBytesInUse();
    const QuivetDocument doc = readQuivetFile(d.path("many.qvd"), {});
    const std::size_t held = testsupport::heapBytesInUse() - before;
    ASSERT_EQ(doc.items.size(), static_cast<std::size_t>(kFields));
    EXPECT_EQ(doc.items[1234].selected, 1234);
    EXPECT_EQ(doc.items[1234].entry(1234), "Material number 1234");
    // The document is a few times the size of its files, not fields x rows.
    EXPECT_LT(held, 40 * (form.size() + choices.size())) << held;
}

TEST(QuivetReader, DescriptorBindsToThePrecedingNonEmptyLine) {
    ScratchDir d;
    const auto doc = readText(d, "X=1\n\n*|Gap|u|u|0|1|0|10|0\n");
    ASSERT_EQ(doc.items.size(), 1u);
    EXPECT_EQ(doc.items[0].line, 1);  // the statement's line, not the empty line's
    EXPECT_EQ(doc.items[0].statement, "X=1");

    // The second of two descriptors in a row describes the first one.
    const auto e = errorOf(d, "X=1\n*|A|u|u|0|1|0|10|0\n*|B|u|u|0|1|0|10|0\n");
    EXPECT_EQ(e.first, QuivetError::Kind::InputError);
    EXPECT_EQ(e.second, "****Input Error****\n*|A|u|u|0|1|0|10|0\n*|B|u|u|0|1|0|10|0\nFile " + d.path("t.qvd") + ", line 3");
}

TEST(QuivetReader, PicturesCommandsAndHiddenChoices) {
    ScratchDir d;
    writeBytes(d.path("fig.bmp"), "BM");
    const auto doc = readText(d, "*|<picture>   Fig.BMP\n*|<BEFORE>\nX=a\n*|<Hidden|nowhere.chc|-1|2|0\n");
    ASSERT_EQ(doc.items.size(), 2u);
    EXPECT_EQ(doc.items[0].picture, "Fig.BMP");  // the case as written, found ignoring case
    EXPECT_EQ(doc.items[0].picturePath, d.path("fig.bmp"));
    EXPECT_EQ(doc.beforeCommand, "");
    EXPECT_FALSE(doc.items[1].shownChoice());
    EXPECT_FALSE(doc.items[1].dependentChoice());
    EXPECT_EQ(doc.items[1].valueText, "a");
}

TEST(QuivetReader, TheEnginesRemarkAfterAValueIsNotPartOfIt) {
    ScratchDir d;
    writeBytes(d.path("fl.chc"), "2\nWater,water\nOil,oil\n");
    writeBytes(d.path("data.dat"), "1\n");
    const auto doc = readText(d, "*QUIVET\nCONSTANTS 3\nX = 28 ! days\n*|Period|d|d|0|1|0|100|4\n"
                                 "F=oil! the fluid\n*|<Fluid|fl.chc|1|2|5\n"
                                 "ASSIGN data.dat 12 ! weather\n*|?Weather|6\n");
    ASSERT_EQ(doc.items.size(), 3u);
    EXPECT_EQ(doc.items[0].numeric.value, 28.0L);
    EXPECT_EQ(doc.items[0].remark, "! days");
    EXPECT_EQ(doc.items[0].help, 4);
    EXPECT_EQ(doc.items[1].valueText, "oil");
    EXPECT_EQ(doc.items[1].selected, 1);
    EXPECT_EQ(doc.items[1].remark, "! the fluid");
    EXPECT_EQ(doc.items[2].valueText, "data.dat");
    EXPECT_EQ(doc.items[2].unit, 12);
    EXPECT_EQ(doc.items[2].remark, "! weather");
    // A remark does not make a bad value good.
    const auto e = errorOf(d, "*QUIVET\nX = ! days\n*|Period|d|d|0|1|0|100|4\n");
    EXPECT_EQ(e.first, QuivetError::Kind::InputError);
}

TEST(QuivetReader, MalformedStatementsAndDescriptorsAreInputErrors) {
    ScratchDir d;
    writeBytes(d.path("fl.chc"), "1\nWater,water\n");
    const char* cases[][2] = {
        {"CONSTANTS 1", "*|Label|u|u|0|1|0|10|0"},            // no "="
        {"X=abc", "*|Label|u|u|0|1|0|10|0"},                  // value not a number
        {"X=1", "*|Label|u|u|0|1|0|10"},                      // no bar after the maximum
        {"X=1", "*|Label|u|u|zero|1|0|10|0"},                 // offset
        {"X=1", "*|Label|u|u|0|1|0|ten|0"},                   // maximum
        {"X=1", "*|Label|u|u|0|1|0|10|x"},                    // help
        {"X=water", "*|<Fluid|fl.chc|1|2|"},                  // choice help required
        {"X=water", "*|<Fluid|fl.chc|one|2|0"},               // display column
        {"X=water", "*|<Fluid|fl.chc|1|0|0"},                 // value column below 1
        {"X=water", "*|<Fluid|fl.chc|1|2"},                   // too few fields
        {"CONSTANTS 1", "*|<Fluid|fl.chc|1|2|0"},             // neither "=" nor ASSIGN
        {"ASSIGN water x", "*|<Fluid|fl.chc|1|2|0"},          // unit not an integer
        {"X=1", "*|?Data|0"},                                 // file field needs ASSIGN
        {"ASSIGN", "*|?Data|0"},                              // ASSIGN without a file
    };
    for (const auto& c : cases) {
        const auto e = errorOf(d, std::string("*QUIVET\n") + c[0] + "\n" + c[1] + "\n");
        EXPECT_EQ(e.first, QuivetError::Kind::InputError) << c[1];
        EXPECT_EQ(e.second, std::string("****Input Error****\n") + c[0] + "\n" + c[1] + "\nFile " + d.path("t.qvd") + ", line 3")
            << c[1];
    }
}

TEST(QuivetReader, MissingNamedFilesAndUnreadableFiles) {
    ScratchDir d;
    EXPECT_EQ(errorOf(d, "X=a\n*|<Fluid|nofile.chc|1|2|0\n").second, "nofile.chc was not found");
    EXPECT_EQ(errorOf(d, "*|<PICTURE>nofig.bmp\n").second, "Figure file nofig.bmp was not found");
    EXPECT_EQ(errorOf(d, "ASSIGN nodata.txt 5\n*|?Data|0\n").second, "nodata.txt was not found");
    EXPECT_EQ(errorOf(d, "X=a\n*|<Fluid|nofile.chc|1|2|0\n").first, QuivetError::Kind::MissingFile);
    try {
        readQuivetFile(d.path("absent.qvd"), {});
        FAIL();
    } catch (const QuivetError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + d.path("absent.qvd") + ".");
    }
}

TEST(QuivetReader, NamedFilesAreFoundBesideTheQuivetFileWithBackslashes) {
    ScratchDir d;
    std::filesystem::create_directories(d.path("sub"));
    writeBytes(d.path("sub/list.chc"), "1\nA,a\n");
    const auto doc = readText(d, "X=a\n*|<L|sub\\LIST.CHC|1|2|0\n");
    EXPECT_EQ(doc.items[0].choicePath, d.path("sub/list.chc"));
}

// Damaged files: any mix of markup fragments is either read or refused with a
// message, never a crash or a hang.
TEST(QuivetReader, ScrambledMarkupIsReadOrRefused) {
    ScratchDir d;
    writeBytes(d.path("fl.chc"), "2\nA,a,1\nB,b,2\n");
    const char* pieces[] = {"*|", "|", "<", "?", "*", "=", "ASSIGN ", " ", "1", "-3", "2.5", "E", ".", "fl.chc",
                            "<PICTURE>", "<BEFORE> ", "x", "\t", ","};
    std::mt19937 rng(7);
    int read = 0, refused = 0;
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int line = 0; line < 12; ++line) {
            const int n = static_cast<int>(rng() % 12);
            for (int k = 0; k < n; ++k) text += pieces[rng() % std::size(pieces)];
            text += "\n";
        }
        try {
            readText(d, text);
            ++read;
        } catch (const QuivetError& e) {
            EXPECT_FALSE(std::string(e.what()).empty());
            ++refused;
        }
    }
    EXPECT_GT(read, 0);
    EXPECT_GT(refused, 0);
}
