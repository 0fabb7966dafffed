// Settings files: PALUMARO.DFT images decode, and what is written decodes to the
// same image; CNFGKV.KVN reads or gives an IoError, and its rewrite keeps 8 lines.
#include <cstdint>
#include <string>

#include "common/ioerror.h"
#include "fuzzsupport.h"
#include "common/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const pal::Settings s = pal::decodeDFT(bytes, "PALUMARO.DFT");
        const auto image = pal::encodeDFT(s);
        const std::string written(reinterpret_cast<const char*>(image.data()), image.size());
        FUZZ_CHECK(pal::encodeDFT(pal::decodeDFT(written, "PALUMARO.DFT")) == image);
    } catch (const pal::IoError&) {
    }
    try {
        (void)pal::readKVN(fuzz::writeScratch("CNFGKV.KVN", bytes));
    } catch (const pal::IoError&) {
    }
    auto lines = fuzz::textLines(bytes);
    lines.resize(8);
    pal::KvnSwitches on{};
    on.fill(true);
    FUZZ_CHECK(pal::rewrittenKvnLines(lines, on).size() == 8);
    return 0;
}
