// Writing a form back as a deck: replaced lines byte for byte, choice values and
// their dependent fields, backups, and failures that leave files untouched.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <memory>

#include "common/ioerror.h"
#include "quivet/deckwriter.h"
#include "quivet/fieldnumber.h"
#include "quivet/quiveterror.h"
#include "quivet/quivetreader.h"
#include "sampleform.h"

namespace fs = std::filesystem;
using namespace quivet;
using quivettest::readBytes;
using quivettest::ScratchDir;
using quivettest::writeBytes;

namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// A form saved without a change is its file, byte for byte.
std::string unchangedSampleOutput() { return quivettest::kSampleForm; }

std::string writeError(const QuivetDocument& doc, const std::string& target) {
    try {
        writeDeck(doc, target);
    } catch (const pal::IoError& e) {
        return e.userText();
    }
    return "no error";
}

}  // namespace

TEST(DeckWriter, ReplacesExactlyTheFieldLines) {
    ScratchDir d;
    quivettest::writeSampleForm(d);
    QuivetDocument doc = readQuivetFile(d.path("form.qvd"), {});
    updateChoiceValues(doc);
    writeDeck(doc, d.path("copy.qvd"));
    EXPECT_EQ(readBytes(d.path("copy.qvd")), unchangedSampleOutput());
    EXPECT_EQ(readBytes(d.path("form.qvd")), quivettest::kSampleForm);  // Save As leaves the old file
    EXPECT_FALSE(fs::exists(d.path("form.BAK")));

    // A choice matched in another letter case keeps its text, as does the field
    // that depends on it, while the choice is not changed.
    const std::string upper = replaced(quivettest::kSampleForm, "FLUID=water", "FLUID=WATER ! fluid");
    writeBytes(d.path("upper.qvd"), upper);
    doc = readQuivetFile(d.path("upper.qvd"), {});
    updateChoiceValues(doc);
    writeDeck(doc, d.path("upper2.qvd"));
    EXPECT_EQ(readBytes(d.path("upper2.qvd")), upper);
}

// A value the user did not change keeps its text; a changed one is written in
// the deck's exponent form when that holds it exactly, else in the shortest text
// that reads back as the very value.
TEST(DeckWriter, NumbersAreWrittenWithoutRounding) {
    const long double kept = -1;  // the value as read
    const struct {
        const char* statement;
        long double value;
        const char* written;
    } rows[] = {
        {"PI=3.14159265358979", kept, "PI=3.14159265358979"},
        {"N = 123456789  ! count", kept, "N = 123456789  ! count"},
        {"X=1", 1, "X=1"},  // typed again as it was
        {"X=1", 28, "X=  2.8000E+0001"},
        {"X=1 ! r", 0.1L, "X=  1.0000E-0001 ! r"},
        {"X=1", 3.14159265358979L, "X= 3.14159265358979E+00"},
        {"X=1", 123456789, "X= 1.23456789E+08"},
        {"X=1", -2.5e-7L, "X= -2.5000E-0007"},
        {"X=1", 1.0L / 3, "X= 3.3333333333333333334E-01"},
    };
    ScratchDir d;
    for (const auto& row : rows) {
        const std::string form = std::string("*QUIVET\r\n") + row.statement + "\r\n*|X|u|u|0|1|-1E30|1E30|0\r\n";
        writeBytes(d.path("n.qvd"), form);
        QuivetDocument doc = readQuivetFile(d.path("n.qvd"), {});
        if (row.value != kept) doc.items[0].numeric.value = row.value;
        const long double value = doc.items[0].numeric.value;
        writeDeck(doc, d.path("out.qvd"));
        EXPECT_EQ(readBytes(d.path("out.qvd")), replaced(form, row.statement, row.written));
        EXPECT_EQ(readQuivetFile(d.path("out.qvd"), {}).items[0].numeric.value, value) << row.written;
    }
}

TEST(DeckWriter, EditedValuesChoicesAndDependentFields) {
    ScratchDir d;
    quivettest::writeSampleForm(d);
    QuivetDocument doc = readQuivetFile(d.path("form.qvd"), {});
    doc.items[1].text = "Hot run";
    doc.items[2].numeric.value = 28;
    const long double hot = doc.items[3].numeric.toSI(212, kEnglish);
    doc.items[3].numeric.value = hot;
    doc.items[4].selected = 2;
    doc.items[7].valueText = "other.txt";
    updateChoiceValues(doc);
    EXPECT_EQ(doc.items[4].valueText, "glycol");
    EXPECT_EQ(doc.items[5].valueText, "1110");
    writeDeck(doc, d.path("out.qvd"));
    std::string want = unchangedSampleOutput();
    want = replaced(want, "*|*Case|Base case|7", "*|*Case|Hot run|7");
    want = replaced(want, "AREA = 12.0", "AREA =  2.8000E+0001");
    // 212 F is not 100 C with an offset of 17.7778: the exact value is written.
    want = replaced(want, "TEMP=100", "TEMP= 9.9999977777777777785E+01");
    want = replaced(want, "FLUID=water", "FLUID= glycol");
    want = replaced(want, "DENS=1000", "DENS= 1110");
    want = replaced(want, "ASSIGN data.txt 10", "ASSIGN other.txt 10");
    EXPECT_EQ(readBytes(d.path("out.qvd")), want);
    writeBytes(d.path("other.txt"), "");
    EXPECT_EQ(readQuivetFile(d.path("out.qvd"), {}).items[3].numeric.value, hot);
}

TEST(DeckWriter, AChoiceTheFileDoesNotListIsKeptUntilAnotherIsChosen) {
    ScratchDir d;
    quivettest::writeSampleForm(d);
    writeBytes(d.path("form.qvd"),
               replaced(replaced(quivettest::kSampleForm, "FLUID=water", "FLUID=Mercury"), "DENS=1000", "DENS=13534"));
    QuivetDocument doc = readQuivetFile(d.path("form.qvd"), {});
    // Shown as an extra entry after the file's rows, marked, and chosen.
    ASSERT_EQ(doc.items[4].entryCount(), 4u);
    EXPECT_EQ(*doc.items[4].rows, (std::vector<std::string>{"Water", "Oil", "Glycol"}));
    EXPECT_EQ(doc.items[4].entry(3), std::string("Mercury") + kNotInListMark);
    EXPECT_EQ(doc.items[4].selected, 3);
    // Written back as it was, with its dependent field.
    updateChoiceValues(doc);
    writeDeck(doc, d.path("same.qvd"));
    const std::string same = readBytes(d.path("same.qvd"));
    EXPECT_NE(same.find("FLUID=Mercury\r\n*|<Fluid|fluids.chc|1|2|3\r\nDENS=13534\r\n"), std::string::npos) << same;
    // Another entry chosen: its value and its dependent's; chosen again: as read.
    doc.items[4].selected = 0;
    updateChoiceValues(doc);
    EXPECT_EQ(doc.items[4].valueText, "water");
    EXPECT_EQ(doc.items[5].valueText, "1000");
    doc.items[4].selected = 3;
    updateChoiceValues(doc);
    EXPECT_EQ(doc.items[4].valueText, "Mercury");
    EXPECT_EQ(doc.items[5].valueText, "13534");
}

TEST(DeckWriter, ItemLinesByKind) {
    FormItem heading;
    heading.label = "Title";
    EXPECT_FALSE(itemLine(heading));
    heading.hasText = true;
    heading.text = "x";
    EXPECT_EQ(itemLine(heading), "*|*Title|x");

    FormItem n;
    n.kind = ItemKind::Numeric;
    n.name = "DAY1";
    n.numeric.value = 1;
    EXPECT_EQ(itemLine(n), "DAY1=  1.0000E+0000");

    FormItem c;
    c.kind = ItemKind::Choice;
    c.displayColumn = 1;
    c.name = "ASSIGN";
    c.assign = true;
    c.valueText = "a.dat";
    c.unit = 12;
    EXPECT_FALSE(itemLine(c));  // a shown choice with no entries keeps its line
    c.rows = std::make_shared<const std::vector<std::string>>(std::vector<std::string>{"A"});
    EXPECT_EQ(itemLine(c), "ASSIGN a.dat 12");
}

TEST(DeckWriter, TheRemarkOfAStatementIsKept) {
    ScratchDir d;
    writeBytes(d.path("r.qvd"), "*QUIVET\r\nX = 28 ! days\r\n*|Period|d|d|0|1|0|100|4\r\n");
    QuivetDocument doc = readQuivetFile(d.path("r.qvd"), {});
    doc.items[0].numeric.value = 30;
    writeDeck(doc, d.path("out.qvd"));
    EXPECT_EQ(readBytes(d.path("out.qvd")), "*QUIVET\r\nX =  3.0000E+0001 ! days\r\n*|Period|d|d|0|1|0|100|4\r\n");
}

TEST(DeckWriter, BackupHoldsThePreviousVersionOnly) {
    ScratchDir d;
    std::filesystem::create_directories(d.path("w"));
    quivettest::writeSampleForm(d, "w/plant.rev.qvd");
    writeBytes(d.path("w/fluids.chc"), readBytes(d.path("fluids.chc")));
    writeBytes(d.path("w/pump.bmp"), "BM");
    writeBytes(d.path("w/data.txt"), "");
    QuivetDocument doc = readQuivetFile(d.path("w/plant.rev.qvd"), {});
    updateChoiceValues(doc);
    doc.items[2].numeric.value = 2;
    writeDeck(doc, doc.fileName);
    EXPECT_EQ(readBytes(d.path("w/plant.BAK")), quivettest::kSampleForm);
    const std::string first = readBytes(d.path("w/plant.rev.qvd"));
    doc.items[2].numeric.value = 3;
    writeDeck(doc, doc.fileName);
    EXPECT_EQ(readBytes(d.path("w/plant.BAK")), first);
    EXPECT_NE(readBytes(d.path("w/plant.rev.qvd")).find("AREA =  3.0000E+0000"), std::string::npos);
    EXPECT_EQ(backupNameFor("C:\\a.b\\plant"), "C:\\a.b\\plant.BAK");
}

TEST(DeckWriter, AFileNamedLikeItsBackupIsNotErased) {
    ScratchDir d;
    writeBytes(d.path("keep.BAK"), "X=1\r\n*|X|u|u|0|1|0|10|0\r\n");
    QuivetDocument doc = readQuivetFile(d.path("keep.BAK"), {});
    doc.items[0].numeric.value = 5;
    writeDeck(doc, doc.fileName);
    EXPECT_EQ(readBytes(d.path("keep.BAK")), "X=  5.0000E+0000\r\n*|X|u|u|0|1|0|10|0\r\n");
}

TEST(DeckWriter, LinesOfAnyLengthPassAndEmptySourcesGiveOneLine) {
    ScratchDir d;
    const std::string line255(255, 'a'), line300(300, 'b');
    writeBytes(d.path("long.qvd"), "*QUIVET\n" + line255 + "\n" + line300 + "\n");
    QuivetDocument doc = readQuivetFile(d.path("long.qvd"), {});
    writeDeck(doc, d.path("long2.qvd"));
    EXPECT_EQ(readBytes(d.path("long2.qvd")), "*QUIVET\r\n" + line255 + "\r\n" + line300 + "\r\n");

    writeBytes(d.path("empty.qvd"), "");
    doc = readQuivetFile(d.path("empty.qvd"), {});
    writeDeck(doc, d.path("empty2.qvd"));
    EXPECT_EQ(readBytes(d.path("empty2.qvd")), "\r\n");
}

TEST(DeckWriter, FailuresLeaveFilesAsTheyWere) {
    ScratchDir d;
    quivettest::writeSampleForm(d);
    QuivetDocument doc = readQuivetFile(d.path("form.qvd"), {});

    // The backup cannot be erased.
    fs::create_directories(d.path("form.BAK/x"));
    EXPECT_EQ(writeError(doc, doc.fileName), "Error #39.  Could not erase " + d.path("form.BAK"));
    EXPECT_EQ(readBytes(d.path("form.qvd")), quivettest::kSampleForm);
    fs::remove_all(d.path("form.BAK"));

    // The target cannot be created: an existing target stays whole.
    fs::create_directories(d.path("ro"));
    writeBytes(d.path("ro/t.qvd"), "old\r\n");
    fs::permissions(d.path("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0) {
        EXPECT_EQ(writeError(doc, d.path("ro/t.qvd")).rfind("Error #", 0), 0u);
        EXPECT_EQ(readBytes(d.path("ro/t.qvd")), "old\r\n");
    }
    fs::permissions(d.path("ro"), fs::perms::owner_all);

    // The file itself is gone (deleted or moved while the form was open): the
    // lines the form read are written, under its name and under another.
    fs::remove(d.path("form.qvd"));
    EXPECT_EQ(writeError(doc, doc.fileName), "no error");
    EXPECT_EQ(readBytes(d.path("form.qvd")), unchangedSampleOutput());
    fs::remove(d.path("form.qvd"));
    doc.items[3].numeric.value = 50;
    const std::vector<std::string> written = writeDeck(doc, d.path("moved.qvd"));
    EXPECT_EQ(readBytes(d.path("moved.qvd")), replaced(unchangedSampleOutput(), "TEMP=100", "TEMP=  5.0000E+0001"));
    EXPECT_EQ(written.size(), doc.lines.size());
    EXPECT_FALSE(fs::exists(d.path("form.qvd")));
}

TEST(DeckWriter, AnUnreadableChoiceFileChangesNoValue) {
    ScratchDir d;
    quivettest::writeSampleForm(d);
    QuivetDocument doc = readQuivetFile(d.path("form.qvd"), {});
    doc.items[4].selected = 1;
    fs::remove(d.path("fluids.chc"));
    try {
        updateChoiceValues(doc);
        FAIL();
    } catch (const QuivetError& e) {
        EXPECT_STREQ(e.what(), "File fluids.chc was not found");
    }
    EXPECT_EQ(doc.items[4].valueText, "water");
    EXPECT_EQ(doc.items[5].valueText, "1000");
}

TEST(DeckWriter, ADescriptorAfterAnEmptyLineSavesIntoItsStatement) {
    ScratchDir d;
    writeBytes(d.path("gap.qvd"), "*QUIVET\nX=1\n\n*|Gap|u|u|0|1|0|10|0\nSIMULATION 0 1 1\nEND\n");
    QuivetDocument doc = readQuivetFile(d.path("gap.qvd"), {});
    doc.items[0].numeric.value = 5;
    writeDeck(doc, doc.fileName);
    EXPECT_EQ(readBytes(d.path("gap.qvd")),
              "*QUIVET\r\nX=  5.0000E+0000\r\n\r\n*|Gap|u|u|0|1|0|10|0\r\nSIMULATION 0 1 1\r\nEND\r\n");
    EXPECT_EQ(readQuivetFile(d.path("gap.qvd"), {}).items[0].numeric.value, 5);
}

TEST(DeckWriter, LinesTheFormCouldNotReadBackAreRefusedBeforeAnythingIsWritten) {
    ScratchDir d;
    writeBytes(d.path("in put.txt"), "");
    writeBytes(d.path("data.txt"), "");
    writeBytes(d.path("f.chc"), "2\nPlain,data.txt\nSpaced,in put.txt\n");
    const std::string form = "*QUIVET\n*|*Case|Base|1\nASSIGN data.txt 10\n*|<Input|f.chc|1|2|0\n"
                             "ASSIGN data.txt 11\n*|?Output|0\nEND\n";
    writeBytes(d.path("form.qvd"), form);
    const QuivetDocument read = readQuivetFile(d.path("form.qvd"), {});

    QuivetDocument chosen = read;  // the entry whose value holds a blank
    chosen.items[1].selected = 1;
    updateChoiceValues(chosen);
    EXPECT_EQ(chosen.items[1].valueText, "in put.txt");
    EXPECT_EQ(writeError(chosen, chosen.fileName),
              "Line 3 (ASSIGN) cannot be written: The file name \"in put.txt\" cannot be written in an ASSIGN "
              "statement: the statement ends at its first blank");

    QuivetDocument typed = read;
    typed.items[2].valueText = "";
    EXPECT_NE(writeError(typed, typed.fileName).find("it is empty"), std::string::npos);
    typed.items[2].valueText = "a=b.txt";  // would read back as a NAME=value statement
    EXPECT_NE(writeError(typed, typed.fileName).find("is read as NAME=value"), std::string::npos);
    typed = read;
    typed.items[0].text = "a|b";
    EXPECT_NE(writeError(typed, typed.fileName).find("cannot hold \"|\""), std::string::npos);
    typed = read;
    typed.items[0].text = std::string(250, 'x');  // a statement over 255 characters is never cut
    EXPECT_NE(writeError(typed, d.path("other.qvd")).find("would be 260 characters long"), std::string::npos);
    EXPECT_FALSE(fs::exists(d.path("other.qvd")));

    EXPECT_EQ(readBytes(d.path("form.qvd")), form);
    EXPECT_FALSE(fs::exists(d.path("form.BAK")));
    EXPECT_FALSE(unwritableReason(read.items[1]));
}
