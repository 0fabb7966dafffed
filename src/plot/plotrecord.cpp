#include "plot/plotrecord.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "common/bytes.h"
#include "common/codecs.h"

namespace plot {

namespace {
void putExtended(std::uint8_t* p, long double v) {
    // Keep the stored bytes when they already mean this value (a NaN's payload,
    // a negative zero) so open and save change nothing.
    const long double old = pal::decodeExtended(p);
    if (old == v && std::signbit(old) == std::signbit(v)) return;
    const pal::Extended10 e = pal::encodeExtended(v);
    std::memcpy(p, e.data(), e.size());
}
}  // namespace

std::array<std::uint8_t, kPlotRecordSize> PlotRecord::encode() const {
    auto b = raw;
    std::uint8_t* p = b.data();
    pal::writeInt32(p + 0, curveCount());
    pal::rewriteShortString(p + 260, 30, x.title);
    pal::rewriteShortString(p + 291, 30, y.title);
    putExtended(p + 322, x.minimum);
    putExtended(p + 332, y.minimum);
    putExtended(p + 342, x.maximum);
    putExtended(p + 352, y.maximum);
    p[362] = x.grid ? 1 : 0;
    p[363] = y.grid ? 1 : 0;
    pal::writeInt32(p + 364, x.minorTicks);
    pal::writeInt32(p + 368, y.minorTicks);
    pal::writeInt32(p + 372, x.ticks);
    pal::writeInt32(p + 376, y.ticks);
    p[380] = x.logarithmic ? 1 : 0;
    p[381] = y.logarithmic ? 1 : 0;
    p[382] = x.style;
    p[384] = static_cast<std::uint8_t>(x.digits & 0xFF);
    p[385] = static_cast<std::uint8_t>((x.digits >> 8) & 0xFF);
    p[386] = y.style;
    p[388] = static_cast<std::uint8_t>(y.digits & 0xFF);
    p[389] = static_cast<std::uint8_t>((y.digits >> 8) & 0xFF);
    p[390] = legend ? 1 : 0;
    for (std::size_t k = 0; k < curves.size() && k < static_cast<std::size_t>(kMaxCurves); ++k) {
        const auto slot = curves[k].encode();
        std::memcpy(p + kCurveSlotOffset + kCurveRecordSize * k, slot.data(), kCurveRecordSize);
    }
    return b;
}

PlotRecord PlotRecord::decode(const std::uint8_t* p) {
    PlotRecord r;
    std::memcpy(r.raw.data(), p, kPlotRecordSize);
    const std::int32_t count = pal::readInt32(p + 0);
    if (count < 0 || count > kMaxCurves)
        throw std::runtime_error("the plot holds " + std::to_string(count) + " curves (at most 50 are possible)");
    r.x.title = pal::readShortString(p + 260, 30);
    r.y.title = pal::readShortString(p + 291, 30);
    r.x.minimum = pal::decodeExtended(p + 322);
    r.y.minimum = pal::decodeExtended(p + 332);
    r.x.maximum = pal::decodeExtended(p + 342);
    r.y.maximum = pal::decodeExtended(p + 352);
    r.x.grid = p[362] != 0;
    r.y.grid = p[363] != 0;
    r.x.minorTicks = pal::readInt32(p + 364);
    r.y.minorTicks = pal::readInt32(p + 368);
    r.x.ticks = pal::readInt32(p + 372);
    r.y.ticks = pal::readInt32(p + 376);
    r.x.logarithmic = p[380] != 0;
    r.y.logarithmic = p[381] != 0;
    r.x.style = p[382];
    r.x.digits = static_cast<std::int16_t>(p[384] | (p[385] << 8));
    r.y.style = p[386];
    r.y.digits = static_cast<std::int16_t>(p[388] | (p[389] << 8));
    r.legend = p[390] != 0;
    for (int k = 0; k < count; ++k) r.curves.push_back(CurveRecord::decode(p + kCurveSlotOffset + kCurveRecordSize * k));
    return r;
}

}  // namespace plot
