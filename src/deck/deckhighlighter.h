// TDeckHighlighter: the colours of a deck in its editor. Every line's reading
// state is carried through the whole deck (a CONSTANTS count decides what the
// lines after it are), but only the lines in view, and a page around them, get
// their colours: a deck of any length opens at once, and scrolling colours
// what comes into view. Far from the view a change of state is not followed
// at once: the lines there are read again in pieces while the window is idle,
// and before they come into view. Values outside their type's limits are
// underlined.
#pragma once
#include <QHash>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTextCursor>
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
    // Whether lines still wait to be read again (their states may be old).
    bool readingOn() const { return !stale_.isEmpty(); }
    // Lines read again in one piece while the window is idle.
    static constexpr int kPiece = 500;

protected:
    void highlightBlock(const QString& text) override;

private:
    bool nearView(int blockNumber) const;
    // Reads stale lines again, the first first, and follows their changes of
    // state: at most lines far lines.
    void readOn(int lines);
    int firstStale() const;  // -1 when none

    QPlainTextEdit* editor_;
    QTimer* colourSoon_{nullptr};
    QHash<int, QVector<Span>> limitMarks_;
    QTimer* readSoon_{nullptr};
    bool colouring_ = false;
    // A far line the editor gave to read: it keeps its state for now.
    void keepStale(const QTextBlock& block);

    // Stretches of lines whose states may be old (the cursors follow edits).
    struct Stretch {
        QTextCursor first, last;
    };
    QVector<Stretch> stale_;
    int budget_ = 0;     // far lines that may still be read in this piece
    int lastRead_ = -1;  // the last line read
    // The line kept last, its stretch and the text's revision then.
    int keptLine_ = -1, keptRevision_ = -1;
    qsizetype keptStretch_ = 0;
};
