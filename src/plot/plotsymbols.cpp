#include "plot/plotsymbols.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPaintEngine>
#include <QPolygon>
#include <QRegion>
#include <QTransform>
#include <bit>
#include <cmath>
#include <cstdint>

#include "plot/plotrender.h"

namespace plot {

namespace {

// The outline of one symbol with the painter's current pen and brush.
void symbolShape(QPainter& p, int shape, int x, int y, int r) {
    QPoint poly[4];
    int n = 0;
    switch (shape) {
    case 1: p.drawEllipse(QRect(QPoint(x - r, y - r), QPoint(x + r, y + r))); return;
    case 2: poly[0] = {x - r, y - r}; poly[1] = {x + r, y - r}; poly[2] = {x + r, y + r}; poly[3] = {x - r, y + r}; n = 4; break;
    case 3: poly[0] = {x, y - r}; poly[1] = {x - r, y + r}; poly[2] = {x + r, y + r}; n = 3; break;
    case 4: poly[0] = {x - r, y + r}; poly[1] = {x + r, y - r}; poly[2] = {x + r, y + r}; poly[3] = {x - r, y - r}; n = 4; break;
    case 5: poly[0] = {x, y + r}; poly[1] = {x - r, y - r}; poly[2] = {x + r, y - r}; n = 3; break;
    case 6: poly[0] = {x - r, y - r}; poly[1] = {x + r, y + r}; poly[2] = {x - r, y + r}; poly[3] = {x + r, y - r}; n = 4; break;
    case 7: poly[0] = {x, y + r}; poly[1] = {x - r, y}; poly[2] = {x, y - r}; poly[3] = {x + r, y}; n = 4; break;
    case 15:
        p.drawLine(x - r, y - r, x + r, y + r);
        p.drawLine(x + r, y - r, x - r, y + r);
        return;
    default: return;
    }
    p.drawPolygon(poly, n);
}

// The same outline as a path (the cross open, the others closed).
QPainterPath symbolPath(int shape, int x, int y, int r) {
    QPainterPath path;
    const auto polygon = [&](std::initializer_list<QPoint> points) {
        path.addPolygon(QPolygonF(QPolygon(points)));
        path.closeSubpath();
    };
    switch (shape) {
    case 1: path.addEllipse(QRectF(QRect(QPoint(x - r, y - r), QPoint(x + r, y + r)))); break;
    case 2: polygon({{x - r, y - r}, {x + r, y - r}, {x + r, y + r}, {x - r, y + r}}); break;
    case 3: polygon({{x, y - r}, {x - r, y + r}, {x + r, y + r}}); break;
    case 4: polygon({{x - r, y + r}, {x + r, y - r}, {x + r, y + r}, {x - r, y - r}}); break;
    case 5: polygon({{x, y + r}, {x - r, y - r}, {x + r, y - r}}); break;
    case 6: polygon({{x - r, y - r}, {x + r, y + r}, {x - r, y + r}, {x + r, y - r}}); break;
    case 7: polygon({{x, y + r}, {x - r, y}, {x, y - r}, {x + r, y}}); break;
    case 15:
        path.moveTo(x - r, y - r);
        path.lineTo(x + r, y + r);
        path.moveTo(x + r, y - r);
        path.lineTo(x - r, y + r);
        break;
    default: break;
    }
    return path;
}

int symbolCode(int code) { return code > 15 ? (code - 1) % 15 + 1 : code; }  // 16 is 1 again

// Many symbols on an image: the symbol is drawn once, with the painter's pen
// and brush, into a small transparent image, and its rows of pixels are copied
// to every point, in order. Aliased shapes at whole pixel positions are the same
// pixels wherever they are drawn, so the picture is that of drawing each one;
// the copy costs a fraction of stroking. False (nothing drawn) where that does
// not hold: another surface, a transformation, smoothing or a clip that is not
// a rectangle.
template <class Shape>
bool stampSymbols(QPainter& p, const std::vector<QPoint>& points, int reach, Shape shape) {
    if (points.size() < 64 || p.device()->devType() != QInternal::Image) return false;
    auto* img = static_cast<QImage*>(p.device());
    if (img->format() != QImage::Format_RGB32 && img->format() != QImage::Format_ARGB32_Premultiplied) return false;
    if (!img->isDetached() || p.testRenderHint(QPainter::Antialiasing) ||
        p.compositionMode() != QPainter::CompositionMode_SourceOver || p.opacity() != 1.0)
        return false;
    // Device pixels are whole multiples of the painter's (an image of a high
    // pixel ratio scales by 2 or 3): a point's symbol is then the same device
    // pixels wherever it is.
    const QTransform& toDevice = p.deviceTransform();
    const double ratio = toDevice.m11();
    if (toDevice.type() > QTransform::TxScale || ratio != toDevice.m22() || ratio < 1 || ratio > 8 ||
        ratio != std::floor(ratio) || toDevice.dx() != std::floor(toDevice.dx()) || toDevice.dy() != std::floor(toDevice.dy()))
        return false;
    const int d = static_cast<int>(ratio), shiftX = static_cast<int>(toDevice.dx()), shiftY = static_cast<int>(toDevice.dy());
    QRect clip = img->rect();
    if (p.hasClipping()) {
        const QRegion region = p.clipRegion();
        if (region.rectCount() > 1) return false;
        clip = clip.intersected(toDevice.mapRect(region.boundingRect()));
    }
    if (clip.isEmpty()) return true;  // nothing shows
    const int half = reach + static_cast<int>(std::ceil(p.pen().widthF())) + 2;
    QImage sprite((2 * half + 1) * d, (2 * half + 1) * d, QImage::Format_ARGB32_Premultiplied);
    sprite.setDevicePixelRatio(d);
    sprite.fill(Qt::transparent);
    {
        QPainter sp(&sprite);
        sp.setPen(p.pen());
        sp.setBrush(p.brush());
        sp.setBackgroundMode(p.backgroundMode());
        shape(sp, half, half);
    }
    // The points and the symbol in device pixels; the symbol as runs of pixels
    // along its rows.
    const int hd = half * d;  // device pixels from the sprite's corner to its centre
    std::vector<QPoint> centres;
    centres.reserve(points.size());
    for (const QPoint& q : points) centres.emplace_back(q.x() * d + shiftX, q.y() * d + shiftY);
    struct Run {
        int dx, dy, length;
        const QRgb* color;
    };
    std::vector<Run> runs;
    for (int y = 0; y < sprite.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(sprite.constScanLine(y));
        for (int x = 0; x < sprite.width();) {
            const int a = qAlpha(row[x]);
            if (a == 0) {
                ++x;
                continue;
            }
            int end = x;
            while (end < sprite.width() && qAlpha(row[end]) == 255) ++end;
            if (end == x) return false;  // not a plain copy
            runs.push_back({x - hd, y - hd, end - x, row + x});
            x = end;
        }
    }
    // Walked from the last symbol to the first, each pixel takes the colour of
    // the first symbol that reaches it, which is the last drawn, the one that
    // shows: every pixel is written once, and a symbol that later ones cover
    // entirely costs a look at a mask of the pixels already written (a dense
    // curve is mostly such symbols).
    uchar* bits = img->bits();
    const qsizetype stride = img->bytesPerLine();
    const int side = sprite.width();
    if (side <= 56) {
        // Mask rows padded on every side by more than a symbol (padding counts
        // as written: it is outside the clip), so no point needs a bounds test.
        const int pad = 64 + 2 * side;
        const std::size_t words = (static_cast<std::size_t>(clip.width()) + 2 * pad + 63) / 64 + 1;
        const int rows = clip.height() + 2 * pad;
        std::vector<std::uint64_t> written(words * static_cast<std::size_t>(rows), ~std::uint64_t(0));
        for (int y = 0; y < clip.height(); ++y)
            for (int x = 0; x < clip.width(); ++x)
                written[static_cast<std::size_t>(y + pad) * words + static_cast<std::size_t>(x + pad) / 64] &=
                    ~(std::uint64_t(1) << ((x + pad) & 63));
        struct Row {
            int dy;
            std::uint64_t mask;  // bit k: column k of the sprite
            const QRgb* color;
        };
        std::vector<Row> shape;
        for (int y = 0; y < side; ++y) {
            std::uint64_t m = 0;
            const QRgb* row = reinterpret_cast<const QRgb*>(sprite.constScanLine(y));
            for (int x = 0; x < side; ++x)
                if (qAlpha(row[x])) m |= std::uint64_t(1) << x;
            if (m) shape.push_back({y - hd, m, row});
        }
        for (auto q = centres.rbegin(); q != centres.rend(); ++q) {
            const int left = q->x() - hd;  // image column of sprite column 0
            const int bx = left - clip.left() + pad;
            const std::size_t wi = static_cast<std::size_t>(bx) / 64;
            const int sh = bx & 63;
            for (const Row& r : shape) {
                std::uint64_t* const m = written.data() + static_cast<std::size_t>(q->y() + r.dy - clip.top() + pad) * words + wi;
                const std::uint64_t lo = r.mask << sh, hi = sh ? r.mask >> (64 - sh) : 0;
                std::uint64_t freshLo = lo & ~m[0], freshHi = hi & ~m[1];
                if (!(freshLo | freshHi)) continue;
                m[0] |= lo;
                m[1] |= hi;
                QRgb* const line = reinterpret_cast<QRgb*>(bits + (q->y() + r.dy) * stride);
                const int base = clip.left() - pad + static_cast<int>(wi) * 64;  // image column of bit 0 of m[0]
                for (; freshLo; freshLo &= freshLo - 1) {
                    const int x = base + std::countr_zero(freshLo);
                    line[x] = r.color[x - left];
                }
                for (; freshHi; freshHi &= freshHi - 1) {
                    const int x = base + 64 + std::countr_zero(freshHi);
                    line[x] = r.color[x - left];
                }
            }
        }
        return true;
    }
    // Large symbols (big exports): the same row by row over runs of pixels.
    const std::size_t words = (static_cast<std::size_t>(clip.width()) + 63) / 64;
    std::vector<std::uint64_t> covered(words * static_cast<std::size_t>(clip.height()), 0);
    for (auto q = centres.rbegin(); q != centres.rend(); ++q) {
        for (const Run& r : runs) {
            const int y = q->y() + r.dy, x0 = q->x() + r.dx;
            if (y < clip.top() || y > clip.bottom()) continue;
            const int from = std::max(x0, clip.left()), to = std::min(x0 + r.length - 1, clip.right());
            std::uint64_t* const mask = covered.data() + static_cast<std::size_t>(y - clip.top()) * words;
            QRgb* const row = reinterpret_cast<QRgb*>(bits + y * stride);
            for (int x = from; x <= to;) {
                const int at = x - clip.left(), shift = at & 63, n = std::min(to - x + 1, 64 - shift);
                const std::uint64_t span = (n == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << n) - 1) << shift;
                std::uint64_t& word = mask[at >> 6];
                for (std::uint64_t fresh = span & ~word; fresh; fresh &= fresh - 1) {
                    const int px = x - shift + std::countr_zero(fresh);
                    row[px] = r.color[px - x0];
                }
                word |= span;
                x += n;
            }
        }
    }
    return true;
}

}  // namespace

namespace symbols {

QRect symbolArea(const QPainter& p, int r, const QRect& bounds) {
    QRect visible = p.hasClipping() ? p.clipBoundingRect().toAlignedRect() : bounds;
    visible = visible.adjusted(-r - 2, -r - 2, r + 2, r + 2);
    if (const QRect dev(0, 0, p.device()->width(), p.device()->height()); dev.isValid())
        visible = visible.intersected(dev.adjusted(-r - 2, -r - 2, r + 2, r + 2));
    return visible;
}

int symbolReach(double scale) { return static_cast<int>(std::nearbyint(3 * scale)); }

void markPoints(QPainter& p, int code, const std::vector<QPoint>& points, int colorIndex, double scale, bool stamp) {
    code = symbolCode(code);
    if (code <= 0 || points.empty()) return;
    const int r = symbolReach(scale);
    p.save();
    p.setPen(PlotRenderer::plotPen(1, colorIndex, scale));
    const bool filled = code >= 8 && code <= 14;
    const int shape = filled ? code - 7 : code;
    p.setBrush(filled ? QBrush(PlotRenderer::PlotColor(colorIndex)) : QBrush(Qt::white));
    if (!stamp || !stampSymbols(p, points, r, [&](QPainter& sp, int x, int y) { symbolShape(sp, shape, x, y, r); }))
        for (const QPoint& q : points) symbolShape(p, shape, q.x(), q.y(), r);
    p.restore();
}

void markPointsCut(QPainter& p, int code, const std::vector<QPoint>& points, int colorIndex, double scale, const QRectF& cut) {
    code = symbolCode(code);
    if (code <= 0 || points.empty()) return;
    const int r = symbolReach(scale);
    const QPen pen = PlotRenderer::plotPen(1, colorIndex, scale);
    const bool filled = code >= 8 && code <= 14;
    const int shape = filled ? code - 7 : code;
    const QBrush brush = filled ? QBrush(PlotRenderer::PlotColor(colorIndex)) : QBrush(Qt::white);
    const double halfPen = std::max(1, pen.width());  // a square cap on the cross reaches 0.71 pen widths out
    QPainterPath inside;
    inside.addRect(cut);
    p.save();
    p.setPen(pen);
    p.setBrush(brush);
    for (const QPoint& q : points) {
        const QRectF reach = QRectF(q.x() - r, q.y() - r, 2 * r + 1, 2 * r + 1).adjusted(-halfPen, -halfPen, halfPen, halfPen);
        if (cut.contains(reach)) {
            symbolShape(p, shape, q.x(), q.y(), r);
            continue;
        }
        if (!cut.intersects(reach)) continue;
        // Across the edge: the shape's area and its outline's area, each cut.
        const QPainterPath path = symbolPath(shape, q.x(), q.y(), r);
        if (shape != 15) p.fillPath(path.intersected(inside), brush);
        QPainterPathStroker stroker(pen);
        stroker.setWidth(std::max(1, pen.width()));
        p.fillPath(stroker.createStroke(path).intersected(inside), pen.color());
    }
    p.restore();
}

}  // namespace symbols

void PlotRenderer::DrawSymbols(QPainter& p, int code, const QPolygon& points, int colorIndex, double scale, bool fullDetail) {
    using namespace symbols;
    if (fullDetail || points.size() < 2) {
        markPoints(p, code, std::vector<QPoint>(points.begin(), points.end()), colorIndex, scale, false);
        return;
    }
    const QRect area = symbolArea(p, symbolReach(scale), points.boundingRect());
    markPoints(p, code, lastOnEachPixel(area, static_cast<std::size_t>(points.size()), [&](std::size_t i) { return points[i]; }),
               colorIndex, scale);
}

void PlotRenderer::DrawSymbol(QPainter& p, int code, int x, int y, int colorIndex, double scale) {
    DrawSymbols(p, code, QPolygon({QPoint(x, y)}), colorIndex, scale);
}

}  // namespace plot
