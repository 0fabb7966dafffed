#include "plot/plotrender.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <QPaintEngine>
#include <QPolygon>
#include <QRegion>
#include <algorithm>
#include <cstdint>
#include <climits>
#include <cmath>
#include <vector>

#include "plot/axes.h"
#include "plot/decimate.h"
#include "plot/plotsymbols.h"
#include "plot/plottext.h"
#include "plot/spline.h"
#include "common/numtext.h"
#include "shell/printcontext.h"

namespace plot {

using symbols::lastOnEachPixel;
using symbols::markPoints;
using symbols::symbolArea;
using symbols::symbolReach;

namespace {

// Whether the first n X values of a curve ascend and map to ascending pixels
// (a linear axis from low to high, or a log axis over positive values).
bool ascendingX(const CurveRecord& c, int n, const AxisSettings& ax) {
    if (n < 2 || !(ax.maximum > ax.minimum) || (ax.logarithmic && !(c.x[0] > 0))) return false;
    return std::is_sorted(c.x.begin(), c.x.begin() + n);
}

constexpr int kFontFace = 1, kFontSize = 12, kFontStyle = 0;  // font slots 1 and 2
constexpr int kFrameColor = 0, kGridColor = 9;
constexpr int kMajorTick = 4, kMinorTick = 3;

int roundEven(double v) { return static_cast<int>(std::nearbyint(std::clamp(v, -1.0e9, 1.0e9))); }

// Cuts a polyline at a rectangle in floating point, before anything becomes a
// pixel: a deep zoom puts points millions of pixels off the frame, and clamping
// them first would tilt their lines. Each segment is cut at the edges
// (Liang-Barsky); a point on an edge is interpolated from both ends, so a far
// end costs no precision. Points come as distances from the axes' bases (the
// origin), rounded as the pixel map rounds them. The visible pieces go to the
// sink in whole pixels: point(x, y) for each point, end() after each piece.
template <class Sink>
class LineCutter {
public:
    LineCutter(const QRectF& r, QPoint origin, Sink& sink)
        : l_(r.left() - origin.x()), t_(r.top() - origin.y()), r_(r.right() - origin.x()), b_(r.bottom() - origin.y()),
          origin_(origin), sink_(sink) {}
    void add(double x, double y) {
        if (started_) segment(x0_, y0_, x, y);
        x0_ = x;
        y0_ = y;
        started_ = true;
    }
    void finish() {
        endPiece();
        started_ = false;
    }

private:
    void endPiece() {
        if (open_) sink_.end();
        open_ = false;
    }
    // The point where the segment crosses edge k (left, right, top, bottom).
    QPoint onEdge(int k, double ax, double ay, double bx, double by) const {
        double x, y;
        if (k < 2) {
            x = k == 0 ? l_ : r_;
            y = (ay * (bx - x) + by * (x - ax)) / (bx - ax);
        } else {
            y = k == 2 ? t_ : b_;
            x = (ax * (by - y) + bx * (y - ay)) / (by - ay);
        }
        return pixel(x, y);
    }
    QPoint pixel(double x, double y) const {
        return origin_ + QPoint(static_cast<int>(std::nearbyint(std::clamp(x, l_, r_))),
                                static_cast<int>(std::nearbyint(std::clamp(y, t_, b_))));
    }
    void segment(double ax, double ay, double bx, double by) {
        const double dx = bx - ax, dy = by - ay;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {ax - l_, r_ - ax, ay - t_, b_ - ay};
        double t0 = 0, t1 = 1;
        int in = -1, out = -1;  // the edges that cut the start and the end
        for (int k = 0; k < 4; ++k) {
            if (p[k] == 0) {
                if (q[k] < 0) return endPiece();
                continue;
            }
            const double t = q[k] / p[k];
            if (p[k] < 0 && t > t0) t0 = t, in = k;
            if (p[k] > 0 && t < t1) t1 = t, out = k;
        }
        if (!(t0 <= t1)) return endPiece();
        if (!open_ || in >= 0) {
            endPiece();
            const QPoint from = in < 0 ? pixel(ax, ay) : onEdge(in, ax, ay, bx, by);
            sink_.point(from.x(), from.y());
            open_ = true;
        }
        const QPoint to = out < 0 ? pixel(bx, by) : onEdge(out, ax, ay, bx, by);
        sink_.point(to.x(), to.y());
        if (out >= 0) endPiece();
    }

    double l_, t_, r_, b_;
    QPoint origin_;
    Sink& sink_;
    double x0_ = 0, y0_ = 0;
    bool started_ = false, open_ = false;
};

// A tick label split into its parts: plain text, or an exponential label read
// as a power of ten ("2.5x10" with a raised exponent).
struct TickText {
    bool exponential = false;
    QString plain;                       // the text of a plain label
    QString mantissa, times, exponent;   // the parts of an exponential label
    int width = 0;                       // plain: the text; exponential: all parts
    int exponentAt = 0;                  // exponential: offset of the exponent
};

enum class Orientation { Horizontal, Vertical };

// One drawing: the painter, the document, the view and the scale, with the
// helpers every part of the plot shares.
class Drawing {
public:
    Drawing(QPainter& p, const PlotDocument& doc, const PlotView& view, const RenderTarget& t)
        : p_(p), doc_(doc), view_(view), t_(t), scale_(t.scale), printing_(t.print != nullptr) {}

    RenderResult run();

private:
    int S(double n) const { return roundEven(n * scale_); }
    AxisSpan spanX() const { return AxisSpan{f_.left, f_.right - f_.left}; }
    AxisSpan spanY() const { return AxisSpan{f_.bottom, f_.top - f_.bottom}; }
    QFont slotFont(int sizeDelta = 0, int styleDelta = 0) const {
        return PlotRenderer::plotFont(kFontFace, kFontSize + sizeDelta, kFontStyle + styleDelta, scale_);
    }
    QFont smallFont() const {
        const int smallSize = kFontSize < 16 ? kFontSize - 2 : kFontSize * 2 / 3;
        return PlotRenderer::plotFont(kFontFace, smallSize, kFontStyle, scale_);
    }
    QFontMetrics metrics(const QFont& f) const { return QFontMetrics(f, p_.device()); }
    void fill(int x, int y) {
        if (!printing_) extent_ = extent_.united(QRect(x, y, 1, 1));
    }
    void line(int x1, int y1, int x2, int y2) {
        p_.drawLine(x1, y1, x2, y2);
        fill(x1, y1);
        fill(x2, y2);
    }
    void setPen(int code, int color) { p_.setPen(PlotRenderer::plotPen(code, color, scale_)); }
    // Text with its top-left corner at (x, y).
    void textTop(int x, int y, const QString& s) {
        const QFontMetrics fm = metrics(p_.font());
        p_.drawText(QPoint(x, y + fm.ascent()), s);
        fill(x, y);
        fill(x + fm.horizontalAdvance(s) + 4, y + fm.height());
    }

    void printPlacement();
    void place(const RenderTarget::Placement& at);
    // Ticks, tick labels, grid lines and minor ticks of one axis.
    void drawAxis(const AxisSettings& axis, bool zoomed, Orientation o);
    // The rectangle a tick label covers (as drawTickLabel places it).
    QRect labelRect(Orientation o, int x, int y, const TickText& t) const;
    void drawTitles();
    void drawCurve(const CurveRecord& c);
    void drawLegend();
    // The line of a smoothed curve of n points (at most 100), given to the cutter.
    template <class Cutter>
    void smoothed(const CurveRecord& c, int n, const PixelMap& mx, const PixelMap& my, Cutter& cutter) const;
    TickText tickText(const QString& text) const;
    // X kind: centred on x with its bottom at y; Y kind: ending at x, centred on y.
    void drawTickLabel(Orientation o, int x, int y, const TickText& t);

    QPainter& p_;
    const PlotDocument& doc_;
    const PlotView& view_;
    const RenderTarget& t_;
    double scale_;
    bool printing_;
    PlotView f_;             // the frame as drawn on this surface
    QRect extent_;
    int widestY_ = 0;
    int currentColor_ = 0;
    AxisSettings ax_, ay_;   // the axes as the view shows them
    std::vector<std::int16_t> pixels_;  // a curve's mapped points (x, y), reused
    std::vector<DrawnLabel> labels_;
    std::vector<QRect> legendEntries_;
    bool cancelled_ = false;
};

RenderResult Drawing::run() {
    f_ = view_;
    ax_ = view_.axisX(doc_.record);
    ay_ = view_.axisY(doc_.record);
    widestY_ = 0;
    extent_ = QRect(QPoint(f_.left, f_.top), QPoint(f_.right, f_.bottom));
    p_.save();
    p_.setBackgroundMode(Qt::TransparentMode);
    if (printing_)
        printPlacement();
    else if (t_.placement)
        place(*t_.placement);

    RenderResult result;
    result.resizeHandle = QRect(view_.right - 10, view_.bottom - 10, 20, 20);
    p_.fillRect(QRect(QPoint(f_.left, f_.top), QPoint(f_.right, f_.bottom)), Qt::white);

    const PlotRecord& r = doc_.record;
    if (!r.curves.empty()) {
        currentColor_ = 0;
        drawAxis(ax_, view_.zoomedX(r), Orientation::Horizontal);
        drawAxis(ay_, view_.zoomedY(r), Orientation::Vertical);
        drawTitles();
    }
    const auto goOn = [&](double done) { return !t_.progress || t_.progress(done); };
    for (std::size_t k = 0; k < r.curves.size() && !cancelled_; ++k) {
        cancelled_ = !goOn(static_cast<double>(k) / static_cast<double>(r.curves.size()));
        if (!cancelled_) drawCurve(r.curves[k]);
    }
    result.cancelled = cancelled_ || !goOn(1.0);
    if (r.legend && !r.curves.empty()) drawLegend();
    p_.restore();

    result.widestYLabel = widestY_;
    result.labels = std::move(labels_);
    result.legendEntries = std::move(legendEntries_);
    if (!printing_) result.dataExtent = extent_;
    return result;
}

void Drawing::place(const RenderTarget::Placement& at) {
    const QRect& de = at.extent;
    f_.left = at.origin.x() + static_cast<int>(std::trunc((view_.left - de.left()) * scale_));
    f_.right = at.origin.x() + static_cast<int>(std::trunc((view_.right - de.left()) * scale_));
    f_.top = at.origin.y() + static_cast<int>(std::trunc((view_.top - de.top()) * scale_));
    f_.bottom = at.origin.y() + static_cast<int>(std::trunc((view_.bottom - de.top()) * scale_));
}

void Drawing::printPlacement() {
    PrintContext& ctx = *t_.print;
    const QRect de = view_.dataExtent.isValid() ? view_.dataExtent : view_.frame();
    // The plot starts at the current line (never above the top margin), so a plot
    // that shares its page with text above it is drawn below that text.
    const int base = std::max(ctx.topMargin, ctx.y);
    const auto mapX = [&](int x) { return static_cast<int>(std::trunc((x - de.left()) * scale_)) + 2 * ctx.leftMargin; };
    const auto mapY = [&](int y) { return static_cast<int>(std::trunc((y - de.top()) * scale_)) + base; };
    f_.left = mapX(view_.left);
    f_.right = mapX(view_.right);
    f_.top = mapY(view_.top);
    f_.bottom = mapY(view_.bottom);
    const int shift = (ctx.pageWidth - 2 * ctx.leftMargin - roundEven((de.right() + 1 - de.left()) * scale_)) / 2;
    f_.left += shift;
    f_.right += shift;
    f_.top += S(20);
    f_.bottom += S(20);

    p_.setFont(slotFont());
    p_.setPen(PlotRenderer::PlotColor(0));
    const QString caption = plotString(doc_.caption);
    const int w = metrics(p_.font()).horizontalAdvance(caption);
    textTop((f_.left + f_.right - w) / 2, base, caption);
    ctx.NewLine(1);
}

TickText Drawing::tickText(const QString& text) const {
    TickText t;
    const QFontMetrics fm = metrics(p_.font());
    const int e = text.indexOf(QLatin1Char('E'));
    if (e < 0) {
        t.plain = text;
        t.width = fm.horizontalAdvance(text);
        return t;
    }
    t.exponential = true;
    t.mantissa = text.left(e);
    t.exponent = text.mid(e + 1);
    if (t.mantissa == QLatin1String("1"))
        t.mantissa.clear();
    else if (t.mantissa == QLatin1String("-1"))
        t.mantissa = QStringLiteral("-");
    else
        t.times = QStringLiteral("x");
    if (t.exponent.startsWith(QLatin1String("+0")))
        t.exponent.remove(0, 2);
    else if (t.exponent.startsWith(QLatin1String("-0")))
        t.exponent.remove(1, 1);
    else if (t.exponent.startsWith(QLatin1Char('+')))
        t.exponent.remove(0, 1);
    const QFontMetrics fs = metrics(smallFont());
    t.exponentAt = fm.horizontalAdvance(t.mantissa) + fs.horizontalAdvance(t.times) + fm.horizontalAdvance(QStringLiteral("10"));
    t.width = t.exponentAt + fs.horizontalAdvance(t.exponent);
    return t;
}

QRect Drawing::labelRect(Orientation o, int x, int y, const TickText& t) const {
    const int h = metrics(p_.font()).height();
    const bool xKind = o == Orientation::Horizontal;
    if (!t.exponential)
        return xKind ? QRect(x - (t.width + 4) / 2, y - h, t.width + 4, h) : QRect(x - (t.width + 4), y - h / 2, t.width + 4, h);
    return xKind ? QRect(x - t.width / 2, y - h, t.width, h) : QRect(x - t.width, y - h / 2, t.width, h);
}

void Drawing::drawTickLabel(Orientation o, int x, int y, const TickText& t) {
    const bool xKind = o == Orientation::Horizontal;
    const QFontMetrics fm = metrics(p_.font());
    if (!t.exponential) {
        const int h = fm.height();
        if (xKind) {
            textTop(x - (t.width + 4) / 2, y - h, t.plain);
        } else {
            textTop(x - (t.width + 4), y - h / 2, t.plain);
            widestY_ = std::max(widestY_, t.width);
        }
        return;
    }
    const QFont big = p_.font();
    const QFont small = smallFont();
    const QFontMetrics fs = metrics(small);
    const int h10 = fm.height();
    int at, top;
    if (xKind) {
        at = x - t.width / 2;
        top = y - h10;
    } else {
        at = x - t.width;
        top = y - h10 / 2;
        widestY_ = std::max(widestY_, t.width);
    }
    textTop(at, top, t.mantissa);
    at += fm.horizontalAdvance(t.mantissa);
    p_.setFont(small);
    textTop(at, top + h10 / 10 - h10 / 10 * 2 + (h10 - fs.height()), t.times);
    at += fs.horizontalAdvance(t.times);
    p_.setFont(big);
    textTop(at, top, QStringLiteral("10"));
    at += fm.horizontalAdvance(QStringLiteral("10"));
    p_.setFont(small);
    textTop(at, top + S(1) - 3 * h10 / 8, t.exponent);
    p_.setFont(big);
}

void Drawing::drawAxis(const AxisSettings& axis, bool zoomed, Orientation o) {
    const bool horizontal = o == Orientation::Horizontal;
    p_.save();
    p_.setFont(slotFont());  // slot 2 (Y labels) is made like slot 1
    const pal::LabelFormat fmt{axis.style, axis.digits};
    const AxisSpan span = horizontal ? spanX() : spanY();
    // The two edges the ticks grow from, and the direction into the frame.
    const int edgeA = horizontal ? f_.bottom : f_.left, edgeB = horizontal ? f_.top : f_.right;
    const int inA = horizontal ? -1 : 1;
    const int lowEnd = horizontal ? f_.left : f_.top, highEnd = horizontal ? f_.right : f_.bottom;
    const auto across = [&](int pos, int a, int b) {
        if (horizontal)
            line(pos, a, pos, b);
        else
            line(a, pos, b, pos);
    };
    const auto marks = [&](int pos, int length) {
        across(pos, edgeA, edgeA + inA * length);
        across(pos, edgeB, edgeB - inA * length);
    };
    const int labelX = horizontal ? 0 : f_.left - S(3);
    const int labelY = horizontal ? f_.bottom + roundEven(1.5 * metrics(p_.font()).height()) : 0;
    // A label is left out where it would touch the last one drawn: labels keep
    // a gap of a third of the text height across, a sixth along a Y axis.
    const int textHeight = metrics(p_.font()).height();
    const int gap = std::max(2, horizontal ? textHeight / 3 : textHeight / 6);
    std::optional<QRect> lastLabel;
    int prev = 0;
    bool first = true;
    const std::vector<Tick> ticks = viewTicks(axis, zoomed);
    // A tick that a walk of steps put a rounding error away from zero is zero.
    const long double zeroBelow =
        ticks.size() > 1 ? std::fabs(axis.maximum - axis.minimum) / static_cast<long double>(ticks.size()) * 1.0E-9L : 0;
    for (const Tick& t : ticks) {
        const int pos = MapToPixel(axis, span, t.value);
        if (t.labelled) {
            const bool zero = t.value == 0 || (!axis.logarithmic && std::fabs(t.value) < zeroBelow);
            const TickText text = tickText(zero ? QStringLiteral("0") : QString::fromLatin1(pal::FormatValue(fmt, t.value).c_str()));
            const int at = horizontal ? pos : roundEven(pos - scale_);
            const int lx = horizontal ? at : labelX, ly = horizontal ? labelY : at;
            const QRect rect = labelRect(o, lx, ly, text);
            const QRect apart = horizontal ? rect.adjusted(-gap, 0, gap, 0) : rect.adjusted(0, -gap, 0, gap);
            if (!lastLabel || !apart.intersects(*lastLabel)) {
                p_.setPen(PlotRenderer::PlotColor(0));
                drawTickLabel(o, lx, ly, text);
                lastLabel = rect;
                labels_.push_back(DrawnLabel{horizontal, text.exponential ? text.mantissa + text.times + QStringLiteral("10^") + text.exponent : text.plain, rect});
            }
        }
        if (!axis.grid) {
            setPen(1, currentColor_);
            marks(pos, S(kMajorTick));
        } else if (pos > lowEnd && pos < highEnd) {
            setPen(6, kGridColor);
            if (horizontal)
                line(pos, f_.top, pos, f_.bottom - 1);
            else
                line(f_.right - 1, pos, f_.left + 1, pos);
            setPen(1, currentColor_);
        }
        const int m = axis.minorTicks;
        if (!first && !axis.logarithmic && m > 0 && m < 1000) {
            setPen(1, kFrameColor);
            for (int j = 1; j <= m; ++j) marks(prev + j * (pos - prev) / (m + 1), S(kMinorTick));
        }
        prev = pos;
        first = false;
    }
    p_.restore();
}

void Drawing::drawTitles() {
    p_.save();
    const QFont f = slotFont(2, 1);
    p_.setFont(f);
    p_.setPen(PlotRenderer::PlotColor(0));
    const QFontMetrics fm = metrics(f);
    const QString xt = plotString(doc_.record.x.title);
    const QString yt = plotString(doc_.record.y.title);
    const int xw = fm.horizontalAdvance(xt);
    const int nine = metrics(slotFont()).height();
    textTop((f_.left + f_.right - xw) / 2, f_.bottom + roundEven(2.0 * nine), xt);
    const int yw = fm.horizontalAdvance(yt);
    const int x = f_.left - widestY_ - S(30), y = (f_.bottom + f_.top + yw) / 2;
    p_.save();
    p_.translate(x, y);
    p_.rotate(-90);
    p_.drawText(QPoint(0, fm.ascent()), yt);
    p_.restore();
    fill(x, y - yw);
    fill(x + fm.height(), y);
    p_.restore();
}

void Drawing::drawCurve(const CurveRecord& c) {
    const AxisSettings& ax = ax_;
    const AxisSettings& ay = ay_;
    const QRect inside(QPoint(f_.left, f_.top), QPoint(f_.right, f_.bottom));
    p_.save();
    p_.setClipRect(inside, Qt::IntersectClip);
    // The point of the last row is neither joined nor marked.
    const int n = drawnPoints(c);
    const bool drawable = drawableAxis(ax) && drawableAxis(ay);
    currentColor_ = c.color;
    const int penCode = PlotRenderer::penCodeOfLineStyle(c.lineStyle);
    const bool smooth = c.smoothing && n <= 100;
    // Every point is kept only for smoothing (at most 100 points) and for the
    // full-detail reference. Otherwise the line is reduced to what the pixel
    // columns can show while the points are mapped, in one pass over the values,
    // and the symbols that show (the last on each pixel) are found walking back over
    // the mapped points.
    const bool every = t_.fullDetail || smooth;
    const bool selfClip = p_.paintEngine() && p_.paintEngine()->type() == QPaintEngine::SVG;
    // The line is cut at the frame in floating point before it becomes pixels:
    // exactly at the frame where the drawing cannot clip (SVG), else a little
    // outside it, the painter's clip making the edge.
    const QRectF cut(QPointF(f_.left, f_.top), QPointF(f_.right, f_.bottom));
    const int lineReach = S(5) + 2;
    const QRectF lineCut = selfClip ? cut : cut.adjusted(-lineReach, -lineReach, lineReach, lineReach);
    std::vector<QPolygon> pieces;
    QPolygon marks;
    std::vector<QPoint> symbols;  // once per pixel, in drawing order
    if (drawable && n > 0 && !t_.layoutOnly) {
        const PixelMap mx(ax, spanX()), my(ay, spanY());
        const bool wantLine = penCode != 0, wantMarks = every && (c.symbol > 0 || smooth);
        if (wantMarks) marks.reserve(n);
        // The pieces of the line: every point, or in a drawing reduced to what
        // the pixel columns show.
        QPolygon piece;
        auto keep = [&piece](int x, int y) { piece.append(QPoint(x, y)); };
        using Reducer = ColumnReducer<decltype(keep)>;
        Reducer reducer(keep);
        struct Pieces {
            bool every;
            QPolygon& piece;
            Reducer& reducer;
            std::vector<QPolygon>& pieces;
            void point(int x, int y) {
                if (every)
                    piece.append(QPoint(x, y));
                else
                    reducer.add(x, y);
            }
            void end() {
                if (!every) reducer.finish();
                // Points that all fall on one pixel still make a (zero-length) stroke.
                if (piece.size() == 1) piece.append(piece.front());
                if (!piece.isEmpty()) pieces.push_back(std::move(piece));
                piece = QPolygon();
            }
        } sink{every, piece, reducer, pieces};
        LineCutter<Pieces> cutter(lineCut, QPoint(mx.base(), my.base()), sink);
        // The mapped points of a curve with symbols, two 16-bit pixel coordinates
        // each (the mapping keeps within +-32600), for the symbols' pass.
        const bool onceEach = c.symbol > 0 && !every;
        const RealColumn::const_iterator xs = c.x.begin();
        const RealColumn::const_iterator ys = c.y.begin();
        // Of X values in ascending order only those near the frame can show (a
        // zoomed view of a long run): the points from the last one left of the
        // frame by more than a symbol or a thick line reaches to the first one
        // as far right of it. Lines between points beyond them stay outside.
        int from = 0, to = n;
        if (!every && ascendingX(c, n, ax)) {
            const int reach = symbolReach(scale_) + S(5) + 2;
            const int low = f_.left - reach, high = f_.right + reach;
            from = static_cast<int>(std::partition_point(xs, xs + n, [&](double v) { return mx(v) < low; }) - xs);
            to = static_cast<int>(std::partition_point(xs + from, xs + n, [&](double v) { return mx(v) <= high; }) - xs);
            from = std::max(from - 1, 0);
            to = std::min(to + 1, n);
        }
        if (onceEach) pixels_.resize(2 * static_cast<std::size_t>(to - from));
        for (int i = from; i < to; ++i) {
            if (onceEach || wantMarks) {
                const int x = mx(xs[i]), y = my(ys[i]);
                if (onceEach) {
                    pixels_[2 * static_cast<std::size_t>(i - from)] = static_cast<std::int16_t>(x);
                    pixels_[2 * static_cast<std::size_t>(i - from) + 1] = static_cast<std::int16_t>(y);
                }
                if (wantMarks) marks.append(QPoint(x, y));
            }
            if (wantLine && !smooth) cutter.add(mx.offset(xs[i]), my.offset(ys[i]));
        }
        if (wantLine && smooth) smoothed(c, n, mx, my, cutter);
        cutter.finish();
        if (onceEach) {
            // A vector surface (an SVG or PDF export, a printed page) at several
            // device pixels a window pixel keeps one symbol a window pixel.
            const auto* engine = p_.paintEngine();
            const bool vector = engine && (engine->type() == QPaintEngine::SVG || engine->type() == QPaintEngine::Pdf);
            const int cell = vector ? std::max(1, static_cast<int>(scale_)) : 1;
            symbols = lastOnEachPixel(symbolArea(p_, symbolReach(scale_), inside), static_cast<std::size_t>(to - from),
                                      [&](std::size_t i) { return QPoint(pixels_[2 * i], pixels_[2 * i + 1]); }, cell);
        }
    }
    if (penCode && n >= 2 && !pieces.empty()) {
        setPen(penCode, currentColor_);
        for (const QPolygon& piece : pieces) p_.drawPolyline(piece);
    }
    // A drawing that cannot clip (SVG) gets the symbols cut at the frame.
    if (c.symbol > 0) {
        if (selfClip)
            symbols::markPointsCut(p_, c.symbol, every ? std::vector<QPoint>(marks.begin(), marks.end()) : symbols, currentColor_,
                                   scale_, cut);
        else if (every)
            PlotRenderer::DrawSymbols(p_, c.symbol, marks, currentColor_, scale_, t_.fullDetail);
        else
            markPoints(p_, c.symbol, symbols, currentColor_, scale_);
    }
    p_.restore();
    setPen(1, kFrameColor);
    line(f_.left, f_.bottom, f_.right, f_.bottom);
    line(f_.right, f_.bottom, f_.right, f_.top);
    line(f_.left, f_.bottom, f_.left, f_.top);
    line(f_.left, f_.top, f_.right, f_.top);
}

template <class Cutter>
void Drawing::smoothed(const CurveRecord& c, int n, const PixelMap& mx, const PixelMap& my, Cutter& cutter) const {
    const AxisSettings& ax = ax_;
    const AxisSettings& ay = ay_;
    std::vector<long double> xs, ys;
    for (int i = 0; i < n; ++i) {
        xs.push_back(ax.logarithmic ? std::log10(static_cast<long double>(c.x[i])) : c.x[i]);
        ys.push_back(ay.logarithmic ? std::log10(static_cast<long double>(c.y[i])) : c.y[i]);
    }
    const auto pts = smoothCurve(xs, ys);
    if (pts.empty()) {
        // X not strictly ordered: drawn as it is.
        for (int i = 0; i < n; ++i) cutter.add(mx.offset(c.x[i]), my.offset(c.y[i]));
        return;
    }
    for (const auto& [u, v] : pts)
        cutter.add(mx.offset(static_cast<double>(ax.logarithmic ? std::pow(10.0L, u) : u)),
                   my.offset(static_cast<double>(ay.logarithmic ? std::pow(10.0L, v) : v)));
}

void Drawing::drawLegend() {
    const auto& curves = doc_.record.curves;
    p_.save();
    const QFont f = slotFont(0, 1);
    p_.setFont(f);
    const QFontMetrics fm = metrics(f);
    if (!printing_) {
        int widest = 0;
        for (const CurveRecord& c : curves) widest = std::max(widest, fm.horizontalAdvance(plotString(c.yName)));
        p_.setPen(QPen(Qt::black, 1));
        p_.setBrush(Qt::white);
        const QRect box(QPoint(f_.right + S(10), f_.top),
                        QPoint(f_.right + widest + S(45), f_.top + S(20) * static_cast<int>(curves.size())));
        p_.drawRect(box);
        fill(box.right(), box.bottom());
    }
    // On screen and in exports the entries start at the box's top at any scale.
    int y = f_.top - (printing_ ? 20 : S(20)), column = 0;
    for (const CurveRecord& c : curves) {
        y += S(20);
        if (y + S(20) > f_.bottom) {
            y = f_.top;
            ++column;
        }
        const int x = f_.right + roundEven((55 * column + 20) * scale_);
        if (c.symbol > 0) PlotRenderer::DrawSymbol(p_, c.symbol, x, y + S(6), c.color, scale_);
        const int code = PlotRenderer::penCodeOfLineStyle(c.lineStyle);
        setPen(code ? code : 1, c.color);
        line(x - S(6), y + S(6), x + S(6), y + S(6));
        p_.setPen(PlotRenderer::PlotColor(0));
        const QString name = plotString(c.yName);
        textTop(x + S(15), y, name);
        legendEntries_.push_back(QRect(x - S(6), y, S(21) + fm.horizontalAdvance(name), S(20)));
    }
    p_.restore();
}

}  // namespace

RenderResult PlotRenderer::render(QPainter& painter, const PlotDocument& doc, const PlotView& view, const RenderTarget& target) {
    return Drawing(painter, doc, view, target).run();
}

void PlotView::take(const RenderResult& r) {
    dataExtent = r.dataExtent;
    widestYLabel = r.widestYLabel;
    resizeHandle = r.resizeHandle;
    labels = r.labels;
    legendEntries = r.legendEntries;
}

QColor PlotRenderer::PlotColor(int index) {
    static const QRgb table[16] = {qRgb(0, 0, 0),       qRgb(0, 0, 255),   qRgb(255, 0, 0),     qRgb(0, 128, 0),
                                   qRgb(128, 0, 128),   qRgb(128, 0, 0),   qRgb(255, 255, 0),   qRgb(0, 255, 0),
                                   qRgb(128, 128, 0),   qRgb(0, 255, 255), qRgb(128, 128, 128), qRgb(255, 0, 255),
                                   qRgb(0, 0, 128),     qRgb(0, 128, 128), qRgb(192, 192, 192), qRgb(255, 255, 0)};
    return index >= 0 && index < 16 ? QColor(table[index]) : QColor(Qt::black);
}

QPen PlotRenderer::plotPen(int penCode, int colorIndex, double scale) {
    const int w = std::max(1, static_cast<int>(std::trunc(scale)) - 1);
    QPen pen(PlotColor(colorIndex));
    pen.setWidth(w);
    pen.setStyle(Qt::SolidLine);
    switch (penCode) {
    case 2: pen.setStyle(Qt::DotLine); break;
    case 3: pen.setWidth(std::clamp(static_cast<int>(std::trunc(2 * scale)), 1, 5)); break;
    case 4: pen.setStyle(Qt::DashLine); break;
    case 5: pen.setStyle(Qt::DashDotLine); break;
    case 6: pen.setWidth(1); break;
    default: break;
    }
    return pen;
}

int PlotRenderer::penCodeOfLineStyle(int lineStyle) {
    switch (lineStyle) {
    case 1: return 1;
    case 2: return 3;
    case 3: return 2;
    default: return 0;
    }
}


QFont PlotRenderer::plotFont(int faceCode, int size, int style, double scale) {
    QFont f;
    switch (faceCode) {
    case 1: f.setFamily(QStringLiteral("Arial")); break;
    case 2: f.setFamily(QStringLiteral("Times")); break;
    case 3: f = QFontDatabase::systemFont(QFontDatabase::FixedFont); break;
    case 4:
    case 8: f.setFamily(QStringLiteral("Symbol")); break;
    default: f = QGuiApplication::font(); break;
    }
    f.setPixelSize(std::max(1, static_cast<int>(std::nearbyint(size * scale))));
    if (style == 8) {
        f.setFamily(QStringLiteral("Symbol"));
        f.setWeight(QFont::Normal);
        return f;
    }
    f.setWeight((style & 1) ? QFont::Bold : QFont::Normal);
    f.setItalic(style & 2);
    f.setUnderline(style & 4);
    return f;
}

double PlotRenderer::printScale(const PrintContext& ctx, int clientWidth, int clientHeight) {
    const int cw = std::max(1, clientWidth), ch = std::max(1, clientHeight);
    if (ctx.landscape)
        return std::min(double(ctx.pageHeight - ctx.pageWidth / 11) / ch, double(ctx.pageWidth - ctx.pageWidth / 11) / cw);
    return double(ctx.pageWidth - ctx.pageHeight / 11) / cw;
}

}  // namespace plot
