// One run of the stand-in engine as its command line asks for it: reads the
// switches file and the deck, simulates, and writes listing, output and plot data.
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace kalvex {

// Exit codes: 0 the run succeeded (warnings allowed); 1 the deck or the run had
// errors (the listing names them); 2 nothing could be run (no deck given, deck
// unreadable, listing not writable).
constexpr int kExitOk = 0;
constexpr int kExitDeckErrors = 1;
constexpr int kExitNotRun = 2;

// args: the command-line arguments after the program name ("deck [/N]").
// engineDir: where CNFGKV.KVN is looked for. console: status and usage text.
int runEngine(const std::vector<std::string>& args, const std::string& engineDir, std::ostream& console);

// Where an ASSIGN file name points: "\" read as "/", a drive "C:" dropped, and a
// relative name taken relative to the deck's directory.
std::string assignedPath(const std::string& fileName, const std::string& deckPath);

}  // namespace kalvex
