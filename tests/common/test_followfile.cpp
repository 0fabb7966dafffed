// Following a growing file: whole lines only, appended bytes only, and a fresh
// start for a file that was replaced, shortened or rewritten.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "common/followfile.h"

namespace fs = std::filesystem;
using Change = pal::FollowedFile::Change;

namespace {

struct Step {
    const char* what;                               // what the writer does before the look
    std::function<void(const std::string&)> write;  // on the followed path
    bool final;
    Change change;
    const char* lines;                              // handed over at this look
};

void append(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary | std::ios::app) << text; }
void rewrite(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary | std::ios::trunc) << text; }
// A new file renamed over the old one, as the engine starts a run.
void replace(const std::string& path, const std::string& text) {
    rewrite(path + ".new", text);
    fs::rename(path + ".new", path);
}

struct Case {
    const char* name;
    std::vector<Step> steps;
};

class FollowedFileTest : public testing::TestWithParam<Case> {};

}  // namespace

TEST_P(FollowedFileTest, HandsOverWhatTheWriterAdded) {
    const fs::path dir = fs::temp_directory_path() / ("follow." + std::to_string(::getpid()) + "." + GetParam().name);
    fs::create_directories(dir);
    const std::string path = (dir / "RUN ä.PLT").string();
    pal::FollowedFile followed(path);
    for (const Step& step : GetParam().steps) {
        step.write(path);
        std::string got;
        bool restarted = false;
        const Change change = followed.poll([&](std::string_view lines) { got += lines; }, step.final,
                                            [&] { restarted = true; got += "|"; });
        EXPECT_EQ(change, step.change) << step.what;
        EXPECT_EQ(got, (restarted ? "|" : "") + std::string(step.lines)) << step.what;
    }
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, FollowedFileTest,
    testing::Values(
        Case{"torn",
             {{"a line cut while written", [](auto& p) { rewrite(p, "TIME Y\r\n0 1\r\n1 2"); }, false, Change::Appended, "TIME Y\r\n0 1\r\n"},
              {"nothing new", [](auto&) {}, false, Change::None, ""},
              {"the line completed", [](auto& p) { append(p, "\r\n2 3\r\n3"); }, false, Change::Appended, "1 2\r\n2 3\r\n"},
              {"the writer ended without a line end", [](auto&) {}, true, Change::Appended, "3"},
              {"and nothing more", [](auto&) {}, true, Change::None, ""}}},
        Case{"replaced",
             {{"first run", [](auto& p) { rewrite(p, "A\r\n1\r\n2\r\n"); }, false, Change::Appended, "A\r\n1\r\n2\r\n"},
              {"a new run, longer", [](auto& p) { replace(p, "A\r\n5\r\n6\r\n7\r\n"); }, false, Change::Restarted, "A\r\n5\r\n6\r\n7\r\n"}}},
        Case{"shrunk",
             {{"a long file", [](auto& p) { rewrite(p, "A\n1\n2\n3\n"); }, false, Change::Appended, "A\n1\n2\n3\n"},
              {"truncated to zero", [](auto& p) { rewrite(p, ""); }, false, Change::Restarted, ""},
              {"written again", [](auto& p) { append(p, "B\n9\n"); }, false, Change::Appended, "B\n9\n"}}},
        Case{"rewritten",
             {{"first run", [](auto& p) { rewrite(p, "A\n1\n2\n"); }, false, Change::Appended, "A\n1\n2\n"},
              {"same inode, other bytes, longer", [](auto& p) { rewrite(p, "A\n7\n8\n9\n"); }, false, Change::Restarted, "A\n7\n8\n9\n"}}},
        Case{"gone",
             {{"a file", [](auto& p) { rewrite(p, "A\n1\n"); }, false, Change::Appended, "A\n1\n"},
              {"removed", [](auto& p) { fs::remove(p); }, false, Change::Missing, ""},
              {"back again", [](auto& p) { rewrite(p, "B\n1\n2\n"); }, false, Change::Restarted, "B\n1\n2\n"}}},
        Case{"grownafterfinal",
             {{"ended without a line end", [](auto& p) { rewrite(p, "A\n1"); }, true, Change::Appended, "A\n1"},
              {"but it went on", [](auto& p) { append(p, "5\n"); }, false, Change::Restarted, "A\n15\n"}}},
        Case{"pipe",
             {{"a pipe where the file was", [](auto& p) { ::mkfifo(p.c_str(), 0600); }, false, Change::Missing, ""}}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(FollowedFile, ReadsOnlyTheNewBytesInPiecesOfWholeLines) {
    const fs::path path = fs::temp_directory_path() / ("follow-big." + std::to_string(::getpid()));
    // More than two pieces of lines, so that a line crosses a piece's end.
    const std::string line = "0.123456E+01 0.654321E+02 0.1E+00\r\n";
    std::string text;
    while (text.size() < 2 * pal::FollowedFile::chunkBytes + 1000) text += line;
    rewrite(path.string(), text);
    pal::FollowedFile followed(path.string());
    std::size_t pieces = 0, bytes = 0;
    followed.poll([&](std::string_view lines) {
        ++pieces;
        bytes += lines.size();
        EXPECT_EQ(lines.back(), '\n');
    });
    EXPECT_EQ(bytes, text.size());
    EXPECT_EQ(pieces, 3u);
    append(path.string(), line);
    bytes = 0;
    followed.poll([&](std::string_view lines) { bytes += lines.size(); });
    EXPECT_EQ(bytes, line.size());
    EXPECT_EQ(followed.consumed(), text.size() + line.size());
    fs::remove(path);
}
