// TMessagesDock: the Messages panel under the windows. It lists what the
// program's message board holds (the engine's errors and warnings of the last run of each deck,
// QUIVET input errors, Make QUIVET's messages): severity, line, text and file.
// A double click, Enter, F4 or Shift+F4 asks for the message's line.
#pragma once
#include <QDockWidget>
#include <QVector>

#include "common/messageboard.h"

class QTreeWidget;

class TMessagesDock : public QDockWidget {
    Q_OBJECT
public:
    explicit TMessagesDock(QWidget* parent = nullptr);
    ~TMessagesDock() override;

    struct Entry {
        pal::MessageSource source = pal::MessageSource::Engine;
        QString file;
        pal::FileMessage message;
    };
    const QVector<Entry>& entries() const { return entries_; }
    QTreeWidget* list() const { return list_; }

    // F4 (+1) and Shift+F4 (-1): the next or previous message, wrapping; it is
    // selected and asked for. False when the list is empty.
    bool step(int direction);

signals:
    void messageActivated(const TMessagesDock::Entry& entry);

private:
    void rebuild();
    void activate(int row);

    QTreeWidget* list_{nullptr};
    QVector<Entry> entries_;
    int listener_ = 0;
};
