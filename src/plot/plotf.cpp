#include "plot/plotf.h"

#include <QLabel>
#include <QMdiSubWindow>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QPainter>
#include <QScrollArea>
#include <QTimer>
#include <cmath>
#include <cstring>
#include <functional>
#include <new>

#include "common/bytes.h"
#include "common/ioerror.h"
#include "plot/plottext.h"
#include "shell/printcontext.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace {
// A frame the user placed by hand travels with the saved plot in the record's
// reserved tail: a tag and the four window-pixel edges. Plots without one keep
// those bytes as they were.
constexpr std::size_t kFrameAt = 8192;
constexpr char kFrameTag[4] = {'F', 'R', 'M', '1'};
const plot::PlotView kNewFrame;  // a new window's frame
const QSize kNewWindow(500, 340);

std::optional<QRect> storedFrame(const plot::PlotRecord& r) {
    const std::uint8_t* p = r.raw.data() + kFrameAt;
    if (std::memcmp(p, kFrameTag, 4) != 0) return std::nullopt;
    const int l = pal::readInt32(p + 4), t = pal::readInt32(p + 8), rt = pal::readInt32(p + 12), b = pal::readInt32(p + 16);
    const auto sane = [](int v) { return v > -30000 && v < 30000; };
    if (!sane(l) || !sane(t) || !sane(rt) || !sane(b) || rt - l < 20 || b - t < 20) return std::nullopt;
    return QRect(QPoint(l, t), QPoint(rt, b));
}

void storeFrame(plot::PlotRecord& r, const std::optional<QRect>& frame) {
    std::uint8_t* p = r.raw.data() + kFrameAt;
    if (!frame) {
        if (std::memcmp(p, kFrameTag, 4) == 0) std::memset(p, 0, 20);
        return;
    }
    std::memcpy(p, kFrameTag, 4);
    pal::writeInt32(p + 4, frame->left());
    pal::writeInt32(p + 8, frame->top());
    pal::writeInt32(p + 12, frame->right());
    pal::writeInt32(p + 16, frame->bottom());
}
}  // namespace

// The drawing surface inside the scroll area; everything it sees goes to the form.
class PlotCanvas : public QWidget {
public:
    explicit PlotCanvas(TPlotForm* form) : QWidget(nullptr), form_(form) {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::ClickFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        form_->paintCanvas(p);
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) form_->FormMouseDown(e->position().toPoint(), e->modifiers());
        if (e->button() == Qt::RightButton) rightPress_ = e->position().toPoint();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        form_->FormMouseMove(e->position().toPoint());
        setCursor(form_->cursorAt(e->position().toPoint()));
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) form_->FormMouseUp(e->position().toPoint());
        // A right click without movement opens the context menu.
        if (e->button() == Qt::RightButton && e->position().toPoint() == rightPress_)
            form_->showContextMenu(e->globalPosition().toPoint());
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        // The double click's own press comes after the click it completes.
        form_->FormDblClick();
        form_->FormMouseDown(e->position().toPoint(), e->modifiers());
    }
    void wheelEvent(QWheelEvent* e) override {
        // Shift turns the wheel sideways on some systems.
        const QPoint d = e->angleDelta();
        acc_ += d.y() != 0 ? d.y() : d.x();
        const int steps = acc_ / 120;
        if (steps == 0) return e->accept();
        acc_ -= steps * 120;
        if (form_->FormWheel(e->position().toPoint(), steps, e->modifiers()))
            e->accept();
        else
            e->ignore();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!form_->FormKey(e->key())) QWidget::keyPressEvent(e);
    }
    bool event(QEvent* e) override {
        if (e->type() != QEvent::ToolTip) return QWidget::event(e);
        auto* help = static_cast<QHelpEvent*>(e);
        const QString tip = form_->toolTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }

private:
    TPlotForm* form_;
    QPoint rightPress_{-1, -1};
    int acc_ = 0;
};

TPlotForm::TPlotForm(QWidget* parent) : TDocWindow(Kind::Plot, parent) {
    resize(kNewWindow);
    scroll_ = new QScrollArea(this);
    canvas_ = new PlotCanvas(this);
    scroll_->setWidget(canvas_);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setGeometry(rect());
    canvas_->resize(500, 340);
    // A wheel spin sends a step every few tens of milliseconds: the drawing waits
    // for a pause longer than that.
    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    settle_->setInterval(80);
    connect(settle_, &QTimer::timeout, this, &TPlotForm::drawNow);
    // The plot setup gives a new plot one minor tick per interval.
    doc_.record.x.minorTicks = 1;
    doc_.record.y.minorTicks = 1;
    replot();
}

void TPlotForm::setDocument(plot::PlotDocument doc) {
    doc_ = std::move(doc);
    storedHash_ = std::hash<std::string>{}(plot::encodePmx(doc_));
    setWindowTitle(plot::plotString(doc_.caption));
    const std::optional<QRect> hand = storedFrame(doc_.record);
    handFrame_ = hand.has_value();
    if (hand) {
        view_.left = hand->left();
        view_.top = hand->top();
        view_.right = hand->right();
        view_.bottom = hand->bottom();
    }
    fitFrame();
    replot();
    refreshModifiedMarker();
}

void TPlotForm::plotChanged() {
    fitFrame();  // a legend shown or hidden needs another margin
    replot();
    refreshModifiedMarker();
}

void TPlotForm::FitFrameToWindow() {
    if (!handFrame_) return;
    handFrame_ = false;
    view_.left = kNewFrame.left;
    view_.top = kNewFrame.top;
    fitFrame();
    replot();
    refreshModifiedMarker();
}

void TPlotForm::fitFrame() {
    if (handFrame_ || !scroll_) return;
    // The margins the labels, titles and legend take, measured around a new
    // window's frame; the frame takes the rest of the window (the canvas keeps
    // its margin of 50 pixels beyond the drawing, so no scroll bar appears).
    plot::PlotView v = view_;
    v.left = kNewFrame.left;
    v.top = kNewFrame.top;
    v.right = kNewFrame.right;
    v.bottom = kNewFrame.bottom;
    QImage probe(1, 1, QImage::Format_RGB32);
    QPainter p(&probe);
    plot::RenderTarget layout;
    layout.layoutOnly = true;
    const QRect de = plot::PlotRenderer::render(p, doc_, v, layout).dataExtent;
    // A new window's margins at least, so that a window of the first size keeps
    // the first frame.
    const int rightNeed = std::max(kNewWindow.width() - kNewFrame.right, std::max(de.right() - v.right, 0) + 51);
    const int bottomNeed = std::max(kNewWindow.height() - kNewFrame.bottom, std::max(de.bottom() - v.bottom, 0) + 51);
    const QSize area = scroll_->size();
    view_.right = std::max(kNewFrame.right, area.width() - rightNeed);
    view_.bottom = std::max(kNewFrame.bottom, area.height() - bottomNeed);
}

void TPlotForm::showEvent(QShowEvent* event) {
    TDocWindow::showEvent(event);
    if (!sized_) {
        sized_ = true;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->resize(500, 340);
    }
}

void TPlotForm::resizeEvent(QResizeEvent* event) {
    TDocWindow::resizeEvent(event);
    scroll_->setGeometry(rect());
    if (followNote_ && !followNote_->isHidden()) setFollowNote(followNote_->text());
    if (!handFrame_) {
        const QRect before = view_.frame();
        fitFrame();
        if (view_.frame() != before) {
            replot();
            return;
        }
    }
    updateCanvasSize();
}

void TPlotForm::replot() {
    settling_ = false;  // a view step sets it again after this
    // A zoom is relative to the stored limits it started from: new limits (from
    // Modify Plot) show the whole plot again.
    const plot::PlotView::Zoom stored{plot::storedRange(doc_.record.x), plot::storedRange(doc_.record.y)};
    if ((view_.zoom || !history_.empty()) && !(stored == zoomBase_)) {
        view_.zoom.reset();
        history_.clear();
    }
    // What the drawing covers is learnt without drawing the curves, so that the
    // canvas is sized before the one drawing, which waits for the next paint.
    {
        QImage probe(1, 1, QImage::Format_RGB32);
        QPainter p(&probe);
        plot::RenderTarget layout;
        layout.layoutOnly = true;
        view_.take(plot::PlotRenderer::render(p, doc_, view_, layout));
    }
    ++generation_;
    readout_ = cursorReadout();
    updateCanvasSize();
    if (canvas_) canvas_->update();
}

void TPlotForm::paintCanvas(QPainter& painter) {
    const CacheKey key = cacheKey();
    // While view steps come, the last drawing stands in for the new one (same
    // size and frame: only the ranges changed).
    const bool preview = settling_ && !cache_.isNull() && key.size == cacheKey_.size &&
                         key.pixelRatio == cacheKey_.pixelRatio && view_.frame() == cacheFrame_;
    if (!(key == cacheKey_) && !preview) renderCache();
    // The cache holds the plot's area; the rest of the canvas is background.
    const QRect plotArea(QPoint(0, 0), cache_.deviceIndependentSize().toSize());
    const QColor background = palette().color(QPalette::Window);
    const QRect all = canvas_->rect();
    if (all.width() > plotArea.width()) painter.fillRect(QRect(plotArea.width(), 0, all.width() - plotArea.width(), all.height()), background);
    if (all.height() > plotArea.height())
        painter.fillRect(QRect(0, plotArea.height(), plotArea.width(), all.height() - plotArea.height()), background);
    if (preview && !(key == cacheKey_)) {
        // The new view's frame, axes and legend (cheap: no curve values), the
        // last drawing's curves mapped into the frame.
        painter.save();
        painter.fillRect(plotArea, background);
        painter.setRenderHint(QPainter::TextAntialiasing);
        plot::RenderTarget layout;
        layout.layoutOnly = true;
        plot::PlotRenderer::render(painter, doc_, view_, layout);
        painter.restore();
        paintPreview(painter);
    } else {
        painter.drawImage(0, 0, cache_);
    }
    paintCursors(painter);
    if (mode_ != MouseMode::None) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(band_.normalized());
    }
}

QSize TPlotForm::plotAreaSize() const {
    const QRect de = view_.dataExtent;
    return QSize(std::max(de.right() + 50, 1), std::max(de.bottom() + 50, 1));
}

TPlotForm::CacheKey TPlotForm::cacheKey() const {
    return CacheKey{plotAreaSize(), canvas_ ? canvas_->devicePixelRatioF() : 1.0, generation_};
}

void TPlotForm::renderCache() {
    const CacheKey key = cacheKey();
    QImage img(key.size * key.pixelRatio, QImage::Format_RGB32);
    img.setDevicePixelRatio(key.pixelRatio);
    img.fill(palette().color(QPalette::Window));
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    view_.take(plot::PlotRenderer::render(p, doc_, view_, plot::RenderTarget{}));
    p.end();
    cache_ = std::move(img);
    cacheKey_ = key;
    cacheAxisX_ = view_.axisX(doc_.record);
    cacheAxisY_ = view_.axisY(doc_.record);
    cacheFrame_ = view_.frame();
    ++cacheDraws_;
}

namespace {
// A pixel position (not rounded) of a value on an axis drawn over a span.
double pixelOf(const plot::AxisSettings& a, const plot::AxisSpan& s, long double v) {
    const auto f = [&](long double x) { return a.logarithmic ? std::log10(x) : x; };
    return s.base + static_cast<double>((f(v) - f(a.minimum)) / (f(a.maximum) - f(a.minimum))) * s.span;
}
}  // namespace

void TPlotForm::paintPreview(QPainter& painter) {
    // Old and new pixels of one value are related linearly on each axis (also
    // on a log axis), so the old frame's inside, scaled and moved, shows the
    // new view: what lay outside the old ranges stays blank until the drawing.
    const QRect inner = view_.frame().adjusted(1, 1, -1, -1);
    if (inner.isEmpty()) return;
    const plot::PlotRecord& r = doc_.record;
    const plot::AxisSettings ax = view_.axisX(r), ay = view_.axisY(r);
    const plot::AxisSpan sx = view_.spanX(), sy = view_.spanY();
    // The new inside's edges as pixels of the old drawing.
    const double left = inner.left(), right = inner.right() + 1.0, top = inner.top(), bottom = inner.bottom() + 1.0;
    const QRectF source(QPointF(pixelOf(cacheAxisX_, sx, plot::PixelToValue(ax, sx, left)),
                                pixelOf(cacheAxisY_, sy, plot::PixelToValue(ay, sy, top))),
                        QPointF(pixelOf(cacheAxisX_, sx, plot::PixelToValue(ax, sx, right)),
                                pixelOf(cacheAxisY_, sy, plot::PixelToValue(ay, sy, bottom))));
    painter.fillRect(inner, Qt::white);
    if (!source.isValid() || !std::isfinite(source.width()) || !std::isfinite(source.height())) return;
    // Only the old inside is taken (not its axes); the target shrinks alike.
    const QRectF kept = source.intersected(QRectF(inner));
    if (kept.isEmpty()) return;
    const double kx = inner.width() / source.width(), ky = inner.height() / source.height();
    const QRectF target(QPointF(left + (kept.left() - source.left()) * kx, top + (kept.top() - source.top()) * ky),
                        QSizeF(kept.width() * kx, kept.height() * ky));
    const qreal dpr = cache_.devicePixelRatio();
    painter.save();
    painter.setClipRect(inner);
    painter.drawImage(target, cache_, QRectF(kept.topLeft() * dpr, kept.size() * dpr));
    painter.restore();
}

void TPlotForm::drawNow() {
    if (!settling_) return;
    settling_ = false;
    settle_->stop();
    if (!(cacheKey() == cacheKey_)) renderCache();
    canvas_->update();
}

QImage TPlotForm::renderImage() {
    renderCache();
    return cache_;
}

void TPlotForm::updateCanvasSize() {
    if (!canvas_) return;
    QSize want = plotAreaSize();
    want = want.expandedTo(scroll_->viewport()->size());
    if (want != canvas_->size()) canvas_->resize(want);
}

void TPlotForm::Save(const QString& path) {
    doc_.caption = plot::plotBytesKeeping(windowTitle(), doc_.caption, 255);
    storeFrame(doc_.record, handFrame_ ? std::optional<QRect>(view_.frame()) : std::nullopt);
    plot::writePmx(toBytes(path), doc_);
    fileName_ = path;
    storedHash_ = std::hash<std::string>{}(plot::encodePmx(doc_));
    refreshModifiedMarker();
}

std::string TPlotForm::savedBytes() const {
    plot::PlotDocument d = doc_;
    d.caption = plot::plotBytesKeeping(windowTitle(), doc_.caption, 255);
    storeFrame(d.record, handFrame_ ? std::optional<QRect>(view_.frame()) : std::nullopt);
    return plot::encodePmx(d);
}

bool TPlotForm::isModified() const { return std::hash<std::string>{}(savedBytes()) != storedHash_; }

bool TPlotForm::Open(const QString& path) {
    plot::PlotDocument doc;
    try {
        const BusyCursor busy;
        doc = plot::readPmx(toBytes(path));
    } catch (const std::bad_alloc&) {
        ShowAlert(QStringLiteral("Insufficient memory available for opening the plot"), AlertKind::Warning, true);
        return false;
    }
    setDocument(std::move(doc));
    fileName_ = path;
    return true;
}

bool TPlotForm::save() {
    if (!fileName_.isEmpty()) return reportFailure([this] { Save(fileName_); });
    const auto name = askSaveName(QStringLiteral("Saving window ") + windowTitle(), QStringLiteral("*.PMX"));
    if (!name) return false;
    const QString old = fileName_;
    if (!reportFailure([&] { Save(*name); })) return false;
    emit documentRenamed(this, old, *name);
    return true;
}

bool TPlotForm::saveAs(const QString& suggestedName) {
    const auto name = askSaveName(QStringLiteral("Save as"), suggestedName, QStringLiteral("PMX"));
    if (!name) return false;
    const QString oldCaption = windowTitle(), oldName = fileName_;
    setWindowTitle(*name);
    if (!reportFailure([&] { Save(*name); })) {
        setWindowTitle(oldCaption);
        return false;
    }
    if (oldName != *name) emit documentRenamed(this, oldName, *name);
    return true;
}

int TPlotForm::PrintHeight(const PrintContext& ctx) const {
    const double scale = plot::PlotRenderer::printScale(ctx, width(), height());
    return static_cast<int>(std::nearbyint((view_.bottom - view_.top + 100) * scale));
}

void TPlotForm::Print(PrintContext& ctx) {
    if (!ctx.canvas) return;
    // The page placement uses the extent of the screen drawing.
    if (!view_.dataExtent.isValid()) renderCache();
    const double scale = plot::PlotRenderer::printScale(ctx, width(), height());
    QPainter& p = *ctx.canvas;
    p.save();
    p.setClipRect(0, 0, ctx.pageWidth, ctx.pageHeight);
    plot::RenderTarget target;
    target.scale = scale;
    target.print = &ctx;
    target.progress = ctx.progress;  // a big plot can be cancelled while it prints
    plot::PlotRenderer::render(p, doc_, view_, target);
    p.restore();
}

// ---------------------------------------------------------------- mouse

Qt::CursorShape TPlotForm::cursorAt(const QPoint& p) const {
    if (mode_ == MouseMode::Moving) return Qt::ClosedHandCursor;
    if (mode_ == MouseMode::Resizing) return Qt::SizeFDiagCursor;
    if (view_.resizeHandle.contains(p)) return Qt::SizeAllCursor;
    if (view_.frame().contains(p)) return Qt::CrossCursor;
    return Qt::ArrowCursor;
}

void TPlotForm::FormMouseDown(const QPoint& p, Qt::KeyboardModifiers mods) {
    if (ignoreNextDown_) {
        ignoreNextDown_ = false;
        return;
    }
    beforeClick_.reset();  // only a click's own double click takes its cursor back
    if (view_.resizeHandle.contains(p))
        mode_ = MouseMode::Resizing;
    else if (!view_.frame().contains(p))
        return;
    else if (mods & Qt::ControlModifier)
        mode_ = MouseMode::Zooming;
    else if (mods & Qt::ShiftModifier)
        mode_ = MouseMode::Panning;
    else
        mode_ = MouseMode::Moving;
    last_ = pressed_ = p;
    shiftPress_ = mods & Qt::ShiftModifier;
    band_ = mode_ == MouseMode::Zooming ? QRect(p, p) : view_.frame();
    if (mode_ == MouseMode::Panning) setZoom(view_.zoom ? view_.zoom : plot::PlotView::Zoom{visibleX(), visibleY()}, true);
    canvas_->update();
}

void TPlotForm::FormMouseMove(const QPoint& p) {
    switch (mode_) {
    case MouseMode::Moving: band_.translate(p - last_); break;
    case MouseMode::Resizing: band_.setBottomRight(p); break;
    case MouseMode::Zooming: band_ = QRect(pressed_, p); break;
    case MouseMode::Panning: {
        // The picture follows the mouse: the range moves against it.
        const QPoint d = p - last_;
        const plot::PlotRecord& r = doc_.record;
        const auto x = d.x() ? plot::panBy(view_.axisX(r), visibleX(), -double(d.x()) / view_.spanX().span) : visibleX();
        const auto y = d.y() ? plot::panBy(view_.axisY(r), visibleY(), -double(d.y()) / view_.spanY().span) : visibleY();
        if (x && y && !d.isNull()) setZoom(plot::PlotView::Zoom{*x, *y}, false, true);
        break;
    }
    case MouseMode::None: return;
    }
    last_ = p;
    canvas_->update();
}

void TPlotForm::FormMouseUp(const QPoint& p) {
    if (mode_ == MouseMode::None) return;
    const MouseMode mode = mode_;
    mode_ = MouseMode::None;
    if (mode != MouseMode::Resizing && p == pressed_) {
        // A click without movement: the cursor (the frame moved by nothing).
        if (mode == MouseMode::Panning) ZoomBack();  // the pan that did not happen
        // Kept so that a double click (whose first click this may be) takes
        // the cursor back.
        beforeClick_ = {cursor1_, cursor2_};
        setCursorX(shiftPress_ && cursor1_ ? 2 : 1, plot::PixelToValue(view_.axisX(doc_.record), view_.spanX(), p.x()));
        return;
    }
    switch (mode) {
    case MouseMode::Moving:
        band_.translate(p - last_);
        view_.left = band_.left();
        view_.top = band_.top();
        view_.right = band_.right();
        view_.bottom = band_.bottom();
        handFrame_ = true;
        refreshModifiedMarker();
        break;
    case MouseMode::Resizing:
        // A frame turned inside out would draw nothing useful: keep a minimum size.
        view_.right = std::max(p.x(), view_.left + 20);
        view_.bottom = std::max(p.y(), view_.top + 20);
        if (p != pressed_) {
            handFrame_ = true;
            refreshModifiedMarker();
        }
        break;
    case MouseMode::Zooming: {
        const QRect r = QRect(pressed_, p).normalized();
        if (r.width() < 3 || r.height() < 3) break;
        const plot::PlotRecord& rec = doc_.record;
        const plot::AxisSettings ax = view_.axisX(rec), ay = view_.axisY(rec);
        const auto x = plot::rangeBetween(ax, plot::PixelToValue(ax, view_.spanX(), r.left()),
                                          plot::PixelToValue(ax, view_.spanX(), r.right()));
        const auto y = plot::rangeBetween(ay, plot::PixelToValue(ay, view_.spanY(), r.bottom()),
                                          plot::PixelToValue(ay, view_.spanY(), r.top()));
        if (x && y) setZoom(plot::PlotView::Zoom{*x, *y}, true);
        break;
    }
    case MouseMode::Panning:
    case MouseMode::None: break;
    }
    replot();
}

void TPlotForm::FormDblClick() {
    ignoreNextDown_ = true;
    mode_ = MouseMode::None;
    // The double click's first click placed a cursor: it was not meant as one.
    if (beforeClick_) {
        cursor1_ = beforeClick_->first;
        cursor2_ = beforeClick_->second;
        beforeClick_.reset();
        readout_ = cursorReadout();
        canvas_->update();
    }
    emit modifyRequested(this);
}
