// Build-time tool: writes a PALUMARO.DFT holding the setup defaults, so the
// shipped program directory starts with a valid settings file.
#include <cstdio>

#include "common/ioerror.h"
#include "common/settings.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: palumaro_mkdft PALUMARO.DFT\n");
        return 2;
    }
    pal::Settings defaults;
    try {
        pal::writeDFTFile(argv[1], defaults);
    } catch (const pal::IoError& e) {
        std::fprintf(stderr, "%s\n", e.userText().c_str());
        return 1;
    }
    return 0;
}
