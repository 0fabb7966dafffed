// Command lines of started programs: shell-like word splitting without a shell,
// program paths in a directory, the engine's command and the VELMORA switch.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "run/commandline.h"
#include "run/velmora.h"

using run::Command;
using Words = std::vector<std::string>;

TEST(CommandLine, SplitsAtBlanksAndKeepsQuotedTextTogether) {
    const struct {
        const char* line;
        Words words;
    } cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"make", {"make"}},
        {"  a   b\tc  ", {"a", "b", "c"}},
        {"\\F32\\BIN\\FL32.EXE /c", {"\\F32\\BIN\\FL32.EXE", "/c"}},
        {"\"/opt/my tools/fc\" -c", {"/opt/my tools/fc", "-c"}},
        {"'/opt/my tools/fc' -c", {"/opt/my tools/fc", "-c"}},
        {"cc -DNAME=\"a b\"x", {"cc", "-DNAME=a bx"}},
        {"echo \"say \\\"hi\\\" \\\\ now\"", {"echo", "say \"hi\" \\ now"}},
        {"echo 'it''s'", {"echo", "its"}},
        {"echo '\"' \"'\"", {"echo", "\"", "'"}},
        {"echo \"\" ''", {"echo", "", ""}},
        {"echo \"unclosed quote", {"echo", "unclosed quote"}},
        {"C:\\KALVEX14\\ULM\\ULMWIN.exe x", {"C:\\KALVEX14\\ULM\\ULMWIN.exe", "x"}},
        {"a;b|c>d $HOME `x`", {"a;b|c>d", "$HOME", "`x`"}},  // no shell: these mean nothing
    };
    for (const auto& c : cases) EXPECT_EQ(run::splitWords(c.line), c.words) << c.line;
}

TEST(CommandLine, ProgramAndArguments) {
    EXPECT_EQ(run::parseCommandLine("\\F32\\BIN\\MAKE.EXE /S /F MAKQVT.DAT UPDATE"),
              (Command{"\\F32\\BIN\\MAKE.EXE", {"/S", "/F", "MAKQVT.DAT", "UPDATE"}}));
    EXPECT_EQ(run::parseCommandLine("  "), Command{});
    // The module source is one argument even with blanks and quotes in its path.
    EXPECT_EQ(run::commandWithArgument("\\F32\\BIN\\FL32.EXE /c", "C:\\WORK\\PUMP.FOR"),
              (Command{"\\F32\\BIN\\FL32.EXE", {"/c", "C:\\WORK\\PUMP.FOR"}}));
    EXPECT_EQ(run::commandWithArgument("fc -c", "/w/my \"odd\" dir/P.FOR"),
              (Command{"fc", {"-c", "/w/my \"odd\" dir/P.FOR"}}));
}

TEST(CommandLine, ABrowsedProgramReplacesTheFirstWordAndSurvivesSplitting) {
    for (const std::string w : {"/opt/my tools/gfortran", "it's", "a\"b\\c d", "plain", "\\F32\\BIN\\FL32.EXE", ""})
        EXPECT_EQ(run::splitWords(run::quoteWord(w) + " x"), (std::vector<std::string>{w, "x"})) << w;
    EXPECT_EQ(run::withProgram("\\F32\\BIN\\FL32.EXE /c", "/usr/bin/gfortran"), "/usr/bin/gfortran /c");
    EXPECT_EQ(run::parseCommandLine(run::withProgram("make 'a b' -s", "/home/first.last/my make")),
              (Command{"/home/first.last/my make", {"a b", "-s"}}));
    EXPECT_EQ(run::withProgram("", "/bin/true"), "/bin/true");
}

TEST(CommandLine, ProgramInDirectoryNeverDoublesTheSeparator) {
    EXPECT_EQ(run::programInDirectory("/opt/GASK", "GASK.exe"), "/opt/GASK/GASK.exe");
    EXPECT_EQ(run::programInDirectory("/opt/GASK/", "GASK.exe"), "/opt/GASK/GASK.exe");
    EXPECT_EQ(run::programInDirectory("C:\\KALVEX14\\GASK\\", "GASK.exe"), "C:\\KALVEX14\\GASK\\GASK.exe");
    EXPECT_EQ(run::programInDirectory("", "GASK.exe"), "GASK.exe");
    EXPECT_EQ(run::programInDirectory("/", "GASK.exe"), "/GASK.exe");
}

TEST(CommandLine, EngineCommandKeepsTheDeckWholeHoweverLong) {
    const std::string deck = "/w/a b/it's \"x\".DCK";
    EXPECT_EQ(run::engineCommand("/p/KALVEX32.exe", deck), (Command{"/p/KALVEX32.exe", {deck}}));
    EXPECT_EQ(run::engineCommand("/p/KALVEX32.exe", deck, true), (Command{"/p/KALVEX32.exe", {deck, "/N"}}));
    EXPECT_EQ(run::engineCommand("/p/KALVEX32.exe", ""), (Command{"/p/KALVEX32.exe", {}}));
    // Longer than the old 255-character buffer: nothing is cut.
    const std::string longDeck = "/" + std::string(300, 'd') + "/PUMP.DCK";
    const Command c = run::engineCommand("/" + std::string(100, 'e') + "/KALVEX32.exe", longDeck);
    EXPECT_EQ(c.arguments.at(0), longDeck);
    EXPECT_EQ(c.program.size(), 114u);
}

TEST(VelmoraSwitch, SetByAFileInTheProgramDirectoryInAnyCase) {
    const std::string dir = "/tmp/palumaro-velmora-" + std::to_string(::getpid());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    EXPECT_FALSE(run::readVelmoraSwitch(dir));
    EXPECT_FALSE(run::readVelmoraSwitch(""));
    std::ofstream(dir + "/velmora.set") << "";
    EXPECT_TRUE(run::readVelmoraSwitch(dir));
    std::filesystem::remove_all(dir);
}
