// Curve symbols: their shapes, and many of them drawn at the cost of a copy
// per visible pixel (on images), which gives the picture of drawing each one.
#pragma once
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <algorithm>
#include <cstddef>
#include <vector>

class QPainter;

namespace plot::symbols {

// The reach of a symbol from its centre at a drawing scale.
int symbolReach(double scale);

// Where symbols of reach r can show on this painter: its clip (else the given
// bounds) widened by the reach, within the device.
QRect symbolArea(const QPainter& p, int r, const QRect& bounds);

// Of count points (at(i), drawn in order of i), those inside area that are the
// last on their pixel, in drawing order: symbols outside add nothing, and of
// symbols on one pixel only the last drawn shows. Found walking backwards.
// With cell > 1 the pixels are taken cell x cell at a time: a vector drawing at
// several device pixels a window pixel keeps one symbol a window pixel, as the
// window shows them, and stays as small.
template <class At>
std::vector<QPoint> lastOnEachPixel(const QRect& area, std::size_t count, At at, int cell = 1) {
    std::vector<QPoint> keep;
    if (area.isEmpty()) return keep;
    cell = std::max(cell, 1);
    const unsigned w = static_cast<unsigned>((area.width() + cell - 1) / cell), h = static_cast<unsigned>((area.height() + cell - 1) / cell);
    std::vector<unsigned char> seen(static_cast<std::size_t>(w) * h, 0);
    for (std::size_t i = count; i-- > 0;) {
        const QPoint q = at(i);
        if (!area.contains(q)) continue;
        const unsigned dx = static_cast<unsigned>(q.x() - area.left()) / static_cast<unsigned>(cell),
                       dy = static_cast<unsigned>(q.y() - area.top()) / static_cast<unsigned>(cell);
        if (dx >= w || dy >= h) continue;
        unsigned char& s = seen[static_cast<std::size_t>(dy) * w + dx];
        if (s) continue;
        s = 1;
        keep.push_back(q);
    }
    std::reverse(keep.begin(), keep.end());
    return keep;
}

// Symbols at points in drawing order; stamped where the surface allows (the
// points must then be one per pixel, or the copies would cover each other in
// another order than the shapes).
void markPoints(QPainter& p, int code, const std::vector<QPoint>& points, int colorIndex, double scale, bool stamp = true);

// Symbols on a surface that cannot clip (SVG) as a surface clipped to cut shows
// them: whole where they lie inside it, nothing where they lie beyond it, and
// across its edge only the parts inside (their fill and outline as cut areas).
void markPointsCut(QPainter& p, int code, const std::vector<QPoint>& points, int colorIndex, double scale, const QRectF& cut);

}  // namespace plot::symbols
