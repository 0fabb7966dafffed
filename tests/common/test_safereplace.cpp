// Safe replacement of files on a real file system: links, permissions, owners.
#include <gtest/gtest.h>

#include "support/coretemp.h"
#include "support/unprivileged.h"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

#include "common/ioerror.h"
#include "common/textfile.h"

namespace fs = std::filesystem;
using namespace pal;
using coretest::TempDir;
using coretest::write;

namespace {

struct stat statOf(const std::string& p) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st;
}

int entriesIn(const fs::path& dir) {
    int n = 0;
    for (auto& e : fs::directory_iterator(dir)) (void)e, ++n;
    return n;
}

int replaceErrno(const std::string& path, const std::string& content) {
    try {
        replaceFile(path, content);
    } catch (const IoError& e) {
        return e.code();
    }
    return 0;
}

}  // namespace

TEST(SafeReplace, SymbolicLinksAreFollowedAndKept) {
    TempDir d;
    fs::create_directories(d.path / "real");
    write(d / "real/DECK.DCK", "old deck");
    fs::create_symlink("real/DECK.DCK", d.path / "LINK.DCK");
    fs::create_symlink(d.path / "LINK.DCK", d.path / "CHAIN.DCK");  // a link to a link
    replaceFile(d / "LINK.DCK", "new deck");
    EXPECT_TRUE(fs::is_symlink(d.path / "LINK.DCK"));
    EXPECT_EQ(readFileBytes(d / "real/DECK.DCK"), "new deck");
    replaceFile(d / "CHAIN.DCK", "newer deck");
    EXPECT_TRUE(fs::is_symlink(d.path / "CHAIN.DCK"));
    EXPECT_EQ(readFileBytes(d / "real/DECK.DCK"), "newer deck");
    // The temporary file was made beside the target, and none is left anywhere.
    EXPECT_EQ(entriesIn(d.path), 3);
    EXPECT_EQ(entriesIn(d.path / "real"), 1);
    // A link whose target does not exist yet creates the target.
    fs::create_symlink("real/NEW.PMX", d.path / "DANGLING.PMX");
    replaceFile(d / "DANGLING.PMX", "plot");
    EXPECT_TRUE(fs::is_symlink(d.path / "DANGLING.PMX"));
    EXPECT_EQ(readFileBytes(d / "real/NEW.PMX"), "plot");
}

TEST(SafeReplace, HardLinkedFilesAreWrittenInPlaceForEveryName) {
    TempDir d;
    write(d / "A.TBL", "old table");
    fs::create_hard_link(d.path / "A.TBL", d.path / "B.TBL");
    ::chmod((d / "A.TBL").c_str(), 0640);
    const ino_t inode = statOf(d / "A.TBL").st_ino;
    replaceFile(d / "A.TBL", "new");
    EXPECT_EQ(readFileBytes(d / "B.TBL"), "new");  // shorter content: the old tail is cut
    EXPECT_EQ(statOf(d / "A.TBL").st_ino, inode);
    EXPECT_EQ(statOf(d / "A.TBL").st_nlink, 2u);
    EXPECT_EQ(statOf(d / "A.TBL").st_mode & 0777, 0640u);
    EXPECT_EQ(entriesIn(d.path), 2);
}

TEST(SafeReplace, FailedInPlaceWriteRestoresTheOldContent) {
    TempDir d;
    write(d / "A.DCK", "the old deck");
    fs::create_hard_link(d.path / "A.DCK", d.path / "B.DCK");
    // A file-size limit stands in for a full disk.
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const int code = replaceErrno(d / "A.DCK", std::string(1000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(code, EFBIG);
    EXPECT_EQ(readFileBytes(d / "B.DCK"), "the old deck");
}

TEST(SafeReplace, PermissionsAreRespectedByAnUnprivilegedUser) {
    PAL_RUN_UNPRIVILEGED();
    ASSERT_NE(::geteuid(), 0u);
    TempDir d;
    // A read-only file is refused with errno 13 and stays as it was.
    write(d / "RO.DCK", "keep me");
    ::chmod((d / "RO.DCK").c_str(), 0444);
    EXPECT_EQ(replaceErrno(d / "RO.DCK", "lost"), EACCES);
    EXPECT_EQ(readFileBytes(d / "RO.DCK"), "keep me");
    EXPECT_EQ(statOf(d / "RO.DCK").st_mode & 0777, 0444u);
    EXPECT_EQ(entriesIn(d.path), 1);
    // A read-only file reached through a link is refused too, and the link stays.
    fs::create_symlink("RO.DCK", d.path / "LINK.DCK");
    EXPECT_EQ(replaceErrno(d / "LINK.DCK", "lost"), EACCES);
    EXPECT_TRUE(fs::is_symlink(d.path / "LINK.DCK"));
    EXPECT_EQ(readFileBytes(d / "RO.DCK"), "keep me");

    // A write-protected directory: a writable file in it is written in place,
    // a read-only one is refused, a new one cannot be made.
    fs::create_directories(d.path / "shared");
    write(d / "shared/PALUMARO.DFT", "old settings");
    ::chmod((d / "shared/PALUMARO.DFT").c_str(), 0640);
    write(d / "shared/RO.TBL", "old table");
    ::chmod((d / "shared/RO.TBL").c_str(), 0444);
    ::chmod((d / "shared").c_str(), 0555);
    EXPECT_EQ(replaceErrno(d / "shared/PALUMARO.DFT", "new settings"), 0);
    EXPECT_EQ(readFileBytes(d / "shared/PALUMARO.DFT"), "new settings");
    EXPECT_EQ(statOf(d / "shared/PALUMARO.DFT").st_mode & 0777, 0640u);
    EXPECT_EQ(replaceErrno(d / "shared/RO.TBL", "lost"), EACCES);
    EXPECT_EQ(readFileBytes(d / "shared/RO.TBL"), "old table");
    EXPECT_EQ(replaceErrno(d / "shared/NEW.DCK", "x"), EACCES);
    EXPECT_EQ(entriesIn(d.path / "shared"), 2);
    ::chmod((d / "shared").c_str(), 0755);
}

// Another user's file that this user may write, in a directory this user may
// write: a rename would make the file this user's, so it is written in place.
TEST(SafeReplace, AnotherUsersFileKeepsItsOwnerAndGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the file another owner: not tested";
    TempDir d;
    ::chmod(d.path.c_str(), 0755);
    fs::create_directories(d.path / "group");
    ASSERT_EQ(::chown((d / "group").c_str(), 65534, 65534), 0);
    write(d / "group/PUMP.DCK", "root's deck");
    ::chmod((d / "group/PUMP.DCK").c_str(), 0666);
    ASSERT_EQ(::chown((d / "group/PUMP.DCK").c_str(), 0, 0), 0);
    {
        coretest::AsNobody nobody([] { return ::testing::Test::HasFailure(); });
        if (!nobody.inParent()) {
            ASSERT_EQ(replaceErrno(d / "group/PUMP.DCK", "written by nobody"), 0);
        }
        ASSERT_EQ(nobody.status(), 0) << "the write as nobody failed (its output is above)";
    }
    EXPECT_EQ(readFileBytes(d / "group/PUMP.DCK"), "written by nobody");
    EXPECT_EQ(statOf(d / "group/PUMP.DCK").st_uid, 0u);
    EXPECT_EQ(statOf(d / "group/PUMP.DCK").st_gid, 0u);
    EXPECT_EQ(statOf(d / "group/PUMP.DCK").st_mode & 0777, 0666u);

    // Root replacing nobody's file keeps nobody as its owner.
    write(d / "group/NOBODY.DCK", "old");
    ASSERT_EQ(::chown((d / "group/NOBODY.DCK").c_str(), 65534, 65534), 0);
    replaceFile(d / "group/NOBODY.DCK", "new");
    EXPECT_EQ(statOf(d / "group/NOBODY.DCK").st_uid, 65534u);
    EXPECT_EQ(statOf(d / "group/NOBODY.DCK").st_gid, 65534u);
}
