#include "run/velmora.h"

#include "common/filelookup.h"

namespace run {

bool readVelmoraSwitch(const std::string& programDir) {
    return !programDir.empty() && pal::fileExists(pal::joinPath(programDir, kVelmoraSwitchFile));
}

}  // namespace run
