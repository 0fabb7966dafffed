#include "plot/plotf.h"

#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <cmath>
#include <new>

#include "common/ioerror.h"
#include "plot/plottext.h"
#include "shell/palumaro.h"
#include "shell/printcontext.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

// The drawing surface inside the scroll area; everything it sees goes to the form.
class PlotCanvas : public QWidget {
public:
    explicit PlotCanvas(TPlotForm* form) : QWidget(nullptr), form_(form) {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        form_->paintCanvas(p);
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) form_->FormMouseDown(e->position().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        form_->FormMouseMove(e->position().toPoint());
        setCursor(form_->cursorAt(e->position().toPoint()));
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) form_->FormMouseUp(e->position().toPoint());
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        // The double click's own press comes after the click it completes.
        form_->FormDblClick();
        form_->FormMouseDown(e->position().toPoint());
    }

private:
    TPlotForm* form_;
};

TPlotForm::TPlotForm(QWidget* parent) : TDocWindow(Kind::Plot, parent) {
    resize(500, 340);
    scroll_ = new QScrollArea(this);
    canvas_ = new PlotCanvas(this);
    scroll_->setWidget(canvas_);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setGeometry(rect());
    canvas_->resize(500, 340);
    // The plot setup gives a new plot one minor tick per interval.
    doc_.record.x.minorTicks = 1;
    doc_.record.y.minorTicks = 1;
    replot();
}

void TPlotForm::setDocument(plot::PlotDocument doc) {
    doc_ = std::move(doc);
    setWindowTitle(plot::plotString(doc_.caption));
    replot();
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
    updateCanvasSize();
}

void TPlotForm::replot() {
    renderCache();
    updateCanvasSize();
    if (canvas_) canvas_->update();
}

void TPlotForm::paintCanvas(QPainter& painter) {
    painter.drawImage(0, 0, cache_);
    if (mode_ != MouseMode::None) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(band_.normalized());
    }
}

void TPlotForm::renderCache() {
    QImage img(canvas_->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    img.fill(palette().color(QPalette::Window));
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    view_.take(plot::PlotRenderer::render(p, doc_, view_, plot::RenderTarget{}));
    p.end();
    cache_ = std::move(img);
}

QImage TPlotForm::renderImage() {
    renderCache();
    return cache_;
}

void TPlotForm::updateCanvasSize() {
    if (!canvas_) return;
    const QRect de = view_.dataExtent;
    QSize want(de.right() + 50, de.bottom() + 50);
    want = want.expandedTo(scroll_->viewport()->size());
    if (want != canvas_->size()) canvas_->resize(want);
    // The cache covers the canvas: draw again at a new size.
    if (cache_.size() != canvas_->size()) renderCache();
}

void TPlotForm::Save(const QString& path) {
    doc_.caption = plot::plotBytesKeeping(windowTitle(), doc_.caption, 255);
    plot::writePmx(toBytes(path), doc_);
    fileName_ = path;
}

bool TPlotForm::Open(const QString& path) {
    plot::PlotDocument doc;
    try {
        doc = plot::readPmx(toBytes(path));
    } catch (const std::bad_alloc&) {
        ShowAlert(QStringLiteral("Insufficient memory available for opening the plot"), AlertKind::Warning, true);
        return false;
    }
    setDocument(std::move(doc));
    fileName_ = path;
    return true;
}

bool TPlotForm::FormCloseQuery() {
    const QString who = fileName_.isEmpty() ? QStringLiteral("This plot") : fileName_;
    const AlertButton b = ShowAlert(who + QStringLiteral(" has been changed.  Save it?"), AlertKind::SaveQuestion, false);
    if (b == AlertButton::Cancel) return false;
    if (b == AlertButton::No) return true;
    // Yes: the window closes only once the plot is safely written.
    try {
        if (!fileName_.isEmpty()) {
            Save(fileName_);
            return true;
        }
        if (TPALUMAROFORM* main = MainForm()) return main->saveWindowAs(this);
        FileDialogRequest r;
        r.title = QStringLiteral("Saving window ") + windowTitle();
        r.filters = {QStringLiteral("PALUMARO Plot files (*.PMX)")};
        r.defaultSuffix = QStringLiteral("PMX");
        r.fileName = QStringLiteral("*.PMX");
        r.save = true;
        r.overwritePrompt = true;
        const auto chosen = seams().dialogs->getFile(r);
        if (!chosen) return false;
        Save(chosen->path);
        return true;
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return false;
    }
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
    plot::PlotRenderer::render(p, doc_, view_, plot::RenderTarget{scale, &ctx});
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

void TPlotForm::FormMouseDown(const QPoint& p) {
    if (ignoreNextDown_) {
        ignoreNextDown_ = false;
        return;
    }
    if (view_.resizeHandle.contains(p))
        mode_ = MouseMode::Resizing;
    else if (view_.frame().contains(p))
        mode_ = MouseMode::Moving;
    else
        return;
    last_ = p;
    band_ = view_.frame();
    canvas_->update();
}

void TPlotForm::FormMouseMove(const QPoint& p) {
    if (mode_ == MouseMode::Moving) {
        band_.translate(p - last_);
        last_ = p;
    } else if (mode_ == MouseMode::Resizing) {
        band_.setBottomRight(p);
        last_ = p;
    } else {
        return;
    }
    canvas_->update();
}

void TPlotForm::FormMouseUp(const QPoint& p) {
    if (mode_ == MouseMode::None) return;
    if (mode_ == MouseMode::Moving) {
        band_.translate(p - last_);
        view_.left = band_.left();
        view_.top = band_.top();
        view_.right = band_.right();
        view_.bottom = band_.bottom();
    } else {
        // A frame turned inside out would draw nothing useful: keep a minimum size.
        view_.right = std::max(p.x(), view_.left + 20);
        view_.bottom = std::max(p.y(), view_.top + 20);
    }
    mode_ = MouseMode::None;
    replot();
}

void TPlotForm::FormDblClick() {
    ignoreNextDown_ = true;
    mode_ = MouseMode::None;
    emit modifyRequested(this);
}
