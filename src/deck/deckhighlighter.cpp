#include "deck/deckhighlighter.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTimer>

namespace {

// Tells that a line holds its colours (a line far from the view holds none).
class Coloured : public QTextBlockUserData {};

// Lines coloured around the view at least, however small the window.
constexpr int kMinPage = 100;

}  // namespace

TDeckHighlighter::TDeckHighlighter(QPlainTextEdit* editor) : QSyntaxHighlighter(editor->document()), editor_(editor) {
    setObjectName(QStringLiteral("DeckHighlighter"));
    // Scrolling and resizing bring lines into view.
    connect(editor_, &QPlainTextEdit::updateRequest, this, [this] { colourVisible(); });
    // A jump may scroll while the editor itself still lays out: colour once it is done.
    colourSoon_ = new QTimer(this);
    colourSoon_->setSingleShot(true);
    colourSoon_->setInterval(0);
    connect(colourSoon_, &QTimer::timeout, this, &TDeckHighlighter::colourVisible);
    connect(editor_->verticalScrollBar(), &QScrollBar::valueChanged, colourSoon_, qOverload<>(&QTimer::start));
    connect(editor_, &QPlainTextEdit::cursorPositionChanged, colourSoon_, qOverload<>(&QTimer::start));
    readSoon_ = new QTimer(this);
    readSoon_->setSingleShot(true);
    readSoon_->setInterval(0);
    connect(readSoon_, &QTimer::timeout, this, [this] { readOn(kPiece); });
}

QTextCharFormat TDeckHighlighter::formatOf(deck::Token token) {
    QTextCharFormat f;
    switch (token) {
        case deck::Token::Keyword:
            f.setForeground(QColor(0x00, 0x00, 0xA0));
            f.setFontWeight(QFont::Bold);
            break;
        case deck::Token::Comment:
        case deck::Token::Remark:
            f.setForeground(QColor(0x00, 0x80, 0x00));
            break;
        case deck::Token::Descriptor: f.setForeground(QColor(0x80, 0x00, 0x80)); break;
        case deck::Token::Number: f.setForeground(QColor(0xA0, 0x50, 0x00)); break;
        case deck::Token::ConstantName: f.setForeground(QColor(0x00, 0x60, 0x80)); break;
        case deck::Token::EquationName:
            f.setForeground(QColor(0x00, 0x60, 0x80));
            f.setFontItalic(true);
            break;
        case deck::Token::FileName:
            f.setForeground(QColor(0x80, 0x40, 0x00));
            f.setFontUnderline(true);
            break;
        case deck::Token::Ignored: f.setForeground(QColor(0x90, 0x90, 0x90)); break;
    }
    return f;
}

QTextCharFormat TDeckHighlighter::limitFormat() {
    QTextCharFormat f;
    f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    f.setUnderlineColor(Qt::red);
    return f;
}

deck::LineState TDeckHighlighter::stateAfter(const QTextBlock& block) { return deck::LineState::unpack(block.userState()); }

bool TDeckHighlighter::nearView(int blockNumber) const {
    // Without wrapping the scroll bar counts lines: its value is the first line
    // in view and its page step the lines in view.
    const QScrollBar* bar = editor_->verticalScrollBar();
    const int page = std::max(bar->pageStep(), kMinPage);
    return blockNumber >= bar->value() - page && blockNumber <= bar->value() + 2 * page;
}

int TDeckHighlighter::firstStale() const {
    int first = -1;
    for (const Stretch& s : stale_)
        if (first < 0 || s.first.blockNumber() < first) first = s.first.blockNumber();
    return first;
}

void TDeckHighlighter::keepStale(const QTextBlock& block) {
    const int number = block.blockNumber();
    // The editor's pass goes line by line: the stretch of the line before grows.
    const int revision = document()->revision();
    if (revision == keptRevision_ && number == keptLine_ + 1 && keptStretch_ < stale_.size()) {
        QTextCursor& last = stale_[keptStretch_].last;
        if (last.position() < block.position()) last.setPosition(block.position());
        keptLine_ = number;
        return;
    }
    keptRevision_ = revision;
    keptLine_ = number;
    for (qsizetype i = 0; i < stale_.size(); ++i) {
        Stretch& s = stale_[i];
        keptStretch_ = i;
        const int first = s.first.blockNumber(), last = s.last.blockNumber();
        if (number >= first && number <= last) return;
        if (number == last + 1) {
            s.last.setPosition(block.position());
            return;
        }
    }
    keptStretch_ = stale_.size();
    stale_.push_back({QTextCursor(block), QTextCursor(block)});
    readSoon_->start();
}

void TDeckHighlighter::highlightBlock(const QString& text) {
    const int number = currentBlock().blockNumber();
    const bool colour = nearView(number);
    if (!colour) {
        setCurrentBlockUserData(nullptr);
        // Far from the view the line keeps its state, which ends the editor's
        // pass here, and is read again later.
        if (budget_ <= 0) {
            keepStale(currentBlock());
            return;
        }
        --budget_;
    }
    lastRead_ = number;
    const deck::LineState before = deck::LineState::unpack(previousBlockState());
    const std::u16string_view line(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    const deck::ClassifiedLine c = deck::classifyLine(line, before, colour);
    setCurrentBlockState(c.after.pack());
    if (!colour) return;
    for (const deck::TokenSpan& t : c.tokens)
        setFormat(static_cast<int>(t.start), static_cast<int>(t.length), formatOf(t.kind));
    const auto marks = limitMarks_.constFind(number);
    if (marks != limitMarks_.constEnd())
        for (const Span& s : *marks) {
            QTextCharFormat f = format(s.start);
            f.merge(limitFormat());
            setFormat(s.start, s.length, f);
        }
    if (!currentBlockUserData()) setCurrentBlockUserData(new Coloured);
}

void TDeckHighlighter::readOn(int lines) {
    if (!document()) return;
    budget_ = lines;
    while (budget_ > 0 && !stale_.isEmpty()) {
        qsizetype i = 0;
        for (qsizetype k = 1; k < stale_.size(); ++k)
            if (stale_[k].first.blockNumber() < stale_[i].first.blockNumber()) i = k;
        QTextBlock b = stale_[i].first.block();
        const int last = stale_[i].last.blockNumber();
        stale_.removeAt(i);
        keptRevision_ = -1;
        // Every line of the stretch is read again (its text may have changed
        // while it was far), and a changed state is followed while the piece lasts.
        while (b.isValid() && b.blockNumber() <= last && budget_ > 0) {
            lastRead_ = b.blockNumber();
            rehighlightBlock(b);
            b = document()->findBlockByNumber(std::max(lastRead_, b.blockNumber()) + 1);
        }
        if (b.isValid() && b.blockNumber() <= last) {
            keepStale(b);
            QTextCursor end(document()->findBlockByNumber(last));
            for (Stretch& s : stale_)
                if (s.first.blockNumber() == b.blockNumber() && s.last.blockNumber() < last) s.last = end;
        }
    }
    budget_ = 0;
    if (!stale_.isEmpty()) readSoon_->start();
}

void TDeckHighlighter::colourVisible() {
    if (colouring_ || !document()) return;
    colouring_ = true;
    const QScrollBar* bar = editor_->verticalScrollBar();
    const int page = std::max(bar->pageStep(), 1);
    // The lines above the view are read first: their states decide its colours.
    for (int first = firstStale(); first >= 0 && first < bar->value(); first = firstStale())
        readOn(bar->value() - first + 1);
    QTextBlock b = document()->findBlockByNumber(std::max(bar->value(), 0));
    for (int k = 0; k <= page && b.isValid(); ++k, b = b.next())
        if (!b.userData()) rehighlightBlock(b);
    colouring_ = false;
}

void TDeckHighlighter::setLimitMarks(QHash<int, QVector<Span>> marks) {
    QSet<int> changed;
    for (auto it = limitMarks_.constBegin(); it != limitMarks_.constEnd(); ++it)
        if (marks.value(it.key()) != it.value()) changed.insert(it.key());
    for (auto it = marks.constBegin(); it != marks.constEnd(); ++it)
        if (limitMarks_.value(it.key()) != it.value()) changed.insert(it.key());
    limitMarks_ = std::move(marks);
    for (int line : std::as_const(changed)) {
        const QTextBlock b = document()->findBlockByNumber(line);
        // A line out of view gets its marks when it comes into view.
        if (b.isValid() && b.userData()) rehighlightBlock(b);
    }
}
