#include <gtest/gtest.h>

#include "support/coretemp.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"

namespace fs = std::filesystem;
using namespace pal;

using coretest::TempDir;
using coretest::write;

TEST(TextFiles, LinesAcceptLfAndCrLfAndKeepTheirLength) {
    TempDir d;
    const std::string longLine(300, 'x');
    write(d / "a.txt", "one\r\ntwo\n" + longLine + "\nlast");
    const auto lines = readLines(d / "a.txt");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "one");
    EXPECT_EQ(lines[1], "two");
    EXPECT_EQ(lines[2], longLine);
    EXPECT_EQ(lines[3], "last");
    EXPECT_EQ(readLines(d / "a.txt", 255)[2], std::string(255, 'x'));  // a format's own cut
    writeLinesCRLF(d / "b.txt", lines);
    EXPECT_EQ(readFileBytes(d / "b.txt"), "one\r\ntwo\r\n" + longLine + "\r\nlast\r\n");
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

// What is not a regular file is refused with a message saying what it is, by
// every reader and by the writer; a named pipe is never waited on.
TEST(TextFiles, NonRegularFilesAreRefusedWithTheirKind) {
    TempDir d;
    fs::create_directory(d.path / "DIR.DCK");
    ASSERT_EQ(::mkfifo((d / "PIPE.DCK").c_str(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = d / "SOCK.DCK";
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sockPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const struct {
        std::string path;
        const char* kind;
    } rows[] = {{d / "DIR.DCK", "a directory"},
                {d / "PIPE.DCK", "a named pipe"},
                {"/dev/null", "a character device"},
                {sockPath, "a socket"}};
    const std::function<void(const std::string&)> uses[] = {
        [](const std::string& p) { readFileBytes(p); },
        [](const std::string& p) { readFirstLine(p); },
        [](const std::string& p) { readLines(p); },
        [](const std::string& p) { replaceFile(p, "x"); },
    };
    for (const auto& r : rows)
        for (std::size_t u = 0; u < std::size(uses); ++u) {
            SCOPED_TRACE(r.path + " use " + std::to_string(u));
            try {
                uses[u](r.path);
                ADD_FAILURE() << "not refused";
            } catch (const IoError& e) {
                EXPECT_EQ(std::string(e.what()), std::string("It is ") + r.kind + ", not a file");
                EXPECT_EQ(e.path(), r.path);
            }
        }
    ::close(sock);
    EXPECT_TRUE(fs::is_fifo(d.path / "PIPE.DCK"));  // the writer did not replace it
}

// The first line of a file without line ends is found without reading the file.
TEST(TextFiles, FirstLineReadsABoundedHead) {
    TempDir d;
    write(d / "ONE.DCK", std::string(8u << 20, 'x'));
    const auto bytesRead = [] {
        std::ifstream io("/proc/self/io");
        std::string key;
        long long value = -1;
        while (io >> key >> value)
            if (key == "rchar:") return value;
        return -1ll;
    };
    const long long before = bytesRead();
    if (before < 0) GTEST_SKIP() << "/proc/self/io is not available: not tested";
    EXPECT_EQ(readFirstLine(d / "ONE.DCK"), std::string(255, 'x'));
    EXPECT_LT(bytesRead() - before, 64 << 10);
}
