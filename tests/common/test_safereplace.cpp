// Safe replacement of files on a real file system: links, permissions, owners.
#include <gtest/gtest.h>

#include "support/coretemp.h"
#include "support/unprivileged.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <set>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/ioerror.h"
#include "common/safereplace.h"
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

namespace {

// Runs save in a child process as the given user (root: as is) with a limit on
// the size of the files it writes: the kernel kills it (SIGXFSZ) the moment a
// write passes the limit, in the middle of that write. Returns the child's
// status as waitpid gives it.
int killedSave(uid_t uid, const std::string& cacheHome, rlim_t limit, const std::function<void()>& save) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("XDG_CACHE_HOME", cacheHome.c_str(), 1);
        if (uid != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0)) ::_exit(3);
        struct rlimit lim {limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        try {
            save();
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

// A save written in place (the three cases where a rename would be wrong) that
// is killed in the middle of its write leaves a complete copy of the old content,
// beside the file or in the user's cache folder, and the copy restores it.
TEST(SafeReplace, KilledInPlaceSaveLeavesABackupThatRestoresTheFile) {
    const uid_t nobody = 65534;
    enum class Case { HardLink, WriteProtectedFolder, StickyFolder };
    const struct {
        Case c;
        bool inCache;
    } rows[] = {{Case::HardLink, false}, {Case::WriteProtectedFolder, true}, {Case::StickyFolder, false}};
    const std::string old(1u << 20, 'o'), fresh(4u << 20, 'n');
    for (const auto& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.c));
        if (r.c != Case::HardLink && ::geteuid() != 0) GTEST_SKIP() << "needs root to make another user's files";
        TempDir d;
        ::chmod(d.path.c_str(), 0755);
        fs::create_directories(d.path / "cache");
        ::chown((d / "cache").c_str(), nobody, nobody);
        const std::string dir = d / "folder", file = d / "folder/PUMP.DCK";
        fs::create_directories(dir);
        write(file, old);
        uid_t as = 0;
        if (r.c == Case::HardLink) {
            fs::create_hard_link(file, d.path / "folder/LINK.DCK");
        } else if (r.c == Case::WriteProtectedFolder) {
            ::chown(file.c_str(), nobody, nobody);
            ::chmod(dir.c_str(), 0755);
            as = nobody;
        } else {
            ::chmod(file.c_str(), 0666);
            ::chmod(dir.c_str(), 01777);
            as = nobody;
        }
        const int status = killedSave(as, d / "cache", 2u << 20, [&] { replaceFile(file, fresh); });
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
        // Killed mid-write: the file is damaged, and the backup holds the old content.
        EXPECT_EQ(readFileBytes(file), fresh.substr(0, 2u << 20));
        ::setenv("XDG_CACHE_HOME", (d / "cache").c_str(), 1);
        const auto backup = leftBackup(file);
        ::unsetenv("XDG_CACHE_HOME");
        ASSERT_TRUE(backup.has_value());
        EXPECT_EQ(backup->rfind(d / (r.inCache ? "cache/palumaro/backups/" : "folder/.PUMP.DCK"), 0), 0u) << *backup;
        EXPECT_EQ(readFileBytes(*backup), old);
        restoreBackup(file, *backup);
        EXPECT_EQ(readFileBytes(file), old);
        if (r.c == Case::HardLink) EXPECT_EQ(readFileBytes(d / "folder/LINK.DCK"), old);
        EXPECT_FALSE(fs::exists(*backup));
        EXPECT_FALSE(leftBackup(file).has_value());
        ::chmod(dir.c_str(), 0755);
    }
}

// SIGKILL as soon as anything of the save shows on disk: whatever the moment,
// each name holds a whole version or a backup of the old one is there.
TEST(SafeReplace, HardLinkedSaveKilledAtAnyMomentLosesNothing) {
    TempDir d;
    const std::string old(16u << 20, 'o'), fresh(16u << 20, 'n');
    write(d / "BIG.DCK", old);
    fs::create_hard_link(d.path / "BIG.DCK", d.path / "SAME.DCK");
    const auto before = statOf(d / "BIG.DCK");
    const pid_t pid = ::fork();
    if (pid == 0) {
        replaceFile(d / "BIG.DCK", fresh);
        ::_exit(0);
    }
    const std::string backup = backupBeside(d / "BIG.DCK");
    int status = 0;
    for (;;) {
        const auto now = statOf(d / "BIG.DCK");
        if (::access(backup.c_str(), F_OK) == 0 || now.st_mtim.tv_nsec != before.st_mtim.tv_nsec ||
            now.st_mtim.tv_sec != before.st_mtim.tv_sec) {
            ::kill(pid, SIGKILL);
            break;
        }
        if (::waitpid(pid, &status, WNOHANG) == pid) break;
    }
    ::waitpid(pid, &status, 0);
    for (const char* name : {"BIG.DCK", "SAME.DCK"}) {
        const std::string got = readFileBytes(d / name);
        if (got == old || got == fresh) continue;
        ASSERT_TRUE(fs::exists(backup)) << name << " is damaged and no backup was kept";
        EXPECT_EQ(readFileBytes(backup), old);
    }
    if (const auto b = leftBackup(d / "BIG.DCK")) restoreBackup(d / "BIG.DCK", *b);
    for (const char* name : {"BIG.DCK", "SAME.DCK"}) {
        const std::string got = readFileBytes(d / name);
        EXPECT_TRUE(got == old || got == fresh) << name;
    }
}

// A killed save's hidden temporary file is removed by the next save of the same
// file; a running save's (locked) and another file's stay.
TEST(SafeReplace, NextSaveRemovesTheTemporaryOfAKilledSave) {
    TempDir d;
    write(d / "A.DCK", "old");
    write(d / "B.DCK", "other");
    const int status = killedSave(0, d / "cache", 1u << 20, [&] { replaceFile(d / "A.DCK", std::string(2u << 20, 'n')); });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(entriesIn(d.path), 3);  // the killed save's temporary
    const int otherSave = killedSave(0, d / "cache", 1u << 20, [&] { replaceFile(d / "B.DCK", std::string(2u << 20, 'n')); });
    ASSERT_TRUE(WIFSIGNALED(otherSave));
    write(d / ".palumaro-Ab12Cd", "an older version's leftover");
    // A save that is running holds its temporary.
    std::string running = temporaryTemplate(d / "A.DCK");
    const int held = ::mkstemp(running.data());
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    replaceFile(d / "A.DCK", "new");
    EXPECT_EQ(readFileBytes(d / "A.DCK"), "new");
    std::set<std::string> left;
    for (auto& e : fs::directory_iterator(d.path)) left.insert(e.path().filename().string());
    EXPECT_EQ(left.size(), 4u);  // A, B, B's temporary, the running one
    EXPECT_TRUE(left.count(fs::path(running).filename().string()));
    EXPECT_FALSE(left.count(".palumaro-Ab12Cd"));
    ::close(held);
}
