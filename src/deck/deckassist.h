// TDeckAssist: what a deck editor knows beyond plain text. It colours the deck,
// keeps line numbers and message marks in the margin, reads the deck's outline
// and the values of its units a moment after typing stops, shows a value's
// parameter, unit and limits on hover, offers the installed types after TYPE,
// opens a type's help on F1, and goes to a line for a message or the outline.
#pragma once
#include <QObject>
#include <QPointer>
#include <QVector>
#include <vector>

#include "deck/deckgutter.h"
#include "deck/outline.h"
#include "deck/unitvalues.h"

class QCompleter;
class QStandardItemModel;
class QTimer;
class TDeckHighlighter;
class TEditForm;

class TDeckAssist : public QObject {
    Q_OBJECT
public:
    // Attaches to the editor window (and dies with it).
    explicit TDeckAssist(TEditForm& form);
    // The assist of an editor window; null when it has none.
    static TDeckAssist* of(const TEditForm* form);

    TEditForm& form() const { return form_; }
    TDeckHighlighter* highlighter() const { return highlighter_; }
    TDeckGutter* gutter() const { return gutter_; }

    // Puts the caret on a 1-based line (the nearest that exists) and shows it;
    // mark also highlights the whole line as the one a message is about.
    void goToLine(int line, bool mark);
    // The 1-based line highlighted by the last goToLine with mark (0 when none).
    int markedLine() const;

    // Reads outline and values now when the text changed since the last reading.
    void refresh();
    // The same reading away from the window (a long deck takes a while): the
    // result is taken when the text is still the one read, else read again.
    void readInBackground();
    bool reading() const { return reading_; }
    const std::vector<deck::OutlineEntry>& outline() const { return outline_; }
    const deck::DeckValues& values() const { return values_; }

    // The tooltip for a point of the editor's viewport ("" when nothing is there).
    QString hoverText(const QPoint& viewportPos);
    // Offers the installed types when the caret follows "TYPE" on a UNIT line;
    // false when it does not.
    bool offerTypes();
    QCompleter* completer() const { return completer_; }
    // The type number of the UNIT statement at the caret ("" when none).
    QString typeAtCaret() const;
    // F1: the help text of the type at the caret; false when there is none.
    bool showTypeHelp();

    // The interval after the last change before outline and values are read.
    static constexpr int kIdleMs = 400;
    // Decks up to this many lines are read at once when a hover needs it.
    static constexpr int kReadInWindow = 20000;

signals:
    // A reading found an outline other than the one before.
    void outlineChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Reading {
        int revision = -1;
        std::vector<deck::OutlineEntry> outline;
        deck::DeckValues values;
    };
    static Reading read(const std::vector<std::string>& lines, const std::string& folder, int revision);
    void take(Reading&& reading);
    void contentsChanged(int position, int removed, int added);
    void insertType(const QString& number);
    // The byte column of a character column of a line, as the deck is saved.
    std::size_t byteColumn(const QString& line, int column) const;
    int charColumn(const QString& line, std::size_t column) const;

    TEditForm& form_;
    TDeckHighlighter* highlighter_{nullptr};
    TDeckGutter* gutter_{nullptr};
    QTimer* idle_{nullptr};
    QCompleter* completer_{nullptr};
    QStandardItemModel* types_{nullptr};
    int readRevision_ = -1;
    bool reading_ = false;
    std::vector<deck::OutlineEntry> outline_;
    deck::DeckValues values_;
    int marked_ = 0;
};
