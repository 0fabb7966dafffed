// Where the installation is found and where settings files are read and written.
// The read-only cases need permission bits that bind: as root they run as nobody.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/configdir.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "support/coretemp.h"
#include "support/unprivileged.h"

namespace fs = std::filesystem;
using coretest::TempDir;
using coretest::write;

TEST(InstallationDir, ProgramDirectoryInstalledPrefixOrNeither) {
    TempDir t;
    // A build's program directory (and a copied installation) holds the settings.
    const std::string prog = t / "build.1/program dir";
    fs::create_directories(prog);
    write(prog + "/PALUMARO.DFT", std::string(4116, '\0'));
    fs::create_directories(t / "build.1/share/palumaro");
    EXPECT_EQ(pal::installationDir(prog), prog);

    // An installed prefix: bin/ beside share/palumaro/, dots and blanks in the path.
    const std::string prefix = t / "opt/my tools.2";
    fs::create_directories(prefix + "/bin");
    fs::create_directories(prefix + "/share/palumaro");
    EXPECT_EQ(pal::installationDir(prefix + "/bin"), prefix + "/share/palumaro");

    // Neither: the executable's directory, so the missing-settings message names it.
    const std::string lone = t / "lone/bin";
    fs::create_directories(lone);
    EXPECT_EQ(pal::installationDir(lone), lone);
}

TEST(UserConfigDir, FollowsXdgThenHome) {
    const std::string oldXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    setenv("HOME", "/home/first.last", 1);
    EXPECT_EQ(pal::userConfigDir(), "/x/conf/palumaro");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);  // XDG base directories ignore relative paths
    EXPECT_EQ(pal::userConfigDir(), "/home/first.last/.config/palumaro");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(pal::userConfigDir(), "/home/first.last/.config/palumaro");
    if (oldXdg.empty()) unsetenv("XDG_CONFIG_HOME"); else setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
    setenv("HOME", oldHome.c_str(), 1);
}

TEST(SettingsFiles, WritableInstallationKeepsEverythingThere) {
    TempDir t;
    const std::string inst = t / "inst", user = t / "user/palumaro";
    fs::create_directories(inst);
    fs::create_directories(user);
    write(inst + "/palumaro.fnl", "A\r\n");  // another letter case
    write(user + "/PALUMARO.FNL", "stale\r\n");
    EXPECT_EQ(pal::settingsWriteDir(inst, user), inst);
    // A user's copy is not consulted while the installation is the place of writing.
    EXPECT_EQ(pal::findSettingsFile(inst, user, "PALUMARO.FNL"), inst + "/palumaro.fnl");
    pal::seedSettingsFile(inst, inst, "PALUMARO.FNL");
    EXPECT_EQ(pal::readFileBytes(inst + "/palumaro.fnl"), "A\r\n");
}

// A write-protected installation and a user's configuration directory.
struct ReadOnlyInstallation {
    ReadOnlyInstallation() {
        fs::create_directories(inst);
        write(inst + "/CNFGKV.KVN", "KALVEX configuration\r\nYes\r\n");
        write(inst + "/PALUMARO.DFT", std::string(4116, 'i'));
        ::chmod(inst.c_str(), 0555);
    }
    ~ReadOnlyInstallation() { ::chmod(inst.c_str(), 0755); }
    TempDir t;
    std::string inst = t / "usr/share/palumaro";
    std::string user = t / "home/first.last/.config/palumaro";
};

TEST(ReadOnlyInstallation, ReadsUserFilesFirstAndWritesThere) {
    PAL_RUN_UNPRIVILEGED();
    ReadOnlyInstallation f;
    const std::string &inst = f.inst, &user = f.user;
    EXPECT_FALSE(pal::directoryWritable(inst));
    // Nothing of the user's yet: the installation's files are read.
    EXPECT_EQ(pal::findSettingsFile(inst, user, "PALUMARO.DFT"), inst + "/PALUMARO.DFT");
    EXPECT_EQ(pal::findSettingsFile(inst, user, "PALUMARO.FNL"), std::nullopt);

    // Writing goes to the user's directory, made on the way.
    EXPECT_EQ(pal::settingsWriteDir(inst, user), user);
    ASSERT_TRUE(fs::is_directory(user));
    write(user + "/PALUMARO.DFT", std::string(4116, 'u'));
    EXPECT_EQ(pal::findSettingsFile(inst, user, "PALUMARO.DFT"), user + "/PALUMARO.DFT");

    // A file rewritten from its previous text starts from the installation's
    // copy, once: the user's own version is never replaced by it.
    pal::seedSettingsFile(inst, user, "CNFGKV.KVN");
    EXPECT_EQ(pal::readFileBytes(user + "/CNFGKV.KVN"), "KALVEX configuration\r\nYes\r\n");
    write(user + "/CNFGKV.KVN", "mine\r\n");
    pal::seedSettingsFile(inst, user, "CNFGKV.KVN");
    EXPECT_EQ(pal::readFileBytes(user + "/CNFGKV.KVN"), "mine\r\n");
    // The installation is untouched.
    EXPECT_EQ(pal::readFileBytes(inst + "/CNFGKV.KVN"), "KALVEX configuration\r\nYes\r\n");
}

TEST(ReadOnlyInstallation, UnwritableUserDirectoryIsAnIoError) {
    PAL_RUN_UNPRIVILEGED();
    ReadOnlyInstallation f;
    const std::string locked = f.t / "locked";
    fs::create_directories(locked);
    ::chmod(locked.c_str(), 0555);
    EXPECT_THROW(pal::settingsWriteDir(f.inst, locked + "/config/palumaro"), pal::IoError);
    ::chmod(locked.c_str(), 0755);
}
