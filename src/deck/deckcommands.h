// Deck editing in the main window: the Messages and Outline panels, the assist
// of every deck editor, F4 and Shift+F4, and the engine's messages of a run,
// read from its listing when the run has ended.
#pragma once
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

class QAction;
class QMainWindow;
class QMdiArea;
class TDocWindow;
class TMessagesDock;
class TOutlineDock;

namespace deckedit {

// What deck editing needs of the main window.
struct DeckHost {
    QMainWindow* window = nullptr;  // takes the panels, F4 and Shift+F4, shows counts in its status bar
    QMdiArea* area = nullptr;       // holds the document windows
    std::function<QList<TDocWindow*>()> documents;
    // Opens a file as File > Open does once it is chosen; false when a window refused to close.
    std::function<bool(const QString& path)> openFile;
    // Puts a new document window into the frame and shows it.
    std::function<void(TDocWindow* window)> addDocument;
    // Shows a listing in its viewer, as Windows > Listing does.
    std::function<void(const QString& path)> showListing;
};

// Creates the panels (before the window's remembered layout is restored) and
// connects them to the main window.
void install(const DeckHost& host);

TMessagesDock* messagesDock();
// The switches that show and hide the panels (Messages1, Outline1), for the Windows menu.
QList<QAction*> panelToggles();
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
