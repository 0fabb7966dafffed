#include <gtest/gtest.h>
#include <unistd.h>

#include "common/ioerror.h"
#include "help/helptext.h"
#include "support/coretemp.h"

using namespace pal;

TEST(TopicText, SectionBetweenMarkersReflowed) {
    const std::string file =
        "Help for PUMP.QVD\r\n"
        ".Topic=3\r\n"
        "The pump delivers\r\n"
        "this much water.\r\n"
        " Indented line stays.\r\n"
        "\r\n"
        "Next paragraph.\r\n"
        ".TOPIC=4\r\n"
        "Other topic.\r\n";
    EXPECT_EQ(topicText(file, 3).value(), "The pump delivers this much water.\n Indented line stays.\n Next paragraph.");
    EXPECT_EQ(topicText(file, 4).value(), "Other topic.");
    EXPECT_FALSE(topicText(file, 5).has_value());
    EXPECT_FALSE(topicText("no markers here", 1).has_value());
}

TEST(TopicText, MarkerForTwelveAnswersOneWhenFirst) {
    const std::string file = ".TOPIC=12\r\ntwelve\r\n.TOPIC=1\r\none\r\n";
    EXPECT_EQ(topicText(file, 1).value(), "twelve");
    EXPECT_EQ(topicText(file, 12).value(), "twelve");
}

TEST(TopicText, LineFeedFilesReflowLikeCrLfAndLastTopicRunsToTheEnd) {
    EXPECT_EQ(topicText(".topic=2\nThe pump delivers\nwater.\n Indented.\n\nNext.\n.TOPIC=3\nx\n", 2).value(),
              "The pump delivers water.\n Indented.\n Next.");
    EXPECT_EQ(topicText(".TOPIC=7\r\nlast\r\nlines\r\n", 7).value(), "last lines");
}

TEST(TopicText, TheWordTopicInsideALineIsText) {
    const std::string file = ".TOPIC=1\r\nSee the .topic lines below\r\nfor more.\r\n  .Topic=2\r\ntwo\r\n";
    EXPECT_EQ(topicText(file, 1).value(), "See the .topic lines below for more.");
    EXPECT_EQ(topicText(file, 2).value(), "two");
}

TEST(FileHeadTest, SizeAndFirstBytesOfAHugeSparseFile) {
    coretest::TempDir dir;
    const std::string path = dir / "HUGE.TXT";
    coretest::write(path, "ab");
    ASSERT_EQ(::truncate(path.c_str(), 5'000'000'000LL), 0);  // sparse: nothing on disk
    const FileHead h = readFileHead(path, 4);
    EXPECT_EQ(h.size, 5'000'000'000ULL);
    EXPECT_EQ(h.head, std::string("ab\0\0", 4));
    EXPECT_THROW(readFileHead(dir / "NONE.TXT", 4), IoError);
}

TEST(TopicText, TopicFileIsNamedFromTheBaseName) {
    EXPECT_EQ(topicFileFor("/w/run.1/PUMP.QVD"), "/w/run.1/PUMP.HLP");
    EXPECT_EQ(topicFileFor("/w/PUMP.REV.QVD"), "/w/PUMP.HLP");
    EXPECT_EQ(topicFileFor("/w/PUMP.QVD"), "/w/PUMP.HLP");
}

TEST(IndexEntryLine, CommasOrBlanksSeparateThreePaths) {
    const IndexEntry e = parseIndexEntry("Pump", "  \\RUNS\\PUMP.DCK,PUMP.BMP, PUMP.TXT ");
    EXPECT_EQ(e.file, "\\RUNS\\PUMP.DCK");
    EXPECT_EQ(e.picture, "PUMP.BMP");
    EXPECT_EQ(e.help, "PUMP.TXT");
    const IndexEntry only = parseIndexEntry("Solo", "SOLO.QVD");
    EXPECT_EQ(only.file, "SOLO.QVD");
    EXPECT_TRUE(only.picture.empty());
    EXPECT_TRUE(only.help.empty());
    const IndexEntry rest = parseIndexEntry("T", "A.DCK  B.BMP   help file.txt  ");
    EXPECT_EQ(rest.help, "help file.txt");  // the rest after the picture, trimmed
}

TEST(IndexFile, TitlesThenPairsAndNoEmptyTrailingEntry) {
    coretest::TempDir d;
    coretest::write(d / "A.IDX", "Title one\r\nTitle two\r\nTitle three\r\nPump\r\nPUMP.DCK PUMP.BMP\r\nHeat\r\nHEATX.DCK\r\n");
    const IndexFile f = readIndexFile(d / "A.IDX");
    EXPECT_EQ(f.titles[2], "Title three");
    ASSERT_EQ(f.entries.size(), 2u);
    EXPECT_EQ(f.entries[1].title, "Heat");
    EXPECT_EQ(f.entries[0].picture, "PUMP.BMP");
    coretest::write(d / "B.IDX", "1\r\n2\r\n3\r\n");
    EXPECT_TRUE(readIndexFile(d / "B.IDX").entries.empty());
    EXPECT_THROW(readIndexFile(d / "NONE.IDX"), IoError);
}

TEST(HelpReflow, SentencesParagraphsAndIndentedLines) {
    EXPECT_EQ(reflowHelpText({"First sentence.", "Second one", "runs on", "", " Indented", "tail "}),
              "First sentence.  Second one runs on \n\n Indented tail ");
    const std::string big(kMaxHelpText + 10, 'x');
    EXPECT_EQ(reflowHelpText({big}).size(), kMaxHelpText);
    EXPECT_TRUE(isSystemHelpFile("?_\x03\x00"));
    EXPECT_FALSE(isSystemHelpFile("?"));
}
