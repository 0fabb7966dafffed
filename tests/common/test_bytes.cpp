#include <gtest/gtest.h>

#include "common/bytes.h"

using namespace pal;

TEST(ExtensionTest, UpperCasedCutToFourFromLastDot) {
    struct Row { const char* path; const char* ext; };
    const Row rows[] = {{"/w/pump.dck", ".DCK"},   {"/w/DECK.DCKX", ".DCK"}, {"/w.1/PUMP", ".1/P"},
                        {"noext", ""},             {"a.b.Qvd", ".QVD"},      {"x.", "."}};
    for (const Row& r : rows) EXPECT_EQ(extensionTest(r.path), r.ext) << r.path;
}

TEST(BaseName, CutsAtTheFirstDotOfTheFileNameNeverOfADirectory) {
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\RUN.1\\PUMP.DCK", "C:\\RUN.1\\PUMP"},
        {"/tmp/run.1/PUMP.DCK", "/tmp/run.1/PUMP"},
        {"/home/first.last/v1.2/SOLAR.DCK", "/home/first.last/v1.2/SOLAR"},
        {"/tmp/PUMP.DCK", "/tmp/PUMP"},
        {"/tmp/x/A.B.DCK", "/tmp/x/A"},  // the first dot of the name
        {"A.B.DCK", "A"},
        {"/tmp/v1.2/PUMP", "/tmp/v1.2/PUMP"},  // no dot in the name: the whole path
        {"PUMP", "PUMP"},
        {"run.1\\PUMP", "run.1\\PUMP"},
    };
    for (const auto& [path, base] : rows) EXPECT_EQ(baseName(path), base) << path;
    EXPECT_TRUE(nameHasDot("/tmp/PUMP.DCK"));
    EXPECT_FALSE(nameHasDot("/tmp/run.1/PUMP"));
}

TEST(PathParts, BothSeparatorsCount) {
    EXPECT_EQ(fileNamePart("C:\\WORK\\PUMP.FOR"), "PUMP.FOR");
    EXPECT_EQ(fileNamePart("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(fileNamePart("plain"), "plain");
    EXPECT_EQ(directoryPart("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(directoryPart("C:\\WORK\\X"), "C:\\WORK");
    EXPECT_EQ(directoryPart("/c.txt"), "/");
    EXPECT_EQ(directoryPart("c.txt"), "");
}

TEST(ShortString, LengthByteThenCharactersAndZeroFill) {
    std::uint8_t slot[11];
    std::fill(std::begin(slot), std::end(slot), 0xEE);
    writeShortString(slot, 10, "ABC");
    EXPECT_EQ(slot[0], 3);
    EXPECT_EQ(slot[1], 'A');
    EXPECT_EQ(slot[4], 0);
    EXPECT_EQ(readShortString(slot, 10), "ABC");
    writeShortString(slot, 10, "ABCDEFGHIJKLMNOP");  // cut to the slot
    EXPECT_EQ(slot[0], 10);
    EXPECT_EQ(readShortString(slot, 10), "ABCDEFGHIJ");
    slot[0] = 200;  // a damaged length never reads past the slot
    EXPECT_EQ(readShortString(slot, 10).size(), 10u);
}

TEST(Text, UpperAndCompareIgnoreOnlyAsciiCase) {
    EXPECT_EQ(upper("*quivet\xe9"), "*QUIVET\xe9");
    EXPECT_TRUE(equalsNoCase("/A/pump.DCK", "/a/PUMP.dck"));
    EXPECT_FALSE(equalsNoCase("abc", "abcd"));
    EXPECT_EQ(trim("  x y \t"), "x y");
}

TEST(Text, WordsAreSeparatedByBlanksAndTabsOnly) {
    struct Row {
        const char* line;
        std::vector<std::string> words;
    };
    const std::vector<Row> rows = {
        {"ASSIGN  SOLAR1.PLT\t12", {"ASSIGN", "SOLAR1.PLT", "12"}},
        {"  \t ", {}},
        {"A=1,B", {"A=1,B"}},
        {"\tx\xe9 y\r", {"x\xe9", "y\r"}},
    };
    for (const Row& r : rows) EXPECT_EQ(splitWords(r.line), r.words) << r.line;
    EXPECT_EQ(wordSpans(" ab  c"), (std::vector<std::pair<std::size_t, std::size_t>>{{1, 2}, {5, 1}}));
}
