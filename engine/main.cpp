// KALVEX32.exe, the stand-in simulation engine: "KALVEX32.exe deck [/N]"; the
// switches file in $KALVEX_SWITCHES when the starting program names one.
#include <signal.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "common/settings.h"
#include "enginerun.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestStop(int) { stopRequested = 1; }

// The directory of the running executable, where CNFGKV.KVN is looked for.
std::string engineDirectory(const char* argv0) {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return self.parent_path().string();
    const auto path = std::filesystem::absolute(std::filesystem::path(argv0 ? argv0 : ""), ec);
    return ec ? std::string(".") : path.parent_path().string();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    // Stop (the shell's Stop button, scancel, Ctrl+C) ends the run after its
    // current step, leaving complete files.
    struct sigaction stop {};
    stop.sa_handler = requestStop;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
    kalvex::RunControls controls;
    if (const char* delay = std::getenv(kalvex::kStepDelayVariable)) controls.stepDelay = delay;
    controls.stop = &stopRequested;
    try {
        if (const char* switches = std::getenv(pal::kSwitchesVariable)) controls.switchesFile = switches;
        return kalvex::runEngine(args, engineDirectory(argc > 0 ? argv[0] : nullptr), std::cout, controls);
    } catch (const std::exception& e) {
        // Out of memory and the like: still a clear message and a failure code.
        std::cout << "KALVEX32: " << e.what() << "\n";
        return kalvex::kExitNotRun;
    }
}
