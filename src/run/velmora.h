// The VELMORA switch of an installation: set when the installation uses the
// program VELMORA in place of MORDAX.
#pragma once
#include <string>

namespace run {

constexpr const char* kVelmoraSwitchFile = "VELMORA.SET";

// True when the program directory holds the file VELMORA.SET (any letter case).
// Its content does not matter; installing or removing the file sets or clears
// the switch for the next start.
bool readVelmoraSwitch(const std::string& programDir);

}  // namespace run
