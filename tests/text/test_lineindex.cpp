// The viewer's line index: line starts and ends (LF, CR LF, no last line end,
// empty file), long lines and their bound, incremental indexing, its memory bound, and the
// byte search with its per-line encoding rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

#include "common/ioerror.h"
#include "common/textfile.h"
#include "text/lineindex.h"
#include "common/utf8check.h"

using namespace pal;

namespace {

class TempFile {
public:
    explicit TempFile(const std::string& content) {
        char tmpl[] = "/tmp/palumaro-lineindex-XXXXXX";
        const int fd = ::mkstemp(tmpl);
        if (fd < 0) throw std::runtime_error("mkstemp");
        ::close(fd);
        path_ = tmpl;
        write(content);
    }
    ~TempFile() { std::remove(path_.c_str()); }
    void write(const std::string& content) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::vector<std::string> shownLines(LineIndex& idx) {
    idx.indexAll();
    std::vector<std::string> out;
    for (std::size_t i = 0; i < idx.lineCount(); ++i) out.push_back(idx.displayLine(i).bytes);
    return out;
}

struct SplitRow {
    const char* name;
    std::string content;
    std::vector<std::string> lines;
};

class LineSplitTest : public ::testing::TestWithParam<SplitRow> {};

TEST_P(LineSplitTest, LinesAsTheFileLayerReadsThem) {
    const SplitRow& r = GetParam();
    TempFile f(r.content);
    LineIndex idx(f.path());
    EXPECT_EQ(shownLines(idx), r.lines);
    // The same lines as the file layer's own reader gives.
    EXPECT_EQ(readLines(f.path()), r.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, LineSplitTest,
    ::testing::Values(SplitRow{"Empty", "", {}}, SplitRow{"OneLineNoEnd", "abc", {"abc"}},
                      SplitRow{"OneLineLF", "abc\n", {"abc"}}, SplitRow{"CRLF", "a\r\nb\r\n", {"a", "b"}},
                      SplitRow{"MixedNoLastEnd", "a\r\nb\nc", {"a", "b", "c"}},
                      SplitRow{"EmptyLines", "\n\n", {"", ""}}, SplitRow{"TrailingEmpty", "a\n\n", {"a", ""}},
                      SplitRow{"LoneCRKept", "a\rb\n", {"a\rb"}}, SplitRow{"CRBeforeEof", "abc\r", {"abc"}},
                      SplitRow{"OnlyCRLF", "\r\n", {""}}),
    [](const auto& info) { return std::string(info.param.name); });

// Lines are shown whole up to the index's bound, and cut there on a character
// boundary; a cut is told.
TEST(LineIndexTest, LongLinesAreShownWholeUpToTheBound) {
    const std::string longLine(70000, 'x');
    TempFile f("short\n" + longLine + "\r\nafter\n");
    LineIndex idx(f.path());
    idx.indexAll();
    ASSERT_EQ(idx.lineCount(), 3u);
    EXPECT_EQ(idx.displayLine(1).bytes, longLine);
    EXPECT_EQ(idx.lineLength(1), 70000u);
    EXPECT_EQ(idx.displayLine(2).bytes, "after");
    EXPECT_EQ(idx.longestLine(), 70000u);
    EXPECT_FALSE(idx.linesCut());

    // 254 ASCII bytes and then "é" (2 bytes): a bound of 255 would split it.
    TempFile g(std::string(254, 'a') + "\xC3\xA9" + "tail\nshort\n");
    LineIndex cut(g.path(), 255);
    cut.indexAll();
    const DisplayLine d = cut.displayLine(0);
    EXPECT_TRUE(d.utf8);
    EXPECT_EQ(d.bytes, std::string(254, 'a'));
    EXPECT_EQ(cut.longestLine(), 255u);
    EXPECT_TRUE(cut.linesCut());
}

TEST(LineIndexTest, EachLineDecidesItsEncoding) {
    TempFile f("caf\xC3\xA9\ncaf\xE9\nplain\n");
    LineIndex idx(f.path());
    idx.indexAll();
    EXPECT_TRUE(idx.displayLine(0).utf8);
    EXPECT_FALSE(idx.displayLine(1).utf8);
    EXPECT_TRUE(idx.displayLine(2).utf8);
}

TEST(LineIndexTest, MissingFileThrows) {
    EXPECT_THROW(LineIndex("/nonexistent/dir/file.lst"), IoError);
    EXPECT_THROW(LineIndex("/tmp"), IoError);
}

// Random files of mixed line ends and lengths (some longer than a checkpoint
// span): lines, starts and offsets agree with a plain split, however the
// indexing is sliced.
TEST(LineIndexTest, RandomFilesAgreeWithAPlainSplit) {
    std::mt19937 rng(7);
    for (int round = 0; round < 12; ++round) {
        std::string content;
        std::vector<std::pair<std::size_t, std::string>> ref;  // start, full line
        const int lines = 1 + static_cast<int>(rng() % 3000);
        for (int i = 0; i < lines; ++i) {
            std::size_t len = rng() % 90;
            if (rng() % 400 == 0) len = 70000 + rng() % 1000;  // beyond one checkpoint span
            if (rng() % 10 == 0) len = 250 + rng() % 20;       // around the cut
            std::string l;
            for (std::size_t k = 0; k < len; ++k) l.push_back(static_cast<char>('!' + rng() % 90));
            ref.push_back({content.size(), l});
            content += l;
            const bool last = i + 1 == lines;
            if (!last || rng() % 2) content += (rng() % 2) ? "\r\n" : "\n";
        }
        TempFile f(content);
        LineIndex idx(f.path());
        const std::size_t slice = 1 + rng() % 200000;
        while (!idx.indexMore(slice)) {
        }
        ASSERT_EQ(idx.lineCount(), ref.size()) << "round " << round;
        for (std::size_t i = 0; i < ref.size(); ++i) {
            ASSERT_EQ(idx.lineStart(i), ref[i].first) << "line " << i;
            ASSERT_EQ(idx.lineLength(i), ref[i].second.size()) << "line " << i;
            ASSERT_EQ(idx.displayLine(i).bytes, ref[i].second) << "line " << i;
        }
        // Every byte offset belongs to the line that holds it (its line end included).
        for (std::size_t i = 0; i < ref.size(); i += 1 + ref.size() / 50) {
            const std::size_t end = i + 1 < ref.size() ? ref[i + 1].first : content.size();
            for (std::size_t off : {ref[i].first, (ref[i].first + end) / 2, end - 1}) {
                if (off < content.size()) {
                    ASSERT_EQ(idx.lineOfOffset(off), i) << "offset " << off;
                }
            }
        }
    }
}

TEST(LineIndexTest, LinesCountWhileIndexingIsUnderWay) {
    std::string content;
    for (int i = 0; i < 100000; ++i) content += "line " + std::to_string(i) + "\n";
    TempFile f(content);
    LineIndex idx(f.path());
    EXPECT_FALSE(idx.indexMore(4096));
    const std::size_t early = idx.lineCount();
    EXPECT_GT(early, 100u);
    EXPECT_LT(early, 100000u);
    // Lines counted so far are complete and readable now.
    EXPECT_EQ(idx.displayLine(early - 1).bytes, "line " + std::to_string(early - 1));
    idx.indexUntilLine(50000);
    EXPECT_GT(idx.lineCount(), 50000u);
    EXPECT_EQ(idx.displayLine(50000).bytes, "line 50000");
    idx.indexAll();
    EXPECT_TRUE(idx.complete());
    EXPECT_EQ(idx.lineCount(), 100000u);
}

TEST(LineIndexTest, MemoryStaysASmallFractionOfTheFile) {
    // The worst case for an index: a file of empty lines.
    const std::string content(2000000, '\n');
    TempFile f(content);
    LineIndex idx(f.path());
    idx.indexAll();
    EXPECT_EQ(idx.lineCount(), 2000000u);
    EXPECT_EQ(idx.displayLine(1999999).bytes, "");
    EXPECT_LT(idx.memoryBytes(), content.size() / 8 + (1u << 20));
}

TEST(LineIndexTest, FileCutShortOnDiskGivesEmptyLinesNotACrash) {
    std::string content;
    for (int i = 0; i < 5000; ++i) content += "row " + std::to_string(i) + "\n";
    TempFile f(content);
    LineIndex idx(f.path());
    idx.indexAll();
    f.write("row 0\n");
    for (std::size_t i = 0; i < idx.lineCount(); i += 97) EXPECT_NO_THROW(idx.displayLine(i));
    EXPECT_EQ(idx.displayLine(4999).bytes, "");
}

// ---- search

FindRequest request(const std::string& text, bool forward, std::uint64_t from, bool caseSensitive = false,
                    const std::string& latin1 = {}) {
    FindRequest r;
    r.utf8 = text;
    r.latin1 = latin1.empty() ? text : latin1;
    r.forward = forward;
    r.from = from;
    r.caseSensitive = caseSensitive;
    return r;
}

TEST(LineIndexFindTest, ForwardAndBackwardFromAnOffset) {
    TempFile f("alpha beta\ngamma Beta\nbeta end\n");
    LineIndex idx(f.path());
    auto m = idx.find(request("beta", true, 0));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 0u);
    EXPECT_EQ(m->column, 6u);
    EXPECT_EQ(m->length, 4u);
    m = idx.find(request("beta", true, 7));  // from inside the first match
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 1u);
    EXPECT_EQ(m->column, 6u);
    m = idx.find(request("beta", true, 7, /*caseSensitive*/ true));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 2u);
    EXPECT_EQ(m->column, 0u);
    // Backward: matches starting before the offset, the nearest first.
    m = idx.find(request("beta", false, idx.fileSize()));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 2u);
    m = idx.find(request("beta", false, idx.lineStart(2)));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 1u);
    EXPECT_FALSE(idx.find(request("beta", false, 6)));
    EXPECT_FALSE(idx.find(request("delta", true, 0)));
    EXPECT_FALSE(idx.find(request("", true, 0)));
}

TEST(LineIndexFindTest, MatchesAcrossReadChunksAndAtTheEnds) {
    // A match straddling the 1 MiB read chunk, one on the first and one on the last line.
    std::string content = "needle first\n";
    while (content.size() < (1u << 20) - 3) content += "filler filler filler\n";
    content.resize((1u << 20) - 3);
    content += "NEEDLE straddles\n";
    for (int i = 0; i < 20000; ++i) content += "more filler\n";
    content += "last needle";
    TempFile f(content);
    LineIndex idx(f.path());
    auto m = idx.find(request("needle", true, 1));
    ASSERT_TRUE(m);
    EXPECT_EQ(idx.lineStart(m->line) + m->column, (1u << 20) - 3);
    m = idx.find(request("needle", true, (1u << 20)));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, idx.lineCount() - 1);
    EXPECT_EQ(m->column, 5u);
    m = idx.find(request("needle", false, (1u << 20) - 3));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 0u);
}

TEST(LineIndexFindTest, MatchMustLieInTheShownPartOfALine) {
    TempFile f(std::string(260, '.') + "hidden\nshown hidden\n");
    LineIndex idx(f.path(), 255);
    const auto m = idx.find(request("hidden", true, 0));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 1u);
    EXPECT_EQ(m->column, 6u);
}

TEST(LineIndexFindTest, NonAsciiTextMatchesInItsOwnEncodingOnly) {
    // Line 0 is Latin-1 ("café" with E9), line 1 UTF-8 ("café" with C3 A9).
    TempFile f("caf\xE9 latin\ncaf\xC3\xA9 utf\n");
    LineIndex idx(f.path());
    FindRequest r = request("caf\xC3\xA9", true, 0, true, "caf\xE9");
    auto m = idx.find(r);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 0u);
    EXPECT_EQ(m->length, 4u);
    r.from = 1;
    m = idx.find(r);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 1u);
    EXPECT_EQ(m->length, 5u);
    // Case folding of Latin-1 letters in a Latin-1 line.
    r = request("CAF\xC3\x89", true, 0, false, "CAF\xC9");
    m = idx.find(r);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 0u);
    // ... and in a UTF-8 line.
    r.from = 1;
    m = idx.find(r);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 1u);
    r.caseSensitive = true;
    EXPECT_FALSE(idx.find(r));
}

// ---- UTF-8 checks

struct Utf8Row {
    std::string bytes;
    bool valid;
};

class Utf8Test : public ::testing::TestWithParam<Utf8Row> {};

TEST_P(Utf8Test, WellFormedness) { EXPECT_EQ(isValidUtf8(GetParam().bytes), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(Sequences, Utf8Test,
                         ::testing::Values(Utf8Row{"", true}, Utf8Row{"plain", true}, Utf8Row{"\xC3\xA9", true},
                                           Utf8Row{"\xE2\x82\xAC", true}, Utf8Row{"\xF0\x9F\x98\x80", true},
                                           Utf8Row{"\xE9", false}, Utf8Row{"\xC0\xAF", false},          // overlong
                                           Utf8Row{"\xE0\x80\xAF", false}, Utf8Row{"\xED\xA0\x80", false},  // surrogate
                                           Utf8Row{"\xF4\x90\x80\x80", false}, Utf8Row{"\xC3", false},
                                           Utf8Row{"\x80", false}, Utf8Row{"\xFF", false}));

TEST(Utf8Test, PrefixAndCutLengths) {
    EXPECT_EQ(validUtf8PrefixLength("ab\xE2\x82"), 2u);  // a character cut at the end
    EXPECT_EQ(validUtf8PrefixLength("ab\xE2\x82\xAC"), 5u);
    EXPECT_EQ(validUtf8PrefixLength("a\xE9z"), std::string::npos);
    EXPECT_EQ(utf8CutLength("ab\xE2\x82\xAC", 3), 2u);
    EXPECT_EQ(utf8CutLength("ab\xE2\x82\xAC", 5), 5u);
    EXPECT_EQ(utf8CutLength("abcdef", 4), 4u);
}

}  // namespace

TEST(LineIndexFindTest, ProgressReportsEachMegabyteAndCanStopTheSearch) {
    std::string text;
    while (text.size() < (5u << 20)) text += "a line of a long listing without the word\n";
    text += "needle here\n";
    TempFile f(text);
    LineIndex idx(f.path());
    for (const bool forward : {true, false}) {
        FindRequest r = request("needle", forward, forward ? 0 : idx.fileSize() - 12);
        std::vector<std::uint64_t> seen;
        std::uint64_t total = 0;
        r.progress = [&](std::uint64_t done, std::uint64_t all) {
            seen.push_back(done);
            total = all;
            return true;
        };
        const auto m = idx.find(r);
        EXPECT_EQ(m.has_value(), forward);
        EXPECT_FALSE(idx.findCancelled());
        ASSERT_GE(seen.size(), 4u);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_LE(seen.back(), total);
        // Stopped after the second report: nothing found, and the reason is known.
        int calls = 0;
        r.progress = [&](std::uint64_t, std::uint64_t) { return ++calls < 2; };
        EXPECT_FALSE(idx.find(r));
        EXPECT_TRUE(idx.findCancelled());
        EXPECT_EQ(calls, 2);
        r.progress = nullptr;
        EXPECT_EQ(idx.find(r).has_value(), forward);
        EXPECT_FALSE(idx.findCancelled());
    }
}
