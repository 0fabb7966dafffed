// The main window's commands that start other programs: the engine (Calculate),
// the module compiler, the rebuild, the user command, the utilities and the
// engine's help files.
#pragma once
#include <QDateTime>
#include <QString>
#include <functional>

#include "run/commandline.h"

class TCompiling;
class Workbench;

namespace run {

// Runs a command line and waits for it while the windows stay responsive; start
// failures are reported in a message box. Always true. The text is split into
// program and arguments like a shell would, without a shell.
bool ExecAndWait(const QString& commandLine);
// The same for a command already held as program and arguments (the engine and
// its deck): every argument reaches the program whole.
bool ExecAndWait(const Command& command);

// ExecAndWait for a run that may be ended from elsewhere (its table window
// closing): once stopRequested answers true the program is asked to end and is
// killed kStopGraceMs later. True when it was stopped.
bool ExecAndWaitStoppable(const Command& command, const std::function<bool()>& stopRequested);

// Runs the engine like ExecAndWait while the progress window shows the run with
// its Stop button; a confirmed stop ends the engine (asked to end, killed after
// kStopGraceMs). True when the run was stopped.
constexpr int kStopGraceMs = 3000;
bool RunEngineStoppable(const Command& command, TCompiling* progress);

// The engine's directory: when the KALVEX directory setting names no existing
// directory, the setting becomes the program directory (in memory).
void CheckKalvexDirectory();
// KALVEX directory + "/KALVEX32.exe"; an existing file of that name in another
// letter case is taken when the exact one is missing.
QString EnginePath();
// The engine path, asking for the engine's directory when KALVEX32.exe is not
// there. The chosen directory becomes the KALVEX directory (in memory) and the
// path is built from it without a further check. False when the user cancels.
[[nodiscard]] bool LocateEngine(QString& enginePath);

// Told of each engine run that Calculate starts (the Messages panel reads the
// run's listing when it has ended).
struct RunObservers {
    std::function<void(const QString& deck)> starting;
    std::function<void(const QString& deck, const QDateTime& started)> finished;
};
RunObservers& runObservers();

void Calculate(Workbench& bench);
void CompileModule(Workbench& bench);
void RebuildKALVEX();
void ExecuteCommand();

enum class Utility { Mordax, Teklor, Ulm, Gask, Zobrel };
void StartUtility(Utility which);
// The utility's name in the Utilities menu (MORDAX is VELMORA in an
// installation that has it).
QString utilityName(Utility which);

enum class HelpFile { PalumaroIndex, TypesIndex, KalvexIndex, ErrorMessages };
void OpenHelpFile(HelpFile which);

}  // namespace run
