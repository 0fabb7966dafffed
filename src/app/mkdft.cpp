// Build-time tool: writes the PALUMARO.DFT a fresh program directory ships, the
// engine directory being the directory the file is written to (stored so that it
// follows the directory when it is copied or moved).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/bytes.h"
#include "common/ioerror.h"
#include "common/settings.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: palumaro_mkdft PROGRAMDIR/PALUMARO.DFT\n");
        return 2;
    }
    const std::string dir = pal::directoryPart(argv[1]);
    char* real = ::realpath(dir.empty() ? "." : dir.c_str(), nullptr);
    if (!real) {
        std::perror(dir.c_str());
        return 1;
    }
    const pal::Settings shipped = pal::shippedSettings(real);
    std::free(real);
    try {
        pal::writeDFTFile(argv[1], shipped);
    } catch (const pal::IoError& e) {
        std::fprintf(stderr, "%s\n", e.userText().c_str());
        return 1;
    }
    return 0;
}
