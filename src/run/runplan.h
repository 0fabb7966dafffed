// What a table run needs to know before it starts anything: the files each run
// makes the engine write (so that two runs never write the same file), the
// state of each run as it goes, and the texts that show it.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace run {

// The result files of one run: where its listing, output and plot data go
// (the deck's base name, or the names its ASSIGN statements give).
struct RunResultFiles {
    std::string listing, output, plot;
};

// The results the engine writes for a run deck: ASSIGN statements naming a
// ".LST", ".O*" or ".PLT" file replace the default base + ".LST", ".OUT",
// ".PLT". Assigned names use "/" for "\", lose a drive and are relative to the
// deck's directory. Paths are lexically normalised.
RunResultFiles resultFiles(const std::string& runDeckPath, const std::vector<std::string>& runDeckLines);

// A file that two runs would both write.
struct OutputClash {
    std::string file;
    int firstRun = 0, secondRun = 0;  // 1-based
};
// Every file written by more than one run (element i holds run i + 1), with
// the first two runs that write it, in order of the first run.
std::vector<OutputClash> findOutputClashes(const std::vector<RunResultFiles>& runs);
// The refusal shown when clashes were found (names at most 10 files).
std::string clashMessage(const std::vector<OutputClash>& clashes);

// The result files of every run deck (read from disk) and the files that more
// than one run would write. Throws pal::IoError when a run deck cannot be read.
struct TableRunPlan {
    std::vector<RunResultFiles> results;
    std::vector<OutputClash> clashes;
};
TableRunPlan planRuns(const std::vector<std::string>& runDecks);

// The state of one run of a table run.
enum class RunPhase {
    Waiting,     // not started yet (this machine)
    Pending,     // submitted, waiting for a node (Slurm)
    Running,
    Done,        // the engine ended with exit code 0
    Failed,      // it ended with another code, by a signal, or the task failed
    NotStarted,  // the engine could not be started
    Stopped,     // ended by the user while it ran
    Cancelled,   // ended by the user before it ran
    Lost,        // the task vanished from the cluster without an end state
};

struct RunStatus {
    RunPhase phase = RunPhase::Waiting;
    int exitCode = 0;
    double started = -1;  // seconds since the table run began; -1 when unknown
    double ended = -1;
    std::string node;     // the cluster node (Slurm)
    std::string reason;   // why it did not start, failed or was lost
    std::string detail;   // the engine's last words, or where Slurm's log is
};

bool hasEnded(RunPhase p);
// Ended with exit code 0.
inline bool endedNormally(const RunStatus& s) { return s.phase == RunPhase::Done; }

// "0:07", "12:30", "1:02:03" (whole seconds).
std::string clockText(double seconds);
// The status column's text of one run at time now (seconds since the start).
std::string statusText(const RunStatus& s, double now);
// The estimated seconds until every run has ended, from the mean duration of
// the runs ended so far; none before the first run has ended.
std::optional<double> estimateSecondsLeft(const std::vector<RunStatus>& runs, double now, int parallel);
// "6 of 8 runs ended normally in 1:02; run 3 failed, ..." after a table run.
std::string summaryText(const std::vector<RunStatus>& runs, double elapsed);
// The one line per run of a table run without a window.
std::string endLine(int run, const RunStatus& s, const std::string& listing);

}  // namespace run
