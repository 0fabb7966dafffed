// TPALUMAROFORM: the main frame window. It owns every document window, carries the
// whole menu tree, keeps the recent-file list and dispatches the menu commands to
// the active document window by its kind or to the subsystems' commands, which
// see it only as a Workbench. The menus follow every command once, when it has
// run, and every window activation.
#pragma once
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

#include "mainwindow/desktopintegration.h"
#include "shell/docwindow.h"
#include "mainwindow/recentfiles.h"
#include "shell/seams.h"
#include "shell/workbench.h"

class QAction;
class QMenu;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;
class TAboutBox;
class TSetupDlg;
class TPrintDlg;
class TCompiling;
class TEditForm;

class TPALUMAROFORM : public QMainWindow, public Workbench, public DesktopFrame {
    Q_OBJECT
public:
    // Runs the creation handler (FormCreate): settings, menus, recent list, index look-up.
    explicit TPALUMAROFORM(QWidget* parent = nullptr);
    ~TPALUMAROFORM() override;

    // ---- menu tree ----
    QAction* item(const QString& name) const override;  // by objectName ("Open1")
    QMenu* menu(const QString& name) const;    // by objectName ("File1")
    QMenu* fileMenu() const { return File1; }
    QMenu* windowsMenu() const { return Windows1; }
    QMenu* outputMenu() const { return Output1; }

    void UpdateMenu();
    void FixFileNameList();
    void OpenFileItem(QAction* item);
    RecentFiles& recentFiles() { return recent_; }
    void writeRecentFiles();  // PALUMARO.FNL in the program directory

    // ---- document windows ----
    // Puts a new document window into the frame and shows it.
    QMdiSubWindow* addDocWindow(TDocWindow* window);
    QList<TDocWindow*> docWindows() const;  // in window (creation) order
    int docWindowCount() const { return docWindows().size(); }
    TDocWindow* activeDocWindow() const { return active_; }
    void setActiveDocWindow(TDocWindow* w);
    void bringToFront(TDocWindow* w);
    QMdiArea* mdiArea() const override { return mdi_; }
    QMainWindow& mainWindow() override { return *this; }

    // ---- file dispatch ----
    void Open1Click();
    void ReadaFile(const QString& path);
    void GetLSTFile(const QString& path, bool open);
    void GetOUTFile(const QString& path, bool open);
    void GetPLTFile(const QString& path, bool open);
    void GetTBLFile(const QString& path, bool open);
    void GetDGMFile(const QString& path);
    void DisposeKALVEXWindows(int tag);
    // The save questions of every window of the given kinds, in window order,
    // before a command closes them; false when one answered Cancel (the command
    // then stops).
    bool closeQueries(const QList<int>& tags);
    // The kinds that opening another deck or QUIVET file replaces.
    static QList<int> inputKinds() { return {Kind::DeckEditor, Kind::QuivetEditor, Kind::QuivetForm, Kind::Table}; }
    void OpenOutFile(QAction* item);
    void Input1Click();
    void Listing1Click();
    void Table1Click();
    void Diagram1Click();
    void EditQUIVETfile1Click();
    void New1Click();
    void Save1Click();
    void Saveas1Click();
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void Clear1Click();
    void Find1Click();
    void Replace1Click();
    void SearchAgain1Click() override;

    // ---- commands of other subsystems ----
    void Calculate1Click();
    void RunTable1Click();
    void NewTable1Click();
    void AlterTable1Click();
    void InsertDeleteRuns1Click();
    void InsertDeleteVars1Click();
    void NewPlot1Click();
    void OverlayPlot1Click();
    void ModifyPlot1Click();
    void PlotTableRuns1Click();
    void Export1Click();
    void MakeQUIVETfile1Click();
    void CompileModule1Click();
    void RebuildKALVEX1Click();
    void ExecuteCommand1Click();
    void MORDAX1Click();
    void TEKLOR1Click();
    void ULM1Click();
    void GASK1Click();
    void DEBUG1Click();
    void Utilities1Click();
    void KALVEXIndex1Click();
    void TypesIndex1Click();
    void KALVEXIndex2Click();
    void KALVEXErrorMessges1Click();
    void Setup1Click();
    void Print1Click();
    void PrintPreview1Click();
    void PrintSetup1Click();
    void About1Click();
    void Exit1Click();
    void SIUnitsClick();
    void EnglishUnitsClick();

    // ---- state ----
    bool lastSearchWasFind = false;
    bool lastSearchWasReplace = false;
    QString plotDataFileName;     // enables New Plot when not empty
    QString currentInputFileName;
    bool indexFilePresent = false;
    bool firstOpenPending = false;
    QString indexFileName;

    TSetupDlg* setupDlg() const { return setupDlg_; }
    TPrintDlg* printDlg() const { return printDlg_; }
    TCompiling* compiling() const { return compiling_; }

    // ---- Workbench ----
    QWidget* frame() override { return this; }
    TDocWindow* activeDocument() const override { return openActive(); }
    void setActiveDocument(TDocWindow* window) override { setActiveDocWindow(window); }
    QList<TDocWindow*> documents() const override { return docWindows(); }
    TDocWindow* currentTable() const override { return currentTable_.data(); }
    QString currentInputFile() const override { return currentInputFileName; }
    QString plotDataFile() const override { return plotDataFileName; }
    bool plotDataRunning() const override { return plotDataRunning_; }
    void setPlotDataRunning(const QString& path, bool running) override;
    void addDocument(TDocWindow* window) override { addDocWindow(window); }
    void openFile(const QString& path) override { ReadaFile(path); }
    void openListing(const QString& path) override { GetLSTFile(path, true); }
    void takeRunResults(const QString& deck, int which = AllResults) override;
    bool askToClose(const QList<int>& kinds) override { return closeQueries(kinds); }
    void closeDocuments(int kind) override { DisposeKALVEXWindows(kind); }
    TCompiling* progressWindow() const override { return compiling_; }
    void menusChanged() override { UpdateMenu(); }
    void addMenuCommand(const char* menu, const char* before, const char* name, const QString& caption,
                        std::function<void()> command) override;
    void addMenuStates(std::function<std::vector<std::pair<const char*, bool>>()> states) override {
        menuStates_.push_back(std::move(states));
    }
    TAboutBox* aboutBox() const { return about_; }
    QPrinter& printer();

    // True when start-up could not read the settings file; the program ends.
    bool startFailed() const { return startFailed_; }

    // Start-up steps after the window exists: create the dialogs, show the about
    // box, set the first-open flag and, in QUIVET mode, run File > Open.
    void startUp();

    // ---- desktop integration (keys, drops, start folder, geometry) ----
    DesktopIntegration* desktop() const { return desktop_; }
    // File > Open's work once a file is chosen, for a file named on the command
    // line or dropped on the frame: the close questions and closing of output
    // viewers first, then the file by its kind. False when a window refused.
    bool openAsChosen(const QString& path) override;
    // Files to open at start-up in place of QUIVET mode's first File > Open.
    QStringList startFiles;

    // Unit conversion of the open QUIVET form windows after the setup dialog or the
    // units items changed the unit system (filled in by the QUIVET form window).
    void convertQuivetUnits(int oldSystem, int newSystem);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs a subsystem's command, then updates the menus.
    void command(const std::function<void()>& body);
    void buildMenus();
    void installDeckEditing();
    void indexItems();
    void rebuildWindowList();
    void destroyDocWindow(TDocWindow* w);
    // Creates a text viewer of the given kind on a file, captioned caption.
    void openViewer(const QString& path, const QString& caption, int tag);
    // Creates an editor on a file (kind by extension); false when it could not be read.
    TEditForm* openEditor(const QString& path);
    TDocWindow* firstOfKind(int tag) const;
    void reworkForQuivet();
    void subWindowActivated(QMdiSubWindow* sub);
    void documentRenamed(TDocWindow* w, const QString& oldName, const QString& newName);
    void setKindItem(const QString& name, const QString& word, const QString& path);
    // The active document window when it is still open, else null.
    TDocWindow* openActive() const;
    void openChosen(const QString& path);        // File > Open after the dialog
    std::vector<std::function<std::vector<std::pair<const char*, bool>>()>> menuStates_;
    bool plotDataRunning_ = false;

    QMdiArea* mdi_{nullptr};
    QMenu* File1{nullptr};
    QMenu* Edit1{nullptr};
    QMenu* KALVEX1{nullptr};
    QMenu* QUIVET1{nullptr};
    QMenu* Parametrics1{nullptr};
    QMenu* Utilities1{nullptr};
    QMenu* Plot1{nullptr};
    QMenu* Windows1{nullptr};
    QMenu* Help1{nullptr};
    QMenu* Output1{nullptr};
    QAction* siUnits_{nullptr};
    QAction* englishUnits_{nullptr};
    QAction* aboutQuivet_{nullptr};
    QAction* userCommand_{nullptr};

    QPointer<TDocWindow> active_;
    QPointer<TDocWindow> currentTable_;  // the one run table window, if any
    QList<QPointer<TDocWindow>> windows_;  // creation order
    int windowsFixedCount_ = 0;
    QHash<QString, QAction*> itemIndex_;            // Windows-menu items before the window list
    bool startFailed_ = false;
    RecentFiles recent_;
    // The open dialog as the user left it (file name, filter, default extension).
    struct OpenDialogState {
        QString fileName = "*.DCK";
        int filterIndex = 1;
        QString defaultExt = "DCK";
    } openState_;
    TSetupDlg* setupDlg_{nullptr};
    TPrintDlg* printDlg_{nullptr};
    TCompiling* compiling_{nullptr};
    TAboutBox* about_{nullptr};
    std::unique_ptr<QPrinter> printer_;
    DesktopIntegration* desktop_{nullptr};
};
