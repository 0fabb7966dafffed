// Plot data (.PLT): any bytes give a table or an IoError; a table keeps the
// format's limits and every column holds one value per row within its extremes.
#include <cstdint>
#include <string_view>

#include "common/ioerror.h"
#include "fuzzsupport.h"
#include "plot/plotdata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const plot::PlotDataTable t = plot::parsePlotData(bytes, "F.PLT");
        FUZZ_CHECK(t.columnCount() <= plot::kMaxColumns);
        FUZZ_CHECK(t.rowCount >= 1);
        FUZZ_CHECK(t.units.size() == t.names.size() && t.values.size() == t.names.size());
        for (int c = 0; c < t.columnCount(); ++c) {
            FUZZ_CHECK(t.names[c].size() <= plot::kMaxColumnName && t.units[c].size() <= plot::kMaxColumnName);
            FUZZ_CHECK(t.values[c].size() == static_cast<std::size_t>(t.rowCount));
            for (double v : t.values[c]) FUZZ_CHECK(t.minimum[c] <= v && v <= t.maximum[c]);
        }
    } catch (const pal::IoError&) {
    }
    return 0;
}
