#include "run/runsettings.h"

#include <thread>

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

}  // namespace run
