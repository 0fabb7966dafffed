// The PALUMARO.DFT the build lays out in the program directory works there and
// in any copy of the directory: the engine is found, no setting names a Windows path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "common/textfile.h"
#include "run/commandline.h"
#include "common/settings.h"

namespace fs = std::filesystem;

TEST(ShippedSettings, WorkInTheProgramDirectoryAsBuilt) {
    const char* env = std::getenv("PALUMARO_PROGRAM_DIR");
    ASSERT_NE(env, nullptr);
    const std::string dir = fs::canonical(env).string();
    const std::string bytes = pal::readFileBytes(dir + "/PALUMARO.DFT");
    ASSERT_EQ(bytes.size(), pal::kDftSize);
    const pal::Settings s = pal::decodeDFT(bytes, "PALUMARO.DFT");
    // The layout stays byte-exact: the file is what the encoder writes.
    const auto image = pal::encodeDFT(s);
    EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(image.data()), image.size()));

    // The engine directory is stored empty: the program directory's own engine,
    // wherever the directory is copied or moved.
    EXPECT_EQ(s.kalvexDir, "");
    EXPECT_EQ(::access((dir + "/KALVEX32.exe").c_str(), X_OK), 0);
    EXPECT_EQ(s.unitSystem, 1);
    // Every command line starts an existing program or is empty.
    for (const std::string* line : {&s.compileCommand, &s.rebuildCommand, &s.userCommand}) {
        const run::Command c = run::parseCommandLine(*line);
        if (!c.program.empty()) {
            EXPECT_EQ(::access(c.program.c_str(), X_OK), 0) << *line;
        }
    }
    // Tool directories exist or are empty (a utility then asks for its directory).
    for (const std::string* d : {&s.mordaxDir, &s.teklorDir, &s.ulmDir, &s.gaskDir, &s.zobrelDir}) {
        EXPECT_EQ(d->find('\\'), std::string::npos) << *d;
        if (!d->empty()) {
            EXPECT_TRUE(fs::is_directory(*d)) << *d;
        }
    }
}
