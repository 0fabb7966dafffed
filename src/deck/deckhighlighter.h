// TDeckHighlighter: the colours of a deck in its editor. Every line's reading
// state is carried through the whole deck (a CONSTANTS count decides what the
// lines after it are), but only the lines in view, and a page around them, get
// their colours: a deck of any length opens at once, and scrolling colours
// what comes into view. Values outside their type's limits are underlined.
#pragma once
#include <QHash>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QVector>

#include "deck/deckline.h"

class QPlainTextEdit;
class QTimer;

class TDeckHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    // Colours the editor's document; its lines must not wrap (one block, one line).
    explicit TDeckHighlighter(QPlainTextEdit* editor);

    // A span of a line, in characters of the editor's text.
    struct Span {
        int start = 0;
        int length = 0;
        friend bool operator==(const Span&, const Span&) = default;
    };
    // The values to underline, by 0-based line; the lines whose marks change are
    // coloured again.
    void setLimitMarks(QHash<int, QVector<Span>> marks);

    static QTextCharFormat formatOf(deck::Token token);
    static QTextCharFormat limitFormat();

    // Colours the lines in view that have none yet.
    void colourVisible();
    // The line's reading state as the editor holds it (for the outline and tests).
    static deck::LineState stateAfter(const QTextBlock& block);

protected:
    void highlightBlock(const QString& text) override;

private:
    bool nearView(int blockNumber) const;

    QPlainTextEdit* editor_;
    QTimer* colourSoon_{nullptr};
    QHash<int, QVector<Span>> limitMarks_;
    bool colouring_ = false;
};
