// A table run as one Slurm job array: the batch script written beside the
// table, the command lines of sbatch, squeue, sacct and scancel, and the
// readers of their answers and of the small exit-code file each task leaves.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "run/runsettings.h"

namespace run {

// Files beside the table, named from its base name (the file name cut at its
// first "."): SOLAR.slurm.sh, SOLAR.slurm-3.exit, SOLAR.slurm-3.log.
std::string slurmScriptPath(const std::string& tablePath);
std::string slurmExitPath(const std::string& tablePath, int task);
std::string slurmLogPath(const std::string& tablePath, int task);

struct SlurmScriptInput {
    std::string tablePath;
    std::string workDir;                // the tasks' working directory
    std::string enginePath;             // the engine on the nodes
    std::vector<std::string> decks;     // run deck of task i + 1
    std::vector<std::string> deckBytes; // their contents, written by a task that misses its deck
    SlurmOptions options;
    // The engine switches file the setup wrote (path, for messages, and its
    // bytes): each task writes the copy to a file of its node and names it to
    // the engine, so the nodes need not see the user's configuration.
    std::string switchesPath;
    std::optional<std::string> switches;
};

// Why a job cannot be written as a batch script (a clause in lower case): a path or option holding a
// line break (it would end a line of the script and start a command of its
// own), a log path with a backslash (which Slurm's file-name patterns take for
// their own), a run deck with bytes a here-document cannot carry. Names the
// path; none when the script can be written.
std::optional<std::string> slurmScriptProblem(const SlurmScriptInput& in);

// The batch script: task $SLURM_ARRAY_TASK_ID runs the engine on its run deck
// with "/N" and writes "code node start end" to its exit-code file. A task
// whose run deck is gone (a later submission by hand) writes it first and
// removes it afterwards, so the script can be submitted again at any time.
// Every path is quoted; SIGTERM (scancel, the time limit) ends the engine and
// whatever it started before the task ends, whatever the engine's name.
// Throws std::invalid_argument with slurmScriptProblem's text for a job that
// has one.
std::string slurmScript(const SlurmScriptInput& in);

// "sbatch --parsable --array=1-R [extra arguments] script" (no shell).
std::vector<std::string> sbatchArguments(const SlurmOptions& options, int runs, const std::string& scriptPath);
std::vector<std::string> squeueArguments(const std::string& jobId);
std::vector<std::string> sacctArguments(const std::string& jobId);
std::vector<std::string> scancelArguments(const std::string& jobId, bool pendingOnly);

// The job id of sbatch --parsable ("123" or "123;cluster"); none when the
// answer holds no id.
std::optional<std::string> parseJobId(const std::string& sbatchOutput);

struct SlurmTaskState {
    int task = 0;
    std::string state;  // Slurm's word, upper case: PENDING, RUNNING, COMPLETED, CANCELLED ...
    std::string node;
    std::string reason; // squeue: why a task is pending; sacct: the exit code text
};
// squeue --format=%i|%T|%N|%r lines of one job ("123_4|RUNNING|node1|None");
// a range of pending tasks ("123_[5-8%2]") gives one entry per task.
std::vector<SlurmTaskState> parseSqueue(const std::string& text, const std::string& jobId);
// sacct --parsable2 lines JobID|State|ExitCode|NodeList; steps are skipped.
std::vector<SlurmTaskState> parseSacct(const std::string& text, const std::string& jobId);

struct TaskExit {
    int code = 0;
    std::string node;
    long long start = 0, end = 0;  // seconds since the epoch on the node
};
std::optional<TaskExit> parseExitFile(const std::string& text);

// A text quoted for the shell: '...' with every ' written as '\''.
std::string shellQuote(const std::string& text);
// A text quoted for an #SBATCH line: "..." with \ and " escaped by a backslash.
std::string sbatchQuote(const std::string& text);

}  // namespace run
