#include "mainwindow/palumaro.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScreen>

#include "common/bytes.h"
#include "common/configdir.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "compare/comparecommands.h"
#include "deck/deckcommands.h"
#include "help/helpcommands.h"
#include "plot/plotcommands.h"
#include "quivet/quivetcommands.h"
#include "shell/compilin.h"
#include "run/kalvexrun.h"
#include "mainwindow/aboutbox.h"
#include "mainwindow/desktopintegration.h"
#include "diagram/diagramf.h"
#include "shell/docfactory.h"
#include "text/editoru.h"
#include "mainwindow/menustate.h"
#include "shell/printu.h"
#include "shell/qtbytes.h"
#include "study/studycommands.h"
#include "shell/seams.h"
#include "common/settings.h"
#include "mainwindow/setup.h"
#include "text/viewer.h"
#include "table/tablecommands.h"

// ---------------------------------------------------------------- creation

TPALUMAROFORM::TPALUMAROFORM(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("PALUMAROFORM"));
    setProperty("helpContext", 1);
    resize(435, 300);
    mdi_ = new QMdiArea(this);
    mdi_->setActivationOrder(QMdiArea::CreationOrder);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, &TPALUMAROFORM::subWindowActivated);

    buildMenus();
    desktop_ = new DesktopIntegration(*this);
    installDeckEditing();

    // FormCreate, in order.
    if (!TSetupDlg::ReadDFT()) {
        startFailed_ = true;
        return;
    }
    if (pal::app().quivetMode) {
        reworkForQuivet();
    } else {
        setWindowTitle(QStringLiteral("PALUMARO 32"));
        cmpui::installMenus(*this);
        studyui::installMenus(*Parametrics1, {this, [this] { return activeDocWindow(); },
                                              [this](TDocWindow* w) { addDocWindow(w); UpdateMenu(); },
                                              [this](const plot::PlotDocument& doc) { plot::showPlot(*this, doc); }});
        indexItems();
    }

    if (const auto f = pal::findSettingsFile(pal::app().programDir, "PALUMARO.FNL")) {
        recent_.load(*f);
        FixFileNameList();
    }

    lastSearchWasFind = lastSearchWasReplace = false;
    active_ = nullptr;
    plotDataFileName.clear();
    UpdateMenu();
    currentInputFileName.clear();

    QDir::setCurrent(toQ(pal::app().programDir));
    const auto idx = pal::matchFiles(pal::app().programDir, "*.IDX");
    if (!idx.empty()) {
        indexFilePresent = true;
        indexFileName = toQ(pal::joinPath(pal::app().programDir, idx.back()));
    }
}

void TPALUMAROFORM::installDeckEditing() {
    // The Messages and Outline panels exist before the remembered layout is restored.
    deckedit::DeckHost host;
    host.window = this;
    host.area = mdi_;
    host.documents = [this] { return docWindows(); };
    host.openFile = [this](const QString& path) { return openAsChosen(path); };
    host.addDocument = [this](TDocWindow* w) { addDocWindow(w); };
    host.showListing = [this](const QString& path) { GetLSTFile(path, true); };
    deckedit::install(host);
    // Their switches in the Windows menu, after the document kinds.
    QAction* before = item(QStringLiteral("N1"));
    for (QAction* toggle : deckedit::panelToggles()) {
        Windows1->insertAction(before, toggle);
        ++windowsFixedCount_;
    }
    indexItems();
    run::runObservers() = {deckedit::runStarting, deckedit::runFinished};
    table::failedRunListing() = deckedit::showRunListing;
}

TPALUMAROFORM::~TPALUMAROFORM() {
    // The document windows die with the frame after this destructor: nothing of
    // theirs may reach back into it.
    disconnect(mdi_, nullptr, this, nullptr);
    for (const auto& w : windows_)
        if (w) disconnect(w.data(), nullptr, this, nullptr);
    // The window factories installed at start-up hold this frame: they go with it.
    if (setupDlg_) docFactories() = DocumentFactories{};
}

void TPALUMAROFORM::startUp() {
    setupDlg_ = new TSetupDlg(this);
    connect(setupDlg_, &TSetupDlg::unitSystemChanged, this, &TPALUMAROFORM::convertQuivetUnits);
    table::install(*this);
    plot::install(*this);
    about_ = new TAboutBox(pal::app().quivetMode, this);
    printDlg_ = new TPrintDlg(this);
    printDlg_->setPrinter(&printer());
    compiling_ = new TCompiling(this);
    help::install(*this);
    quivet::install(*this);

    seams().dialogs->execDialog(*about_);
    firstOpenPending = true;
    if (!startFiles.isEmpty()) {
        // Files named on the command line open as File > Open would open them.
        for (const QString& f : std::as_const(startFiles))
            if (!desktop_->openFile(f)) break;
        return;
    }
    if (pal::app().quivetMode) Open1Click();
}

QPrinter& TPALUMAROFORM::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

// ---------------------------------------------------------------- menus

namespace {
struct ItemSpec {
    const char* name;
    const char* caption;  // "-" for a separator
    int help;
};
}  // namespace

void TPALUMAROFORM::buildMenus() {
    auto addMenu = [this](const char* name, const char* caption, int help) {
        QMenu* m = menuBar()->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        m->setProperty("helpContext", help);
        m->menuAction()->setProperty("helpContext", help);
        return m;
    };
    auto addItems = [this](QMenu* m, std::initializer_list<ItemSpec> items, std::initializer_list<void (TPALUMAROFORM::*)()> handlers) {
        auto h = handlers.begin();
        for (const ItemSpec& it : items) {
            QAction* a;
            if (std::string(it.caption) == "-") {
                a = m->addSeparator();
            } else {
                a = m->addAction(QString::fromLatin1(it.caption));
                a->setProperty("helpContext", it.help);
                if (h != handlers.end() && *h) connect(a, &QAction::triggered, this, *h);
            }
            a->setObjectName(QString::fromLatin1(it.name));
            if (h != handlers.end()) ++h;
        }
    };
    using F = TPALUMAROFORM;

    File1 = addMenu("File1", "&File", 2);
    addItems(File1,
             {{"New1", "&New", 34}, {"Open1", "&Open", 3}, {"Save1", "&Save", 33}, {"Saveas1", "Save &as", 44},
              {"Export1", "&Export...", 44}, {"N5", "-", 0}, {"Print1", "&Print", 45}, {"PrintPreview1", "Print Pre&view", 45},
              {"PrintSetup1", "Print Setup", 24}, {"N6", "-", 0},
              {"Setup1", "Se&tup", 22}, {"N7", "-", 0}, {"Exit1", "E&xit", 49}},
             {&F::New1Click, &F::Open1Click, &F::Save1Click, &F::Saveas1Click, &F::Export1Click, nullptr, &F::Print1Click,
              &F::PrintPreview1Click, &F::PrintSetup1Click, nullptr, &F::Setup1Click, nullptr, &F::Exit1Click});

    Edit1 = addMenu("Edit1", "&Edit", 4);
    addItems(Edit1,
             {{"Cut1", "Cut", 51}, {"Copy1", "&Copy", 52}, {"Paste1", "&Paste", 53}, {"Clear1", "Clear", 54},
              {"N2", "-", 0}, {"Find1", "&Find", 55}, {"Replace1", "&Replace", 57}, {"SearchAgain1", "Search &Again", 56}},
             {&F::Cut1Click, &F::Copy1Click, &F::Paste1Click, &F::Clear1Click, nullptr, &F::Find1Click,
              &F::Replace1Click, &F::SearchAgain1Click});

    KALVEX1 = addMenu("KALVEX1", "&KALVEX", 7);
    addItems(KALVEX1,
             {{"Calculate1", "&Calculate", 39}, {"RunTable1", "&Run Table", 40}, {"N3", "-", 0},
              {"CompileModule1", "&Compile Module", 41}, {"RebuildKALVEX1", "&Rebuild KALVEX", 42}, {"N4", "-", 0},
              {"ExecuteCommand1", "Execute User Command", 116}},
             {&F::Calculate1Click, &F::RunTable1Click, nullptr, &F::CompileModule1Click, &F::RebuildKALVEX1Click,
              nullptr, &F::ExecuteCommand1Click});
    indexItems();
    item(QStringLiteral("Calculate1"))->setShortcut(QKeySequence(Qt::Key_F8));

    QUIVET1 = addMenu("QUIVET1", "&QUIVET", 6);
    addItems(QUIVET1, {{"MakeQUIVETfile1", "Make QUIVET file", 31}, {"EditQUIVETfile1", "&Edit QUIVET file", 35}},
             {&F::MakeQUIVETfile1Click, &F::EditQUIVETfile1Click});

    Parametrics1 = addMenu("Parametrics1", "&Parametrics", 9);
    addItems(Parametrics1,
             {{"NewTable1", "&New Table", 64}, {"AlterTable1", "&Alter Table", 65},
              {"InsertDeleteRuns1", "&Insert/Delete Runs", 68}, {"InsertDeleteVars1", "Insert/Delete Vars", 69}},
             {&F::NewTable1Click, &F::AlterTable1Click, &F::InsertDeleteRuns1Click, &F::InsertDeleteVars1Click});

    Utilities1 = addMenu("Utilities1", "&Utilities", 8);
    addItems(Utilities1,
             {{"MORDAX1", "MORDAX", 17}, {"TEKLOR", "TEKLOR", 59}, {"ULM1", "ULM", 60}, {"GASK1", "GASK", 61},
              {"DEBUG1", "ZOBREL", 62}},
             {&F::MORDAX1Click, &F::TEKLOR1Click, &F::ULM1Click, &F::GASK1Click, &F::DEBUG1Click});
    connect(Utilities1, &QMenu::aboutToShow, this, &TPALUMAROFORM::Utilities1Click);

    Plot1 = addMenu("Plot1", "&Plot", 10);
    addItems(Plot1,
             {{"NewPlot1", "&New Plot", 70}, {"OverlayPlot1", "&Overlay Plot", 71}, {"ModifyPlot1", "&Modify Plot", 73},
              {"PlotTableRuns1", "Plot &table runs...", 70}},
             {&F::NewPlot1Click, &F::OverlayPlot1Click, &F::ModifyPlot1Click, &F::PlotTableRuns1Click});

    Windows1 = addMenu("Windows1", "&Windows", 11);
    addItems(Windows1, {{"Input1", "Input", 122}}, {&F::Input1Click});
    Output1 = Windows1->addMenu(QStringLiteral("Output"));
    Output1->setObjectName(QStringLiteral("Output1"));
    Output1->menuAction()->setObjectName(QStringLiteral("Output1"));
    Output1->menuAction()->setProperty("helpContext", 81);
    Output1->addAction(QStringLiteral("Name.out"));
    addItems(Windows1,
             {{"Listing1", "Listing", 82}, {"Table1", "Table", 79}, {"Diagram1", "Diagram", 83}, {"N1", "-", 0},
              {"Tile1", "&Tile", 124}, {"Cascade1", "&Cascade", 125}},
             {&F::Listing1Click, &F::Table1Click, &F::Diagram1Click, nullptr, nullptr, nullptr});
    indexItems();
    connect(item(QStringLiteral("Tile1")), &QAction::triggered, mdi_, &QMdiArea::tileSubWindows);
    connect(item(QStringLiteral("Cascade1")), &QAction::triggered, mdi_, &QMdiArea::cascadeSubWindows);
    for (const char* n : {"Input1", "Output1", "Listing1", "Table1", "Diagram1"}) item(QString::fromLatin1(n))->setEnabled(false);
    windowsFixedCount_ = Windows1->actions().size();
    connect(Windows1, &QMenu::aboutToShow, this, &TPALUMAROFORM::rebuildWindowList);

    Help1 = addMenu("Help1", "&Help", 12);
    addItems(Help1,
             {{"KALVEXIndex1", "PAL&UMARO Index", 126}, {"TypesIndex1", "Ty&pes Index", 127},
              {"KALVEXIndex2", "&KALVEX Index", 128}, {"KALVEXErrorMessges1", "KALVEX &Error Messages", 129},
              {"N8", "-", 0}, {"AboutPALUMARO1", "&About PALUMARO", 1}},
             {&F::KALVEXIndex1Click, &F::TypesIndex1Click, &F::KALVEXIndex2Click, &F::KALVEXErrorMessges1Click, nullptr,
              &F::About1Click});
    indexItems();
}

void TPALUMAROFORM::indexItems() {
    // The fixed items and top-level menus by objectName; built when the tree is
    // made and again after the QUIVET-mode rework. Recent-file, output and
    // window-list entries are not part of it.
    itemIndex_.clear();
    for (QAction* top : menuBar()->actions()) {
        if (!top->objectName().isEmpty()) itemIndex_.insert(top->objectName(), top);
        if (QMenu* m = top->menu())
            for (QAction* a : m->actions())
                if (!a->objectName().isEmpty()) itemIndex_.insert(a->objectName(), a);
    }
}

QAction* TPALUMAROFORM::item(const QString& name) const { return itemIndex_.value(name, nullptr); }

QMenu* TPALUMAROFORM::menu(const QString& name) const {
    QAction* a = item(name);
    return a ? a->menu() : nullptr;
}

void TPALUMAROFORM::reworkForQuivet() {
    QApplication::setApplicationName(QStringLiteral("QUIVET"));
    setWindowTitle(QStringLiteral("QUIVET"));
    // Help, Utilities, QUIVET and Edit leave the menu bar.
    for (QMenu** m : {&Help1, &Utilities1, &QUIVET1, &Edit1}) {
        menuBar()->removeAction((*m)->menuAction());
        delete *m;
        *m = nullptr;
    }
    for (const char* n : {"New1", "Setup1", "N7"}) {
        QAction* a = item(QString::fromLatin1(n));
        File1->removeAction(a);
        delete a;
    }
    for (const char* n : {"CompileModule1", "RebuildKALVEX1", "ExecuteCommand1", "N3"}) {
        QAction* a = item(QString::fromLatin1(n));
        KALVEX1->removeAction(a);
        delete a;
    }
    // KALVEX: Calculate, Run Table, SI Units, English Units, -, User Command, -.
    QAction* n4 = item(QStringLiteral("N4"));
    siUnits_ = new QAction(QStringLiteral("SI Units"), this);
    siUnits_->setObjectName(QStringLiteral("SIUnits1"));
    englishUnits_ = new QAction(QStringLiteral("English Units"), this);
    englishUnits_->setObjectName(QStringLiteral("EnglishUnits1"));
    for (QAction* a : {siUnits_, englishUnits_}) a->setCheckable(true);
    auto* sep = new QAction(this);
    sep->setSeparator(true);
    sep->setObjectName(QStringLiteral("N9"));
    userCommand_ = new QAction(QStringLiteral("User Command"), this);
    userCommand_->setObjectName(QStringLiteral("UserCommand1"));
    KALVEX1->insertAction(n4, siUnits_);
    KALVEX1->insertAction(n4, englishUnits_);
    KALVEX1->insertAction(n4, sep);
    KALVEX1->insertAction(n4, userCommand_);
    siUnits_->setChecked(pal::app().settings.unitSystem == 1);
    englishUnits_->setChecked(pal::app().settings.unitSystem != 1);
    connect(siUnits_, &QAction::triggered, this, &TPALUMAROFORM::SIUnitsClick);
    connect(englishUnits_, &QAction::triggered, this, &TPALUMAROFORM::EnglishUnitsClick);
    connect(userCommand_, &QAction::triggered, this, &TPALUMAROFORM::ExecuteCommand1Click);
    // Windows: a separator and About QUIVET after Cascade.
    auto* sep2 = new QAction(this);
    sep2->setSeparator(true);
    sep2->setObjectName(QStringLiteral("N10"));
    aboutQuivet_ = new QAction(QStringLiteral("About QUIVET"), this);
    aboutQuivet_->setObjectName(QStringLiteral("AboutQUIVET1"));
    connect(aboutQuivet_, &QAction::triggered, this, &TPALUMAROFORM::About1Click);
    QAction* after = Windows1->actions().value(windowsFixedCount_);  // null: append
    Windows1->insertAction(after, sep2);
    Windows1->insertAction(after, aboutQuivet_);
    windowsFixedCount_ += 2;
    indexItems();
}

void TPALUMAROFORM::UpdateMenu() {
    pal::MenuInput in;
    const QList<TDocWindow*> open = docWindows();
    in.windowCount = open.size();
    in.hasActive = active_ && open.contains(active_.data());
    if (in.hasActive) {
        in.tag = active_->Tag();
        if (Kind::isEditor(in.tag)) in.editorFileName = toBytes(active_->fileName());
    }
    in.plotDataKnown = !plotDataFileName.isEmpty();
    if (in.hasActive && in.tag == Kind::Table) in.tableRunPlots = plot::tableRunsHavePlotData(active_.data());
    in.tableRunActive = table::tableRunActive();
    for (const auto& [name, on] : pal::menuChanges(in))
        if (QAction* a = item(toQ(name))) a->setEnabled(on);
    for (const auto& states : menuStates_)
        for (const auto& [name, on] : states())
            if (QAction* a = item(QLatin1String(name))) a->setEnabled(on);
}

// ---------------------------------------------------------------- recent files

void TPALUMAROFORM::FixFileNameList() {
    // The recent files follow Exit, the last fixed item.
    const int base = static_cast<int>(File1->actions().indexOf(item(QStringLiteral("Exit1")))) + 1;
    while (File1->actions().size() > base + 1) {
        QAction* last = File1->actions().back();
        File1->removeAction(last);
        last->deleteLater();
    }
    if (File1->actions().size() == base) {
        QAction* sep = new QAction(File1);
        sep->setSeparator(true);
        sep->setObjectName(QStringLiteral("RecentSeparator"));
        File1->addAction(sep);
    }
    const auto& list = recent_.entries();
    const int n = static_cast<int>(list.size());
    for (int k = 0; k < n; ++k) {
        const int tag = n - 1 - k;
        QString path = toQ(list[static_cast<std::size_t>(tag)]);
        auto* a = new QAction(QString::number(k + 1) + QStringLiteral(". ") + path.replace('&', QStringLiteral("&&")), File1);
        a->setData(tag);
        a->setObjectName(QStringLiteral("Recent%1").arg(k + 1));
        connect(a, &QAction::triggered, this, [this, a] { OpenFileItem(a); });
        File1->addAction(a);
    }
}

void TPALUMAROFORM::OpenFileItem(QAction* a) {
    bool ok = false;
    const int tag = a->data().toInt(&ok);
    const auto& list = recent_.entries();
    if (!ok || tag < 0 || tag >= static_cast<int>(list.size())) return;
    const QString path = toQ(list[static_cast<std::size_t>(tag)]);
    if (QFileInfo(path).isFile()) {
        // The windows this open may replace get their save question first, as with File > Open.
        if (!closeQueries(inputKinds())) return;
        QDir::setCurrent(QFileInfo(path).absolutePath());
        ReadaFile(path);
        UpdateMenu();
    } else {
        ShowAlert(path + QStringLiteral(" no longer exists"), AlertKind::Warning, true);
        recent_.removeAt(static_cast<std::size_t>(tag));
        FixFileNameList();
    }
}

void TPALUMAROFORM::writeRecentFiles() {
    QDir::setCurrent(toQ(pal::app().programDir));
    try {
        recent_.save(pal::settingsWritePath(pal::app().programDir, "PALUMARO.FNL"));
    } catch (const pal::IoError& e) {
        ShowIoError(e);
    }
}

// ---------------------------------------------------------------- document windows

QMdiSubWindow* TPALUMAROFORM::addDocWindow(TDocWindow* w) {
    // Each kind opens at its own size (435 x 300 unless it says otherwise).
    const QSize wanted = w->size();
    QMdiSubWindow* sub = mdi_->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    windows_.append(w);
    connect(w, &TDocWindow::windowClosing, this, [this](TDocWindow* closing) { windows_.removeAll(closing); });
    connect(w, &TDocWindow::menusChanged, this, &TPALUMAROFORM::UpdateMenu);
    connect(w, &TDocWindow::documentRenamed, this, &TPALUMAROFORM::documentRenamed);
    connect(w, &TDocWindow::companionFileChanged, this, [this](int tag, const QString& path) {
        if (tag == Kind::Table) setKindItem(QStringLiteral("Table1"), QStringLiteral("Table"), path);
        UpdateMenu();
    });
    connect(w, &TDocWindow::becameCurrentTable, this, [this](TDocWindow* table) { currentTable_ = table; });
    sub->resize(wanted);
    w->rememberDiskFile();
    sub->show();
    w->show();
    desktop_->placeDocWindow(sub, w->Tag());
    w->refreshModifiedMarker();
    mdi_->setActiveSubWindow(sub);
    return sub;
}

QList<TDocWindow*> TPALUMAROFORM::docWindows() const {
    QList<TDocWindow*> out;
    for (const auto& p : windows_)
        if (p) out.append(p.data());
    return out;
}

void TPALUMAROFORM::setActiveDocWindow(TDocWindow* w) { active_ = w; }

void TPALUMAROFORM::subWindowActivated(QMdiSubWindow* sub) {
    if (!sub) {
        // No window is active any more (the last one was closed or the frame
        // lost the focus): the menus follow once the closing window has gone.
        QMetaObject::invokeMethod(this, &TPALUMAROFORM::UpdateMenu, Qt::QueuedConnection);
        return;
    }
    auto* w = qobject_cast<TDocWindow*>(sub->widget());
    if (!w || !windows_.contains(w)) return;
    active_ = w;
    w->FormActivate();
    UpdateMenu();
    // A file changed by another program while the window was in the background.
    w->checkDiskFile();
}

void TPALUMAROFORM::bringToFront(TDocWindow* w) {
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (sub->widget() == w) {
            if (sub->isMinimized()) sub->showNormal();
            sub->show();
            mdi_->setActiveSubWindow(sub);
            return;
        }
    }
}

void TPALUMAROFORM::destroyDocWindow(TDocWindow* w) {
    windows_.removeAll(w);
    if (active_ == w) active_ = nullptr;
    w->closeWithoutQuery();
}

void TPALUMAROFORM::documentRenamed(TDocWindow* w, const QString& oldName, const QString& newName) {
    // The input window saved under a new name stays the input window.
    if ((w->Tag() == Kind::DeckEditor || w->Tag() == Kind::QuivetForm) && !oldName.isEmpty() &&
        oldName == currentInputFileName) {
        currentInputFileName = newName;
        setKindItem(QStringLiteral("Input1"), QStringLiteral("Input"), newName);
    }
    UpdateMenu();
}

bool TPALUMAROFORM::closeQueries(const QList<int>& tags) {
    for (TDocWindow* w : docWindows())
        if (tags.contains(w->Tag()) && !w->FormCloseQuery()) return false;
    return true;
}

void TPALUMAROFORM::closeEvent(QCloseEvent* event) {
    const QList<TDocWindow*> open = docWindows();
    for (TDocWindow* w : open) {
        if (!w->FormCloseQuery()) {
            event->ignore();
            return;
        }
    }
    desktop_->saveGeometry();
    for (TDocWindow* w : open) destroyDocWindow(w);
    // The long-lived dialogs are hidden so that the application can end.
    for (QWidget* d : std::initializer_list<QWidget*>{setupDlg_, about_, printDlg_, compiling_})
        if (d) d->hide();
    event->accept();
}

void TPALUMAROFORM::rebuildWindowList() {
    QList<QAction*> acts = Windows1->actions();
    for (int i = windowsFixedCount_; i < acts.size(); ++i) {
        Windows1->removeAction(acts[i]);
        acts[i]->deleteLater();
    }
    const QList<TDocWindow*> open = docWindows();
    if (open.isEmpty()) return;
    Windows1->addSeparator()->setObjectName(QStringLiteral("WindowListSeparator"));
    int n = 0;
    for (TDocWindow* w : open) {
        QString title = w->windowTitle();
        auto* a = Windows1->addAction(QStringLiteral("&%1 %2").arg(++n).arg(title.replace('&', QStringLiteral("&&"))));
        a->setCheckable(true);
        a->setChecked(w == active_);
        QPointer<TDocWindow> target(w);
        connect(a, &QAction::triggered, this, [this, target] {
            if (target) bringToFront(target);
        });
    }
}

// ---------------------------------------------------------------- simple commands

void TPALUMAROFORM::New1Click() {
    addDocWindow(new TEditForm);
    UpdateMenu();
}

void TPALUMAROFORM::Setup1Click() {
    if (setupDlg_ && setupDlg_->FormActivate()) seams().dialogs->execDialog(*setupDlg_);
    UpdateMenu();
}

void TPALUMAROFORM::Print1Click() {
    if (!printDlg_) return;
    printDlg_->setPreview(false);
    printDlg_->fill(docWindows(), active_.data());
    seams().dialogs->execDialog(*printDlg_);
}

void TPALUMAROFORM::PrintPreview1Click() {
    if (!printDlg_) return;
    printDlg_->setPreview(true);
    printDlg_->fill(docWindows(), active_.data());
    seams().dialogs->execDialog(*printDlg_);
}

void TPALUMAROFORM::PrintSetup1Click() { seams().dialogs->pageSetup(printer()); }

void TPALUMAROFORM::About1Click() {
    if (about_) seams().dialogs->execDialog(*about_);
}

void TPALUMAROFORM::Exit1Click() {
    close();
    writeRecentFiles();
}

void TPALUMAROFORM::SIUnitsClick() {
    const int old = pal::app().settings.unitSystem;
    pal::app().settings.unitSystem = 1;
    siUnits_->setChecked(true);
    englishUnits_->setChecked(false);
    convertQuivetUnits(old, 1);
}

void TPALUMAROFORM::EnglishUnitsClick() {
    const int old = pal::app().settings.unitSystem;
    pal::app().settings.unitSystem = 2;
    siUnits_->setChecked(false);
    englishUnits_->setChecked(true);
    convertQuivetUnits(old, 2);
}

void TPALUMAROFORM::convertQuivetUnits(int oldSystem, int newSystem) {
    for (TDocWindow* w : docWindows()) {
        if (w->Tag() == Kind::QuivetForm) {
            w->convertUnits(oldSystem, newSystem);
            w->update();
        }
    }
}

// The subsystems' commands; the menus follow once each has run.
void TPALUMAROFORM::Calculate1Click() { command([this] { run::Calculate(*this); }); }
void TPALUMAROFORM::RunTable1Click() { command([this] { table::RunTable(*this); }); }
void TPALUMAROFORM::NewTable1Click() { command([this] { table::NewTable(*this); }); }
void TPALUMAROFORM::AlterTable1Click() { command([this] { table::AlterTable(*this); }); }
void TPALUMAROFORM::InsertDeleteRuns1Click() { command([this] { table::InsertDeleteRuns(*this); }); }
void TPALUMAROFORM::InsertDeleteVars1Click() { command([this] { table::InsertDeleteVars(*this); }); }
void TPALUMAROFORM::NewPlot1Click() { command([this] { plot::NewPlot(*this); }); }
void TPALUMAROFORM::OverlayPlot1Click() { command([this] { plot::OverlayPlot(*this); }); }
void TPALUMAROFORM::ModifyPlot1Click() { command([this] { plot::ModifyPlot(*this); }); }
void TPALUMAROFORM::PlotTableRuns1Click() { command([this] { plot::PlotTableRuns(*this); }); }
void TPALUMAROFORM::Export1Click() { command([this] { plot::ExportPlot(*this); }); }
void TPALUMAROFORM::MakeQUIVETfile1Click() { command([this] { quivet::MakeQUIVETfile(*this); }); }
void TPALUMAROFORM::CompileModule1Click() { command([this] { run::CompileModule(*this); }); }
void TPALUMAROFORM::RebuildKALVEX1Click() { command([] { run::RebuildKALVEX(); }); }
void TPALUMAROFORM::ExecuteCommand1Click() { command([] { run::ExecuteCommand(); }); }
void TPALUMAROFORM::MORDAX1Click() { command([] { run::StartUtility(run::Utility::Mordax); }); }
void TPALUMAROFORM::TEKLOR1Click() { command([] { run::StartUtility(run::Utility::Teklor); }); }
void TPALUMAROFORM::ULM1Click() { command([] { run::StartUtility(run::Utility::Ulm); }); }
void TPALUMAROFORM::GASK1Click() { command([] { run::StartUtility(run::Utility::Gask); }); }
void TPALUMAROFORM::DEBUG1Click() { command([] { run::StartUtility(run::Utility::Zobrel); }); }
void TPALUMAROFORM::Utilities1Click() {
    if (QAction* first = item(QStringLiteral("MORDAX1"))) first->setText(run::utilityName(run::Utility::Mordax));
}
void TPALUMAROFORM::KALVEXIndex1Click() { run::OpenHelpFile(run::HelpFile::PalumaroIndex); }
void TPALUMAROFORM::TypesIndex1Click() { run::OpenHelpFile(run::HelpFile::TypesIndex); }
void TPALUMAROFORM::KALVEXIndex2Click() { run::OpenHelpFile(run::HelpFile::KalvexIndex); }
void TPALUMAROFORM::KALVEXErrorMessges1Click() { run::OpenHelpFile(run::HelpFile::ErrorMessages); }

void TPALUMAROFORM::command(const std::function<void()>& body) {
    body();
    UpdateMenu();
}

void TPALUMAROFORM::takeRunResults(const QString& deck, int which) {
    if (which & Listing) GetLSTFile(deck, false);
    if (which & Output) GetOUTFile(deck, false);
    if (which & PlotData) GetPLTFile(deck, false);
}

void TPALUMAROFORM::setPlotDataRunning(const QString& path, bool running) {
    if (!path.isEmpty()) plotDataFileName = path;
    plotDataRunning_ = running;
}

void TPALUMAROFORM::addMenuCommand(const char* menuName, const char* before, const char* name, const QString& caption,
                                   std::function<void()> body) {
    QMenu* m = menu(QLatin1String(menuName));
    if (!m) return;
    auto* a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, this, [this, body = std::move(body)] { command(body); });
    m->insertAction(before ? item(QLatin1String(before)) : nullptr, a);
    indexItems();
}
