// The engine switches file's writer: the input is the old CNFGKV.KVN and, in
// its first byte, the switches to set. The rewrite keeps the old file as
// CNFGKV.BAK, reads back to the switches set, and keeps each line's text after
// its first character.
#include <cstdint>
#include <string>

#include "common/ioerror.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string dir = fuzz::scratchDir() + "/kvn";
    const std::string path = fuzz::writeScratch("kvn/CNFGKV.KVN", bytes);
    std::remove((dir + "/CNFGKV.BAK").c_str());
    pal::KvnSwitches on{};
    const unsigned bits = size ? static_cast<unsigned char>(data[0]) : 0u;
    for (int i = 0; i < pal::kKvnSwitches; ++i) on[i] = (bits >> i) & 1u;
    pal::rewriteKVN(dir, on);
    FUZZ_CHECK(pal::readKVN(path) == on);
    FUZZ_CHECK(pal::readFileBytes(dir + "/CNFGKV.BAK") == bytes);
    const auto before = fuzz::textLines(bytes), after = pal::readLines(path);
    FUZZ_CHECK(after.size() == 8);
    for (std::size_t i = 1; i < after.size() && i < before.size(); ++i)
        if (!before[i].empty()) FUZZ_CHECK(after[i].substr(1) == before[i].substr(1));
    return 0;
}
