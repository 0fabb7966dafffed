#include "plot/pmxfile.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "common/bytes.h"
#include "common/codecs.h"
#include "common/ioerror.h"
#include "common/textfile.h"

namespace plot {

namespace {
constexpr std::size_t kCaptionSize = 256;

const std::uint8_t* u8(std::string_view s, std::size_t at) { return reinterpret_cast<const std::uint8_t*>(s.data() + at); }

// The values are held in the saved plot's own 6-byte layout: copied as they are.
void appendValues(std::string& out, const RealColumn& values, std::size_t count) {
    const std::size_t have = std::min(count, values.size());
    if (have) out.append(reinterpret_cast<const char*>(values.data()), RealColumn::kBytes * have);
    out.append(RealColumn::kBytes * (count - have), '\0');
}
}  // namespace

std::string encodePmx(const PlotDocument& doc) {
    std::string out;
    std::array<std::uint8_t, kCaptionSize> caption{};
    pal::writeShortString(caption.data(), 255, doc.caption);
    out.append(reinterpret_cast<const char*>(caption.data()), caption.size());
    const auto rec = doc.record.encode();
    out.append(reinterpret_cast<const char*>(rec.data()), rec.size());
    for (const CurveRecord& c : doc.record.curves) {
        const auto slot = c.encode();
        out.append(reinterpret_cast<const char*>(slot.data()), slot.size());
        const std::size_t n = c.pointCount > 0 ? static_cast<std::size_t>(c.pointCount) : 0;
        appendValues(out, c.x, n);
        appendValues(out, c.y, n);
    }
    return out;
}

PlotDocument decodePmx(std::string_view bytes, const std::string& path) {
    const auto pastEnd = [&] { return pal::IoError(0, path, "Read beyond end of file: the saved plot is shorter than its contents say"); };
    if (bytes.size() < kCaptionSize + kPlotRecordSize) throw pastEnd();
    PlotDocument doc;
    doc.caption = pal::readShortString(u8(bytes, 0), 255);
    try {
        doc.record = PlotRecord::decode(u8(bytes, kCaptionSize));
    } catch (const std::runtime_error& e) {
        throw pal::IoError(0, path, std::string("Not a saved plot: ") + e.what());
    }
    std::size_t at = kCaptionSize + kPlotRecordSize;
    for (CurveRecord& c : doc.record.curves) {
        if (bytes.size() - at < kCurveRecordSize) throw pastEnd();
        c = CurveRecord::decode(u8(bytes, at));
        at += kCurveRecordSize;
        if (c.pointCount < 0) throw pal::IoError(0, path, "Not a saved plot: a curve has a negative point count");
        const std::size_t n = static_cast<std::size_t>(c.pointCount);
        // Checked against the bytes left before anything is reserved.
        if ((bytes.size() - at) / 12 < n) throw pastEnd();
        for (RealColumn* v : {&c.x, &c.y}) {
            v->reserve(n);
            for (std::size_t i = 0; i < n; ++i, at += 6) v->pushBytes(u8(bytes, at));
        }
    }
    return doc;
}

void writePmx(const std::string& path, const PlotDocument& doc) {
    std::string bytes;
    try {
        bytes = encodePmx(doc);
    } catch (const std::range_error&) {
        throw pal::IoError(0, path, "A curve value lies outside the range a saved plot can hold");
    }
    pal::replaceFile(path, bytes);
}

PlotDocument readPmx(const std::string& path) { return decodePmx(pal::readFileBytes(path), path); }

}  // namespace plot
