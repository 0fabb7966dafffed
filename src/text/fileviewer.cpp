#include "text/fileviewer.h"

#include <QProgressDialog>

#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "common/ioerror.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "text/textlines.h"

namespace {

constexpr std::size_t kFirstIndexBytes = 4u << 20;   // indexed before the first screen
constexpr std::size_t kSliceBytes = 8u << 20;        // indexed per event-loop turn afterwards
// Lines longer than this are measured as fixed-pitch text (the viewer's font is
// one), so that a line of a mebibyte costs no more to draw than its visible part.
constexpr int kMeasuredChars = 2048;

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

}  // namespace

TFileViewer::TFileViewer(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("Viewer"));
    QFont f(QStringLiteral("MS LineDraw"), 10);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    setFont(f);
    const QFontMetrics fm(f);
    lineHeight_ = std::max(1, fm.lineSpacing());
    ascent_ = fm.ascent();
    charWidth_ = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
    pitch_ = std::max<qreal>(1, QFontMetricsF(f).horizontalAdvance(QLatin1Char(' ')));

    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);

    indexTimer_ = new QTimer(this);
    indexTimer_->setInterval(0);
    connect(indexTimer_, &QTimer::timeout, this, &TFileViewer::indexSlice);
}

TFileViewer::~TFileViewer() = default;

void TFileViewer::openFile(const QString& path) {
    auto index = std::make_unique<pal::LineIndex>(toBytes(path));
    index->indexMore(kFirstIndexBytes);
    index_ = std::move(index);
    fileName_ = path;
    caret_ = anchor_ = Pos{};
    widest_ = static_cast<int>(index_->longestLine()) * charWidth_;
    cutReported_ = false;
    if (!index_->complete()) indexTimer_->start();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
    reportCutLines();
}

void TFileViewer::reportCutLines() {
    if (!index_ || cutReported_ || !index_->linesCut()) return;
    cutReported_ = true;
    ShowAlert(fileName_ + QStringLiteral(" has lines longer than %1 MiB: they are shown up to their first %1 MiB.")
                              .arg(index_->shownBytes() >> 20),
              AlertKind::Information, false);
}

void TFileViewer::follow() {
    if (!index_ || following_) return;
    following_ = true;
    // The file as it was opened: one that was replaced or grew since is news.
    stamp_ = pal::FileStamp{true, index_->fileDevice(), index_->fileInode(), index_->fileSize()};
    index_->holdUnterminated(true);
    if (!followTimer_) {
        followTimer_ = new QTimer(this);
        followTimer_->setInterval(kFollowMs);
        connect(followTimer_, &QTimer::timeout, this, &TFileViewer::followLook);
    }
    followTimer_->start();
    followLook();
}

void TFileViewer::endFollowing() {
    if (!following_) return;
    followLook();
    following_ = false;
    followTimer_->stop();
    finishIndexing();
    const bool atEnd = showsEnd();
    index_->release();
    updateScrollBars();
    if (atEnd) scrollToEnd();
    viewport()->update();
}

bool TFileViewer::showsEnd() const {
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void TFileViewer::scrollToEnd() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }

void TFileViewer::followLook() {
    if (!following_ || !index_) return;
    const pal::FileStamp now = pal::stampOf(toBytes(fileName_));
    const pal::Growth growth = pal::growthOf(stamp_, now);
    if (growth == pal::Growth::Same || growth == pal::Growth::Gone) return;
    const bool atEnd = showsEnd();
    const int top = verticalScrollBar()->value();
    const int left = horizontalScrollBar()->value();
    try {
        if (growth == pal::Growth::Replaced) {
            // Another file under the name: read it again, at the same place.
            auto index = std::make_unique<pal::LineIndex>(toBytes(fileName_));
            index->holdUnterminated(true);
            index_ = std::move(index);
            caret_ = anchor_ = clamp(caret_);
        } else {
            index_->grownTo(now.size);
        }
        // What is new is indexed at once: a few lines a look while a run writes.
        index_->indexAll();
    } catch (const std::exception& e) {
        indexFailed(e);
        return;
    }
    stamp_ = now;
    caret_ = clamp(caret_);
    anchor_ = clamp(anchor_);
    widest_ = std::max(widest_, static_cast<int>(index_->longestLine()) * charWidth_);
    updateScrollBars();
    if (atEnd)
        scrollToEnd();
    else
        verticalScrollBar()->setValue(top);
    horizontalScrollBar()->setValue(left);
    viewport()->update();
}

bool TFileViewer::indexingComplete() const { return !index_ || index_->complete(); }

void TFileViewer::indexFailed(const std::exception& e) {
    indexTimer_->stop();
    QString text = toQ(e.what());
    if (const auto* io = dynamic_cast<const pal::IoError*>(&e)) text = toQ(io->userText());
    ShowAlert(text, AlertKind::Error, false);
}

void TFileViewer::indexSlice() {
    if (!index_) {
        indexTimer_->stop();
        return;
    }
    try {
        if (index_->indexMore(kSliceBytes)) indexTimer_->stop();
    } catch (const std::exception& e) {
        indexFailed(e);
    }
    widest_ = std::max(widest_, static_cast<int>(index_->longestLine()) * charWidth_);
    updateScrollBars();
    viewport()->update();
    reportCutLines();
}

void TFileViewer::finishIndexing() {
    if (!index_ || index_->complete()) return;
    try {
        index_->indexAll();
    } catch (const std::exception& e) {
        indexFailed(e);
        return;
    }
    indexTimer_->stop();
    widest_ = std::max(widest_, static_cast<int>(index_->longestLine()) * charWidth_);
    updateScrollBars();
    viewport()->update();
    reportCutLines();
}

qint64 TFileViewer::lineCount() const { return index_ ? static_cast<qint64>(index_->lineCount()) : 0; }

QString TFileViewer::lineText(qint64 line) const {
    if (!index_ || line < 0 || line >= lineCount()) return {};
    try {
        const pal::DisplayLine d = index_->displayLine(static_cast<std::size_t>(line));
        return decodeText(d.bytes, d.utf8);
    } catch (const pal::IoError&) {
        return {};  // a file cut short on disk shows empty lines
    }
}

int TFileViewer::visibleLineCount() const { return std::max(1, viewport()->height() / lineHeight_); }

int TFileViewer::firstVisibleLine() const { return verticalScrollBar()->value(); }

void TFileViewer::updateScrollBars() {
    const qint64 lines = lineCount();
    const int page = visibleLineCount();
    // A scroll bar counts in int; a file of more lines scrolls over its first ones.
    const qint64 maxFirst = std::clamp<qint64>(lines - page, 0, INT_MAX);
    verticalScrollBar()->setRange(0, static_cast<int>(maxFirst));
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);
    const int width = viewport()->width();
    horizontalScrollBar()->setRange(0, std::max(0, widest_ + 2 * kMargin + charWidth_ - width));
    horizontalScrollBar()->setPageStep(std::max(1, width));
    horizontalScrollBar()->setSingleStep(charWidth_);
}

void TFileViewer::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
}

void TFileViewer::scrollContentsBy(int, int) { viewport()->update(); }

qreal TFileViewer::xOfColumn(const QString& text, int col) const {
    col = std::clamp(col, 0, static_cast<int>(text.size()));
    const QString before = textlines::expandTabs(text.left(col));
    if (text.size() > kMeasuredChars) return before.size() * pitch_;
    return QFontMetricsF(font()).horizontalAdvance(before);
}

void TFileViewer::drawLine(QPainter& p, qreal x0, int y, const QString& shown) const {
    if (shown.size() <= kMeasuredChars) {
        p.drawText(QPointF(x0, y + ascent_), shown);
        return;
    }
    // Only the visible part of a long line, at its fixed-pitch place.
    const int first = std::max(0, static_cast<int>((kMargin - x0) / pitch_) - 2);
    const int count = static_cast<int>(viewport()->width() / pitch_) + 4;
    p.drawText(QPointF(x0 + first * pitch_, y + ascent_), shown.mid(first, count));
}

int TFileViewer::columnOfX(const QString& text, qreal x) const {
    // The column whose left edge is nearest to x (advances grow with the column).
    int lo = 0, hi = static_cast<int>(text.size());
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (xOfColumn(text, mid) <= x) lo = mid;
        else hi = mid - 1;
    }
    if (lo < text.size() && x - xOfColumn(text, lo) > xOfColumn(text, lo + 1) - x) ++lo;
    return lo;
}

TFileViewer::Pos TFileViewer::clamp(Pos p) const {
    const qint64 lines = lineCount();
    if (lines == 0) return {};
    p.line = std::clamp<qint64>(p.line, 0, lines - 1);
    p.col = std::clamp(p.col, 0, static_cast<int>(lineText(p.line).size()));
    return p;
}

TFileViewer::Pos TFileViewer::posAt(const QPoint& pt) const {
    if (lineCount() == 0) return {};
    const qint64 line = firstVisibleLine() + static_cast<qint64>(std::floor(static_cast<double>(pt.y()) / lineHeight_));
    Pos p{std::clamp<qint64>(line, 0, lineCount() - 1), 0};
    p.col = columnOfX(lineText(p.line), pt.x() + horizontalScrollBar()->value() - kMargin);
    return p;
}

void TFileViewer::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.setFont(font());
    const QPalette& pal = viewport()->palette();
    p.fillRect(viewport()->rect(), Qt::white);
    if (!index_) return;
    const qint64 first = firstVisibleLine();
    const int rows = viewport()->height() / lineHeight_ + 1;
    const qreal x0 = kMargin - horizontalScrollBar()->value();
    const Pos selFrom = std::min(caret_, anchor_), selTo = std::max(caret_, anchor_);
    const QFontMetricsF fm(font());
    const qreal spaceWidth = fm.horizontalAdvance(QLatin1Char(' '));
    int widest = widest_;
    for (int k = 0; k < rows; ++k) {
        const qint64 line = first + k;
        if (line >= lineCount()) break;
        const QString text = lineText(line);
        const QString shown = textlines::expandTabs(text);
        const int y = k * lineHeight_;
        const qreal width = shown.size() > kMeasuredChars ? shown.size() * pitch_ : fm.horizontalAdvance(shown);
        widest = static_cast<int>(std::min<qreal>(INT_MAX / 2, std::max<qreal>(widest, std::ceil(width))));
        p.setPen(pal.color(QPalette::Text));
        drawLine(p, x0, y, shown);
        if (line >= selFrom.line && line <= selTo.line && selFrom != selTo) {
            const int c0 = line == selFrom.line ? selFrom.col : 0;
            const int c1 = line == selTo.line ? selTo.col : static_cast<int>(text.size());
            qreal xa = x0 + xOfColumn(text, c0), xb = x0 + xOfColumn(text, c1);
            if (line != selTo.line) xb += spaceWidth;  // the line end is selected too
            if (xb > xa) {
                const QRectF r(xa, y, xb - xa, lineHeight_);
                p.save();
                p.fillRect(r, pal.color(QPalette::Highlight));
                p.setClipRect(r);
                p.setPen(pal.color(QPalette::HighlightedText));
                drawLine(p, x0, y, shown);
                p.restore();
            }
        }
        if (line == caret_.line && hasFocus()) {
            const qreal xc = x0 + xOfColumn(text, caret_.col);
            // The caret is 18 pixels high, centred on its line.
            p.fillRect(QRectF(xc, y + (lineHeight_ - kCaretHeight) / 2.0, 1, kCaretHeight), Qt::black);
        }
    }
    if (widest > widest_) {
        // Widen the scroll range after this paint, not during it.
        widest_ = widest;
        QMetaObject::invokeMethod(this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
    }
}

void TFileViewer::ensureVisible(Pos p) {
    const int page = visibleLineCount();
    const qint64 first = firstVisibleLine();
    if (p.line < first || p.line >= first + page) {
        // Bring a far line to the middle, a neighbouring one to the edge.
        qint64 target;
        if (p.line == first - 1) target = p.line;
        else if (p.line == first + page) target = p.line - page + 1;
        else target = p.line - page / 2;
        verticalScrollBar()->setValue(static_cast<int>(std::clamp<qint64>(target, 0, INT_MAX)));
    }
    const QString text = lineText(p.line);
    const int x = static_cast<int>(xOfColumn(text, p.col)) + kMargin;
    const int left = horizontalScrollBar()->value(), width = viewport()->width();
    if (x < left) horizontalScrollBar()->setValue(std::max(0, x - width / 4));
    else if (x > left + width - charWidth_) horizontalScrollBar()->setValue(x - width * 3 / 4);
}

void TFileViewer::setCaret(Pos p, bool keepAnchor) {
    caret_ = clamp(p);
    if (!keepAnchor) anchor_ = caret_;
    viewport()->update();
}

void TFileViewer::moveCaret(Pos p, bool keepAnchor) {
    if (index_ && !index_->complete() && p.line >= lineCount()) {
        try {
            index_->indexUntilLine(static_cast<std::size_t>(p.line));
        } catch (const std::exception& e) {
            indexFailed(e);
        }
        updateScrollBars();
    }
    setCaret(p, keepAnchor);
    ensureVisible(caret_);
}

void TFileViewer::selectRange(Pos from, Pos to) {
    anchor_ = clamp(from);
    caret_ = clamp(to);
    viewport()->update();
}

void TFileViewer::selectAll() {
    finishIndexing();
    if (lineCount() == 0) return;
    const qint64 last = lineCount() - 1;
    selectRange({0, 0}, {last, static_cast<int>(lineText(last).size())});
}

QString TFileViewer::selectedText(bool* tooLarge) const {
    if (tooLarge) *tooLarge = false;
    if (!index_ || !hasSelection()) return {};
    const Pos a = std::min(caret_, anchor_), b = std::max(caret_, anchor_);
    if (index_->lineStart(static_cast<std::size_t>(b.line)) - index_->lineStart(static_cast<std::size_t>(a.line)) >
        static_cast<std::uint64_t>(kMaxCopyBytes)) {
        if (tooLarge) *tooLarge = true;
        return {};
    }
    QString out;
    for (qint64 line = a.line; line <= b.line; ++line) {
        const QString t = lineText(line);
        const int c0 = line == a.line ? a.col : 0;
        const int c1 = line == b.line ? b.col : static_cast<int>(t.size());
        out += t.mid(c0, c1 - c0);
        if (line != b.line) out += QLatin1Char('\n');
    }
    return out;
}

std::uint64_t TFileViewer::byteOffset(Pos p) const {
    p = clamp(p);
    if (lineCount() == 0) return 0;
    const auto line = static_cast<std::size_t>(p.line);
    const pal::DisplayLine d = index_->displayLine(line);
    const QString text = decodeText(d.bytes, d.utf8);
    return index_->lineStart(line) + encodeText(text.left(p.col), d.utf8).size();
}

bool TFileViewer::find(const QString& text, bool forward, bool caseSensitive) {
    findCancelled_ = false;
    if (!index_ || text.isEmpty() || (lineCount() == 0 && index_->complete())) return false;
    const BusyCursor busy;
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QProgressDialog> progress;
    pal::FindRequest r;
    r.progress = [&](std::uint64_t done, std::uint64_t total) {
        if (!progress && clock.elapsed() >= findProgressDelayMs) {
            progress = std::make_unique<QProgressDialog>(QStringLiteral("Searching for \"%1\"...").arg(text),
                                                         QStringLiteral("Cancel"), 0, 1000, window());
            progress->setWindowTitle(QStringLiteral("Find"));
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->setAutoClose(false);
            progress->setAutoReset(false);
            progress->show();
            // The hourglass with an arrow: Cancel can be clicked.
            QApplication::changeOverrideCursor(Qt::BusyCursor);
        }
        if (!progress) return true;
        progress->setValue(static_cast<int>(total ? done * 1000 / total : 0));
        QCoreApplication::processEvents();
        return !progress->wasCanceled();
    };
    r.utf8 = encodeText(text, true);
    const bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
    if (latin1) r.latin1 = encodeText(text, false);
    r.caseSensitive = caseSensitive;
    r.forward = forward;
    std::optional<pal::TextMatch> m;
    try {
        r.from = lineCount() == 0 ? 0 : byteOffset(forward ? std::max(caret_, anchor_) : std::min(caret_, anchor_));
        m = index_->find(r);
        findCancelled_ = index_->findCancelled();
    } catch (const std::exception& e) {
        progress.reset();
        indexFailed(e);
        return false;
    }
    progress.reset();
    updateScrollBars();
    if (!m) return false;
    const pal::DisplayLine d = index_->displayLine(m->line);
    const std::string_view bytes(d.bytes);
    const int c0 = static_cast<int>(decodeText(bytes.substr(0, m->column), d.utf8).size());
    const int c1 = static_cast<int>(decodeText(bytes.substr(0, m->column + m->length), d.utf8).size());
    const auto line = static_cast<qint64>(m->line);
    selectRange({line, c0}, {line, c1});
    ensureVisible({line, c0});
    ensureVisible({line, c1});
    return true;
}

void TFileViewer::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy) || (e->key() == Qt::Key_Insert && e->modifiers() == Qt::ControlModifier)) {
        emit copyRequested();
        return;
    }
    if (e->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const int page = visibleLineCount();
    Pos p = caret_;
    switch (e->key()) {
        case Qt::Key_Up: --p.line; break;
        case Qt::Key_Down: ++p.line; break;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            // The page moves and the caret with it, keeping its place on the screen.
            const int step = e->key() == Qt::Key_PageUp ? -page : page;
            p.line = std::max<qint64>(0, p.line + step);
            if (index_ && !index_->complete()) {
                try {
                    index_->indexUntilLine(static_cast<std::size_t>(p.line + page));
                } catch (const std::exception& ex) {
                    indexFailed(ex);
                }
                updateScrollBars();
            }
            verticalScrollBar()->setValue(verticalScrollBar()->value() + step);
            break;
        }
        case Qt::Key_Left:
            if (p.col > 0) --p.col;
            else if (p.line > 0) p = {p.line - 1, static_cast<int>(lineText(p.line - 1).size())};
            break;
        case Qt::Key_Right:
            if (p.col < lineText(p.line).size()) ++p.col;
            else if (p.line + 1 < lineCount()) p = {p.line + 1, 0};
            break;
        case Qt::Key_Home:
            p = ctrl ? Pos{0, 0} : Pos{p.line, 0};
            break;
        case Qt::Key_End:
            if (ctrl) {
                finishIndexing();
                p.line = lineCount() - 1;
            }
            p.col = static_cast<int>(lineText(p.line).size());
            break;
        default:
            QAbstractScrollArea::keyPressEvent(e);
            return;
    }
    if (p.line < 0) p = {0, 0};
    moveCaret(p, shift);
}

void TFileViewer::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    setCaret(posAt(e->position().toPoint()), e->modifiers() & Qt::ShiftModifier);
    dragging_ = true;
}

void TFileViewer::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_) return;
    const QPoint pt = e->position().toPoint();
    if (pt.y() < 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (pt.y() > viewport()->height()) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    setCaret(posAt(pt), true);
}

void TFileViewer::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

void TFileViewer::mouseDoubleClickEvent(QMouseEvent* e) {
    const Pos at = posAt(e->position().toPoint());
    const QString text = lineText(at.line);
    int a = at.col, b = at.col;
    while (a > 0 && isWordChar(text.at(a - 1))) --a;
    while (b < text.size() && isWordChar(text.at(b))) ++b;
    selectRange({at.line, a}, {at.line, b});
}

void TFileViewer::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void TFileViewer::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}
