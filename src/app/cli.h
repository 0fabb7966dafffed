// The program's command line: files to open in the windows, and the headless
// commands for scripts (--run, --run-table, --plot, --new-plot, --version,
// --help), which need no display and report a failure as one line on stderr
// with a non-zero exit.
#pragma once
#include <QStringList>
#include <stdexcept>

#include "shell/qtbytes.h"

namespace cli {

// A failure of a headless command: its text is the one line printed.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& text, int exitCode = 1)
        : std::runtime_error(toBytes(text)), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

// One headless command: its option, a synopsis and summary for --help, and its
// handler, which receives the arguments after the option and returns the exit
// code (or throws Failure / pal::IoError). New commands add a row to the table
// in cli.cpp.
struct Command {
    const char* option;
    const char* synopsis;
    const char* summary;
    int (*run)(const QStringList& arguments);
};

// The headless command the arguments name (argv[1]), or null when the program
// starts its windows.
const Command* headlessCommand(int argc, char** argv);

// An option of ours that no command knows ("--frobnicate"), checked before a
// display is needed; empty when there is none.
QString unknownOption(int argc, char** argv);

// Before the application object exists: a headless command runs on the
// offscreen platform, whatever display there is.
void prepareHeadless();

// Runs a headless command on the application's arguments; returns the exit code.
int runHeadless(const Command& command, const QStringList& applicationArguments);

// The files named on a windowed start (every argument after the program name;
// "--" ends options). An unknown option gives a Failure.
QStringList filesToOpen(const QStringList& applicationArguments);

// Handlers of the commands (cliplot.cpp, clirun.cpp, clitable.cpp).
int runDeck(const QStringList& arguments);
int runTableFile(const QStringList& arguments);
int renderSavedPlot(const QStringList& arguments);
int renderNewPlot(const QStringList& arguments);
int compareResults(const QStringList& arguments);  // clicompare.cpp
int sweepTable(const QStringList& arguments);          // clistudy.cpp
int collectResults(const QStringList& arguments);      // clistudy.cpp
int runTableAndCollect(const QStringList& arguments);  // clistudy.cpp

// Reads "--name VALUE" or "--name=VALUE" pairs and "--flag" switches after the
// first (positional) argument; unknown names and missing values are Failures
// (exit code 2).
struct Options {
    QString positional;
    QList<QPair<QString, QString>> pairs;
    QStringList flags;
    QString value(const QString& name) const;
    bool has(const QString& name) const;
};
Options parseOptions(const QString& command, const QStringList& arguments, const QStringList& known,
                     const QStringList& knownFlags = {});

// Reads the settings as the windows do; a missing settings file is a Failure
// with the exit code given, a damaged one is reported on stderr and the
// defaults are used.
void readSettings(int exitCodeWhenMissing);

// A Failure (exit code 2) when one of the outputs is one of the inputs.
void refuseOutputOverInput(const QString& command, const QStringList& inputs, const QStringList& outputs);

}  // namespace cli
