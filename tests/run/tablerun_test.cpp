// Table runs in the core: the result files of run decks and the clashes
// between runs, the status texts and estimates, and the Slurm job texts: the
// batch script (run through sh for real), the command lines and the readers
// of squeue, sacct, sbatch and the exit-code files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "common/textfile.h"
#include "run/runplan.h"
#include "run/slurmjob.h"
#include "support/coretemp.h"
#include "table/rundecks.h"

using namespace run;

namespace {

std::vector<std::string> solarDeck() {
    return pal::readLines(std::string(std::getenv("PALUMARO_SOURCE_DIR")) + "/installation/samples/SOLAR.DCK");
}

// The result files of runs 1..n of a deck, built from real run decks.
std::vector<RunResultFiles> resultsOfRuns(const std::vector<std::string>& deck, const std::string& deckPath, int n) {
    std::vector<RunResultFiles> out;
    for (int i = 1; i <= n; ++i)
        out.push_back(resultFiles(table::runDeckPath(deckPath, i),
                                  table::runDeckLines(deck, deckPath, i, {"AREA"}, {std::to_string(i)})));
    return out;
}

// A run status with the fields a case needs, the rest left at their defaults.
RunStatus st(RunPhase phase, int exitCode = 0, double started = -1, double ended = -1, std::string node = {},
             std::string reason = {}) {
    RunStatus s;
    s.phase = phase;
    s.exitCode = exitCode;
    s.started = started;
    s.ended = ended;
    s.node = std::move(node);
    s.reason = std::move(reason);
    return s;
}

}  // namespace

TEST(RunResults, DefaultNamesAndAssignedOnes) {
    const RunResultFiles plain = resultFiles("/w/SOLAR2.TMP", {"CONSTANTS 1", "A=1", "END"});
    EXPECT_EQ(plain.listing, "/w/SOLAR2.LST");
    EXPECT_EQ(plain.output, "/w/SOLAR2.OUT");
    EXPECT_EQ(plain.plot, "/w/SOLAR2.PLT");

    const RunResultFiles assigned = resultFiles(
        "/w/run.1/SOLAR2.TMP", {"ASSIGN C:\\RES\\X.LST 6", "ASSIGN sub/../Y.O12 7", "ASSIGN Z.PLT 12",
                                "ASSIGN /KALWIN/MONTH1.DAT 10", "ASSIGNS", "ASS"});
    EXPECT_EQ(assigned.listing, "/RES/X.LST");
    EXPECT_EQ(assigned.output, "/w/run.1/Y.O12");
    EXPECT_EQ(assigned.plot, "/w/run.1/Z.PLT");
}

TEST(RunResults, NumberedRunsNeverClashButSharedNamesDo) {
    const std::vector<std::string> deck = solarDeck();
    EXPECT_TRUE(findOutputClashes(resultsOfRuns(deck, "/w/SOLAR.DCK", 99)).empty());

    // A result named after another base is copied unchanged into every run deck;
    // so is a numbered name that another run writes by default.
    std::vector<std::string> shared = deck;
    for (auto& l : shared) {
        if (l.rfind("ASSIGN SOLAR.PLT", 0) == 0) l = "ASSIGN RESULTS.PLT 12";
        if (l.rfind("ASSIGN SOLAR.OUT", 0) == 0) l = "ASSIGN SOLAR1.OUT 7";
    }
    const auto clashes = findOutputClashes(resultsOfRuns(shared, "/w/SOLAR.DCK", 3));
    ASSERT_EQ(clashes.size(), 2u);
    EXPECT_EQ(clashes[0].file, "/w/RESULTS.PLT");
    EXPECT_EQ(clashes[0].firstRun, 1);
    EXPECT_EQ(clashes[0].secondRun, 2);
    EXPECT_EQ(clashes[1].file, "/w/SOLAR1.OUT");  // a numbered name, but the same in every run
    EXPECT_EQ(clashes[1].secondRun, 2);

    const std::string text = clashMessage(clashes);
    EXPECT_NE(text.find("/w/RESULTS.PLT (runs 1 and 2)"), std::string::npos) << text;
    EXPECT_NE(text.find("no run was started"), std::string::npos);

    std::vector<OutputClash> many(13, OutputClash{"/w/F", 1, 2});
    EXPECT_NE(clashMessage(many).find("and 3 more files"), std::string::npos);
}

TEST(RunStatusText, EveryStateAsTheStatusColumnShowsIt) {
    const struct {
        RunStatus s;
        double now;
        const char* text;
    } cases[] = {
        {st(RunPhase::Waiting), 3, "waiting"},
        {st(RunPhase::Pending, 0, -1, -1, "", "Resources"), 3, "pending (Resources)"},
        {st(RunPhase::Running, 0, 2, -1), 14.4, "running 0:12"},
        {st(RunPhase::Running, 0, 2, -1, "node7"), 3, "running on node7 0:01"},
        {st(RunPhase::Done, 0, 1, 3726), 4000, "done, exit code 0, 1:02:05"},
        {st(RunPhase::Done, 0, 1, 31, "node7"), 40, "completed on node7, exit code 0, 0:30"},
        {st(RunPhase::Failed, 3, 0, 5), 9, "failed, exit code 3, 0:05"},
        {st(RunPhase::Failed, -1, 0, 5, "", "ended by a signal"), 9, "failed: ended by a signal, 0:05"},
        {st(RunPhase::NotStarted, 0, -1, 0, "", "File /e/KALVEX32.exe was not found."), 1,
         "failed to start: File /e/KALVEX32.exe was not found."},
        {st(RunPhase::Stopped, 0, 10, 70), 80, "stopped after 1:00"},
        {st(RunPhase::Cancelled, 0, -1, 2, "node7"), 3, "cancelled on node7"},
        {st(RunPhase::Lost, 0, -1, 9, "", "gone"), 9, "lost: gone"},
    };
    for (const auto& c : cases) EXPECT_EQ(statusText(c.s, c.now), c.text);
}

TEST(RunStatusText, EstimateAndSummary) {
    std::vector<RunStatus> runs(6);
    EXPECT_FALSE(estimateSecondsLeft(runs, 0, 2).has_value());  // nothing ended yet
    runs[0] = st(RunPhase::Done, 0, 0, 10);
    runs[1] = st(RunPhase::Failed, 1, 0, 20);  // mean 15 s
    runs[2] = st(RunPhase::Running, 0, 20, -1);
    runs[3] = st(RunPhase::Running, 0, 25, -1);
    // Waiting: 2 x 15 s; running: 15 - 10 and 15 - 5 left; over 2 lanes.
    ASSERT_TRUE(estimateSecondsLeft(runs, 30, 2).has_value());
    EXPECT_DOUBLE_EQ(*estimateSecondsLeft(runs, 30, 2), (30.0 + 5 + 10) / 2);
    EXPECT_DOUBLE_EQ(*estimateSecondsLeft(runs, 30, 8), (30.0 + 5 + 10) / 4);  // no more lanes than runs

    runs[2] = st(RunPhase::Done, 0, 20, 35);
    runs[3] = st(RunPhase::NotStarted);
    runs[4] = st(RunPhase::Stopped);
    runs[5] = st(RunPhase::Cancelled);
    EXPECT_EQ(summaryText(runs, 61),
              "2 of 6 runs ended normally in 1:01; runs 2, 4 failed; 2 runs were cancelled.");
    EXPECT_EQ(summaryText({st(RunPhase::Done)}, 0.4), "1 of 1 run ended normally in 0:00.");
    EXPECT_EQ(endLine(2, runs[1], "/w/SOLAR1.LST"), "Run 2: failed, exit code 1, 0:20 (listing /w/SOLAR1.LST)");
}

TEST(SlurmJob, FileNamesBesideTheTable) {
    EXPECT_EQ(slurmScriptPath("/home/first.last/SOLAR.TBL"), "/home/first.last/SOLAR.slurm.sh");
    EXPECT_EQ(slurmExitPath("/w/SOLAR.TBL", 3), "/w/SOLAR.slurm-3.exit");
    EXPECT_EQ(slurmLogPath("/w/SOLAR", 12), "/w/SOLAR.slurm-12.log");
}

TEST(SlurmJob, CommandLinesWithoutAShell) {
    SlurmOptions o;
    o.extraArgs = "--account=lab \"--comment=two words\"";
    EXPECT_EQ(sbatchArguments(o, 8, "/w/A B.slurm.sh"),
              (std::vector<std::string>{"--parsable", "--array=1-8", "--account=lab", "--comment=two words",
                                        "/w/A B.slurm.sh"}));
    EXPECT_EQ(scancelArguments("17", true), (std::vector<std::string>{"--state=PENDING", "17"}));
    EXPECT_EQ(scancelArguments("17", false), (std::vector<std::string>{"17"}));
    EXPECT_EQ(shellQuote("it's"), "'it'\\''s'");
}

TEST(SlurmJob, ReadsTheAnswersOfSlurmsCommands) {
    EXPECT_EQ(parseJobId("4711\n"), "4711");
    EXPECT_EQ(parseJobId("4711;cluster2\n"), "4711");
    EXPECT_FALSE(parseJobId("sbatch: error: Batch job submission failed\n").has_value());

    const auto q = parseSqueue("12_1|RUNNING|vm|None\n12_[3-5%2]|PENDING||JobArrayTaskLimit\n13_2|RUNNING|x|None\n"
                               "garbage\n12_2|COMPLETING|vm|None\n",
                               "12");
    ASSERT_EQ(q.size(), 5u);
    EXPECT_EQ(q[0].task, 1);
    EXPECT_EQ(q[0].node, "vm");
    EXPECT_EQ(q[1].task, 3);
    EXPECT_EQ(q[3].task, 5);
    EXPECT_EQ(q[3].reason, "JobArrayTaskLimit");
    EXPECT_EQ(q[4].state, "COMPLETING");

    const auto a = parseSacct("12_1|COMPLETED|0:0|vm\n12_1.batch|COMPLETED|0:0|vm\n12_2|CANCELLED by 0|0:15|vm\n"
                              "12_3|TIMEOUT|0:0|vm\n",
                              "12");
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[1].state, "CANCELLED");
    EXPECT_EQ(a[1].reason, "0:15");
    EXPECT_EQ(a[2].state, "TIMEOUT");

    const auto e = parseExitFile("1 node7 1700000000 1700000042\n");
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->code, 1);
    EXPECT_EQ(e->node, "node7");
    EXPECT_EQ(e->end - e->start, 42);
    EXPECT_FALSE(parseExitFile("").has_value());
    EXPECT_FALSE(parseExitFile("x 1").has_value());
}

// The batch script is run by sh as a task of the array would run it: the
// engine gets the run deck and /N, the exit file gets code and node; a task
// whose run deck is gone writes it first (byte for byte) and removes it after.
// Folder names with blanks, quotes, "$", "%" and "#" are ordinary.
class BatchScript : public ::testing::TestWithParam<const char*> {};

int runTask(const std::string& dir, const std::string& script, int task) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        ::setenv("SLURM_ARRAY_TASK_ID", std::to_string(task).c_str(), 1);
        ::setenv("SLURMD_NODENAME", "node7", 1);
        ::execl("/bin/sh", "sh", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_P(BatchScript, RunsTheEngineOnItsTasksDeck) {
    coretest::TempDir top;
    const std::string folder = top / GetParam();
    std::filesystem::create_directories(folder);
    const auto at = [&](const std::string& name) { return folder + "/" + name; };
    const std::string engine = at("my engine.sh");
    coretest::write(engine,
                    "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" >> \"$(dirname \"$1\")/calls\"\n"
                    "cp \"$1\" \"$1.seen\"\ncase \"$1\" in *SOLAR1.TMP) exit 3;; esac\nexit 0\n");
    std::filesystem::permissions(engine, std::filesystem::perms::owner_all);
    SlurmScriptInput in;
    in.tablePath = at("SOLAR.TBL");
    in.workDir = folder;
    in.enginePath = engine;
    in.decks = {at("SOLAR.TMP"), at("SOLAR1.TMP")};
    in.deckBytes = {"AREA=1.5\r\nEND\r\n",
                    "AREA=2.5\r\n* it's 'quoted' $HOME `x`\r\npalumaro_end_of_run_deck\r\nEND\r\n"};
    in.options.partition = "debug";
    in.options.timeLimit = "10";
    coretest::write(in.decks[0], in.deckBytes[0]);
    const std::string script = slurmScript(in);
    EXPECT_NE(script.find("#SBATCH --partition=\"debug\"\n"), std::string::npos);
    EXPECT_NE(script.find("#SBATCH --array=1-2\n"), std::string::npos);
    EXPECT_NE(script.find("#SBATCH --output=\"SOLAR.slurm-%a.log\"\n"), std::string::npos);
    EXPECT_NE(script.find("#SBATCH --chdir=" + sbatchQuote(folder) + "\n"), std::string::npos);
    EXPECT_EQ(script.find("--mem"), std::string::npos);
    EXPECT_EQ(script.find('\r'), std::string::npos);  // sbatch refuses CR LF scripts
    const std::string path = slurmScriptPath(in.tablePath);
    coretest::write(path, script);

    EXPECT_EQ(runTask(folder, path, 1), 0);
    EXPECT_EQ(runTask(folder, path, 2), 3);
    EXPECT_EQ(runTask(folder, path, 3), 2);  // no such run

    EXPECT_EQ(pal::readFileBytes(at("calls")), in.decks[0] + "|/N\n" + in.decks[1] + "|/N\n");
    const auto first = parseExitFile(pal::readFileBytes(slurmExitPath(in.tablePath, 1)));
    const auto second = parseExitFile(pal::readFileBytes(slurmExitPath(in.tablePath, 2)));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->code, 0);
    EXPECT_EQ(first->node, "node7");
    EXPECT_EQ(second->code, 3);
    // Run 2's deck was missing: written from the script's copy, then removed.
    EXPECT_EQ(pal::readFileBytes(in.decks[1] + ".seen"), in.deckBytes[1]);
    EXPECT_FALSE(std::filesystem::exists(in.decks[1]));
    EXPECT_TRUE(std::filesystem::exists(in.decks[0]));  // the table run's own deck stays for it to delete
}

INSTANTIATE_TEST_SUITE_P(Folders, BatchScript,
                         ::testing::Values("plain", "my runs", "it's \"100%\" $HOME `id` #1 \\d"));

// What cannot be written into a batch script safely is refused with a
// one-line message naming it; a log path outside the working directory keeps
// its folder, "%" doubled.
TEST(SlurmJob, UnsafeTextIsRefusedAndPathsAreQuoted) {
    const auto job = [] {
        SlurmScriptInput in;
        in.tablePath = "/w/a b/SOLAR.TBL";
        in.workDir = "/w/a b";
        in.enginePath = "/opt/k/KALVEX32.exe";
        in.decks = {"/w/a b/SOLAR.TMP"};
        in.deckBytes = {"END\r\n"};
        return in;
    };
    struct Row {
        void (*change)(SlurmScriptInput&);
        const char* says;  // nullptr: written
    };
    const Row rows[] = {
        {[](SlurmScriptInput&) {}, nullptr},
        {[](SlurmScriptInput& in) { in.workDir = "/elsewhere"; }, nullptr},
        {[](SlurmScriptInput& in) { in.tablePath = "/w/x\nrm -rf ~/SOLAR.TBL"; }, "the table's path /w/x\\nrm -rf"},
        {[](SlurmScriptInput& in) { in.workDir = "/w/a\rb"; }, "the working directory /w/a\\rb holds a line break"},
        {[](SlurmScriptInput& in) { in.enginePath = "/x\n/KALVEX32.exe"; }, "the engine's path"},
        {[](SlurmScriptInput& in) { in.decks[0] = "/w/a\nb.TMP"; }, "the run deck /w/a\\nb.TMP"},
        {[](SlurmScriptInput& in) { in.options.partition = "debug\n#SBATCH --uid=0"; }, "the Slurm option"},
        {[](SlurmScriptInput& in) { in.tablePath = "/w/a b/SO\\LAR.TBL"; }, "holds a backslash"},
        {[](SlurmScriptInput& in) { in.deckBytes[0] = std::string("A\0B\r\n", 5); }, "holds a NUL byte"},
        {[](SlurmScriptInput& in) { in.deckBytes[0] = "A\rB\r\n"; }, "lone carriage return"},
    };
    for (const Row& row : rows) {
        SlurmScriptInput in = job();
        row.change(in);
        const auto problem = slurmScriptProblem(in);
        if (!row.says) {
            ASSERT_FALSE(problem.has_value()) << *problem;
            EXPECT_NO_THROW((void)slurmScript(in));
            continue;
        }
        ASSERT_TRUE(problem.has_value()) << row.says;
        EXPECT_NE(problem->find(row.says), std::string::npos) << *problem;
        EXPECT_EQ(problem->find('\n'), std::string::npos) << *problem;
        EXPECT_THROW((void)slurmScript(in), std::invalid_argument);
    }
    SlurmScriptInput in = job();
    in.tablePath = "/w/100% sure/SOLAR.TBL";
    EXPECT_NE(slurmScript(in).find("#SBATCH --output=\"/w/100%% sure/SOLAR.slurm-%a.log\"\n"), std::string::npos);
    EXPECT_EQ(sbatchQuote("a \"b\" \\c"), "\"a \\\"b\\\" \\\\c\"");
}
