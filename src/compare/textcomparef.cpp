#include "compare/textcomparef.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "common/ioerror.h"
#include "common/utf8check.h"
#include "shell/printcontext.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "text/textlines.h"

namespace {

constexpr std::size_t kSliceBytes = 4u << 20;
constexpr int kShownChars = 2000;  // of a line, at most

const QColor kRemoved(255, 228, 228), kAdded(226, 250, 226), kWordRemoved(255, 170, 170), kWordAdded(150, 228, 150);
const QColor kClose(238, 244, 255), kAbsent(240, 240, 240), kGutter(246, 246, 246), kCurrent(40, 80, 200);

QString decode(const std::string& bytes) {
    return pal::isValidUtf8(bytes) ? QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                                   : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

}  // namespace

// ------------------------------------------------------------------ the view

TTextCompareView::TTextCompareView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("TextCompareView"));
    QFont f(QStringLiteral("MS LineDraw"), 10);
    f.setStyleHint(QFont::TypeWriter);
    setFont(f);
    const QFontMetrics fm(f);
    rowHeight_ = fm.height() + 2;
    charWidth_ = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setSingleStep(1);
}

void TTextCompareView::setComparison(cmp::TextComparison* c) {
    c_ = c;
    current_ = -1;
    verticalScrollBar()->setValue(0);
    updateRanges();
    viewport()->update();
}

int TTextCompareView::visibleRows() const { return std::max(1, viewport()->height() / rowHeight_); }

qint64 TTextCompareView::firstRow() const { return verticalScrollBar()->value(); }

void TTextCompareView::updateRanges() {
    const qint64 rows = c_ ? qint64(c_->rowCount()) : 0;
    verticalScrollBar()->setRange(0, int(std::max<qint64>(0, rows - visibleRows())));
    verticalScrollBar()->setPageStep(visibleRows());
    horizontalScrollBar()->setRange(0, kShownChars * charWidth_ - viewport()->width() / 2);
    horizontalScrollBar()->setSingleStep(charWidth_ * 4);
    horizontalScrollBar()->setPageStep(viewport()->width() / 2);
}

void TTextCompareView::rowsChanged() {
    updateRanges();
    viewport()->update();
}

void TTextCompareView::showRow(qint64 row) {
    if (row < firstRow() || row >= firstRow() + visibleRows() - 1)
        verticalScrollBar()->setValue(int(std::max<qint64>(0, row - std::max(3, visibleRows() / 4))));
    viewport()->update();
}

void TTextCompareView::setCurrentRow(qint64 row) {
    current_ = row;
    if (row >= 0) showRow(row);
    viewport()->update();
}

void TTextCompareView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateRanges();
}

void TTextCompareView::keyPressEvent(QKeyEvent* event) {
    QScrollBar* v = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Up: v->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_PageUp: v->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case Qt::Key_PageDown: v->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case Qt::Key_Home: v->setValue(0); break;
    case Qt::Key_End: v->setValue(v->maximum()); break;
    case Qt::Key_Left: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

TTextCompareView::Shown TTextCompareView::shownLine(bool left, std::size_t line,
                                                    const std::vector<std::pair<std::size_t, std::size_t>>& spans) {
    std::string bytes = left ? c_->leftLine(line) : c_->rightLine(line);
    if (bytes.size() > std::size_t(kShownChars) * 4) bytes.resize(std::size_t(kShownChars) * 4);
    const QString raw = decode(bytes);
    // Display column of each character (tabs expanded).
    std::vector<int> column(std::size_t(raw.size()) + 1, 0);
    QString text;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        column[std::size_t(i)] = int(text.size());
        if (raw[i] == QLatin1Char('\t')) text += QString(textlines::kTabWidth - text.size() % textlines::kTabWidth, QLatin1Char(' '));
        else text += raw[i];
    }
    column[std::size_t(raw.size())] = int(text.size());
    Shown s{text.left(kShownChars), {}};
    const bool utf8 = pal::isValidUtf8(bytes);
    const auto charAt = [&](std::size_t byte) {
        byte = std::min(byte, bytes.size());
        const qsizetype chars = utf8 ? QString::fromUtf8(bytes.data(), qsizetype(byte)).size() : qsizetype(byte);
        return column[std::size_t(std::min(chars, raw.size()))];
    };
    for (const auto& [start, length] : spans) s.marks.append({charAt(start), charAt(start + length) - charAt(start)});
    return s;
}

void TTextCompareView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), Qt::white);
    if (!c_) return;
    p.setFont(font());
    const QFontMetrics fm(font());
    const int half = viewport()->width() / 2;
    const qint64 rows = qint64(c_->rowCount());
    const std::size_t lines = std::max(c_->leftIndex().lineCount(), c_->rightIndex().lineCount());
    const int gutter = (int(QString::number(qulonglong(lines)).size()) + 4) * charWidth_;
    const int dx = horizontalScrollBar()->value();
    const qint64 first = firstRow();
    const qint64 currentEnd = [&] {
        if (current_ < 0 || current_ >= rows) return qint64(-1);
        const cmp::TextBlock& b = c_->blocks()[c_->row(std::size_t(current_)).block];
        return qint64(b.firstRow + b.rows());
    }();
    for (int k = 0; k <= visibleRows() && first + k < rows; ++k) {
        const qint64 r = first + k;
        const cmp::TextComparison::Row row = c_->row(std::size_t(r));
        const int y = k * rowHeight_;
        const bool changed = row.kind == cmp::TextBlock::Changed;
        cmp::WordDifference words;
        if (changed && row.left != cmp::kNoLine && row.right != cmp::kNoLine)
            words = cmp::wordDifference(c_->leftLine(row.left), c_->rightLine(row.right), c_->tolerance(), c_->exact());
        for (int side = 0; side < 2; ++side) {
            const bool left = side == 0;
            const std::size_t line = left ? row.left : row.right;
            const int x0 = left ? 0 : half;
            const QRect cell(x0, y, half, rowHeight_);
            QColor back = Qt::white;
            if (line == cmp::kNoLine) back = kAbsent;
            else if (changed) back = left ? kRemoved : kAdded;
            else if (row.kind == cmp::TextBlock::Close) back = kClose;
            p.fillRect(cell, back);
            p.fillRect(QRect(x0, y, gutter, rowHeight_), line == cmp::kNoLine ? kAbsent : kGutter);
            if (line == cmp::kNoLine) continue;
            p.setPen(Qt::darkGray);
            const QString marker = changed ? (left ? QStringLiteral("-") : QStringLiteral("+"))
                                   : row.kind == cmp::TextBlock::Close ? QStringLiteral("\u2248")
                                                                       : QString();
            p.drawText(QRect(x0, y, gutter - charWidth_ / 2, rowHeight_), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(qulonglong(line + 1)) + QLatin1Char(' ') + (marker.isEmpty() ? QStringLiteral(" ") : marker));
            p.save();
            p.setClipRect(QRect(x0 + gutter, y, half - gutter - 2, rowHeight_));
            const Shown s = shownLine(left, line, left ? words.left : words.right);
            const int tx = x0 + gutter + 4 - dx;
            for (const auto& [start, length] : s.marks)
                p.fillRect(QRect(tx + start * charWidth_, y + 1, std::max(1, length) * charWidth_, rowHeight_ - 2),
                           left ? kWordRemoved : kWordAdded);
            p.setPen(Qt::black);
            p.drawText(tx, y + (rowHeight_ + fm.ascent() - fm.descent()) / 2, s.text);
            p.restore();
        }
        if (r >= current_ && r < currentEnd) p.fillRect(QRect(half - 2, y, 4, rowHeight_), kCurrent);
    }
    p.setPen(Qt::gray);
    p.drawLine(half, 0, half, viewport()->height());
}

// ------------------------------------------------------------------ the form

TTextCompareForm::TTextCompareForm(const QString& reference, const QString& candidate, const CompareRequest& request,
                                   QWidget* parent)
    : TDocWindow(Kind::Comparison, parent), reference_(reference), candidate_(candidate), request_(request) {
    setObjectName(QStringLiteral("TextCompareForm"));
    setWindowTitle(QStringLiteral("Compare: %1 with %2").arg(candidate, reference));
    auto* layout = new QVBoxLayout(this);
    auto* names = new QHBoxLayout;
    auto* leftName = new QLabel(QStringLiteral("Reference: ") + reference, this);
    auto* rightName = new QLabel(QStringLiteral("New: ") + candidate, this);
    for (QLabel* l : {leftName, rightName}) {
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        names->addWidget(l, 1);
    }
    layout->addLayout(names);
    view_ = new TTextCompareView(this);
    layout->addWidget(view_, 1);
    auto* bar = new QHBoxLayout;
    auto* previous = new QPushButton(QStringLiteral("Previous difference (Shift+F7)"), this);
    auto* next = new QPushButton(QStringLiteral("Next difference (F7)"), this);
    previous->setObjectName(QStringLiteral("PreviousDifference"));
    next->setObjectName(QStringLiteral("NextDifference"));
    for (QPushButton* b : {previous, next}) b->setFocusPolicy(Qt::NoFocus);
    exact_ = new QCheckBox(QStringLiteral("E&xact comparison"), this);
    exact_->setObjectName(QStringLiteral("ExactComparison"));
    exact_->setFocusPolicy(Qt::NoFocus);
    exact_->setChecked(request.exactText);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("CompareStatus"));
    bar->addWidget(previous);
    bar->addWidget(next);
    bar->addWidget(exact_);
    bar->addWidget(status_, 1);
    layout->addLayout(bar);
    connect(next, &QPushButton::clicked, this, &TTextCompareForm::nextDifference);
    connect(previous, &QPushButton::clicked, this, &TTextCompareForm::previousDifference);
    connect(exact_, &QCheckBox::toggled, this, &TTextCompareForm::setExact);
    auto* f7 = new QShortcut(QKeySequence(Qt::Key_F7), this, this, &TTextCompareForm::nextDifference);
    auto* shiftF7 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F7), this, this, &TTextCompareForm::previousDifference);
    for (QShortcut* s : {f7, shiftF7}) s->setContext(Qt::WidgetWithChildrenShortcut);
    connect(view_->verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { userMoved_ = true; });
    timer_ = new QTimer(this);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &TTextCompareForm::slice);
    resize(1000, 520);
    start();
}

TTextCompareForm::~TTextCompareForm() = default;

void TTextCompareForm::start() {
    view_->setComparison(nullptr);
    comparison_ = std::make_unique<cmp::TextComparison>(toBytes(reference_), toBytes(candidate_), request_.tolerance,
                                                        request_.exactText);
    // The first screen at once; the rest in slices while the window is shown.
    comparison_->advanceToRow(std::size_t(std::max(view_->visibleRows(), 60)) * 2);
    view_->setComparison(comparison_.get());
    userMoved_ = false;
    if (const auto d = differenceAfter(-1)) view_->setCurrentRow(qint64(*d));
    updateStatus();
    if (!comparison_->complete()) timer_->start();
}

void TTextCompareForm::slice() {
    try {
        comparison_->advance(kSliceBytes);
    } catch (const pal::IoError& e) {
        timer_->stop();
        ShowIoError(e);
        return;
    }
    if (view_->currentRow() < 0 && !userMoved_)
        if (const auto d = differenceAfter(-1)) view_->setCurrentRow(qint64(*d));
    view_->rowsChanged();
    updateStatus();
    if (comparison_->complete()) timer_->stop();
}

void TTextCompareForm::finishComparing() {
    timer_->stop();
    comparison_->runToEnd();
    view_->rowsChanged();
    updateStatus();
}

void TTextCompareForm::updateStatus() {
    const cmp::TextComparison& c = *comparison_;
    QString text;
    if (!c.complete()) {
        text = QStringLiteral("Comparing... %1%, %2 differences so far").arg(int(c.progress() * 100)).arg(c.differenceCount());
    } else if (c.differenceCount() == 0) {
        text = c.exact() ? QStringLiteral("The files are equal.") : QStringLiteral("No differences beyond the tolerance.");
    } else {
        text = QStringLiteral("%1 %2").arg(c.differenceCount()).arg(c.differenceCount() == 1 ? QStringLiteral("difference")
                                                                                                : QStringLiteral("differences"));
    }
    if (view_->currentRow() >= 0 && c.differenceCount()) {
        std::size_t n = 0;
        for (const cmp::TextBlock& b : c.blocks()) {
            if (b.kind == cmp::TextBlock::Changed) ++n;
            if (qint64(b.firstRow) >= view_->currentRow()) break;
        }
        text = QStringLiteral("Difference %1 of ").arg(n) + text.section(QLatin1Char(' '), 0, 0) +
               (c.complete() ? QString() : QStringLiteral(" so far"));
    }
    if (!c.exact()) {
        std::size_t close = 0;
        for (const cmp::TextBlock& b : c.blocks())
            if (b.kind == cmp::TextBlock::Close) close += b.leftCount;
        if (close) text += QStringLiteral("; %1 lines equal within the tolerance (\u2248)").arg(close);
    }
    status_->setText(text);
}

std::optional<std::size_t> TTextCompareForm::differenceAfter(qint64 row) const {
    if (row >= 0) return comparison_->nextDifference(std::size_t(row));
    if (comparison_->rowCount() && comparison_->row(0).kind == cmp::TextBlock::Changed) return 0;
    return comparison_->nextDifference(0);
}

bool TTextCompareForm::nextDifference() {
    userMoved_ = true;
    const qint64 from = view_->currentRow();
    std::optional<std::size_t> d = differenceAfter(from);
    if (!d && !comparison_->complete()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        while (!d && !comparison_->complete()) {
            comparison_->advance(kSliceBytes);
            d = differenceAfter(from);
        }
        QApplication::restoreOverrideCursor();
        view_->rowsChanged();
    }
    if (!d) {
        seams().alerts->beep();
        updateStatus();
        return false;
    }
    view_->setCurrentRow(qint64(*d));
    updateStatus();
    return true;
}

bool TTextCompareForm::previousDifference() {
    userMoved_ = true;
    if (view_->currentRow() <= 0) {
        seams().alerts->beep();
        return false;
    }
    const auto d = comparison_->previousDifference(std::size_t(view_->currentRow()));
    if (!d) {
        seams().alerts->beep();
        return false;
    }
    view_->setCurrentRow(qint64(*d));
    updateStatus();
    return true;
}

void TTextCompareForm::setExact(bool exact) {
    if (request_.exactText == exact) return;
    request_.exactText = exact;
    timer_->stop();
    try {
        start();
    } catch (const pal::IoError& e) {
        ShowIoError(e);
    }
}

void TTextCompareForm::copy() {
    if (view_->currentRow() < 0 || view_->currentRow() >= qint64(comparison_->rowCount())) return;
    const cmp::TextBlock& b = comparison_->blocks()[comparison_->row(std::size_t(view_->currentRow())).block];
    QString text;
    for (std::size_t k = 0; k < b.leftCount && k < 10000; ++k)
        text += QLatin1Char('-') + decode(comparison_->leftLine(b.left + k)) + QLatin1Char('\n');
    for (std::size_t k = 0; k < b.rightCount && k < 10000; ++k)
        text += QLatin1Char('+') + decode(comparison_->rightLine(b.right + k)) + QLatin1Char('\n');
    QApplication::clipboard()->setText(text);
}

void TTextCompareForm::Print(PrintContext& ctx) {
    finishComparing();
    ctx.textOut(ctx.leftMargin, ctx.y, windowTitle());
    ctx.NewLine(2);
    for (const cmp::TextBlock& b : comparison_->blocks()) {
        if (b.kind != cmp::TextBlock::Changed) continue;
        ctx.textOut(ctx.leftMargin, ctx.y, QStringLiteral("Reference line %1, new line %2:").arg(b.left + 1).arg(b.right + 1));
        ctx.NewLine(1);
        for (std::size_t k = 0; k < b.leftCount; ++k) {
            ctx.textOut(ctx.leftMargin, ctx.y, QLatin1Char('-') + textlines::expandTabs(decode(comparison_->leftLine(b.left + k))));
            ctx.NewLine(1);
        }
        for (std::size_t k = 0; k < b.rightCount; ++k) {
            ctx.textOut(ctx.leftMargin, ctx.y, QLatin1Char('+') + textlines::expandTabs(decode(comparison_->rightLine(b.right + k))));
            ctx.NewLine(1);
        }
    }
}
