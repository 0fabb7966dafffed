#include "deck/deckgutter.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QTextBlock>
#include <QToolTip>

#include "text/editoru.h"

namespace {

QColor markColour(deck::Severity s) { return s == deck::Severity::Error ? QColor(0xD0, 0x20, 0x20) : QColor(0xE0, 0xA0, 0x00); }

}  // namespace

TDeckGutter::TDeckGutter(TEditControl* editor) : QWidget(editor), editor_(editor) {
    setObjectName(QStringLiteral("DeckGutter"));
    setCursor(Qt::ArrowCursor);
    editor_->installEventFilter(this);
    connect(editor_, &QPlainTextEdit::updateRequest, this, [this](const QRect& r, int dy) {
        if (dy)
            scroll(0, dy);
        else
            update(0, r.y(), width(), r.height());
    });
    connect(editor_, &QPlainTextEdit::blockCountChanged, this, [this] { place(); });
    place();
    show();
}

int TDeckGutter::widthNeeded() const {
    const QFontMetrics fm(editor_->font());
    int digits = 1;
    for (int n = std::max(1, editor_->blockCount()); n >= 10; n /= 10) ++digits;
    return fm.height() + fm.horizontalAdvance(QLatin1Char('9')) * std::max(digits, 3) + 6;
}

void TDeckGutter::place() {
    const int w = widthNeeded();
    if (w != width()) editor_->setLeftMargin(w);
    const QRect cr = editor_->contentsRect();
    setGeometry(cr.left(), cr.top(), w, cr.height());
}

bool TDeckGutter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)) place();
    return QWidget::eventFilter(watched, event);
}

void TDeckGutter::setMarks(const QVector<Mark>& marks) {
    marks_.clear();
    QTextDocument* doc = editor_->document();
    for (const Mark& m : marks) {
        const QTextBlock b = doc->findBlockByNumber(std::clamp(m.line, 1, doc->blockCount()) - 1);
        marks_.push_back({QTextCursor(b), m.severity, m.text});
    }
    update();
}

QVector<QPair<int, deck::Severity>> TDeckGutter::markedLines() const {
    QVector<QPair<int, deck::Severity>> out;
    for (const Held& m : marks_) {
        const int line = m.at.block().blockNumber() + 1;
        auto it = std::find_if(out.begin(), out.end(), [line](const auto& p) { return p.first == line; });
        if (it == out.end())
            out.push_back({line, m.severity});
        else if (m.severity == deck::Severity::Error)
            it->second = m.severity;
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return out;
}

int TDeckGutter::lineAt(int y) const {
    const QTextCursor c = editor_->cursorForPosition(QPoint(0, y));
    return c.isNull() ? 0 : c.blockNumber() + 1;
}

void TDeckGutter::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), QColor(0xF0, 0xF0, 0xF0));
    const auto marked = markedLines();
    const QFontMetrics fm(editor_->font());
    p.setFont(editor_->font());
    const int dot = fm.height() / 2;
    const int bottom = event->rect().bottom();
    for (QTextBlock b = editor_->cursorForPosition(QPoint(0, event->rect().top())).block(); b.isValid(); b = b.next()) {
        const QRect r = editor_->cursorRect(QTextCursor(b));
        if (r.top() > bottom) break;
        const int line = b.blockNumber() + 1;
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawText(QRect(fm.height(), r.top(), width() - fm.height() - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(line));
        const auto m = std::find_if(marked.begin(), marked.end(), [line](const auto& x) { return x.first == line; });
        if (m != marked.end()) {
            p.setPen(Qt::NoPen);
            p.setBrush(markColour(m->second));
            p.drawEllipse(QPoint(fm.height() / 2 + 1, r.top() + fm.height() / 2), dot / 2 + 2, dot / 2 + 2);
        }
    }
}

bool TDeckGutter::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int line = lineAt(help->pos().y());
        QStringList texts;
        for (const Held& m : marks_)
            if (m.at.block().blockNumber() + 1 == line) texts << m.text;
        if (texts.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), texts.join(QLatin1Char('\n')), this);
        return true;
    }
    return QWidget::event(event);
}
