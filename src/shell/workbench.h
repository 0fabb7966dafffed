// Workbench: what the commands of a subsystem may ask of the main window that
// hosts them: its document windows, the files it works on, opening documents,
// the progress window and a notice that the menus must follow a change. The
// main window implements it; the subsystems never see the main window class.
#pragma once
#include <QList>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QWidget;
class TCompiling;
class TDocWindow;

class Workbench {
public:
    // The frame: parent of the subsystems' dialogs and context of their connections.
    virtual QWidget* frame() = 0;

    // The active document window while it is open, else null.
    virtual TDocWindow* activeDocument() const = 0;
    virtual void setActiveDocument(TDocWindow* window) = 0;
    // The open document windows, in creation order.
    virtual QList<TDocWindow*> documents() const = 0;
    // The one run table window, if any.
    virtual TDocWindow* currentTable() const = 0;
    // The deck or QUIVET file last opened ("" when none).
    virtual QString currentInputFile() const = 0;
    // The plot data file of the last run ("" when none is known), and whether
    // the engine is still writing it (a new plot then follows it).
    virtual QString plotDataFile() const = 0;
    virtual bool plotDataRunning() const = 0;

    // Puts a new document window into the frame, shows and activates it.
    virtual void addDocument(TDocWindow* window) = 0;
    // Opens a file as File > Open does once it is chosen.
    virtual void openFile(const QString& path) = 0;
    // Opens a listing in a viewer (the Windows menu's listing).
    virtual void openListing(const QString& path) = 0;
    // The listing, output and plot data files a run of deck left (or, while it
    // runs, the ones it has begun): the Windows menu's entries and the plot
    // data follow them; nothing opens.
    enum RunResult { Listing = 1, Output = 2, PlotData = 4, AllResults = 7 };
    virtual void takeRunResults(const QString& deck, int which = AllResults) = 0;
    // The plot data file a running engine writes (running true) or has ended.
    virtual void setPlotDataRunning(const QString& path, bool running) = 0;
    // The save questions of every window of the given kinds, in window order;
    // false when one answered Cancel.
    virtual bool askToClose(const QList<int>& kinds) = 0;
    // Closes every window of a kind without asking.
    virtual void closeDocuments(int kind) = 0;

    // Adds a subsystem's command to a menu before the item named before (at the
    // end when null); the menus are updated after it ran. menuStates below set
    // its enabled state.
    virtual void addMenuCommand(const char* menu, const char* before, const char* name, const QString& caption,
                                std::function<void()> command) = 0;
    // A source of the enabled states of subsystem items, asked at every menu update.
    virtual void addMenuStates(std::function<std::vector<std::pair<const char*, bool>>()> states) = 0;

    // The small progress window of long operations.
    virtual TCompiling* progressWindow() const = 0;
    // Something outside a menu command (a run that ended) changed what the
    // menus offer.
    virtual void menusChanged() = 0;

protected:
    ~Workbench() = default;
};
