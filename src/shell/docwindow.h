// TDocWindow: the base of every document window of the main frame (editors,
// viewers, diagrams, tables, plots, QUIVET forms). It carries the window-kind tag
// of the menu state and the file dispatch; each window does the main window's
// File and Edit commands itself and asks its one close question here.
#pragma once
#include <QWidget>
#include <functional>
#include <optional>

#include "common/diskfile.h"

struct PrintContext;

namespace Kind {
constexpr int DeckEditor = 1000;
constexpr int QuivetForm = 2000;
constexpr int QuivetEditor = 2100;
constexpr int Viewer = 3000;
constexpr int Plot = 4000;
constexpr int Table = 5000;
constexpr int OutputViewer = 6000;
constexpr int TextEditor = 7000;
constexpr int Diagram = 8000;
constexpr int Comparison = 9000;  // the windows that compare results

// The text editor kinds: deck, QUIVET file as text, any other text.
constexpr bool isEditor(int tag) { return tag == DeckEditor || tag == QuivetEditor || tag == TextEditor; }
}  // namespace Kind

// Which search Edit > Search Again repeats.
enum class LastSearch { None, Find, Replace };

class TDocWindow : public QWidget {
    Q_OBJECT
public:
    explicit TDocWindow(int tag, QWidget* parent = nullptr);

    int Tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // ---- File > Save and Save as ----
    // Stores the document where it belongs, asking for a name when it has none.
    // True when it is stored (or the kind has nothing to store); false when the
    // user cancelled or the write failed (the failure has been shown).
    virtual bool save() { return true; }
    // Asks for a name (suggestedName proposed) and stores the document under it.
    // The window's name and caption change only when the write succeeded.
    virtual bool saveAs(const QString& suggestedName) {
        Q_UNUSED(suggestedName);
        return true;
    }

    // ---- the Edit menu (nothing where a kind has no such command) ----
    virtual void cut() {}
    virtual void copy() {}
    virtual void paste() {}
    virtual void clear() {}
    virtual void find() {}
    // Shows the replace dialog; false when the kind has none.
    virtual bool replace() { return false; }
    virtual void searchAgain(LastSearch last) { Q_UNUSED(last); }

    // ---- closing ----
    // The save question asked before the window closes ("<name> has been
    // changed.  Save it?" with Yes, No and Cancel); Yes saves with save(). True
    // when the window may close: not asked, No, or Yes and the save succeeded.
    virtual bool FormCloseQuery();
    // Whether the document holds changes that are not stored.
    virtual bool isModified() const { return false; }
    // Whether File > Save has something to write: the changes not stored (and,
    // for a kind that says so, a document never stored).
    virtual bool needsSave() const { return isModified(); }
    // Closes and destroys the window without the save question.
    void closeWithoutQuery();
    // Shows the modified state in the frame's caption (Qt's "[*]" marker beside
    // the caption, which itself stays the document's name); called whenever the
    // modified state may have changed.
    void refreshModifiedMarker();

    // Prints the window's content into the running print job.
    virtual void Print(PrintContext& ctx);
    // The file the window shows ("" when none); editors and viewers override it.
    virtual QString fileName() const { return {}; }
    // Windows on a file a running engine writes (text viewers, plot windows):
    // canFollowRun() when followRun() can start following the window's own file;
    // followsRun() while it follows runFile(); endRun() once the engine has ended
    // (one last look, then the window shows the finished file).
    virtual bool canFollowRun() const { return false; }
    virtual void followRun() {}
    virtual bool followsRun() const { return false; }
    virtual QString runFile() const { return {}; }
    virtual void endRun() {}
    // Called when the window becomes the active document window.
    virtual void FormActivate() {}

    // What running the engine needs of the input window: the operation that
    // stores the deck before a run (throws pal::IoError, pal::SaveNotDone when
    // the user cancelled), and the commands run before and after the engine.
    virtual void saveForRun() {}
    // A modified document is offered for saving before a command uses its
    // stored file ("Do you wish to save file X before <doing>?"); false when
    // the save was wanted and failed (the failure was shown; the command stops).
    bool offerSaveBefore(const QString& doing);
    virtual QString beforeCommand() const { return {}; }
    virtual QString afterCommand() const { return {}; }

    // Writes the document to path and makes path its name (throws pal::IoError);
    // documentName() is the name the document is stored under ("" when none).
    virtual void saveTo(const QString& path) { Q_UNUSED(path); }
    virtual QString documentName() const { return fileName(); }

    // ---- the file on disk ----
    // Notes which version of the window's file (documentName()) is on disk now,
    // after the window read or stored it, and watches it for other programs'
    // changes. The main window calls it when the window opens.
    void rememberDiskFile();
    // Whether the window's file on disk is not the version it read or stored.
    bool diskFileChanged() const;
    // Offers to reload a window without changes whose file another program has
    // changed (asked while the window is its frame's current one; a version
    // the user declined is not offered again). Called on change notices and
    // when the window becomes active.
    void checkDiskFile();
    // Whether the kind can read its file again (editors and viewers): only those
    // are watched and offered a reload, and may drop their changes for another
    // program's version when saving.
    virtual bool canReload() const { return false; }
    // Reads the window's file again, dropping what the window holds; true when
    // done. Throws pal::IoError.
    virtual bool reloadFromDisk() { return false; }

    // Converts the values shown from one unit system to another (QUIVET forms).
    virtual void convertUnits(int oldSystem, int newSystem) { Q_UNUSED(oldSystem); Q_UNUSED(newSystem); }

    // The printed height in printer pixels of a window that prints as one block
    // (the plot window); 0 for windows that print line by line.
    virtual int PrintHeight(const PrintContext&) const { return 0; }

signals:
    // The window agreed to close and is about to be destroyed.
    void windowClosing(TDocWindow* window);
    // The main window's menus must follow a change in the window.
    void menusChanged();
    // The document was stored under a new name.
    void documentRenamed(TDocWindow* window, const QString& oldName, const QString& newName);
    // The window's companion file of its kind (a table's file) is now path.
    void companionFileChanged(int tag, const QString& path);
    // The window holds the one run table now.
    void becameCurrentTable(TDocWindow* window);

protected:
    void closeEvent(QCloseEvent* event) override;

    // Whether closing must ask: the modified state, unless a kind has its own rule.
    virtual bool asksBeforeClosing() const { return isModified(); }
    // The name in the close question when the document has none yet.
    virtual QString unnamedDocument() const { return QStringLiteral("This file"); }

    // The save dialog of the program (its filters, overwrite prompt) with a title,
    // an initial file name (in its folder) and a default suffix (without the
    // dot), the filter of the name's kind selected; the chosen path, or nothing
    // when the user cancelled.
    static std::optional<QString> askSaveName(const QString& title, const QString& fileName,
                                              const QString& defaultSuffix = QStringLiteral("dck"));
    // Runs write(), a store of the document. A write over the window's own file
    // that another program has changed since the window read it is not done:
    // the user chooses to overwrite it (write() runs again), to reload the
    // other version instead, or to cancel (pal::SaveNotDone is thrown). Other
    // failures are thrown as write() threw them.
    void storeChecked(const std::function<void()>& write);
    // storeChecked, with a failure shown: true when stored (or reloaded).
    bool reportFailure(const std::function<void()>& write);
    static void showWriteFailure(const std::exception& error);

    void changeEvent(QEvent* event) override;

private:
    enum class DiskChoice { Overwrite, Reload, Cancel };
    DiskChoice askChangedOnDisk(const QString& name);

    int tag_;
    bool forceClose_ = false;
    QString diskPath_;            // the file whose version is noted
    pal::FileVersion diskStamp_;    // its version when read or stored
    pal::FileVersion declined_;     // a changed version the user chose not to reload
    bool askingAboutDisk_ = false;
};
