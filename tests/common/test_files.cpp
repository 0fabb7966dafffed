#include <gtest/gtest.h>

#include "support/coretemp.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"

namespace fs = std::filesystem;
using namespace pal;

using coretest::TempDir;
using coretest::write;

TEST(TextFiles, LinesAcceptLfAndCrLfAndAreCutAt255) {
    TempDir d;
    const std::string longLine(300, 'x');
    write(d / "a.txt", "one\r\ntwo\n" + longLine + "\nlast");
    const auto lines = readLines(d / "a.txt");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "one");
    EXPECT_EQ(lines[1], "two");
    EXPECT_EQ(lines[2], std::string(255, 'x'));
    EXPECT_EQ(lines[3], "last");
    write(d / "empty.txt", "");
    EXPECT_TRUE(readLines(d / "empty.txt").empty());
    EXPECT_EQ(readFirstLine(d / "a.txt"), "one");
}

TEST(TextFiles, WritingUsesCrLfAndKeepsEveryByte) {
    TempDir d;
    writeLinesCRLF(d / "b.txt", {"caf\xe9", "", "x\ty"});
    std::ifstream in(d / "b.txt", std::ios::binary);
    const std::string got((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(got, "caf\xe9\r\n\r\nx\ty\r\n");
}

TEST(TextFiles, MissingFileThrowsWithTheSystemWording) {
    TempDir d;
    try {
        readLines(d / "none.txt");
        FAIL();
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), ENOENT);
        EXPECT_NE(e.userText().find("No such file or directory"), std::string::npos);
    }
}

TEST(TextFiles, ReplaceKeepsPermissionsAndLeavesNoTemporaryFile) {
    TempDir d;
    write(d / "c.txt", "old");
    chmod((d / "c.txt").c_str(), 0640);
    replaceFile(d / "c.txt", "new content");
    EXPECT_EQ(readFileBytes(d / "c.txt"), "new content");
    struct stat st {};
    stat((d / "c.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int entries = 0;
    for (auto& e : fs::directory_iterator(d.path)) (void)e, ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(TextFiles, FailedReplaceThrowsAndLeavesNoTemporaryFile) {
    TempDir d;
    EXPECT_THROW(replaceFile(d / "missing-dir/x.txt", "x"), IoError);
    // The rename over a directory fails: the directory and its content stay.
    fs::create_directory(d.path / "target");
    write(d / "target/inside.txt", "precious");
    EXPECT_THROW(replaceFile(d / "target", "x"), IoError);
    EXPECT_EQ(readFileBytes(d / "target/inside.txt"), "precious");
    int entries = 0;
    for (auto& e : fs::directory_iterator(d.path)) (void)e, ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(FileLookup, ExactNameFirstThenAnyLetterCase) {
    TempDir d;
    write(d / "pump.lst", "l");
    EXPECT_EQ(findFile(d / "PUMP.LST").value(), d / "pump.lst");
    write(d / "PUMP.LST", "L");
    EXPECT_EQ(findFile(d / "PUMP.LST").value(), d / "PUMP.LST");
    EXPECT_FALSE(findFile(d / "PUMP.OUT").has_value());
    fs::create_directory(d.path / "DIR.LST");
    EXPECT_FALSE(findFile(d / "dir.lst").has_value());  // directories are not files
}

TEST(FileLookup, WildcardsMatchIgnoringCaseAndSkipDirectories) {
    TempDir d;
    for (const char* n : {"PUMP.O1", "PUMP.O2", "PUMP.OUT", "pump.o3", "PUMP.DCK", "PUMPS.O1"}) write(d / n, "x");
    fs::create_directory(d.path / "PUMP.ODIR");
    const auto found = matchFiles(d.path.string(), "PUMP.O*");
    EXPECT_EQ(found, (std::vector<std::string>{"PUMP.O1", "PUMP.O2", "PUMP.OUT", "pump.o3"}));
    EXPECT_TRUE(wildcardMatch("*.IDX", "types.idx"));
    EXPECT_FALSE(wildcardMatch("*.IDX", "types.idx.bak"));
    EXPECT_TRUE(wildcardMatch("a?c*", "ABCdef"));
}

TEST(FileLookup, DataPathsFallBackToTheProgramDirectory) {
    TempDir d;
    fs::create_directory(d.path / "KALWIN");
    write(d / "KALWIN/Month1.dat", "x");
    EXPECT_EQ(resolveDataPath("\\KALWIN\\Month1.dat", d.path.string()), d / "KALWIN/Month1.dat");
    EXPECT_EQ(resolveDataPath("C:\\KALWIN\\MONTH1.DAT", d.path.string()), d / "KALWIN/Month1.dat");
    EXPECT_EQ(resolveDataPath("\\NOWHERE\\x.dat", d.path.string()), "/NOWHERE/x.dat");
    EXPECT_EQ(joinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(joinPath("/a", "b"), "/a/b");
}

TEST(FileLookup, StartPathIsFoundAsAShellFindsIt) {
    TempDir d;
    fs::create_directories(d.path / "bin");
    fs::create_directories(d.path / "notexec");
    fs::create_directories(d.path / "work");
    write(d / "bin/palumaro", "#!");
    ::chmod((d / "bin/palumaro").c_str(), 0755);
    fs::create_symlink("palumaro", d.path / "bin/quivet");
    write(d / "notexec/quivet", "data");  // not executable: a shell passes it by
    ::chmod((d / "notexec/quivet").c_str(), 0644);
    const std::string path = d / "notexec" + ":" + d / "bin" + ":/usr/bin";
    const std::string cwd = d / "work";
    // A bare name typed in a shell in any directory: found in PATH, link kept.
    EXPECT_EQ(startPath("quivet", path, cwd), d / "bin/quivet");
    EXPECT_EQ(startPath("palumaro", path, cwd), d / "bin/palumaro");
    // A name with a "/" is taken from the working directory, PATH not searched.
    EXPECT_EQ(startPath("./quivet", path, cwd), cwd + "/./quivet");
    EXPECT_EQ(startPath("../bin/quivet", path, d / "work"), d / "work/../bin/quivet");
    EXPECT_EQ(startPath(d / "bin/quivet", path, "/"), d / "bin/quivet");
    // An empty PATH entry is the working directory.
    EXPECT_EQ(startPath("quivet", ":" + d / "bin", d / "bin"), d / "bin/quivet");
    EXPECT_EQ(startPath("nothere", path, cwd), cwd + "/nothere");
}
