// Unit switching of a numeric form field: the input holds the field's value,
// limits, English offset and factor (doubles) and its display format. A value
// converted to English units and back is the value (to rounding); what a box
// shows is a number the field's check reads; a value within the limits,
// shown in either system, passes the check in that system.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzzsupport.h"
#include "quivet/fieldnumber.h"
#include "quivet/numericfield.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    if (size < 5 * 8 + 2) return 0;
    double d[5];
    std::memcpy(d, data, sizeof d);
    for (double x : d)
        if (!std::isfinite(x) || std::fabs(x) > 1e30) return 0;
    // Descriptors convert between units of one quantity: factors far from 1
    // would lose the value to rounding by their nature.
    if (d[4] != 0 && (std::fabs(d[4]) < 1e-6 || std::fabs(d[4]) > 1e6)) return 0;
    quivet::NumericField f;
    f.value = d[0];
    f.minimum = std::min(d[1], d[2]);
    f.maximum = std::max(d[1], d[2]);
    f.offset = d[3];
    f.factor = d[4];
    f.format = pal::LabelFormat{static_cast<std::uint8_t>(data[40] % 3), static_cast<std::int16_t>(data[41] % 12)};
    f.siUnit = "C";
    f.englishUnit = "F";
    for (int system : {quivet::kSI, quivet::kEnglish}) {
        const long double shown = f.toShown(f.value, system);
        const long double back = f.toSI(shown, system);
        const long double scale = std::fabs(f.value) + std::fabs(f.offset) + 1e-300L;
        FUZZ_CHECK(std::fabs(back - f.value) <= 1e-12L * scale);
        const std::string text = f.shownText(system);
        FUZZ_CHECK(quivet::parseFieldNumber(text).has_value());
        FUZZ_CHECK(&f.unitText(system) == (system == quivet::kSI ? &f.siUnit : &f.englishUnit));
        // The value itself, written in full, is always inside limits it lies in.
        if (f.value >= f.minimum && f.value <= f.maximum && f.factor != 0) {
            char full[64];
            std::snprintf(full, sizeof full, "%.21Lg", shown);
            FUZZ_CHECK(f.checkText(full, system).empty());
        }
    }
    return 0;
}
