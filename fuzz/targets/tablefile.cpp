// Run tables (.TBL): a file that reads holds at most 99 runs and writes back to
// bytes that read to the same table.
#include <cstdint>
#include <string>

#include "common/ioerror.h"
#include "fuzzsupport.h"
#include "table/tablefile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    table::TableFileContent c;
    try {
        c = table::decodeTableFile(bytes, "F.TBL");
    } catch (const pal::IoError&) {
        return 0;
    }
    FUZZ_CHECK(c.table.runs() >= 0 && c.table.runs() <= table::kMaxRuns);
    for (const auto& col : c.table.columns) FUZZ_CHECK(col.values.size() == static_cast<std::size_t>(c.table.rows()));
    for (int col = 0; col <= c.table.variables(); ++col)
        for (int row = 0; row <= c.table.rows(); ++row) (void)c.table.cellText(col, row);
    const std::string written = table::encodeTableFile(c.table, c.placement);
    const table::TableFileContent again = table::decodeTableFile(written, "F.TBL");
    FUZZ_CHECK(table::encodeTableFile(again.table, again.placement) == written);
    return 0;
}
