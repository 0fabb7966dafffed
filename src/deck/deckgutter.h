// TDeckGutter: the margin left of a deck's text: line numbers, and a mark
// beside each line that the engine or a QUIVET reading reported. The marks
// follow their lines while the deck is edited.
#pragma once
#include <QTextCursor>
#include <QVector>
#include <QWidget>

#include "deck/listingmessages.h"

class QPlainTextEdit;
class TEditControl;

class TDeckGutter : public QWidget {
    Q_OBJECT
public:
    explicit TDeckGutter(TEditControl* editor);

    struct Mark {
        int line = 0;  // 1-based, when set
        deck::Severity severity = deck::Severity::Error;
        QString text;
    };
    void setMarks(const QVector<Mark>& marks);
    // The marked lines as they stand now (1-based), with the worst severity.
    QVector<QPair<int, deck::Severity>> markedLines() const;
    int widthNeeded() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    // The line shown at a height of the gutter; 0 when none.
    int lineAt(int y) const;

    TEditControl* editor_;
    struct Held {
        QTextCursor at;  // moves with the text
        deck::Severity severity;
        QString text;
    };
    QVector<Held> marks_;
};
