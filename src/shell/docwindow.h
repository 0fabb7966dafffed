// TDocWindow: the base of every document window of the main frame (editors,
// viewers, diagrams, tables, plots, QUIVET forms). It carries the window-kind tag
// on which the main window dispatches its menus, saving and closing.
#pragma once
#include <QWidget>

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

// The text editor kinds: deck, QUIVET file as text, any other text.
constexpr bool isEditor(int tag) { return tag == DeckEditor || tag == QuivetEditor || tag == TextEditor; }
}  // namespace Kind

class TDocWindow : public QWidget {
    Q_OBJECT
public:
    explicit TDocWindow(int tag, QWidget* parent = nullptr);

    int Tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // The save question asked before the window closes; true when it may close.
    virtual bool FormCloseQuery() { return true; }
    // Prints the window's content into the running print job.
    virtual void Print(PrintContext& ctx);
    // The file the window shows ("" when none); editors and viewers override it.
    virtual QString fileName() const { return {}; }
    // Called when the window becomes the active document window.
    virtual void FormActivate() {}

    // What running the engine needs of the input window: whether the deck was
    // changed since it was stored, the operation that stores it (throws
    // pal::IoError), and the commands run before and after the engine.
    virtual bool isModified() const { return false; }
    virtual void saveForRun() {}
    virtual QString beforeCommand() const { return {}; }
    virtual QString afterCommand() const { return {}; }

    // Saving under a name: the document is written to path (editors take it as
    // their file name). documentName() is the name the document is saved under
    // ("" when it has none yet). Both throw pal::IoError on failure.
    virtual void saveTo(const QString& path) { Q_UNUSED(path); }
    virtual QString documentName() const { return fileName(); }

    // Edit commands of windows that are not text editors (tables, forms).
    virtual void CopytoClip() {}
    virtual void Clear() {}
    virtual void Paste() {}

    // Converts the values shown from one unit system to another (QUIVET forms).
    virtual void convertUnits(int oldSystem, int newSystem) { Q_UNUSED(oldSystem); Q_UNUSED(newSystem); }

    // The printed height in printer pixels of a window that prints as one block
    // (the plot window); 0 for windows that print line by line.
    virtual int PrintHeight(const PrintContext&) const { return 0; }

    // Closes and destroys the window without the save question.
    void closeWithoutQuery();

signals:
    // The window agreed to close and is about to be destroyed.
    void windowClosing(TDocWindow* window);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int tag_;
    bool forceClose_ = false;
};
