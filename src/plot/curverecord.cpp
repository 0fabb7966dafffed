#include "plot/curverecord.h"

#include <cstring>

#include "common/bytes.h"

namespace plot {

std::array<std::uint8_t, kCurveRecordSize> CurveRecord::encode() const {
    auto b = raw;
    std::uint8_t* p = b.data();
    pal::writeInt32(p + 0, pointCount);
    pal::writeInt32(p + 4, fileRows);
    pal::writeInt32(p + 12, curveNumber);
    pal::writeInt32(p + 16, xColumn);
    pal::writeInt32(p + 20, yColumn);
    pal::rewriteShortString(p + 24, 20, xName);
    pal::rewriteShortString(p + 45, 20, yName);
    pal::rewriteShortString(p + 66, 20, xUnit);
    pal::rewriteShortString(p + 87, 20, yUnit);
    pal::writeInt32(p + 116, firstRow);
    pal::writeInt32(p + 120, lastRow);
    pal::writeInt32(p + 124, lineStyle);
    pal::writeInt32(p + 128, symbol);
    pal::writeInt32(p + 132, color);
    p[136] = smoothing ? 1 : 0;
    return b;
}

CurveRecord CurveRecord::decode(const std::uint8_t* p) {
    CurveRecord c;
    std::memcpy(c.raw.data(), p, kCurveRecordSize);
    c.pointCount = pal::readInt32(p + 0);
    c.fileRows = pal::readInt32(p + 4);
    c.curveNumber = pal::readInt32(p + 12);
    c.xColumn = pal::readInt32(p + 16);
    c.yColumn = pal::readInt32(p + 20);
    c.xName = pal::readShortString(p + 24, 20);
    c.yName = pal::readShortString(p + 45, 20);
    c.xUnit = pal::readShortString(p + 66, 20);
    c.yUnit = pal::readShortString(p + 87, 20);
    c.firstRow = pal::readInt32(p + 116);
    c.lastRow = pal::readInt32(p + 120);
    c.lineStyle = pal::readInt32(p + 124);
    c.symbol = pal::readInt32(p + 128);
    c.color = pal::readInt32(p + 132);
    c.smoothing = p[136] != 0;
    return c;
}

}  // namespace plot
