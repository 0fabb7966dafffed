// The plot window's view commands: zoom, pan, the cursors and their read-out,
// the context menu, export and the clipboard. None of them touches the plot.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTimer>
#include <cmath>

#include "common/ioerror.h"
#include "shell/progress.h"
#include "shell/qtbytes.h"
#include "plot/curvetable.h"
#include "plot/plotexport.h"
#include "plot/plotf.h"
#include "plot/plottext.h"
#include "common/numtext.h"
#include "shell/seams.h"

namespace {
constexpr double kWheelFactor = 0.8;  // one wheel step shows 80 % of the range

// A value read at a cursor: in the axis' label style, with about four
// significant digits of the visible span (at least the labels' digits).
QString valueText(const plot::AxisSettings& a, long double v) {
    const long double span = std::fabs(a.maximum - a.minimum);
    int digits = a.digits;
    if (a.style == 1 && span > 0 && std::isfinite(span))
        digits = std::clamp(3 - static_cast<int>(std::floor(std::log10(span))), static_cast<int>(a.digits), 9);
    else if (a.style != 1)
        digits = std::max<int>(a.digits, 4);
    return toQ(pal::FormatValue(pal::LabelFormat{a.style, static_cast<std::int16_t>(digits)}, v)).trimmed();
}
// A curve as the read-out and the legend's tooltip name it: its full title
// where it has one (a table run's variables), else its Y column.
QString curveName(const plot::CurveRecord& c) {
    return plot::plotString(c.title.empty() ? c.yName : c.title).trimmed();
}
}  // namespace

QString TPlotForm::toolTipAt(const QPoint& p) const {
    const auto& entries = view_.legendEntries;
    const auto& curves = doc_.record.curves;
    for (std::size_t i = 0; i < entries.size() && i < curves.size(); ++i)
        if (entries[i].contains(p)) return curveName(curves[i]);
    return {};
}

plot::AxisRange TPlotForm::visibleX() const { return view_.zoom ? view_.zoom->x : plot::storedRange(doc_.record.x); }
plot::AxisRange TPlotForm::visibleY() const { return view_.zoom ? view_.zoom->y : plot::storedRange(doc_.record.y); }

void TPlotForm::setZoom(std::optional<plot::PlotView::Zoom> zoom, bool remember, bool step) {
    followSpan_.reset();  // a view of the user's own ends Follow
    if (!view_.zoom && history_.empty())
        zoomBase_ = plot::PlotView::Zoom{plot::storedRange(doc_.record.x), plot::storedRange(doc_.record.y)};
    if (remember) history_.push_back(view_.zoom);
    if (zoom == view_.zoom) return;
    view_.zoom = zoom;
    replot();
    if (step) {
        settling_ = true;
        settle_->start();  // restarted by each step: one drawing when they pause
    }
}

void TPlotForm::zoomTo(const plot::AxisRange& x, const plot::AxisRange& y) { setZoom(plot::PlotView::Zoom{x, y}, true); }

void TPlotForm::ZoomBack() {
    if (history_.empty()) return;
    const auto previous = history_.back();
    history_.pop_back();
    setZoom(previous, false);
}

void TPlotForm::WholePlot() {
    if (view_.zoom) setZoom(std::nullopt, true);
}

bool TPlotForm::FormWheel(const QPoint& p, int steps, Qt::KeyboardModifiers mods) {
    if (!view_.frame().contains(p) || steps == 0) return false;
    const bool both = mods & Qt::ShiftModifier;
    const bool zoomY = both || (mods & Qt::ControlModifier);
    const bool zoomX = both || !zoomY;
    const double factor = std::pow(kWheelFactor, steps);
    const plot::PlotRecord& r = doc_.record;
    const plot::AxisSettings ax = view_.axisX(r), ay = view_.axisY(r);
    std::optional<plot::AxisRange> x = visibleX(), y = visibleY();
    if (zoomX) x = plot::zoomAround(ax, *x, plot::PixelToValue(ax, view_.spanX(), p.x()), factor);
    if (zoomY) y = plot::zoomAround(ay, *y, plot::PixelToValue(ay, view_.spanY(), p.y()), factor);
    // Each step is one step back for Zoom back, as when each was drawn.
    if (x && y) setZoom(plot::PlotView::Zoom{*x, *y}, true, true);
    return true;
}

bool TPlotForm::FormKey(int key) {
    switch (key) {
    case Qt::Key_Backspace: ZoomBack(); return true;
    case Qt::Key_Home: WholePlot(); return true;
    case Qt::Key_Escape:
        if (!cursor1_ && !cursor2_) return false;
        setCursorX(1, std::nullopt);
        return true;
    default: return false;
    }
}

void TPlotForm::setCursorX(int which, std::optional<long double> x) {
    if (which == 1) {
        cursor1_ = x;
        if (!x) cursor2_.reset();  // hiding the first hides both
    } else {
        cursor2_ = cursor1_ ? x : std::nullopt;
    }
    readout_ = cursorReadout();
    canvas_->update();
}

QList<TPlotForm::ReadoutLine> TPlotForm::cursorReadout() const {
    QList<ReadoutLine> out;
    if (!cursor1_) return out;
    const plot::PlotRecord& r = doc_.record;
    const plot::AxisSettings ax = view_.axisX(r), ay = view_.axisY(r);
    const QString xName = r.curves.empty() ? QStringLiteral("X") : plot::plotString(r.curves.front().xName).trimmed();
    if (!cursor2_) {
        out.append({xName + QStringLiteral(" = ") + valueText(ax, *cursor1_), -1});
        for (const plot::CurveRecord& c : r.curves) {
            const auto y = plot::curveValueAt(c, *cursor1_);
            out.append({curveName(c) + QStringLiteral(" = ") + (y ? valueText(ay, *y) : QStringLiteral("-")), c.color});
        }
        return out;
    }
    // Two cursors: the differences, second minus first.
    out.append({QStringLiteral("\u0394") + xName + QStringLiteral(" = ") + valueText(ax, *cursor2_ - *cursor1_), -1});
    for (const plot::CurveRecord& c : r.curves) {
        const auto a = plot::curveValueAt(c, *cursor1_), b = plot::curveValueAt(c, *cursor2_);
        out.append({QStringLiteral("\u0394") + curveName(c) + QStringLiteral(" = ") +
                        (a && b ? valueText(ay, *b - *a) : QStringLiteral("-")),
                    c.color});
    }
    return out;
}

void TPlotForm::paintCursors(QPainter& p) const {
    if (!cursor1_) return;
    const plot::AxisSettings ax = view_.axisX(doc_.record);
    if (!plot::drawableAxis(ax)) return;
    const plot::PixelMap map(ax, view_.spanX());
    const QRect frame = view_.frame();
    p.save();
    int lastX = frame.left();
    for (const auto& c : {cursor1_, cursor2_}) {
        if (!c) continue;
        const int x = map(static_cast<double>(*c));
        lastX = x;
        if (x < frame.left() || x > frame.right()) continue;
        p.setPen(QPen(QColor(80, 80, 80), 1, Qt::DashLine));
        p.drawLine(x, frame.top(), x, frame.bottom());
    }
    // The read-out beside the last cursor, inside the frame where it fits. The
    // texts are dark, whatever the curve's colour (a yellow or light green curve
    // would be unreadable on the light box); each curve's line starts with a
    // sample of its colour, outlined so that a light one shows too.
    const QList<ReadoutLine>& lines = readout_;  // a look-up over every point: not at each paint
    QFont f = plot::PlotRenderer::plotFont(1, 11, 0, 1.0);
    p.setFont(f);
    const QFontMetrics fm(f);
    const int sampleW = fm.height(), sampleH = std::max(4, fm.height() / 3);
    int w = 0;
    for (const ReadoutLine& l : lines) w = std::max(w, fm.horizontalAdvance(l.text));
    w += sampleW + 4;
    const int h = fm.height() * static_cast<int>(lines.size());
    int left = lastX + 6;
    if (left + w + 8 > frame.right()) left = lastX - 6 - w - 8;
    left = std::max(left, frame.left() + 1);
    const QColor dark(80, 80, 80);
    const QRect box(left, frame.top() + 4, w + 8, h + 4);
    p.setPen(dark);
    p.setBrush(QColor(255, 255, 240));
    p.drawRect(box);
    int y = box.top() + 2;
    for (const ReadoutLine& l : lines) {
        if (l.color >= 0) {
            p.setPen(dark);
            p.setBrush(plot::PlotRenderer::PlotColor(l.color));
            p.drawRect(QRect(box.left() + 4, y + (fm.height() - sampleH) / 2, sampleW, sampleH));
        }
        p.setPen(plot::PlotRenderer::PlotColor(0));
        p.drawText(QPoint(box.left() + 4 + sampleW + 4, y + fm.ascent()), l.text);
        y += fm.height();
    }
    p.restore();
}

QMenu* TPlotForm::contextMenu() {
    if (menu_) return menu_;
    menu_ = new QMenu(this);
    const auto add = [this](const char* name, const QString& text, auto slot) {
        QAction* a = menu_->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("ZoomBack1", QStringLiteral("Zoom back"), &TPlotForm::ZoomBack)->setShortcut(QKeySequence(Qt::Key_Backspace));
    add("WholePlot1", QStringLiteral("Whole plot"), &TPlotForm::WholePlot)->setShortcut(QKeySequence(Qt::Key_Home));
    add("Follow1", QStringLiteral("Follow the last..."), &TPlotForm::FollowClick)->setCheckable(true);
    add("FitFrame1", QStringLiteral("Fit frame to window"), &TPlotForm::FitFrameToWindow);
    menu_->addSeparator();
    add("CopyImage1", QStringLiteral("Copy image"), &TPlotForm::CopyImage);
    add("CopyData1", QStringLiteral("Copy data"), &TPlotForm::CopyData);
    menu_->addSeparator();
    add("ExportPlot1", QStringLiteral("Export..."), &TPlotForm::ExportDialog);
    return menu_;
}

void TPlotForm::showContextMenu(const QPoint& globalPos) {
    QMenu* m = contextMenu();
    m->findChild<QAction*>(QStringLiteral("ZoomBack1"))->setEnabled(!history_.empty());
    m->findChild<QAction*>(QStringLiteral("WholePlot1"))->setEnabled(view_.zoom.has_value());
    QAction* follow = m->findChild<QAction*>(QStringLiteral("Follow1"));
    follow->setEnabled(following());
    follow->setChecked(followSpan_.has_value());
    m->findChild<QAction*>(QStringLiteral("FitFrame1"))->setEnabled(handFrame_);
    m->popup(globalPos);
}

void TPlotForm::CopyImage() { QApplication::clipboard()->setImage(plot::plotImage(doc_, view_)); }

void TPlotForm::CopyData() {
    plot::CurveTableOptions o;
    o.separator = '\t';
    o.lineEnd = "\n";
    if (view_.zoom) o.xRange = view_.zoom->x;
    const std::string text = plot::curveTable(doc_.record, o);
    QApplication::clipboard()->setText(plot::plotString(text));
}

QString TPlotForm::exportProposal() const {
    // The saved plot's name, or the plot data file's of a new plot ("Plot from
    // X.PLT"), or the caption; in the folder of that file.
    QString from = fileName_;
    const QString caption = windowTitle();
    if (from.isEmpty() && caption.startsWith(QLatin1String("Plot from "))) from = caption.mid(10).trimmed();
    if (!from.isEmpty()) {
        const QFileInfo fi(from);
        QString base = fi.fileName();
        const int dot = base.indexOf(QLatin1Char('.'));
        if (dot > 0) base.truncate(dot);
        return fi.dir().filePath(base);
    }
    QString base = caption.trimmed();
    base.replace(QLatin1Char('/'), QLatin1Char('_'));
    return base.isEmpty() ? QStringLiteral("plot") : base;
}

void TPlotForm::ExportDialog() {
    FileDialogRequest r;
    r.title = QStringLiteral("Export ") + windowTitle();
    r.filters = {QStringLiteral("PNG image (*.png)"), QStringLiteral("SVG drawing (*.svg)"),
                 QStringLiteral("PDF document (*.pdf)"), QStringLiteral("CSV table (*.csv)")};
    r.save = true;
    r.overwritePrompt = true;
    r.filterIndex = std::clamp(lastExportFilter_, 1, 4);
    static const char* const kExtensions[] = {"png", "svg", "pdf", "csv"};
    const QString proposal = exportProposal();
    const QFileInfo at(proposal);
    if (at.isAbsolute()) r.directory = at.path();
    r.fileName = at.fileName() + QLatin1Char('.') + QLatin1String(kExtensions[r.filterIndex - 1]);
    r.defaultSuffix = QLatin1String(kExtensions[r.filterIndex - 1]);
    r.suffixFollowsFilter = true;
    const auto chosen = seams().dialogs->getFile(r);
    if (!chosen) return;
    lastExportFilter_ = chosen->filterIndex;
    QString path = chosen->path;
    static const char* const suffixes[] = {".png", ".svg", ".pdf", ".csv"};
    if (!plot::exportFormatOf(path)) path += QString::fromLatin1(suffixes[std::clamp(chosen->filterIndex, 1, 4) - 1]);
    const plot::ExportFormat format = *plot::exportFormatOf(path);
    QSize size;
    if (format == plot::ExportFormat::Png) {
        // The window's size unless the user asks for another.
        const QSize shown = scroll_->viewport()->size();
        const auto text = seams().dialogs->inputBox(QStringLiteral("Export"), QStringLiteral("Image size in pixels (width x height):"),
                                                    QStringLiteral("%1 x %2").arg(shown.width()).arg(shown.height()), 20);
        if (!text) return;
        const auto asked = plot::parseImageSize(*text);
        const QString problem = asked ? plot::imageSizeProblem(*asked) : QString();
        if (!asked || !problem.isEmpty()) {
            ShowAlert(asked ? problem + QStringLiteral(".")
                            : QStringLiteral("'%1' is not an image size: give width and height in pixels, such as 1280 x 800.").arg(*text),
                      AlertKind::Error, true);
            return;
        }
        size = *asked;
    }
    // A long export shows the busy cursor, and after half a second a progress
    // bar whose Cancel stops it (the file is then left as it was).
    try {
        WorkProgress progress(QStringLiteral("Export"), QStringLiteral("Exporting ") + QFileInfo(path).fileName() + QStringLiteral("..."), this);
        plot::exportPlot(doc_, view_, format, path, size, progress.callback());
    } catch (const pal::IoError& e) {
        ShowIoError(e);
    }
}
