// The deck constants scan: any deck gives a list (or none) of constants whose
// descriptions keep their 40-character bound.
#include <cstdint>
#include <string_view>

#include "fuzzsupport.h"
#include "table/deckconstants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const auto lines = fuzz::textLines(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto found = table::scanConstantsLines(lines);
    if (!found) return 0;
    FUZZ_CHECK(found->size() <= lines.size());
    for (const auto& v : *found) {
        FUZZ_CHECK(v.description.size() <= 40);
        FUZZ_CHECK(v.occurrence >= 0);
    }
    return 0;
}
