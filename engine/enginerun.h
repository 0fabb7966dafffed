// One run of the stand-in engine as its command line asks for it: reads the
// switches file and the deck, simulates, and writes listing, output and plot data.
#pragma once
#include <csignal>
#include <iosfwd>
#include <string>
#include <vector>

namespace kalvex {

// Exit codes: 0 the run succeeded (warnings allowed); 1 the deck or the run had
// errors (the listing names them); 2 nothing could be run (no deck given, deck
// unreadable, listing not writable).
constexpr int kExitOk = 0;
constexpr int kExitDeckErrors = 1;
constexpr int kExitNotRun = 2;

// The result files are flushed at least this often while a run goes on, so that
// a window following them sees the rows as they come.
constexpr double kFlushSeconds = 0.2;
// The environment variable that slows a run down: milliseconds per step.
constexpr const char* kStepDelayVariable = "KALVEX_STEP_MS";
constexpr double kMaxStepDelayMs = 60000;

struct RunControls {
    // The slow-down as the environment gave it ("" or unset: full speed).
    std::string stepDelay;
    // Set (by SIGTERM or SIGINT) when the run is to end early: it ends after the
    // step under way, with its files complete up to there.
    const volatile std::sig_atomic_t* stop = nullptr;
    // The switches file the program that starts the engine names (the one its
    // setup wrote, in $KALVEX_SWITCHES); it wins over engineDir's.
    std::string switchesFile;
};

// args: the command-line arguments after the program name ("deck [/N]").
// engineDir: where CNFGKV.KVN is looked for. console: status and usage text.
int runEngine(const std::vector<std::string>& args, const std::string& engineDir, std::ostream& console,
              const RunControls& controls = {});

// Where an ASSIGN file name points: "\" read as "/", a drive "C:" dropped, and a
// relative name taken relative to the deck's directory.
std::string assignedPath(const std::string& fileName, const std::string& deckPath);

}  // namespace kalvex
