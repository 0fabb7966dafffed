// Saved plots (.PMX): a file that reads writes back to bytes that read to the
// same document again, and holds at most 50 curves.
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "common/ioerror.h"
#include "fuzzsupport.h"
#include "plot/pmxfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    plot::PlotDocument doc;
    try {
        doc = plot::decodePmx(bytes, "F.PMX");
    } catch (const pal::IoError&) {
        return 0;
    }
    FUZZ_CHECK(doc.record.curveCount() <= plot::kMaxCurves);
    const std::string written = plot::encodePmx(doc);
    const plot::PlotDocument again = plot::decodePmx(written, "F.PMX");
    FUZZ_CHECK(plot::encodePmx(again) == written);
    FUZZ_CHECK(again.caption == doc.caption && again.record.curveCount() == doc.record.curveCount());
    return 0;
}
