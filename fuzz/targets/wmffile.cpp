// Metafiles: any bytes parse or give an IoError; records lie inside the file,
// and embedded bitmaps convert or are refused.
#include <cstdint>
#include <string>

#include "common/ioerror.h"
#include "fuzzsupport.h"
#include "diagram/wmffile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)pal::WmfFile::looksLikeWmf(bytes.substr(0, 32));
    try {
        const pal::WmfFile f = pal::WmfFile::parse(std::move(bytes), "F.WMF");
        FUZZ_CHECK(f.records().size() <= pal::WmfFile::kMaxRecords);
        for (const auto& r : f.records()) {
            FUZZ_CHECK(static_cast<std::size_t>(r.offset) + r.size <= f.bytes().size());
            const pal::WmfParams p = f.params(r);
            if (r.function == pal::wmf::DibStretchBlt || r.function == pal::wmf::StretchDib ||
                r.function == pal::wmf::DibBitBlt)
                for (std::size_t at : {0u, 8u, 10u, 14u, 16u, 20u, 22u})
                    (void)pal::dibToBmp(p.bytes(at, p.size()));
        }
        try {
            const auto s = f.pixelSize(96);
            FUZZ_CHECK(s.width <= pal::WmfFile::kMaxPixels && s.height <= pal::WmfFile::kMaxPixels);
        } catch (const pal::IoError&) {
        }
    } catch (const pal::IoError&) {
    }
    return 0;
}
