// Runs of the stand-in engine on small decks: the files it writes, ASSIGN,
// the errors a listing reports, and the executable's command line.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "deck.h"
#include "enginerun.h"
#include "plot/plotdata.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// A scratch directory without "." in its path (result names stop at the first dot).
class ScratchDir {
public:
    ScratchDir() {
        static int n = 0;
        path_ = "/tmp/kalvex-engine-test-" + std::to_string(::getpid()) + "-" + std::to_string(++n);
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct EngineRun {
    int code;
    std::string console;
};

// Runs the engine in-process; engineDir holds (or lacks) CNFGKV.KVN.
EngineRun runEngine(const std::vector<std::string>& args, const std::string& engineDir) {
    std::ostringstream console;
    const int code = kalvex::runEngine(args, engineDir, console);
    return {code, console.str()};
}

std::string enginePath() {
    const char* dir = std::getenv("PALUMARO_PROGRAM_DIR");
    return std::string(dir ? dir : ".") + "/KALVEX32.exe";
}

// Starts the real executable with an exact argument vector; -1 when it had to be
// killed after the time limit (a hang).
int runExecutable(const std::vector<std::string>& args, const std::string& cwd) {
    std::vector<std::string> all{enginePath()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto previous = fs::current_path();
    fs::current_path(cwd);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    fs::current_path(previous);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -2;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -3;
}

const char* const kSmallDeck =
    "* Tank test\r\n"
    "CONSTANTS 2\r\n"
    "A = 2        ! [m2]\r\n"
    "B = A*3\r\n"
    "EQUATIONS 2\r\n"
    "Y = B*TIME   ! [m]\r\n"
    "z = y + 1\r\n"
    "SIMULATION 0 2 1  ! [h]\r\n"
    "END\r\n";

}  // namespace

TEST(EngineFiles, ListingOutputAndPlotDataOfASmallDeck) {
    ScratchDir dir, engineDir;
    const std::string deck = dir / "SMALL.DCK";
    writeText(deck, kSmallDeck);
    const EngineRun run = runEngine({deck}, engineDir.path());
    EXPECT_EQ(run.code, kalvex::kExitOk) << run.console;

    const std::vector<std::string> expectedListing{
        "KALVEX stand-in engine 1.0",
        "Deck: " + deck,
        "",
        "    1  * Tank test",
        "    2  CONSTANTS 2",
        "    3  A = 2        ! [m2]",
        "    4  B = A*3",
        "    5  EQUATIONS 2",
        "    6  Y = B*TIME   ! [m]",
        "    7  z = y + 1",
        "    8  SIMULATION 0 2 1  ! [h]",
        "    9  END",
        "",
        "Summary",
        "  Constants:",
        "    A                    = 2.000000E+00 m2",
        "    B                    = 6.000000E+00",
        "  Equations: 2",
        "  Simulation: TIME from 0.000000E+00 to 2.000000E+00 step 1.000000E+00 h, 3 steps, 3 computed",
        "  Listing:     " + dir / "SMALL.LST",
        "  Output file: " + dir / "SMALL.OUT",
        "  Plot data:   " + dir / "SMALL.PLT",
        "  0 errors, 0 warnings",
    };
    EXPECT_EQ(lines(readText(dir / "SMALL.LST")), expectedListing);

    EXPECT_EQ(readText(dir / "SMALL.PLT"),
              "TIME Y Z\r\n"
              "h m -\r\n"
              "0.000000E+00 0.000000E+00 1.000000E+00\r\n"
              "1.000000E+00 6.000000E+00 7.000000E+00\r\n"
              "2.000000E+00 1.200000E+01 1.300000E+01\r\n");

    const auto out = lines(readText(dir / "SMALL.OUT"));
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[2], "         TIME            Y            Z");
    EXPECT_EQ(out[3], "            h            m            -");
    EXPECT_EQ(out[6], "  2.00000E+00  1.20000E+01  1.30000E+01");
}

TEST(EngineFiles, SwitchesFileTurnsOffHeaderLabelsUnitsAndWarnings) {
    ScratchDir dir, engineDir;
    writeText(engineDir / "cnfgkv.kvn", "KALVEX configuration\r\nYes\r\nNo\r\nNo\r\nNo\r\nYes\r\nYes\r\nNo\r\n");
    writeText(dir / "SMALL.DCK", std::string(kSmallDeck) + "after the end\r\n");
    // No END line would be a warning; drop it to see that warnings are not shown.
    std::string noEnd = kSmallDeck;
    noEnd.erase(noEnd.find("END\r\n"));
    writeText(dir / "SMALL.DCK", noEnd);
    EXPECT_EQ(runEngine({dir / "SMALL.DCK"}, engineDir.path()).code, kalvex::kExitOk);
    const auto listing = lines(readText(dir / "SMALL.LST"));
    EXPECT_EQ(listing.front(), "    1  * Tank test");
    EXPECT_EQ(listing.back(), "  0 errors");
    EXPECT_FALSE(contains(readText(dir / "SMALL.LST"), "Warning"));
    const auto out = lines(readText(dir / "SMALL.OUT"));
    ASSERT_EQ(out.size(), 3u);  // rows only
    EXPECT_EQ(out[0], "  0.00000E+00  0.00000E+00  1.00000E+00");
}

// The program names the switches file its setup wrote in $KALVEX_SWITCHES;
// it wins over the one beside the engine. A named file that is gone is said
// in the listing, and the engine's own switches hold.
TEST(EngineCommandLine, TheSwitchesFileTheProgramNamesWins) {
    ScratchDir dir, config;
    writeText(dir / "SMALL.DCK", kSmallDeck);
    writeText(config / "CNFGKV.KVN", "KALVEX configuration\r\nYes\r\nNo\r\nYes\r\nYes\r\nYes\r\nYes\r\nYes\r\n");
    struct Row {
        std::string named;
        bool header;
        const char* note;
    };
    for (const Row& row : {Row{"", true, nullptr}, Row{config / "CNFGKV.KVN", false, nullptr},
                           Row{config / "GONE.KVN", true, "GONE.KVN named by KALVEX_SWITCHES does not exist"}}) {
        if (row.named.empty())
            ::unsetenv("KALVEX_SWITCHES");
        else
            ::setenv("KALVEX_SWITCHES", row.named.c_str(), 1);
        EXPECT_EQ(runExecutable({dir / "SMALL.DCK"}, dir.path()), kalvex::kExitOk);
        const std::string listing = readText(dir / "SMALL.LST");
        EXPECT_EQ(contains(listing, "Deck: " + dir / "SMALL.DCK"), row.header) << row.named;
        if (row.note) {
            EXPECT_TRUE(contains(listing, row.note)) << listing;
        }
    }
    ::unsetenv("KALVEX_SWITCHES");
}

TEST(EngineFiles, AssignNamesTheResultFilesRelativeToTheDeck) {
    ScratchDir dir, engineDir, work;
    fs::create_directories(dir / "res");
    const std::string deck = dir / "SOLAR.DCK";
    writeText(deck,
              "ASSIGN SOLAR2.LST 6\r\n"
              "ASSIGN res\\SOLAR2.PLT 12\r\n"
              "assign C:SOLAR2.OUT 7\r\n"
              "ASSIGN WEATHER.DAT 10\r\n"
              "EQUATIONS 1\r\nY = 2*TIME\r\nSIMULATION 0 1 1\r\nEND\r\n");
    fs::current_path(work.path());  // a relative name must not depend on the working directory
    EXPECT_EQ(runEngine({deck}, engineDir.path()).code, kalvex::kExitOk);
    fs::current_path("/");
    EXPECT_TRUE(fs::exists(dir / "SOLAR2.LST"));
    EXPECT_TRUE(fs::exists(dir / "res/SOLAR2.PLT"));
    EXPECT_TRUE(fs::exists(dir / "SOLAR2.OUT"));
    EXPECT_FALSE(fs::exists(dir / "SOLAR.LST"));
    EXPECT_FALSE(fs::exists(dir / "SOLAR.PLT"));
    EXPECT_FALSE(fs::exists(dir / "SOLAR.OUT"));
    EXPECT_TRUE(fs::is_empty(work.path()));
    EXPECT_EQ(lines(readText(dir / "res/SOLAR2.PLT")).back(), "1.000000E+00 2.000000E+00");

    EXPECT_EQ(kalvex::assignedPath("\\WORK\\A.LST", "/d/X.DCK"), "/WORK/A.LST");
    EXPECT_EQ(kalvex::assignedPath("A.LST", "X.DCK"), "A.LST");
}

TEST(EngineFiles, AssignNeverOverwritesTheDeck) {
    ScratchDir dir, engineDir;
    const std::string deck = dir / "RUN.OUT";  // an odd but possible deck name
    const std::string text = "ASSIGN RUN.OUT 7\r\nEQUATIONS 1\r\nY = 1\r\nSIMULATION 0 1 1\r\nEND\r\n";
    writeText(deck, text);
    const EngineRun run = runEngine({deck}, engineDir.path());
    EXPECT_EQ(run.code, kalvex::kExitDeckErrors);
    EXPECT_EQ(readText(deck), text);
    EXPECT_TRUE(contains(readText(dir / "RUN.LST"), " *** Error in line 1: ASSIGN would overwrite the deck itself"));
}

TEST(EngineErrors, UndefinedNameIsReportedWithItsLineAndOldResultsGo) {
    ScratchDir dir, engineDir;
    const std::string deck = dir / "BAD.DCK";
    writeText(dir / "BAD.PLT", "TIME Y\r\ns -\r\n0 1\r\n");  // results of an earlier run
    writeText(deck, "CONSTANTS 1\r\nA = 1\r\nEQUATIONS 2\r\nY = A*2\r\nZ = Y + AREA\r\nSIMULATION 0 1 1\r\nEND\r\n");
    const EngineRun run = runEngine({deck}, engineDir.path());
    EXPECT_EQ(run.code, kalvex::kExitDeckErrors);
    const auto listing = lines(readText(dir / "BAD.LST"));
    const auto at = std::find(listing.begin(), listing.end(), "    5  Z = Y + AREA");
    ASSERT_NE(at, listing.end());
    EXPECT_EQ(*(at + 1), " *** Error in line 5: undefined name AREA (column 5 of the expression)");
    EXPECT_EQ(listing.back(), "  1 error, 0 warnings");
    EXPECT_FALSE(fs::exists(dir / "BAD.PLT"));
    EXPECT_TRUE(contains(readText(dir / "BAD.OUT"), "No results"));
}

TEST(EngineErrors, StatementFaultsNameTheirLines) {
    struct Bad {
        const char* deck;
        const char* message;
    };
    const Bad cases[] = {
        {"EQUATIONS 2\nY = 1\nSIMULATION 0 1 1\nEND\n", "Error in line 1: EQUATIONS announces 2 definitions, but only 1 follow"},
        {"EQUATIONS 1\nY = 1\nZ = 2\nSIMULATION 0 1 1\nEND\n", "Error in line 3: a definition outside a CONSTANTS or EQUATIONS block"},
        {"EQUATIONS 2\nY = Z\nZ = 1\nSIMULATION 0 1 1\nEND\n", "Error in line 2: Z is defined only further down, in line 3"},
        {"CONSTANTS 1\nC = TIME\nSIMULATION 0 1 1\nEND\n", "Error in line 2: TIME cannot be used in CONSTANTS"},
        {"EQUATIONS 1\nY = 1\nCONSTANTS 1\nC = Y\nSIMULATION 0 1 1\nEND\n", "Error in line 4: the constant C cannot use the equation Y"},
        {"CONSTANTS 1\nA_VERY_LONG_NAME_OF_21 = 1\nSIMULATION 0 1 1\nEND\n", "longer than 20 characters"},
        {"CONSTANTS 1\nTIME = 1\nSIMULATION 0 1 1\nEND\n", "TIME is the simulation time"},
        {"CONSTANTS 1\nA = 1/0\nSIMULATION 0 1 1\nEND\n", "Error in line 2: division by zero"},
        {"CONSTANTS x\nSIMULATION 0 1 1\nEND\n", "Error in line 1: CONSTANTS needs the number"},
        {"EQUATIONS 1\nY = 1\nSIMULATION 0 1 0\nEND\n", "Error in line 3: the time step must be greater than 0"},
        {"EQUATIONS 1\nY = 1\nSIMULATION 5 1 1\nEND\n", "the stop time is before the start time"},
        {"EQUATIONS 1\nY = 1\nSIMULATION 0 1E12 1\nEND\n", "steps; at most 200000"},
        {"EQUATIONS 1\nY = 1\nSIMULATION 0 1\nEND\n", "SIMULATION needs start, stop and step"},
        {"EQUATIONS 1\nY = 1\nEND\n", "Error: the deck has no SIMULATION statement"},
        {"CONSTANTS 1\nA = 1\nSIMULATION 0 1 1\nSIMULATION 0 2 1\nEND\n", "a second SIMULATION statement (the first is in line 3)"},
    };
    for (const auto& c : cases) {
        ScratchDir dir, engineDir;
        writeText(dir / "D.DCK", c.deck);
        const EngineRun run = runEngine({dir / "D.DCK"}, engineDir.path());
        EXPECT_EQ(run.code, kalvex::kExitDeckErrors) << c.deck;
        EXPECT_TRUE(contains(readText(dir / "D.LST"), c.message)) << c.deck << "\n" << readText(dir / "D.LST");
    }
}

TEST(EngineErrors, RunTimeFaultKeepsTheRowsBeforeIt) {
    ScratchDir dir, engineDir;
    writeText(dir / "D.DCK", "EQUATIONS 2\nY = TIME\nZ = 1/(TIME-2)\nSIMULATION 0 5 1\nEND\n");
    EXPECT_EQ(runEngine({dir / "D.DCK"}, engineDir.path()).code, kalvex::kExitDeckErrors);
    EXPECT_TRUE(contains(readText(dir / "D.LST"),
                         " *** Error in line 3: at TIME = 2.000000E+00, Z: division by zero"));
    const auto plot = lines(readText(dir / "D.PLT"));
    ASSERT_EQ(plot.size(), 4u);
    EXPECT_EQ(plot[3], "1.000000E+00 1.000000E+00 -1.000000E+00");
}

TEST(EngineFiles, FeedbackThroughIntegAndSkippedComponentData) {
    ScratchDir dir, engineDir;
    writeText(dir / "D.DCK",
              "*| a descriptor line is a comment\n"
              "* " + std::string(300, '-') + "\n"
              "UNIT 1 TYPE 3 pump\nPARAMETERS 2\n1 2\nINPUTS 1\n0,0\n"
              "EQUATIONS 2\nX = INTEG(-K*X, 1)\nK = 0.5 ! rate constant\n"
              "SIMULATION 0 2 1\nEND\n");
    const EngineRun run = runEngine({dir / "D.DCK"}, engineDir.path());
    ASSERT_EQ(run.code, kalvex::kExitOk) << readText(dir / "D.LST");
    EXPECT_TRUE(contains(readText(dir / "D.LST"), "Components (UNIT statements): 1, echoed, not simulated"));
    EXPECT_TRUE(contains(readText(dir / "D.LST"), " *** Warning in line 2: the line is longer than 255 characters"));
    const auto plot = lines(readText(dir / "D.PLT"));
    ASSERT_EQ(plot.size(), 5u);
    EXPECT_EQ(plot[2], "0.000000E+00 1.000000E+00 5.000000E-01");
    EXPECT_EQ(plot[3], "1.000000E+00 5.000000E-01 5.000000E-01");
    EXPECT_EQ(plot[4], "2.000000E+00 2.500000E-01 5.000000E-01");
}

TEST(EngineFiles, PlotDataHoldsAtMost25ColumnsAndAUnitLineThatIsNotData) {
    ScratchDir dir, engineDir;
    std::string deck = "EQUATIONS 30\n";
    for (int i = 1; i <= 30; ++i) deck += "E" + std::to_string(i) + " = " + std::to_string(i) + " ! [-]\n";
    deck += "SIMULATION 0 1 1 ! [-]\nEND\n";
    writeText(dir / "D.DCK", deck);
    EXPECT_EQ(runEngine({dir / "D.DCK"}, engineDir.path()).code, kalvex::kExitOk);
    const auto plot = lines(readText(dir / "D.PLT"));
    EXPECT_EQ(kalvex::statementWords(plot[0]).size(), 25u);
    EXPECT_EQ(kalvex::statementWords(plot[0]).back(), "E24");
    EXPECT_EQ(plot[1].substr(0, 4), "(-) ");
    EXPECT_EQ(kalvex::statementWords(plot[2]).size(), 25u);
    EXPECT_TRUE(contains(readText(dir / "D.LST"), "Equations: 30, the first 24 in the plot data"));
    for (const auto& line : lines(readText(dir / "D.OUT"))) EXPECT_LE(line.size(), 255u);
}

TEST(EngineFiles, PlotDataHeaderOfLongNamesStaysReadable) {
    // 13 equations of 20-character names: all would need a name line of 277 characters.
    ScratchDir dir, engineDir;
    std::string deck = "EQUATIONS 13\n";
    std::vector<std::string> names;
    for (int i = 1; i <= 13; ++i) {
        names.push_back("EQUATION_NUMBER_" + std::string(i < 10 ? "000" : "00") + std::to_string(i));
        deck += names.back() + " = " + std::to_string(i) + " ! [unit_of_twenty_chr]\n";
    }
    deck += "SIMULATION 0 1 1\nEND\n";
    writeText(dir / "D.DCK", deck);
    EXPECT_EQ(runEngine({dir / "D.DCK"}, engineDir.path()).code, kalvex::kExitOk);
    const std::string plt = readText(dir / "D.PLT");
    for (const auto& line : lines(plt)) EXPECT_LE(line.size(), 255u);
    const plot::PlotDataTable t = plot::parsePlotData(plt, "D.PLT");
    ASSERT_EQ(t.columnCount(), 12);  // TIME and the 11 names that fit
    for (int c = 1; c < t.columnCount(); ++c) {
        EXPECT_EQ(t.names[c], names[c - 1]);
        EXPECT_EQ(t.values[c][0], c);
    }
    const std::string listing = readText(dir / "D.LST");
    EXPECT_TRUE(contains(listing, "Equations: 13, the first 11 in the plot data"));
    EXPECT_TRUE(contains(listing, " *** Warning: the plot data leaves out EQUATION_NUMBER_0012 and the equations after it"))
        << listing;
}

TEST(EngineCommandLine, ExitCodesAndArgumentsOfTheExecutable) {
    ScratchDir dir;
    const std::string deck = dir / "with blank 'and' quote\".DCK";
    writeText(deck, kSmallDeck);
    EXPECT_EQ(runExecutable({deck}, dir.path()), kalvex::kExitOk);
    EXPECT_TRUE(fs::exists(dir / "with blank 'and' quote\".LST"));

    EXPECT_EQ(runExecutable({deck, "/N"}, dir.path()), kalvex::kExitOk);
    EXPECT_TRUE(contains(readText(dir / "with blank 'and' quote\".LST"), "Run of a parametric table (/N)"));
    EXPECT_EQ(runExecutable({deck, "/n"}, dir.path()), kalvex::kExitOk);

    EXPECT_EQ(runExecutable({}, dir.path()), kalvex::kExitNotRun);
    EXPECT_EQ(runExecutable({""}, dir.path()), kalvex::kExitNotRun);
    // A path that reached the engine in pieces is refused, not half-read.
    EXPECT_EQ(runExecutable({dir / "with", "blank.DCK"}, dir.path()), kalvex::kExitNotRun);
    EXPECT_EQ(runExecutable({dir / "MISSING.DCK"}, dir.path()), kalvex::kExitNotRun);
    EXPECT_TRUE(contains(readText(dir / "MISSING.LST"), "the deck cannot be read"));

    // Relative deck names are relative to the working directory.
    writeText(dir / "REL.DCK", kSmallDeck);
    EXPECT_EQ(runExecutable({"REL.DCK"}, dir.path()), kalvex::kExitOk);
    EXPECT_TRUE(fs::exists(dir / "REL.PLT"));
}

TEST(EngineCommandLine, BadDecksEndPromptlyWithAFailureCode) {
    ScratchDir dir;
    const char* decks[] = {
        "EQUATIONS 1\nY = ((((1\nSIMULATION 0 1 1\nEND\n",
        "EQUATIONS 1\nY = 1 +* 2\nSIMULATION 0 1E300 1E-300\nEND\n",
        "CONSTANTS 999999999\n",
        "\x01\x02\xff binary garbage = = = (\n",
    };
    for (const char* text : decks) {
        writeText(dir / "D.DCK", text);
        EXPECT_EQ(runExecutable({dir / "D.DCK"}, dir.path()), kalvex::kExitDeckErrors) << text;
    }
    // A huge file is not read at all.
    writeText(dir / "HUGE.DCK", "");
    fs::resize_file(dir / "HUGE.DCK", 17u << 20);
    EXPECT_EQ(runExecutable({dir / "HUGE.DCK"}, dir.path()), kalvex::kExitNotRun);
    EXPECT_TRUE(contains(readText(dir / "HUGE.LST"), "larger than 16 MB"));
}

TEST(EngineFiles, ADeckNamedLikeItsListingIsNotOverwritten) {
    ScratchDir dir, engineDir;
    const std::string deck = dir / "RUN.LST";
    writeText(deck, kSmallDeck);
    EXPECT_EQ(runEngine({deck}, engineDir.path()).code, kalvex::kExitNotRun);
    EXPECT_EQ(readText(deck), kSmallDeck);
}

// ---- Writing as the run goes: slowed down, stopped, killed

namespace {

// A run of 2000 steps; slowed down it takes long enough to be watched.
const char* const kLongDeck =
    "EQUATIONS 2\r\n"
    "LEVEL = 2*TIME  ! [m]\r\n"
    "FLOW = TIME/2   ! [m3/h]\r\n"
    "SIMULATION 0 1999 1  ! [h]\r\n"
    "END\r\n";

std::size_t plotRows(const std::string& path) {
    const std::string text = readText(path);
    const std::size_t ends = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    return ends > 2 ? ends - 2 : 0;
}

}  // namespace

TEST(EngineWriting, AStopRequestEndsTheRunWithCompleteFiles) {
    ScratchDir dir, engineDir;
    writeText(dir / "D.DCK", kLongDeck);
    // The flag is set before the run: it ends after its first step.
    const volatile std::sig_atomic_t stop = 1;
    kalvex::RunControls controls;
    controls.stop = &stop;
    std::ostringstream console;
    EXPECT_EQ(kalvex::runEngine({dir / "D.DCK"}, engineDir.path(), console, controls), kalvex::kExitDeckErrors);
    EXPECT_EQ(readText(dir / "D.PLT"), "TIME LEVEL FLOW\r\nh m m3/h\r\n0.000000E+00 0.000000E+00 0.000000E+00\r\n");
    const std::string listing = readText(dir / "D.LST");
    EXPECT_TRUE(contains(listing, " *** Error: the run was stopped at TIME = 0.000000E+00, before its stop time 1.999000E+03"))
        << listing;
    EXPECT_TRUE(contains(listing, "2000 steps, 1 computed"));
    EXPECT_EQ(lines(readText(dir / "D.OUT")).back().substr(0, 36), " *** Error: the run was stopped at T");
}

TEST(EngineWriting, TheStepDelayIsANumberOfMilliseconds) {
    struct Row {
        const char* value;
        bool warned;
    };
    for (const Row& r : {Row{"", false}, Row{"0", false}, Row{"0.5", false}, Row{"abc", true}, Row{"-3", true},
                         Row{"1e9", true}, Row{"5ms", true}}) {
        ScratchDir dir, engineDir;
        writeText(dir / "SMALL.DCK", kSmallDeck);
        kalvex::RunControls controls;
        controls.stepDelay = r.value;
        std::ostringstream console;
        EXPECT_EQ(kalvex::runEngine({dir / "SMALL.DCK"}, engineDir.path(), console, controls), kalvex::kExitOk) << r.value;
        EXPECT_EQ(contains(readText(dir / "SMALL.LST"), std::string(" *** Warning: KALVEX_STEP_MS=") + r.value + " is not a number"),
                  r.warned)
            << r.value;
        EXPECT_EQ(plotRows(dir / "SMALL.PLT"), 3u) << r.value;
    }
}

TEST(EngineWriting, ASlowedRunIsReadableWhileItRunsAndAfterItIsEnded) {
    // Ended by the shell's Stop (SIGTERM: the run ends after its step, the
    // listing says so) and killed outright (SIGKILL: the rows flushed so far).
    for (const int signal : {SIGTERM, SIGKILL}) {
        ScratchDir dir;
        writeText(dir / "D.DCK", kLongDeck);
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) env.emplace_back(*e);
        env.push_back(std::string(kalvex::kStepDelayVariable) + "=2");
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string engine = enginePath(), deck = dir / "D.DCK";
        char* argv[] = {engine.data(), deck.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        // Rows arrive while the engine still runs (2000 steps of 2 ms take 4 s).
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        int status = 0;
        while (plotRows(dir / "D.PLT") < 20 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the engine ended before its rows were seen";
        kill(pid, signal);
        waitpid(pid, &status, 0);

        const std::string plt = readText(dir / "D.PLT");
        ASSERT_GE(plt.size(), 2u);
        EXPECT_EQ(plt.substr(plt.size() - 2), "\r\n") << "a row cut in the middle";
        const plot::PlotDataTable t = plot::parsePlotData(plt, "D.PLT");
        EXPECT_GE(t.rowCount, 20);
        EXPECT_LT(t.rowCount, 2000);
        EXPECT_EQ(t.values[1][static_cast<std::size_t>(t.rowCount - 1)], 2.0 * (t.rowCount - 1));
        if (signal == SIGTERM) {
            EXPECT_EQ(WEXITSTATUS(status), kalvex::kExitDeckErrors);
            EXPECT_TRUE(contains(readText(dir / "D.LST"), "the run was stopped at TIME"));
            EXPECT_TRUE(contains(readText(dir / "D.LST"), "Plot data:   " + dir / "D.PLT"));
        } else {
            EXPECT_TRUE(WIFSIGNALED(status));
            EXPECT_TRUE(contains(readText(dir / "D.LST"), "    4  SIMULATION 0 1999 1  ! [h]"));
        }
    }
}
