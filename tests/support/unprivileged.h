// Permission tests must run without root's right to write anything (CI runs as
// root): as root, a test re-runs itself, and only itself, as nobody through
// setpriv and reports that run's outcome.
#pragma once
#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace coretest {

// Set in the environment of a re-run; a test may read extra values from it.
constexpr const char* kUnprivilegedRun = "PALUMARO_UNPRIVILEGED_RUN";

struct NobodyRun {
    bool started = false;  // false: setpriv is not available here
    int status = -1;       // the re-run's exit status
};

// Runs this test program with args as nobody:nogroup without supplementary
// groups; extraEnv entries ("NAME=value") are added to the environment.
inline NobodyRun runAsNobody(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {}) {
    NobodyRun r;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return r;
    self[n] = '\0';
    std::vector<std::string> words = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", self};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = extraEnv;
    env.push_back(std::string(kUnprivilegedRun) + "=1");
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "setpriv", nullptr, nullptr, argv.data(), envp.data()) != 0) return r;
    int st = 0;
    while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
    }
    r.started = !(WIFEXITED(st) && WEXITSTATUS(st) == 127);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return r;
}

inline bool isUnprivilegedRerun() { return std::getenv(kUnprivilegedRun) != nullptr; }

}  // namespace coretest

// In a GoogleTest body: as root, re-runs this test as nobody and ends the body
// with that run's outcome; unprivileged, the body goes on.
#define PAL_RUN_UNPRIVILEGED(...)                                                                      \
    do {                                                                                              \
        if (::geteuid() == 0) {                                                                       \
            const auto* info_ = ::testing::UnitTest::GetInstance()->current_test_info();              \
            const auto run_ = coretest::runAsNobody(                                                  \
                {std::string("--gtest_filter=") + info_->test_suite_name() + "." + info_->name()},    \
                {__VA_ARGS__});                                                                       \
            if (!run_.started) GTEST_SKIP() << "setpriv cannot drop to nobody here: not tested";      \
            ASSERT_EQ(run_.status, 0) << "the run as nobody failed (its output is above)";            \
            return;                                                                                   \
        }                                                                                             \
    } while (0)
