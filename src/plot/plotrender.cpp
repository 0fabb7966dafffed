#include "plot/plotrender.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <algorithm>
#include <climits>
#include <cmath>

#include "plot/axes.h"
#include "plot/plottext.h"
#include "plot/spline.h"
#include "shell/numtext.h"
#include "shell/printcontext.h"

namespace plot {

namespace {

constexpr int kFontFace = 1, kFontSize = 12, kFontStyle = 0;  // font slots 1 and 2
constexpr int kFrameColor = 0, kGridColor = 9;
constexpr int kMajorTick = 4, kMinorTick = 3;

int roundEven(double v) { return static_cast<int>(std::nearbyint(std::clamp(v, -1.0e9, 1.0e9))); }

// One drawing: the painter, the document, the view and the scale, with the
// helpers every part of the plot shares.
class Drawing {
public:
    Drawing(QPainter& p, const PlotDocument& doc, PlotView& view, const RenderTarget& t)
        : p_(p), doc_(doc), view_(view), t_(t), scale_(t.scale), printing_(t.print != nullptr) {}

    void run();

private:
    int S(double n) const { return roundEven(n * scale_); }
    AxisSpan spanX() const { return AxisSpan{f_.left, f_.right - f_.left}; }
    AxisSpan spanY() const { return AxisSpan{f_.bottom, f_.top - f_.bottom}; }
    QFont slotFont(int sizeDelta = 0, int styleDelta = 0) const {
        return PlotRenderer::plotFont(kFontFace, kFontSize + sizeDelta, kFontStyle + styleDelta, scale_);
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
    void drawXAxis();
    void drawYAxis();
    void drawTitles();
    void drawCurve(const CurveRecord& c);
    void drawLegend();
    // The line of a smoothed curve of n points (at most 100).
    QPolygon smoothed(const CurveRecord& c, int n, const QPolygon& straight) const;
    void tickLabel(bool xKind, int x, int y, const QString& text);

    QPainter& p_;
    const PlotDocument& doc_;
    PlotView& view_;
    const RenderTarget& t_;
    double scale_;
    bool printing_;
    PlotView f_;             // the frame as drawn on this surface
    QRect extent_;
    int widestY_ = 0;
    int lastXLabelEnd_ = -1000;
    int currentColor_ = 0;
};

void Drawing::run() {
    f_ = view_;
    widestY_ = 0;
    extent_ = QRect(QPoint(f_.left, f_.top), QPoint(f_.right, f_.bottom));
    p_.save();
    p_.setBackgroundMode(Qt::TransparentMode);
    if (printing_) printPlacement();

    view_.resizeHandle = QRect(view_.right - 10, view_.bottom - 10, 20, 20);
    p_.fillRect(QRect(QPoint(f_.left, f_.top), QPoint(f_.right, f_.bottom)), Qt::white);

    const PlotRecord& r = doc_.record;
    if (!r.curves.empty()) {
        currentColor_ = 0;
        drawXAxis();
        drawYAxis();
        drawTitles();
    }
    for (const CurveRecord& c : r.curves) drawCurve(c);
    if (r.legend && !r.curves.empty()) drawLegend();
    p_.restore();

    view_.widestYLabel = widestY_;
    if (!printing_) view_.dataExtent = extent_;
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

void Drawing::tickLabel(bool xKind, int x, int y, const QString& text) {
    const QFontMetrics fm = metrics(p_.font());
    const int e = text.indexOf(QLatin1Char('E'));
    if (e < 0) {
        const int w = fm.horizontalAdvance(text), h = fm.height();
        if (xKind) {
            if (lastXLabelEnd_ > 0 && x < lastXLabelEnd_) return;
            textTop(x - (w + 4) / 2, y - h, text);
            lastXLabelEnd_ = x + w;
        } else {
            textTop(x - (w + 4), y - h / 2, text);
            widestY_ = std::max(widestY_, w);
        }
        return;
    }
    // Exponential labels read as a power of ten: "2.5x10" with a raised exponent.
    QString mant = text.left(e), expo = text.mid(e + 1);
    QString times;
    if (mant == QLatin1String("1"))
        mant.clear();
    else if (mant == QLatin1String("-1"))
        mant = QStringLiteral("-");
    else
        times = QStringLiteral("x");
    if (expo.startsWith(QLatin1String("+0")))
        expo.remove(0, 2);
    else if (expo.startsWith(QLatin1String("-0")))
        expo.remove(1, 1);
    else if (expo.startsWith(QLatin1Char('+')))
        expo.remove(0, 1);

    const QFont big = p_.font();
    QFont small = big;
    const int size = kFontSize;
    const int smallSize = size < 16 ? size - 2 : size * 2 / 3;
    small.setPixelSize(std::max(1, roundEven(smallSize * scale_)));
    const QFontMetrics fs = metrics(small);
    const int mw = fm.horizontalAdvance(mant), xw = fs.horizontalAdvance(times), tw = fm.horizontalAdvance(QStringLiteral("10")),
              ew = fs.horizontalAdvance(expo);
    const int total = mw + xw + tw + ew;
    const int h10 = fm.height();
    int left, top;
    if (xKind) {
        left = x - total / 2;
        if (lastXLabelEnd_ > 0 && left < lastXLabelEnd_ + total / 2) return;
        top = y - h10;
    } else {
        left = x - total;
        top = y - h10 / 2;
        widestY_ = std::max(widestY_, total);
    }
    int at = left;
    textTop(at, top, mant);
    at += mw;
    p_.setFont(small);
    textTop(at, top + h10 / 10 - h10 / 10 * 2 + (h10 - fs.height()), times);
    at += xw;
    p_.setFont(big);
    textTop(at, top, QStringLiteral("10"));
    at += tw;
    p_.setFont(small);
    textTop(at, top + S(1) - 3 * h10 / 8, expo);
    if (xKind) lastXLabelEnd_ = at;
    p_.setFont(big);
}

void Drawing::drawXAxis() {
    const AxisSettings& ax = doc_.record.x;
    p_.save();
    p_.setFont(slotFont());
    lastXLabelEnd_ = -1000;
    const pal::LabelFormat fmt{ax.style, ax.digits};
    const int labelY = f_.bottom + roundEven(1.5 * metrics(p_.font()).height());
    int prev = 0;
    bool first = true;
    for (const Tick& t : axisTicks(ax)) {
        const int x = MapToPixel(ax, spanX(), t.value);
        if (t.labelled) {
            p_.setPen(PlotRenderer::PlotColor(0));
            tickLabel(true, x, labelY, QString::fromLatin1(pal::FormatValue(fmt, t.value).c_str()));
        }
        if (!ax.grid) {
            setPen(1, currentColor_);
            line(x, f_.bottom, x, f_.bottom - S(kMajorTick));
            line(x, f_.top, x, f_.top + S(kMajorTick));
        } else if (x > f_.left && x < f_.right) {
            setPen(6, kGridColor);
            line(x, f_.top, x, f_.bottom - 1);
            setPen(1, currentColor_);
        }
        const int m = ax.minorTicks;
        if (!first && !ax.logarithmic && m > 0 && m < 1000) {
            setPen(1, kFrameColor);
            for (int j = 1; j <= m; ++j) {
                const int mx = prev + j * (x - prev) / (m + 1);
                line(mx, f_.bottom, mx, f_.bottom - S(kMinorTick));
                line(mx, f_.top, mx, f_.top + S(kMinorTick));
            }
        }
        prev = x;
        first = false;
    }
    p_.restore();
}

void Drawing::drawYAxis() {
    const AxisSettings& ay = doc_.record.y;
    p_.save();
    p_.setFont(slotFont());  // slot 2 is made like slot 1
    const pal::LabelFormat fmt{ay.style, ay.digits};
    int prevLabel = -100, prev = 0;
    bool first = true;
    for (const Tick& t : axisTicks(ay)) {
        const int y = MapToPixel(ay, spanY(), t.value);
        if (t.labelled && std::abs(y - prevLabel) > 10) {
            const int ly = roundEven(y - scale_);
            p_.setPen(PlotRenderer::PlotColor(0));
            tickLabel(false, f_.left - S(3), ly, QString::fromLatin1(pal::FormatValue(fmt, t.value).c_str()));
            prevLabel = ly;
        }
        if (!ay.grid) {
            setPen(1, currentColor_);
            line(f_.left, y, f_.left + S(kMajorTick), y);
            line(f_.right, y, f_.right - S(kMajorTick), y);
        } else if (y > f_.top && y < f_.bottom) {
            setPen(6, kGridColor);
            line(f_.right - 1, y, f_.left + 1, y);
            setPen(1, currentColor_);
        }
        const int m = ay.minorTicks;
        if (!first && !ay.logarithmic && m > 0 && m < 1000) {
            setPen(1, kFrameColor);
            for (int j = 1; j <= m; ++j) {
                const int my = prev + j * (y - prev) / (m + 1);
                line(f_.left, my, f_.left + S(kMinorTick), my);
                line(f_.right, my, f_.right - S(kMinorTick), my);
            }
        }
        prev = y;
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
    const AxisSettings& ax = doc_.record.x;
    const AxisSettings& ay = doc_.record.y;
    p_.save();
    p_.setClipRect(QRect(QPoint(f_.left, f_.top), QPoint(f_.right, f_.bottom)), Qt::IntersectClip);
    // The point of the last row is neither joined nor marked.
    const long long rows = static_cast<long long>(c.lastRow) - c.firstRow;
    const int n = static_cast<int>(std::clamp<long long>(rows, 0, static_cast<long long>(std::min(c.x.size(), c.y.size()))));
    const bool drawable = drawableAxis(ax) && drawableAxis(ay);
    QPolygon pts;
    if (drawable) {
        pts.reserve(n);
        const AxisSpan sx = spanX(), sy = spanY();
        for (int i = 0; i < n; ++i) pts.append(QPoint(MapToPixel(ax, sx, c.x[i]), MapToPixel(ay, sy, c.y[i])));
    }
    currentColor_ = c.color;
    const int penCode = PlotRenderer::penCodeOfLineStyle(c.lineStyle);
    if (penCode && pts.size() >= 2) {
        setPen(penCode, currentColor_);
        p_.drawPolyline(c.smoothing && n <= 100 ? smoothed(c, n, pts) : pts);
    }
    if (c.symbol > 0) PlotRenderer::DrawSymbols(p_, c.symbol, pts, currentColor_, scale_);
    p_.restore();
    setPen(1, kFrameColor);
    line(f_.left, f_.bottom, f_.right, f_.bottom);
    line(f_.right, f_.bottom, f_.right, f_.top);
    line(f_.left, f_.bottom, f_.left, f_.top);
    line(f_.left, f_.top, f_.right, f_.top);
}

QPolygon Drawing::smoothed(const CurveRecord& c, int n, const QPolygon& straight) const {
    const AxisSettings& ax = doc_.record.x;
    const AxisSettings& ay = doc_.record.y;
    std::vector<long double> xs, ys;
    for (int i = 0; i < n; ++i) {
        xs.push_back(ax.logarithmic ? std::log10(static_cast<long double>(c.x[i])) : c.x[i]);
        ys.push_back(ay.logarithmic ? std::log10(static_cast<long double>(c.y[i])) : c.y[i]);
    }
    const auto pts = smoothCurve(xs, ys);
    if (pts.empty()) return straight;  // x not strictly ordered: drawn as it is
    QPolygon out;
    out.reserve(static_cast<int>(pts.size()));
    for (const auto& [u, v] : pts)
        out.append(QPoint(MapToPixel(ax, spanX(), ax.logarithmic ? std::pow(10.0L, u) : u),
                          MapToPixel(ay, spanY(), ay.logarithmic ? std::pow(10.0L, v) : v)));
    return out;
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
        const QRect box(QPoint(f_.right + 10, f_.top), QPoint(f_.right + widest + 45, f_.top + 20 * static_cast<int>(curves.size())));
        p_.drawRect(box);
        fill(box.right(), box.bottom());
    }
    int y = f_.top - 20, column = 0;
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
        textTop(x + S(15), y, plotString(c.yName));
    }
    p_.restore();
}

}  // namespace

void PlotRenderer::render(QPainter& painter, const PlotDocument& doc, PlotView& view, const RenderTarget& target) {
    Drawing(painter, doc, view, target).run();
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

int symbolCode(int code) { return code > 15 ? (code - 1) % 15 + 1 : code; }  // 16 is 1 again
}  // namespace

void PlotRenderer::DrawSymbols(QPainter& p, int code, const QPolygon& points, int colorIndex, double scale) {
    code = symbolCode(code);
    if (code <= 0) return;
    const int r = static_cast<int>(std::nearbyint(3 * scale));
    p.save();
    p.setPen(plotPen(1, colorIndex, scale));
    const bool filled = code >= 8 && code <= 14;
    const int shape = filled ? code - 7 : code;
    p.setBrush(filled ? QBrush(PlotColor(colorIndex)) : QBrush(Qt::white));
    // Symbols outside the clip region, or on the very spot of the one before,
    // would add nothing to the picture.
    const QRect visible = p.hasClipping() ? p.clipBoundingRect().toAlignedRect().adjusted(-r - 5, -r - 5, r + 5, r + 5) : QRect();
    QPoint previous(INT_MIN, INT_MIN);
    for (const QPoint& q : points) {
        if (q == previous || (!visible.isNull() && !visible.contains(q))) continue;
        symbolShape(p, shape, q.x(), q.y(), r);
        previous = q;
    }
    p.restore();
}

void PlotRenderer::DrawSymbol(QPainter& p, int code, int x, int y, int colorIndex, double scale) {
    DrawSymbols(p, code, QPolygon({QPoint(x, y)}), colorIndex, scale);
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
