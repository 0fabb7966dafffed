// The settings of table runs: how many runs go at a time on this machine, and
// whether and how tables run on a Slurm cluster. They are kept beside the
// program's settings files, in the user's configuration.
#pragma once
#include <optional>
#include <string>

namespace run {

struct SlurmOptions {
    std::string partition;   // empty: the cluster's default partition
    std::string timeLimit;   // per run, in sbatch's form ("30", "1:00:00"); empty: the partition's
    std::string memory;      // per run ("2G"); empty: the partition's default
    std::string extraArgs;   // more sbatch arguments, split like a shell splits words
    std::string enginePath;  // the engine on the nodes; empty: the path on this machine
};

struct TableRunSettings {
    int parallelRuns = 0;    // runs at a time on this machine; 0 or less: the number of cores
    bool onSlurm = false;    // "Run tables on: a Slurm cluster"
    SlurmOptions slurm;
};

// The process-wide settings (loaded at start-up).
TableRunSettings& tableRunSettings();

// The number of cores of this machine (at least 1).
int coreCount();
// The parallel runs a setting means: the setting, or the number of cores.
int effectiveParallelRuns(const TableRunSettings& s);

// The engine switches file the setup shows and writes: the user's copy where
// the installation is write-protected, else the installation's; none when
// there is neither.
std::optional<std::string> engineSwitchesFile();
// Names that file to the engines this program starts from now on, in the
// environment they inherit ($KALVEX_SWITCHES), and returns it. Every start of
// the engine (Calculate, --run, table runs) calls it first.
std::optional<std::string> passEngineSwitches();

}  // namespace run
