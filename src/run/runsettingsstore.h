// The table-run settings in the user's configuration directory
// ($XDG_CONFIG_HOME/palumaro/palumaro.conf), apart from PALUMARO.DFT, whose
// layout is fixed.
#pragma once
#include <QString>
#include <optional>
#include <string>

#include "common/ioerror.h"

#include "run/runsettings.h"

namespace run {

QString runSettingsFile();
// Missing keys keep their defaults (parallel runs: the number of cores).
TableRunSettings loadTableRunSettings();
// Returns false (nothing written) when the file cannot be written.
bool storeTableRunSettings(const TableRunSettings& s);

// How reading the program's settings went.
struct SettingsReading {
    // No PALUMARO.DFT was found: the text to show; the program cannot go on.
    std::string missing;
    // PALUMARO.DFT could not be read: the defaults are used meanwhile.
    std::optional<pal::IoError> damaged;
};
// The one way the windows and the headless commands read the settings:
// PALUMARO.DFT (the user's copy first where the installation is read-only) into
// pal::app().settings, the VELMORA switch of the program directory and the
// table-run settings.
SettingsReading readProgramSettings();

}  // namespace run
