#include "common/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"

namespace pal {

AppState& app() {
    static AppState state;
    return state;
}

bool isQuivetPath(const std::string& startPath) { return upper(startPath).find("QUIVET") != std::string::npos; }

const std::array<const char*, kKvnSwitches> kKvnCaptions = {
    "Display Simulation Status",      "Write KALVEX Header",
    "Write Printer Labels",           "Write Output Units",
    "Check for Unlinked Subroutines", "Check Input-Output Connections",
    "Print Warning Messages"};

namespace {
constexpr std::size_t kSlot = 256;
constexpr std::size_t kCommands = 20;     // compile, rebuild, user, six reserved
constexpr std::size_t kDirectories = 2324; // KALVEX .. ZOBREL, one reserved

}  // namespace

std::array<std::uint8_t, kDftSize> encodeDFT(const Settings& s) {
    std::array<std::uint8_t, kDftSize> b{};
    writeInt32(&b[0], s.unitSystem);
    writeInt32(&b[4], s.includeHeader);
    writeInt32(&b[8], s.includeSimCard);
    b[12] = s.version32;
    const std::string* commands[] = {&s.compileCommand, &s.rebuildCommand, &s.userCommand};
    for (int i = 0; i < 3; ++i) writeShortString(&b[kCommands + i * kSlot], 255, *commands[i]);
    const std::string* dirs[] = {&s.kalvexDir, &s.mordaxDir, &s.teklorDir, &s.ulmDir, &s.gaskDir, &s.zobrelDir};
    for (int i = 0; i < 6; ++i) writeShortString(&b[kDirectories + i * kSlot], 255, *dirs[i]);
    return b;
}

Settings decodeDFT(const std::string& bytes, const std::string& path) {
    if (bytes.size() < kDftSize) throw IoError(0, path, "Read beyond end of file: the settings file is shorter than " + std::to_string(kDftSize) + " bytes");
    const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.data());
    Settings s;
    s.unitSystem = readInt32(b);
    s.includeHeader = readInt32(b + 4);
    s.includeSimCard = readInt32(b + 8);
    s.version32 = b[12];
    std::string* commands[] = {&s.compileCommand, &s.rebuildCommand, &s.userCommand};
    for (int i = 0; i < 3; ++i) *commands[i] = readShortString(b + kCommands + i * kSlot, 255);
    std::string* dirs[] = {&s.kalvexDir, &s.mordaxDir, &s.teklorDir, &s.ulmDir, &s.gaskDir, &s.zobrelDir};
    for (int i = 0; i < 6; ++i) *dirs[i] = readShortString(b + kDirectories + i * kSlot, 255);
    return s;
}

Settings shippedSettings(const std::string& programDir) {
    Settings s;
    s.kalvexDir = programDir;
    return s;
}

namespace {
bool sameDirectory(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}
}  // namespace

std::string storedEngineDir(const std::string& kalvexDir, const std::string& programDir,
                            const std::string& fileDir) {
    return sameDirectory(kalvexDir, programDir) || sameDirectory(kalvexDir, fileDir) ? std::string() : kalvexDir;
}

Settings readDFTFile(const std::string& path) {
    Settings s = decodeDFT(readFileBytes(path), path);
    // An empty engine directory is the program directory; shown as such.
    if (s.kalvexDir.empty()) s.kalvexDir = app().programDir;
    return s;
}

void writeDFTFile(const std::string& path, const Settings& settings) {
    Settings s = settings;
    const std::string dir = directoryPart(path);
    s.kalvexDir = storedEngineDir(s.kalvexDir, app().programDir, dir.empty() ? "." : dir);
    const auto image = encodeDFT(s);
    replaceFile(path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
}

KvnSwitches readKVN(const std::string& path) {
    const auto lines = readLines(path);
    KvnSwitches on{};
    for (int i = 0; i < kKvnSwitches; ++i) {
        const std::size_t line = static_cast<std::size_t>(i) + 1;
        on[i] = line < lines.size() && !lines[line].empty() && (lines[line][0] == 'Y' || lines[line][0] == 'y');
    }
    return on;
}

std::vector<std::string> rewrittenKvnLines(const std::vector<std::string>& oldLines, const KvnSwitches& switches) {
    std::vector<std::string> out;
    out.push_back(oldLines.empty() ? std::string() : oldLines[0]);
    for (int i = 0; i < kKvnSwitches; ++i) {
        const std::size_t line = static_cast<std::size_t>(i) + 1;
        std::string text = line < oldLines.size() ? oldLines[line] : std::string();
        const char mark = switches[i] ? 'Y' : 'N';
        if (text.empty())
            text.assign(1, mark);
        else
            text[0] = mark;
        out.push_back(text);
    }
    return out;
}

void rewriteKVN(const std::string& dir, const KvnSwitches& switches) {
    const std::string kvn = findFile(joinPath(dir, kKvnName)).value_or(joinPath(dir, kKvnName));
    const std::string bak = findFile(joinPath(dir, kKvnBackupName)).value_or(joinPath(dir, kKvnBackupName));
    const std::vector<std::string> oldLines = readLines(kvn);
    // The backup first, as a complete copy, then the new file over the old one:
    // at every moment a complete CNFGKV.KVN exists.
    replaceFile(bak, readFileBytes(kvn));
    writeLinesCRLF(kvn, rewrittenKvnLines(oldLines, switches));
}

}  // namespace pal
