// Table paste: the input is two bytes (start column and run) and the text
// pasted there into a table of three variables and twelve runs. Pasting never
// changes the table's shape; a bad field stops it inside the table; and the
// whole table copied and pasted into a new one shows the same cells.
#include <cmath>
#include <cstdint>
#include <string>

#include "fuzzsupport.h"
#include "table/tabledata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    if (size < 2) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
    table::TableData t("/w/SOLAR.DCK", {"AREA", "VOLUME", "FLOW"}, 12);
    const int column = data[0] % 5, run = data[1] % 15;
    const auto result = t.paste(text, column, run);
    FUZZ_CHECK(t.variables() == 3 && t.runs() == 12);
    if (result.badField) {
        FUZZ_CHECK(result.badField->first >= 1 && result.badField->first <= t.runs());
        FUZZ_CHECK(result.badField->second >= 1 && result.badField->second <= t.variables());
    }
    const table::CellRect all{1, 1, t.variables(), t.runs()};
    table::TableData copy("/w/SOLAR.DCK", {"AREA", "VOLUME", "FLOW"}, 12);
    const auto again = copy.paste(t.copyText(all), 1, 1);
    FUZZ_CHECK(!again.badField);
    // (Numbers beyond the defined range show as up to 255 digits of a fixed
    // format, cut there: not values a run can take.)
    for (int c = 1; c <= t.variables(); ++c)
        for (int r = 1; r <= t.runs(); ++r)
            if (std::fabs(t.value(c, r)) <= table::kDefinedLimit || table::isBlankValue(t.value(c, r)) ||
                table::isUndefinedValue(t.value(c, r)))
                FUZZ_CHECK(copy.cellText(c, r) == t.cellText(c, r));
    return 0;
}
