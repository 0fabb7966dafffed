// Deck editing in the main window: the Messages and Outline panels, the assist
// of every deck editor, F4 and Shift+F4, and the engine's messages of a run,
// read from its listing when the run has ended.
#pragma once
#include <QDateTime>
#include <QString>

class QAction;
class TMessagesDock;
class TOutlineDock;
class TPALUMAROFORM;

namespace deckedit {

// Creates the panels (before the window's remembered layout is restored) and
// connects them to the main window.
void install(TPALUMAROFORM& main);

TMessagesDock* messagesDock();
TOutlineDock* outlineDock();

// Calculate on a deck or QUIVET file: its earlier messages go when the run
// starts; when it has ended, the messages of the listing it wrote (the listing
// named by the deck's ASSIGN, else the companion .LST) are listed and their
// count shown in the status bar.
void runStarting(const QString& deck);
void runFinished(const QString& deck, const QDateTime& started);

// A failed run of a table opened from its status column: the listing's
// messages are listed for the table's deck and the listing shows its first error.
void showRunListing(const QString& listing, const QString& deck);

}  // namespace deckedit
