// Placeholder bodies until the run commands are built; replaced by that work.
#include "run/kalvexrun.h"

namespace run {
bool ExecAndWait(const QString&) { return true; }
void Calculate(TPALUMAROFORM&) {}
void CompileModule(TPALUMAROFORM&) {}
void RebuildKALVEX(TPALUMAROFORM&) {}
void ExecuteCommand(TPALUMAROFORM&) {}
void StartUtility(TPALUMAROFORM&, Utility) {}
void UtilitiesMenuOpened(TPALUMAROFORM&) {}
void OpenHelpFile(TPALUMAROFORM&, HelpFile) {}
}  // namespace run
