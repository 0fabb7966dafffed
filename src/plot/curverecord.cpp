#include "plot/curverecord.h"

#include <cstring>

#include "common/bytes.h"

namespace plot {

namespace {
std::int32_t getInt(const std::uint8_t* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
    return static_cast<std::int32_t>(v);
}
void putInt(std::uint8_t* p, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}
// Rewrites a short string only when its text changed, so the undefined bytes
// after the text stay as they were.
void putString(std::uint8_t* slot, std::size_t n, const std::string& s) {
    if (pal::readShortString(slot, n) != s.substr(0, n)) pal::writeShortString(slot, n, s);
}
}  // namespace

std::array<std::uint8_t, kCurveRecordSize> CurveRecord::encode() const {
    auto b = raw;
    std::uint8_t* p = b.data();
    putInt(p + 0, pointCount);
    putInt(p + 4, fileRows);
    putInt(p + 12, curveNumber);
    putInt(p + 16, xColumn);
    putInt(p + 20, yColumn);
    putString(p + 24, 20, xName);
    putString(p + 45, 20, yName);
    putString(p + 66, 20, xUnit);
    putString(p + 87, 20, yUnit);
    putInt(p + 116, firstRow);
    putInt(p + 120, lastRow);
    putInt(p + 124, lineStyle);
    putInt(p + 128, symbol);
    putInt(p + 132, color);
    p[136] = smoothing ? 1 : 0;
    return b;
}

CurveRecord CurveRecord::decode(const std::uint8_t* p) {
    CurveRecord c;
    std::memcpy(c.raw.data(), p, kCurveRecordSize);
    c.pointCount = getInt(p + 0);
    c.fileRows = getInt(p + 4);
    c.curveNumber = getInt(p + 12);
    c.xColumn = getInt(p + 16);
    c.yColumn = getInt(p + 20);
    c.xName = pal::readShortString(p + 24, 20);
    c.yName = pal::readShortString(p + 45, 20);
    c.xUnit = pal::readShortString(p + 66, 20);
    c.yUnit = pal::readShortString(p + 87, 20);
    c.firstRow = getInt(p + 116);
    c.lastRow = getInt(p + 120);
    c.lineStyle = getInt(p + 124);
    c.symbol = getInt(p + 128);
    c.color = getInt(p + 132);
    c.smoothing = p[136] != 0;
    return c;
}

}  // namespace plot
