// The main window's commands that start other programs: the engine (Calculate),
// the module compiler, the rebuild, the user command, the utilities and the
// engine's help files.
#pragma once
#include <QString>

class TPALUMAROFORM;

namespace run {

// Runs a command line and waits for it while the windows stay responsive; start
// failures are reported in a message box. Always true.
bool ExecAndWait(const QString& commandLine);

void Calculate(TPALUMAROFORM& main);
void CompileModule(TPALUMAROFORM& main);
void RebuildKALVEX(TPALUMAROFORM& main);
void ExecuteCommand(TPALUMAROFORM& main);

enum class Utility { Mordax, Teklor, Ulm, Gask, Zobrel };
void StartUtility(TPALUMAROFORM& main, Utility which);
void UtilitiesMenuOpened(TPALUMAROFORM& main);

enum class HelpFile { PalumaroIndex, TypesIndex, KalvexIndex, ErrorMessages };
void OpenHelpFile(TPALUMAROFORM& main, HelpFile which);

}  // namespace run
