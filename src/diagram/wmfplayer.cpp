#include "diagram/wmfplayer.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace {

using pal::WmfParams;
namespace wmf = pal::wmf;

constexpr std::size_t kMaxSavedStates = 1024;
constexpr int kMaxObjects = 65535;

// Raster operations that need no source bitmap.
constexpr std::uint32_t kBlackness = 0x00000042, kWhiteness = 0x00FF0062, kPatCopy = 0x00F00021,
                        kDstInvert = 0x00550009, kPatInvert = 0x005A0049;

// How a bitmap combines with the picture under it: the source-and-destination
// raster operations (the high word names the operation, as the system tables
// it); the others draw the bitmap as it is.
QPainter::CompositionMode bitmapComposition(std::uint32_t rop) {
    switch (rop >> 16) {
        case 0xEE: return QPainter::RasterOp_SourceOrDestination;         // SRCPAINT
        case 0x88: return QPainter::RasterOp_SourceAndDestination;        // SRCAND
        case 0x66: return QPainter::RasterOp_SourceXorDestination;        // SRCINVERT
        case 0x44: return QPainter::RasterOp_SourceAndNotDestination;     // SRCERASE
        case 0x33: return QPainter::RasterOp_NotSource;                   // NOTSRCCOPY
        case 0x11: return QPainter::RasterOp_NotSourceAndNotDestination;  // NOTSRCERASE
        case 0xBB: return QPainter::RasterOp_NotSourceOrDestination;      // MERGEPAINT
        default: return QPainter::CompositionMode_SourceOver;
    }
}
// Operations that read what is already drawn.
bool readsDestination(std::uint32_t rop) {
    return rop == kDstInvert || rop == kPatInvert || bitmapComposition(rop) != QPainter::CompositionMode_SourceOver;
}

QColor colorRef(const WmfParams& p, std::size_t at) { return QColor(p.u8(at), p.u8(at + 1), p.u8(at + 2)); }

struct PenSpec {
    int style = 0;  // PS_SOLID
    int width = 0;
    QColor color = Qt::black;
};
struct BrushSpec {
    int style = 0;  // BS_SOLID
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;
};
struct FontSpec {
    int height = 0;
    int escapement = 0;  // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    int pitchAndFamily = 0;
    QString face;
};
struct GdiObject {
    enum Kind { Empty, Pen, Brush, Font, Region, Other } kind = Empty;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    QPainterPath region;  // logical units
};

// SetROP2 modes that need more than a plain copy.
enum Rop2 { R2Black = 1, R2NotCopyPen = 4, R2Not = 6, R2XorPen = 7, R2MaskPen = 9, R2NotXorPen = 10, R2Nop = 11,
            R2CopyPen = 13, R2MergePen = 15, R2White = 16 };

struct DcState {
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = 2;  // OPAQUE
    int textAlign = 0;
    Qt::FillRule fill = Qt::OddEvenFill;
    int rop2 = R2CopyPen;
    int charExtra = 0;                  // logical units after every character
    int breakExtra = 0, breakCount = 0;  // justification spread over the blanks
    // The object-table slots the selected pen, brush and font came from (-1 the
    // defaults, or an object deleted while selected).
    int penSlot = -1, brushSlot = -1, fontSlot = -1;
    QPointF winOrg, winExt, vpOrg, vpExt;
    QPointF pos;
    bool clipped = false;
    QPainterPath clip;  // in target coordinates
};

class Player {
public:
    Player(const pal::WmfFile& file, const QHash<int, QImage>& bitmaps, const QHash<int, bool>& bottomUp,
           QPainter& painter, const QRectF& target, QSizeF natural)
        : file_(file), bitmaps_(bitmaps), bottomUp_(bottomUp), p_(painter), target_(target) {
        base_ = painter.worldTransform();
        // Device pixels per pixel of the picture at its natural size: pen
        // styles and device-sized bitmaps scale with the picture.
        const QRectF device = base_.mapRect(target);
        pixelScale_ = natural.width() > 0 ? device.width() / natural.width() : 1.0;
        if (!(pixelScale_ > 0) || !std::isfinite(pixelScale_)) pixelScale_ = 1.0;
        const pal::WmfFrame& f = file.frame();
        frame_ = QRectF(f.left, f.top, f.width(), f.height());
        dc_.winOrg = QPointF(f.left, f.top);
        dc_.winExt = QPointF(f.width(), f.height());
        dc_.vpOrg = QPointF(0, 0);
        dc_.vpExt = QPointF(f.width(), f.height());
        QPainterPath t;
        t.addRect(target);
        baseClip_ = painter.hasClipping() ? painter.clipPath().intersected(t) : t;
        objects_.resize(static_cast<std::size_t>(std::clamp(file.objectCount(), 0, kMaxObjects)));
    }

    void run() {
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, false);
        p_.setRenderHint(QPainter::TextAntialiasing, true);
        p_.setRenderHint(QPainter::SmoothPixmapTransform, true);
        applyClip();
        const auto& records = file_.records();
        for (int i = 0; i < static_cast<int>(records.size()); ++i) record(i, records[static_cast<std::size_t>(i)]);
        p_.restore();
    }

private:
    // ---- coordinates
    QTransform logicalToTarget() const {
        const double wx = dc_.winExt.x() ? dc_.winExt.x() : 1, wy = dc_.winExt.y() ? dc_.winExt.y() : 1;
        const double sx = dc_.vpExt.x() / wx, sy = dc_.vpExt.y() / wy;
        const double fw = frame_.width() ? frame_.width() : 1, fh = frame_.height() ? frame_.height() : 1;
        const double ax = target_.width() / fw, ay = target_.height() / fh;
        const double dx = target_.left() + (dc_.vpOrg.x() - dc_.winOrg.x() * sx) * ax;
        const double dy = target_.top() + (dc_.vpOrg.y() - dc_.winOrg.y() * sy) * ay;
        return QTransform(sx * ax, 0, 0, sy * ay, dx, dy);
    }
    double deviceScale() const {
        const QTransform t = logicalToTarget() * base_;
        return std::sqrt(std::abs(t.determinant()));
    }
    void useLogical() { p_.setWorldTransform(logicalToTarget() * base_); }

    void applyClip() {
        p_.setWorldTransform(base_);
        p_.setClipPath(dc_.clipped ? baseClip_.intersected(dc_.clip) : baseClip_);
    }

    // ---- drawing tools
    QPen pen() const {
        const PenSpec& s = dc_.pen;
        const int style = s.style & 0x0F;
        if (style == 5) return QPen(Qt::NoPen);
        QPen pen(s.color);
        // Widths are logical units; kept at least one device pixel, as GDI does.
        pen.setCosmetic(true);
        pen.setWidthF(s.width <= 1 ? 1.0 : std::max(1.0, s.width * deviceScale()));
        pen.setCapStyle(pen.widthF() > 1 ? Qt::RoundCap : Qt::FlatCap);
        pen.setJoinStyle(Qt::RoundJoin);
        // A styled pen draws its dashes while it is at most one device pixel
        // wide (its width in logical units may be many times that when a unit
        // is a fraction of a pixel); a wider one draws solid.
        if (style >= 1 && style <= 4 && s.width * deviceScale() <= 1.0) {
            // The system's styled pens: dashes and gaps in pixels, here at the
            // picture's scale, never shorter than on the device itself (a
            // thumbnail's dashes would shrink to nothing).
            static const QList<qreal> patterns[] = {{18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
            QList<qreal> dashes = patterns[style - 1];
            for (qreal& d : dashes) d *= std::max(1.0, pixelScale_) / pen.widthF();
            pen.setDashPattern(dashes);
            pen.setCapStyle(Qt::FlatCap);
        }
        return pen;
    }
    QBrush brush() const {
        const BrushSpec& b = dc_.brush;
        switch (b.style) {
            case 0: return QBrush(b.color);
            case 1: return QBrush(Qt::NoBrush);
            case 2: {
                static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                         Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
                return QBrush(b.color, b.hatch >= 0 && b.hatch <= 5 ? hatches[b.hatch] : Qt::SolidPattern);
            }
            default:
                if (!b.pattern.isNull()) return QBrush(b.pattern);
                return QBrush(Qt::black, Qt::Dense4Pattern);
        }
    }
    // Sets up pen, brush and raster mode for a shape; false when the mode
    // leaves the picture as it is.
    bool prepareShape(bool filled) {
        if (dc_.rop2 == R2Nop) return false;
        useLogical();
        QPen pn = pen();
        QBrush br = filled ? brush() : QBrush(Qt::NoBrush);
        if (dc_.rop2 == R2Black || dc_.rop2 == R2White) {
            const QColor c = dc_.rop2 == R2Black ? Qt::black : Qt::white;
            if (pn.style() != Qt::NoPen) pn.setColor(c);
            if (br.style() != Qt::NoBrush) br = QBrush(c);
        }
        p_.setPen(pn);
        p_.setBrush(br);
        p_.setBackground(dc_.bkColor);
        p_.setBackgroundMode(dc_.bkMode == 2 ? Qt::OpaqueMode : Qt::TransparentMode);
        p_.setCompositionMode(compositionFor(dc_.rop2));
        return true;
    }
    static QPainter::CompositionMode compositionFor(int rop2) {
        switch (rop2) {
            case 2: return QPainter::RasterOp_NotSourceAndNotDestination;
            case 3: return QPainter::RasterOp_NotSourceAndDestination;
            case R2NotCopyPen: return QPainter::RasterOp_NotSource;
            case 5: return QPainter::RasterOp_SourceAndNotDestination;
            case R2Not: return QPainter::RasterOp_NotDestination;
            case R2XorPen: return QPainter::RasterOp_SourceXorDestination;
            case 8: return QPainter::RasterOp_NotSourceOrNotDestination;
            case R2MaskPen: return QPainter::RasterOp_SourceAndDestination;
            case R2NotXorPen: return QPainter::RasterOp_NotSourceXorDestination;
            case 12: return QPainter::RasterOp_NotSourceOrDestination;
            case 14: return QPainter::RasterOp_SourceOrNotDestination;
            case R2MergePen: return QPainter::RasterOp_SourceOrDestination;
            default: return QPainter::CompositionMode_SourceOver;
        }
    }
    // Text and bitmaps are not subject to the pen's raster mode.
    void plainComposition() { p_.setCompositionMode(QPainter::CompositionMode_SourceOver); }

    static QPointF pointAt(const WmfParams& p, std::size_t at) { return QPointF(p.s16(at), p.s16(at + 2)); }
    // A rectangle stored as bottom, right, top, left.
    static QRectF rectBRTL(const WmfParams& p, std::size_t at) {
        return QRectF(QPointF(p.s16(at + 6), p.s16(at + 4)), QPointF(p.s16(at + 2), p.s16(at))).normalized();
    }
    static bool points(const WmfParams& p, std::size_t at, int count, QPolygonF& out) {
        if (count < 0 || !p.has(at + static_cast<std::size_t>(count) * 4)) return false;
        out.clear();
        out.reserve(count);
        for (int k = 0; k < count; ++k) out << pointAt(p, at + static_cast<std::size_t>(k) * 4);
        return true;
    }

    // ---- objects
    // A new object takes the lowest free slot (a table the header made too
    // small grows).
    void addObject(const GdiObject& o) {
        for (auto& slot : objects_)
            if (slot.kind == GdiObject::Empty) {
                slot = o;
                return;
            }
        if (objects_.size() < static_cast<std::size_t>(kMaxObjects)) objects_.push_back(o);
    }
    void selectObject(int index) {
        if (index < 0 || index >= static_cast<int>(objects_.size())) return;
        const GdiObject& o = objects_[static_cast<std::size_t>(index)];
        if (o.kind == GdiObject::Pen) {
            dc_.pen = o.pen;
            dc_.penSlot = index;
        } else if (o.kind == GdiObject::Brush) {
            dc_.brush = o.brush;
            dc_.brushSlot = index;
        } else if (o.kind == GdiObject::Font) {
            dc_.font = o.font;
            dc_.fontSlot = index;
        } else if (o.kind == GdiObject::Region) {
            selectClipRegion(index);
        }
    }
    // A deleted object frees its slot for the next object. One that is selected
    // stays in use until another is selected: the system refuses to delete a
    // selected object, so the picture goes on drawing with it.
    void deleteObject(int index) {
        if (index < 0 || index >= static_cast<int>(objects_.size())) return;
        objects_[static_cast<std::size_t>(index)] = GdiObject{};
        for (int* slot : {&dc_.penSlot, &dc_.brushSlot, &dc_.fontSlot})
            if (*slot == index) *slot = -1;
    }
    // The clip becomes the region of that slot; anything else removes the clip.
    void selectClipRegion(int index) {
        const bool region = index >= 0 && index < static_cast<int>(objects_.size()) &&
                            objects_[static_cast<std::size_t>(index)].kind == GdiObject::Region;
        dc_.clipped = region;
        dc_.clip = region ? logicalToTarget().map(objects_[static_cast<std::size_t>(index)].region) : QPainterPath();
        applyClip();
    }
    // A region record: header, bounding box, then scans of left/right pairs.
    static QPainterPath regionPath(const WmfParams& p) {
        QPainterPath path;
        if (!p.has(22)) return path;
        const int scans = p.u16(10);
        const QRectF box(QPointF(p.s16(14), p.s16(16)), QPointF(p.s16(18), p.s16(20)));
        if (scans == 0) {
            path.addRect(box.normalized());
            return path;
        }
        std::size_t at = 22;
        for (int k = 0; k < scans && p.has(at + 6); ++k) {
            const int count = p.u16(at), top = p.s16(at + 2), bottom = p.s16(at + 4);
            at += 6;
            for (int j = 0; j + 1 < count && p.has(at + 4); j += 2, at += 4)
                path.addRect(QRectF(QPointF(p.s16(at), top), QPointF(p.s16(at + 2), bottom)).normalized());
            at += 2;  // the repeated count
        }
        return path.simplified();
    }

    // ---- text
    QFont font(double* scale) const {
        const FontSpec& s = dc_.font;
        QFont f(s.face.isEmpty() ? QStringLiteral("Arial") : s.face);
        const int family = s.pitchAndFamily & 0xF0;
        if (family == 0x10) f.setStyleHint(QFont::Serif);
        else if (family == 0x30) f.setStyleHint(QFont::TypeWriter);
        else f.setStyleHint(QFont::SansSerif);
        f.setWeight(static_cast<QFont::Weight>(std::clamp(s.weight ? s.weight : 400, 100, 900)));
        f.setItalic(s.italic);
        f.setUnderline(s.underline);
        f.setStrikeOut(s.strikeOut);
        const double ys = std::abs(logicalToTarget().m22());
        double em;
        if (s.height == 0) {
            em = 12;  // the default font
        } else if (s.height < 0) {
            em = -s.height * ys;
        } else {
            // A positive height is the character cell; the em is a part of it.
            QFont probe(f);
            probe.setPixelSize(100);
            const QFontMetricsF fm(probe);
            em = s.height * ys * 100 / std::max(1.0, fm.ascent() + fm.descent());
        }
        em = std::max(em, 0.1);
        if (em >= 6) {
            f.setPixelSize(static_cast<int>(std::lround(em)));
            *scale = 1;
        } else {
            // Tiny text is drawn large and scaled down, so its size stays exact.
            f.setPixelSize(60);
            *scale = em / 60;
        }
        return f;
    }
    // dx: the advance of each character in logical units, as an ExtTextOut
    // record may give them; otherwise the font's advances plus the character
    // extra and the justification's share of each blank.
    void drawText(QPointF at, const QByteArray& bytes, const QRectF* clipRect, const QRectF* opaqueRect,
                  const std::vector<int>* dx = nullptr) {
        const QString text = QString::fromLatin1(bytes);
        const bool updateCp = dc_.textAlign & 1;
        if (updateCp) at = dc_.pos;
        const QTransform l2t = logicalToTarget();
        plainComposition();
        if (opaqueRect) {
            useLogical();
            p_.fillRect(*opaqueRect, dc_.bkColor);
        }
        p_.save();
        if (clipRect) {
            useLogical();
            p_.setClipRect(*clipRect, Qt::IntersectClip);
        }
        double scale = 1;
        const QFont f = font(&scale);
        const QPointF origin = l2t.map(at);
        QTransform t;
        t.translate(origin.x(), origin.y());
        if (dc_.font.escapement) t.rotate(-dc_.font.escapement / 10.0);
        t.scale(scale, scale);
        p_.setWorldTransform(t * base_);
        p_.setFont(f);
        const QFontMetricsF fm = p_.fontMetrics();
        // Logical units to the font's drawing units.
        const double unit = std::abs(l2t.m11()) / scale;
        const bool spaced = (dx && !dx->empty()) || dc_.charExtra || (dc_.breakCount > 0 && dc_.breakExtra);
        std::vector<double> advances;
        double width = 0;
        if (spaced) {
            advances.reserve(static_cast<std::size_t>(text.size()));
            int breaks = 0;
            for (qsizetype i = 0; i < text.size(); ++i) {
                double a;
                if (dx && static_cast<std::size_t>(i) < dx->size()) {
                    a = (*dx)[static_cast<std::size_t>(i)] * unit;
                } else {
                    a = fm.horizontalAdvance(text.at(i)) + dc_.charExtra * unit;
                    if (text.at(i) == QLatin1Char(' ') && dc_.breakCount > 0) {
                        // The extra is spread evenly, the remainder over the first blanks.
                        int share = dc_.breakExtra / dc_.breakCount;
                        if (breaks < std::abs(dc_.breakExtra % dc_.breakCount)) share += dc_.breakExtra < 0 ? -1 : 1;
                        a += share * unit;
                        ++breaks;
                    }
                }
                advances.push_back(a);
                width += a;
            }
        } else {
            width = fm.horizontalAdvance(text);
        }
        double x = 0, y = 0;
        switch (dc_.textAlign & 6) {
            case 2: x = -width; break;      // TA_RIGHT
            case 6: x = -width / 2; break;  // TA_CENTER
            default: break;
        }
        switch (dc_.textAlign & 24) {
            case 8: y = -fm.descent(); break;  // TA_BOTTOM
            case 24: break;                    // TA_BASELINE
            default: y = fm.ascent(); break;   // TA_TOP
        }
        if (dc_.bkMode == 2 && !opaqueRect)
            p_.fillRect(QRectF(x, y - fm.ascent(), width, fm.ascent() + fm.descent()), dc_.bkColor);
        p_.setPen(dc_.textColor);
        if (spaced) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                p_.drawText(QPointF(x, y), QString(text.at(i)));
                x += advances[static_cast<std::size_t>(i)];
            }
        } else {
            p_.drawText(QPointF(x, y), text);
        }
        p_.restore();
        if (updateCp) {
            const double lx = l2t.m11() ? width * scale / l2t.m11() : 0;
            dc_.pos.rx() += (dc_.textAlign & 6) == 2 ? -std::abs(lx) : std::abs(lx);
        }
    }

    // The system draws a rectangle, an ellipse or an arc's box without its
    // right and bottom edges: one device pixel in from the box's far sides.
    QRectF insideBox(const QRectF& box) const {
        const QTransform t = logicalToTarget() * base_;
        if (!t.isInvertible()) return box;
        const QRectF d = t.mapRect(box);
        return t.inverted().mapRect(QRectF(d.topLeft(), QSizeF(std::max(0.0, d.width() - 1), std::max(0.0, d.height() - 1))));
    }

    // ---- bitmaps
    void fillRop(const QRectF& r, std::uint32_t rop) {
        useLogical();
        plainComposition();
        if (rop == kBlackness) p_.fillRect(r, Qt::black);
        else if (rop == kWhiteness) p_.fillRect(r, Qt::white);
        else if (rop == kPatCopy) p_.fillRect(r, brush());
        else if (rop == kDstInvert || rop == kPatInvert) {
            // The picture under the box inverted, or combined with the brush by xor.
            p_.setCompositionMode(rop == kDstInvert ? QPainter::RasterOp_NotDestination : QPainter::RasterOp_SourceXorDestination);
            p_.fillRect(r, rop == kDstInvert ? QBrush(Qt::white) : brush());
            plainComposition();
        }
    }
    void drawBitmap(int index, const QRectF& dest, QRectF source, bool sourceFromBottom, std::uint32_t rop) {
        const auto it = bitmaps_.constFind(index);
        if (it == bitmaps_.constEnd()) return;
        const QImage& img = it.value();
        if (source.width() <= 0 || source.height() <= 0) source = QRectF(img.rect());
        else if (sourceFromBottom && bottomUp_.value(index))
            source.moveTop(img.height() - source.top() - source.height());
        if (rop == kBlackness || rop == kWhiteness || rop == kPatCopy || rop == kDstInvert || rop == kPatInvert) {
            fillRop(dest.normalized(), rop);
            return;
        }
        useLogical();
        p_.setCompositionMode(bitmapComposition(rop));
        QImage shown = img;
        // A monochrome device bitmap takes the text colour for 0 and the background for 1.
        if (shown.format() == QImage::Format_Mono) shown.setColorTable({dc_.textColor.rgb(), dc_.bkColor.rgb()});
        if (dest.width() < 0 || dest.height() < 0) shown = img.mirrored(dest.width() < 0, dest.height() < 0);
        p_.drawImage(dest.normalized(), shown, source);
        plainComposition();
    }
    // SetDIBitsToDevice: the size is in pixels, not logical units, so only the
    // corner follows the mapping.
    void drawBitmapAtPixels(int index, QPointF corner, QRectF source) {
        const auto it = bitmaps_.constFind(index);
        if (it == bitmaps_.constEnd() || source.width() <= 0 || source.height() <= 0) return;
        const QImage& img = it.value();
        if (bottomUp_.value(index)) source.moveTop(img.height() - source.top() - source.height());
        const QPointF at = logicalToTarget().map(corner);
        p_.setWorldTransform(base_);
        plainComposition();
        const double k = pixelScale_ / std::sqrt(std::abs(base_.determinant()) > 0 ? std::abs(base_.determinant()) : 1.0);
        p_.drawImage(QRectF(at, QSizeF(source.width() * k, source.height() * k)), img, source);
    }

    // ---- one record
    void record(int index, const pal::WmfRecord& r) {
        const WmfParams p = file_.params(r);
        switch (r.function) {
            case wmf::SetWindowOrg:
                if (p.has(4)) dc_.winOrg = QPointF(p.s16(2), p.s16(0));
                break;
            case wmf::SetWindowExt:
                if (p.has(4) && p.s16(0) && p.s16(2)) dc_.winExt = QPointF(p.s16(2), p.s16(0));
                break;
            case wmf::SetViewportOrg:
                if (p.has(4)) dc_.vpOrg = QPointF(p.s16(2), p.s16(0));
                break;
            case wmf::SetViewportExt:
                if (p.has(4) && p.s16(0) && p.s16(2)) dc_.vpExt = QPointF(p.s16(2), p.s16(0));
                break;
            case wmf::OffsetWindowOrg:
                if (p.has(4)) dc_.winOrg += QPointF(p.s16(2), p.s16(0));
                break;
            case wmf::OffsetViewportOrg:
                if (p.has(4)) dc_.vpOrg += QPointF(p.s16(2), p.s16(0));
                break;
            case wmf::ScaleWindowExt:
            case wmf::ScaleViewportExt:
                if (p.has(8) && p.s16(0) && p.s16(4)) {
                    // yDenom, yNum, xDenom, xNum
                    QPointF& e = r.function == wmf::ScaleWindowExt ? dc_.winExt : dc_.vpExt;
                    const QPointF scaled(e.x() * p.s16(6) / p.s16(4), e.y() * p.s16(2) / p.s16(0));
                    if (scaled.x() && scaled.y()) e = scaled;
                }
                break;
            case wmf::SetBkColor:
                if (p.has(3)) dc_.bkColor = colorRef(p, 0);
                break;
            case wmf::SetTextColor:
                if (p.has(3)) dc_.textColor = colorRef(p, 0);
                break;
            case wmf::SetBkMode:
                if (p.has(2)) dc_.bkMode = p.u16(0);
                break;
            case wmf::SetTextAlign:
                if (p.has(2)) dc_.textAlign = p.u16(0);
                break;
            case wmf::SetRop2:
                if (p.has(2)) dc_.rop2 = std::clamp<int>(p.u16(0), 1, 16);
                break;
            case wmf::SetTextCharExtra:
                if (p.has(2)) dc_.charExtra = p.s16(0);
                break;
            case wmf::SetTextJustification:
                if (p.has(4)) {
                    dc_.breakCount = p.s16(0);
                    dc_.breakExtra = p.s16(2);
                }
                break;
            case wmf::SetPolyFillMode:
                if (p.has(2)) dc_.fill = p.u16(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
                break;
            case wmf::SaveDC:
                if (saved_.size() < kMaxSavedStates) saved_.push_back(dc_);
                break;
            case wmf::RestoreDC: {
                if (!p.has(2)) break;
                const int n = p.s16(0);
                std::size_t keep;
                if (n < 0) keep = static_cast<std::size_t>(-n) <= saved_.size() ? saved_.size() + n : SIZE_MAX;
                else if (n > 0) keep = static_cast<std::size_t>(n) <= saved_.size() ? static_cast<std::size_t>(n) - 1 : SIZE_MAX;
                else break;
                if (keep == SIZE_MAX) break;
                dc_ = saved_[keep];
                saved_.resize(keep);
                applyClip();
                break;
            }
            case wmf::CreatePenIndirect: {
                GdiObject o;
                o.kind = GdiObject::Pen;
                if (p.has(10)) o.pen = {p.u16(0), p.s16(2), colorRef(p, 6)};
                addObject(o);
                break;
            }
            case wmf::CreateBrushIndirect: {
                GdiObject o;
                o.kind = GdiObject::Brush;
                if (p.has(8)) {
                    o.brush.style = p.u16(0);
                    o.brush.color = colorRef(p, 2);
                    o.brush.hatch = p.u16(6);
                }
                addObject(o);
                break;
            }
            case wmf::DibCreatePatternBrush: {
                GdiObject o;
                o.kind = GdiObject::Brush;
                o.brush.style = 5;
                if (bitmaps_.contains(index)) o.brush.pattern = bitmaps_.value(index);
                addObject(o);
                break;
            }
            case wmf::CreateFontIndirect: {
                GdiObject o;
                o.kind = GdiObject::Font;
                if (p.has(18)) {
                    FontSpec& f = o.font;
                    f.height = p.s16(0);
                    f.escapement = p.s16(4);
                    f.weight = p.s16(8);
                    f.italic = p.u8(10);
                    f.underline = p.u8(11);
                    f.strikeOut = p.u8(12);
                    f.pitchAndFamily = p.u8(17);
                    const std::string_view face = p.bytes(18, 32);
                    f.face = QString::fromLatin1(face.data(), static_cast<qsizetype>(std::min(face.find('\0'), face.size())));
                }
                addObject(o);
                break;
            }
            case wmf::CreateRegion: {
                GdiObject o;
                o.kind = GdiObject::Region;
                o.region = regionPath(p);
                addObject(o);
                break;
            }
            case wmf::SelectClipRegion:
                if (p.has(2)) selectClipRegion(p.u16(0));
                break;
            case wmf::CreatePalette:
            case wmf::CreatePatternBrush:
            case wmf::CreateBrush:
            case wmf::CreateBitmap:
            case wmf::CreateBitmapIndirect: {
                // Kept only so that the object numbers stay right.
                GdiObject o;
                o.kind = GdiObject::Other;
                addObject(o);
                break;
            }
            case wmf::SelectObject:
                if (p.has(2)) selectObject(p.u16(0));
                break;
            case wmf::DeleteObject:
                if (p.has(2)) deleteObject(p.u16(0));
                break;
            case wmf::MoveTo:
                if (p.has(4)) dc_.pos = QPointF(p.s16(2), p.s16(0));
                break;
            case wmf::LineTo:
                if (p.has(4)) {
                    const QPointF to(p.s16(2), p.s16(0));
                    if (prepareShape(false)) p_.drawLine(dc_.pos, to);
                    dc_.pos = to;
                }
                break;
            case wmf::Polyline:
            case wmf::Polygon: {
                QPolygonF poly;
                if (!p.has(2) || !points(p, 2, p.s16(0), poly)) break;
                if (!prepareShape(r.function == wmf::Polygon)) break;
                if (r.function == wmf::Polygon) p_.drawPolygon(poly, dc_.fill);
                else p_.drawPolyline(poly);
                break;
            }
            case wmf::PolyPolygon: {
                if (!p.has(2)) break;
                const int n = p.u16(0);
                if (!p.has(2 + static_cast<std::size_t>(n) * 2)) break;
                QPainterPath path;
                path.setFillRule(dc_.fill);
                std::size_t at = 2 + static_cast<std::size_t>(n) * 2;
                bool ok = true;
                for (int k = 0; k < n && ok; ++k) {
                    QPolygonF poly;
                    const int count = p.u16(2 + static_cast<std::size_t>(k) * 2);
                    ok = points(p, at, count, poly);
                    if (ok && !poly.isEmpty()) {
                        path.addPolygon(poly);
                        path.closeSubpath();
                    }
                    at += static_cast<std::size_t>(count) * 4;
                }
                if (!ok || !prepareShape(true)) break;
                p_.drawPath(path);
                break;
            }
            case wmf::Rectangle:
                if (p.has(8) && prepareShape(true)) {
                    p_.drawRect(insideBox(rectBRTL(p, 0)));
                }
                break;
            case wmf::Ellipse:
                if (p.has(8) && prepareShape(true)) {
                    p_.drawEllipse(insideBox(rectBRTL(p, 0)));
                }
                break;
            case wmf::RoundRect:
                if (p.has(12) && prepareShape(true)) {
                    p_.drawRoundedRect(insideBox(rectBRTL(p, 4)), std::abs(p.s16(2)) / 2.0, std::abs(p.s16(0)) / 2.0);
                }
                break;
            case wmf::Arc:
            case wmf::Pie:
            case wmf::Chord:
                if (p.has(16)) {
                    const QRectF box = rectBRTL(p, 8);
                    if (box.width() <= 0 || box.height() <= 0) break;
                    const QPointF c = box.center();
                    const auto angle = [&](QPointF pt) {
                        return std::atan2(-(pt.y() - c.y()) / box.height(), (pt.x() - c.x()) / box.width()) * 180 / std::numbers::pi;
                    };
                    const double a0 = angle(QPointF(p.s16(6), p.s16(4))), a1 = angle(QPointF(p.s16(2), p.s16(0)));
                    double span = a1 - a0;
                    if (span <= 0) span += 360;
                    const int start = static_cast<int>(std::lround(a0 * 16)), len = static_cast<int>(std::lround(span * 16));
                    if (!prepareShape(r.function != wmf::Arc)) break;
                    const QRectF drawn = insideBox(box);
                    if (r.function == wmf::Arc) p_.drawArc(drawn, start, len);
                    else if (r.function == wmf::Pie) p_.drawPie(drawn, start, len);
                    else p_.drawChord(drawn, start, len);
                }
                break;
            case wmf::SetPixel:
                if (p.has(8)) {
                    const QPointF at = logicalToTarget().map(QPointF(p.s16(6), p.s16(4)));
                    p_.setWorldTransform(base_);
                    plainComposition();
                    p_.fillRect(QRectF(at, QSizeF(1, 1)), colorRef(p, 0));
                }
                break;
            case wmf::TextOut: {
                if (!p.has(2)) break;
                const int len = p.s16(0);
                const std::size_t padded = static_cast<std::size_t>(std::max(len, 0) + 1) & ~std::size_t{1};
                if (len <= 0 || !p.has(2 + padded + 4)) break;
                const std::string_view s = p.bytes(2, static_cast<std::size_t>(len));
                drawText(QPointF(p.s16(2 + padded + 2), p.s16(2 + padded)), QByteArray(s.data(), static_cast<qsizetype>(s.size())),
                         nullptr, nullptr);
                break;
            }
            case wmf::ExtTextOut: {
                if (!p.has(8)) break;
                const QPointF at(p.s16(2), p.s16(0));
                const int len = p.s16(4);
                const int opts = p.u16(6);
                std::size_t off = 8;
                QRectF rect;
                const bool hasRect = opts & 0x0006;  // ETO_OPAQUE or ETO_CLIPPED
                if (hasRect) {
                    if (!p.has(16)) break;
                    rect = QRectF(QPointF(p.s16(8), p.s16(10)), QPointF(p.s16(12), p.s16(14))).normalized();
                    off = 16;
                }
                if (len < 0 || !p.has(off + static_cast<std::size_t>(len))) break;
                const std::string_view s = p.bytes(off, static_cast<std::size_t>(len));
                // The advances follow the string (padded to whole words) when the record holds them.
                std::vector<int> dx;
                const std::size_t dxAt = off + ((static_cast<std::size_t>(len) + 1) & ~std::size_t{1});
                if (len > 0 && p.has(dxAt + static_cast<std::size_t>(len) * 2)) {
                    dx.reserve(static_cast<std::size_t>(len));
                    for (int k = 0; k < len; ++k) dx.push_back(p.s16(dxAt + static_cast<std::size_t>(k) * 2));
                }
                drawText(at, QByteArray(s.data(), static_cast<qsizetype>(s.size())), (opts & 0x0004) ? &rect : nullptr,
                         (opts & 0x0002) ? &rect : nullptr, &dx);
                break;
            }
            case wmf::StretchDib:
                if (p.has(22)) {
                    const QRectF src(p.s16(12), p.s16(10), p.s16(8), p.s16(6));
                    const QRectF dst(p.s16(20), p.s16(18), p.s16(16), p.s16(14));
                    drawBitmap(index, dst, src, true, p.u32(0));
                }
                break;
            case wmf::DibStretchBlt:
                if (r.words == static_cast<std::uint32_t>((r.function >> 8) + 3)) {
                    if (p.has(22)) fillRop(QRectF(p.s16(20), p.s16(18), p.s16(16), p.s16(14)).normalized(), p.u32(0));
                } else if (p.has(20)) {
                    const QRectF src(p.s16(10), p.s16(8), p.s16(6), p.s16(4));
                    const QRectF dst(p.s16(18), p.s16(16), p.s16(14), p.s16(12));
                    drawBitmap(index, dst, src, true, p.u32(0));
                }
                break;
            case wmf::StretchBlt:
                // The same layout as DIBStretchBlt, with a device bitmap (rows from the top).
                if (r.words == static_cast<std::uint32_t>((r.function >> 8) + 3)) {
                    if (p.has(22)) fillRop(QRectF(p.s16(20), p.s16(18), p.s16(16), p.s16(14)).normalized(), p.u32(0));
                } else if (p.has(20)) {
                    drawBitmap(index, QRectF(p.s16(18), p.s16(16), p.s16(14), p.s16(12)),
                               QRectF(p.s16(10), p.s16(8), p.s16(6), p.s16(4)), false, p.u32(0));
                }
                break;
            case wmf::BitBlt:
                if (r.words == static_cast<std::uint32_t>((r.function >> 8) + 3)) {
                    if (p.has(18)) fillRop(QRectF(p.s16(16), p.s16(14), p.s16(12), p.s16(10)).normalized(), p.u32(0));
                } else if (p.has(16)) {
                    drawBitmap(index, QRectF(p.s16(14), p.s16(12), p.s16(10), p.s16(8)),
                               QRectF(p.s16(6), p.s16(4), p.s16(10), p.s16(8)), false, p.u32(0));
                }
                break;
            case wmf::DibBitBlt:
                if (r.words == static_cast<std::uint32_t>((r.function >> 8) + 3)) {
                    if (p.has(18)) fillRop(QRectF(p.s16(16), p.s16(14), p.s16(12), p.s16(10)).normalized(), p.u32(0));
                } else if (p.has(16)) {
                    const QRectF src(p.s16(6), p.s16(4), p.s16(10), p.s16(8));
                    const QRectF dst(p.s16(14), p.s16(12), p.s16(10), p.s16(8));
                    drawBitmap(index, dst, src, true, p.u32(0));
                }
                break;
            case wmf::SetDibToDev:
                // colour use, scan count, start scan, source y, x, height, width, destination y, x
                if (p.has(18))
                    drawBitmapAtPixels(index, QPointF(p.s16(16), p.s16(14)),
                                       QRectF(p.s16(8), p.s16(6), p.s16(12), p.s16(10)));
                break;
            case wmf::PatBlt:
                if (p.has(12)) fillRop(QRectF(p.s16(10), p.s16(8), p.s16(6), p.s16(4)).normalized(), p.u32(0));
                break;
            case wmf::IntersectClipRect:
            case wmf::ExcludeClipRect:
                if (p.has(8)) {
                    QPainterPath rect;
                    rect.addRect(rectBRTL(p, 0));
                    rect = logicalToTarget().map(rect);
                    if (r.function == wmf::IntersectClipRect) {
                        dc_.clip = dc_.clipped ? dc_.clip.intersected(rect) : rect;
                    } else {
                        QPainterPath all;
                        all.addRect(target_);
                        dc_.clip = (dc_.clipped ? dc_.clip : all).subtracted(rect);
                    }
                    dc_.clipped = true;
                    applyClip();
                }
                break;
            default:
                break;  // records without a drawing effect here
        }
    }

    const pal::WmfFile& file_;
    const QHash<int, QImage>& bitmaps_;
    const QHash<int, bool>& bottomUp_;
    QPainter& p_;
    QRectF target_;
    double pixelScale_ = 1.0;
    QRectF frame_;
    QTransform base_;
    QPainterPath baseClip_;
    DcState dc_;
    std::vector<DcState> saved_;
    std::vector<GdiObject> objects_;
};

// A device bitmap (Bitmap16: type, width, height, bytes a row, planes, bits a
// pixel, then rows from the top): monochrome and 24/32-bit ones are read, others
// give a null image.
QImage bitmap16(const WmfParams& p, std::size_t at) {
    if (!p.has(at + 10)) return {};
    const int width = p.s16(at + 2), height = p.s16(at + 4), rowBytes = p.s16(at + 6);
    const int planes = p.u8(at + 8), bits = p.u8(at + 9);
    if (width <= 0 || height <= 0 || planes != 1 || width > pal::WmfFile::kMaxPixels || height > pal::WmfFile::kMaxPixels)
        return {};
    if (rowBytes < (width * bits + 7) / 8 || !p.has(at + 10 + static_cast<std::size_t>(rowBytes) * height)) return {};
    const std::string_view data = p.bytes(at + 10, static_cast<std::size_t>(rowBytes) * height);
    const auto byte = [&](int y, int x) { return static_cast<unsigned char>(data[static_cast<std::size_t>(y) * rowBytes + x]); };
    if (bits == 1) {
        QImage img(width, height, QImage::Format_Mono);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < (width + 7) / 8; ++x) img.scanLine(y)[x] = byte(y, x);
        img.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        return img;
    }
    if (bits != 24 && bits != 32) return {};
    QImage img(width, height, QImage::Format_RGB32);
    const int step = bits / 8;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, qRgb(byte(y, x * step + 2), byte(y, x * step + 1), byte(y, x * step)));
    return img;
}

// Where a bitmap record keeps its bitmap, and whether the record has one.
std::optional<std::size_t> dibOffset(const pal::WmfRecord& r) {
    const bool noBitmap = r.words == static_cast<std::uint32_t>((r.function >> 8) + 3);
    switch (r.function) {
        case wmf::StretchDib: return 22;
        case wmf::DibStretchBlt: return noBitmap ? std::nullopt : std::optional<std::size_t>(20);
        case wmf::DibBitBlt: return noBitmap ? std::nullopt : std::optional<std::size_t>(16);
        case wmf::DibCreatePatternBrush: return 4;
        case wmf::SetDibToDev: return 18;
        default: return std::nullopt;
    }
}

}  // namespace

TWmfPlayer::TWmfPlayer(pal::WmfFile file) : file_(std::move(file)) {
    try {
        const pal::WmfFile::Size s = file_.pixelSize(96);
        natural_ = QSizeF(s.width, s.height);
    } catch (const std::exception&) {
        natural_ = QSizeF();
    }
    const auto& records = file_.records();
    for (int i = 0; i < static_cast<int>(records.size()); ++i) {
        const pal::WmfRecord& r = records[static_cast<std::size_t>(i)];
        if (r.function == wmf::SetRop2) {
            const WmfParams p = file_.params(r);
            if (p.has(2) && p.u16(0) != R2CopyPen) rasterOps_ = true;
        }
        if (r.function == wmf::BitBlt || r.function == wmf::StretchBlt || r.function == wmf::DibBitBlt ||
            r.function == wmf::DibStretchBlt || r.function == wmf::StretchDib || r.function == wmf::PatBlt) {
            const WmfParams p = file_.params(r);
            if (p.has(4) && readsDestination(p.u32(0))) rasterOps_ = true;
        }
        if (r.function == wmf::BitBlt || r.function == wmf::StretchBlt) {
            if (r.words == static_cast<std::uint32_t>((r.function >> 8) + 3)) continue;
            QImage image = bitmap16(file_.params(r), r.function == wmf::BitBlt ? 16 : 20);
            if (!image.isNull()) {
                bitmaps_.insert(i, image);
                bottomUp_.insert(i, false);
            }
            continue;
        }
        const auto at = dibOffset(r);
        if (!at) continue;
        const WmfParams p = file_.params(r);
        const std::string_view dib = p.bytes(*at, p.size());
        const auto bmp = pal::dibToBmp(dib);
        if (!bmp) continue;
        QImage image;
        if (!image.loadFromData(reinterpret_cast<const uchar*>(bmp->data()), static_cast<int>(bmp->size()), "BMP"))
            continue;
        // The header's height is negative for a top-down bitmap.
        const bool core = static_cast<unsigned char>(dib[0]) == 12;
        const auto heightTop = static_cast<unsigned char>(dib[core ? 7 : 11]);
        bitmaps_.insert(i, image);
        bottomUp_.insert(i, !(heightTop & 0x80));
    }
}

void TWmfPlayer::play(QPainter& painter, const QRectF& target) const {
    const QPaintEngine* engine = painter.paintEngine();
    if (!rasterOps_ || !engine || engine->type() == QPaintEngine::Raster) {
        playDirect(painter, target);
        return;
    }
    // A printer or PDF cannot combine with what is already drawn: the picture
    // is played into an image at the device's resolution and that is drawn.
    const QRectF device = painter.worldTransform().mapRect(target);
    const double longest = std::max(device.width(), device.height());
    const double k = longest > 8000 ? 8000 / longest : 1.0;
    const QSize size(std::max(1, static_cast<int>(std::ceil(device.width() * k))),
                     std::max(1, static_cast<int>(std::ceil(device.height() * k))));
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    {
        QPainter ip(&img);
        playDirect(ip, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    painter.drawImage(target, img);
}

void TWmfPlayer::playDirect(QPainter& painter, const QRectF& target) const {
    Player(file_, bitmaps_, bottomUp_, painter, target, natural_).run();
}

QImage TWmfPlayer::render(const QSize& size) const {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter painter(&img);
    play(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return img;
}
