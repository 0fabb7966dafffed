// KALVEX32.exe, the stand-in simulation engine: "KALVEX32.exe deck [/N]".
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "enginerun.h"

namespace {

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
    try {
        return kalvex::runEngine(args, engineDirectory(argc > 0 ? argv[0] : nullptr), std::cout);
    } catch (const std::exception& e) {
        // Out of memory and the like: still a clear message and a failure code.
        std::cout << "KALVEX32: " << e.what() << "\n";
        return kalvex::kExitNotRun;
    }
}
