// The program's process-wide state and its two configuration files: the binary
// settings file PALUMARO.DFT (4116 bytes) and the engine switches file CNFGKV.KVN.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pal {

struct Settings {
    std::int32_t unitSystem = 1;        // 1 SI, 2 English
    std::int32_t includeHeader = 1;     // making QUIVET files: header by default
    std::int32_t includeSimCard = 1;    // making QUIVET files: simulation card by default
    std::uint8_t version32 = 1;         // the hidden 32-bit version flag
    // No compiler or rebuild tool is part of the installation: the command lines
    // start empty until the user names one. An empty directory does not exist,
    // so the engine falls back to the program directory and a utility asks for
    // its directory at first use.
    std::string compileCommand;
    std::string rebuildCommand;
    std::string userCommand;
    std::string kalvexDir;
    std::string mordaxDir;
    std::string teklorDir;
    std::string ulmDir;
    std::string gaskDir;
    std::string zobrelDir;
};

// The settings a fresh installation ships (and falls back to when its settings
// file is damaged): the defaults with the engine in the program directory.
Settings shippedSettings(const std::string& programDir);

// Process-wide values fixed at start-up (program path and mode) or loaded then.
struct AppState {
    std::string programPath;  // upper-cased, as the program was started
    std::string programDir;   // the real directory of the executable, no trailing separator
    bool quivetMode = false;
    bool velmora = false;     // the installation uses VELMORA in place of MORDAX
    Settings settings;
};
AppState& app();

// Start-up rules: QUIVET mode when the upper-cased start path contains "QUIVET".
bool isQuivetPath(const std::string& startPath);

constexpr std::size_t kDftSize = 4116;
constexpr const char* kDftName = "PALUMARO.DFT";
constexpr const char* kKvnName = "CNFGKV.KVN";
constexpr const char* kKvnBackupName = "CNFGKV.BAK";
// The environment variable that names to the engine the switches file the
// setup wrote (it may live in the user's configuration, not beside the engine).
constexpr const char* kSwitchesVariable = "KALVEX_SWITCHES";

// Exact byte image of PALUMARO.DFT; reserved bytes and slots are zero.
std::array<std::uint8_t, kDftSize> encodeDFT(const Settings& s);
// Throws IoError when the image is shorter than 4116 bytes.
Settings decodeDFT(const std::string& bytes, const std::string& path);
// The engine directory as the settings file stores it: empty when it is the
// program directory (or the directory the file lives in), so that a copied or
// moved program directory runs its own engine, not the one it was copied from.
// Every reader takes an empty engine directory for the program directory.
std::string storedEngineDir(const std::string& kalvexDir, const std::string& programDir,
                            const std::string& fileDir);
// Reads the file; an empty engine directory comes back as app().programDir.
Settings readDFTFile(const std::string& path);             // throws IoError
// Safe replacement; the engine directory is stored as storedEngineDir has it.
void writeDFTFile(const std::string& path, const Settings& s);

// CNFGKV.KVN switches, lines 2..8 in order.
constexpr int kKvnSwitches = 7;
using KvnSwitches = std::array<bool, kKvnSwitches>;
extern const std::array<const char*, kKvnSwitches> kKvnCaptions;

KvnSwitches readKVN(const std::string& path);  // throws IoError
// Rewrites dir/CNFGKV.KVN from its current text with the switches set, keeping the
// previous version as dir/CNFGKV.BAK. The new file is complete before it replaces
// the old one, so no step leaves CNFGKV.KVN missing or half-written.
void rewriteKVN(const std::string& dir, const KvnSwitches& switches);
// The text of the rewritten file for the given old lines (exactly 8 lines).
std::vector<std::string> rewrittenKvnLines(const std::vector<std::string>& oldLines,
                                           const KvnSwitches& switches);

}  // namespace pal
