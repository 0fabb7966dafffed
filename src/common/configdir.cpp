#include "common/configdir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"

namespace pal {

namespace fs = std::filesystem;

std::string installationDir(const std::string& exeDir) {
    if (fileExists(joinPath(exeDir, "PALUMARO.DFT"))) return exeDir;
    const std::string shared = joinPath(fs::path(exeDir).parent_path().string(), "share/palumaro");
    if (directoryExists(shared)) return fs::path(shared).lexically_normal().string();
    return exeDir;
}

std::string installedProgramDir(const std::string& installDir) {
    const fs::path dir = fs::path(installDir).lexically_normal();
    if (dir.filename() != "palumaro" || dir.parent_path().filename() != "share") return {};
    return (dir.parent_path().parent_path() / "lib" / "palumaro").string();
}

std::string userConfigDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return joinPath(xdg, "palumaro");
    const char* home = std::getenv("HOME");
    return joinPath(joinPath(home && *home ? home : "/tmp", ".config"), "palumaro");
}

bool directoryWritable(const std::string& dir) { return ::access(dir.c_str(), W_OK | X_OK) == 0; }

std::string settingsWriteDir(const std::string& installDir, const std::string& userDir) {
    if (directoryWritable(installDir)) return installDir;
    std::error_code ec;
    fs::create_directories(userDir, ec);
    if (ec) throw IoError(ec.value(), userDir, ec.message());
    return userDir;
}

std::string settingsWriteDir(const std::string& installDir) { return settingsWriteDir(installDir, userConfigDir()); }

std::optional<std::string> findSettingsFile(const std::string& installDir, const std::string& userDir,
                                            const std::string& name) {
    if (!directoryWritable(installDir))
        if (auto own = findFile(joinPath(userDir, name))) return own;
    return findFile(joinPath(installDir, name));
}

std::optional<std::string> findSettingsFile(const std::string& installDir, const std::string& name) {
    return findSettingsFile(installDir, userConfigDir(), name);
}

std::string settingsWritePath(const std::string& installDir, const std::string& name) {
    const std::string dir = settingsWriteDir(installDir);
    return findFile(joinPath(dir, name)).value_or(joinPath(dir, name));
}

void seedSettingsFile(const std::string& installDir, const std::string& writeDir, const std::string& name) {
    if (writeDir == installDir || fileExists(joinPath(writeDir, name))) return;
    if (const auto original = findFile(joinPath(installDir, name)))
        replaceFile(joinPath(writeDir, name), readFileBytes(*original));
}

}  // namespace pal
