#include "run/runsettings.h"

#include <cstdlib>
#include <thread>

#include "common/configdir.h"
#include "common/settings.h"

namespace run {

TableRunSettings& tableRunSettings() {
    static TableRunSettings settings;
    return settings;
}

int coreCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
}

int effectiveParallelRuns(const TableRunSettings& s) { return s.parallelRuns > 0 ? s.parallelRuns : coreCount(); }

std::optional<std::string> engineSwitchesFile() {
    if (pal::app().programDir.empty()) return std::nullopt;
    return pal::findSettingsFile(pal::app().programDir, pal::kKvnName);
}

std::optional<std::string> passEngineSwitches() {
    const auto file = engineSwitchesFile();
    if (file)
        ::setenv(pal::kSwitchesVariable, file->c_str(), 1);
    else
        ::unsetenv(pal::kSwitchesVariable);
    return file;
}

}  // namespace run
