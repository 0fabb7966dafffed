// The table-run settings in the user's configuration directory
// ($XDG_CONFIG_HOME/palumaro/palumaro.conf), apart from PALUMARO.DFT, whose
// layout is fixed.
#pragma once
#include <QString>

#include "run/runsettings.h"

namespace run {

QString runSettingsFile();
// Missing keys keep their defaults (parallel runs: the number of cores).
TableRunSettings loadTableRunSettings();
// Returns false (nothing written) when the file cannot be written.
bool storeTableRunSettings(const TableRunSettings& s);

}  // namespace run
