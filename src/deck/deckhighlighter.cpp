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
    setDocument(editor->document());
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

void TDeckHighlighter::highlightBlock(const QString& text) {
    const deck::LineState before = deck::LineState::unpack(previousBlockState());
    const std::u16string_view line(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    const int number = currentBlock().blockNumber();
    const bool colour = nearView(number);
    const deck::ClassifiedLine c = deck::classifyLine(line, before, colour);
    setCurrentBlockState(c.after.pack());
    if (!colour) {
        setCurrentBlockUserData(nullptr);
        return;
    }
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

void TDeckHighlighter::colourVisible() {
    if (colouring_ || !document()) return;
    colouring_ = true;
    const QScrollBar* bar = editor_->verticalScrollBar();
    const int page = std::max(bar->pageStep(), 1);
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
