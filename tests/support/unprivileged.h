// Permission tests must run without root's right to write anything (CI runs as
// root). As root, a test forks: the child drops to nobody:nogroup (setgroups,
// setgid, setuid) and runs the rest of the test in a temporary folder of its
// own, which nobody owns and which is its HOME and TMPDIR; the parent waits
// and reports the child's outcome. Nothing is executed through the checkout,
// so this works from a private (0700) clone. As another user, the test simply
// runs.
#pragma once
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace coretest {

struct Nobody {
    uid_t uid = 65534;
    gid_t gid = 65534;
};

// nobody's user and nogroup's group (looked up before any fork: the name
// service must not run in a child of a threaded process).
inline Nobody nobody() {
    Nobody n;
    if (const passwd* pw = ::getpwnam("nobody")) n.uid = pw->pw_uid, n.gid = pw->pw_gid;
    if (const group* gr = ::getgrnam("nogroup")) n.gid = gr->gr_gid;
    return n;
}

// In a child after fork(): gives up root for good. Only async-signal-safe
// calls, so it may also run between fork and exec (QProcess's child modifier).
inline bool dropTo(const Nobody& n) {
    return ::setgroups(0, nullptr) == 0 && ::setgid(n.gid) == 0 && ::setuid(n.uid) == 0 && ::setuid(0) != 0;
}

// Hands a folder the test prepared as root (from files of the checkout, which
// nobody may not reach) to nobody: owner and group of everything in it, and
// the folder itself open to be entered.
inline void giveToNobody(const std::string& folder) {
    const Nobody n = nobody();
    std::error_code ec;
    ::chmod(folder.c_str(), 0755);
    [[maybe_unused]] int rc = ::lchown(folder.c_str(), n.uid, n.gid);
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        rc = ::lchown(it->path().c_str(), n.uid, n.gid);
}

// Declared first in a test body. As root it forks: in the child, privileges
// are dropped and the body goes on; its end (or an early return) ends the
// child with 0, or 1 when failed() says so or an exception is on its way. In
// the parent, inParent() is true and status() is the child's exit status.
class AsNobody {
public:
    explicit AsNobody(bool (*failed)()) : failed_(failed) {
        if (::geteuid() != 0) return;
        const Nobody n = nobody();
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid < 0) {
            status_ = 125;
            parent_ = true;
            return;
        }
        if (pid > 0) {
            parent_ = true;
            int st = 0;
            while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
            }
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            return;
        }
        child_ = true;
        if (!dropTo(n)) {
            std::fprintf(stderr, "could not drop to nobody (uid %u): %s\n", unsigned(n.uid), std::strerror(errno));
            std::_Exit(125);
        }
        char folder[] = "/tmp/palnobodyXXXXXX";
        if (!::mkdtemp(folder) || ::chdir(folder) != 0) {
            std::fprintf(stderr, "nobody cannot make a folder in /tmp: %s\n", std::strerror(errno));
            std::_Exit(125);
        }
        folder_ = folder;
        ::setenv("HOME", folder, 1);
        ::setenv("TMPDIR", folder, 1);
        ::unsetenv("XDG_CONFIG_HOME");
    }
    ~AsNobody() {
        if (!child_) return;
        const bool bad = std::uncaught_exceptions() > 0 || failed_();
        // What the body left behind, write-protected folders included.
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(folder_, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec)) std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(folder_, ec);
        std::fflush(nullptr);
        std::_Exit(bad ? 1 : 0);
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

    bool inParent() const { return parent_; }
    int status() const { return status_; }

private:
    bool (*failed_)();
    bool parent_ = false, child_ = false;
    int status_ = 0;
    std::string folder_;
};

}  // namespace coretest

// In a GoogleTest body (first line): as root, the rest of the body runs as
// nobody in a child and this body ends with the child's outcome.
#define PAL_RUN_UNPRIVILEGED()                                                                     \
    coretest::AsNobody palAsNobody_([] { return ::testing::Test::HasFailure(); });                  \
    if (palAsNobody_.inParent()) {                                                                  \
        ASSERT_EQ(palAsNobody_.status(), 0) << "the run as nobody failed (its output is above)";    \
        return;                                                                                     \
    }
