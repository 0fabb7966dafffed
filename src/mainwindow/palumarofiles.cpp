// The main window's document logic: File > Open and the recent entries, the
// dispatch of a file to its window kind, the companion files of a deck in the
// Windows menu, and File > Save, Save as and the Edit menu on the windows.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/safereplace.h"
#include "common/textfile.h"
#include "diagram/diagramf.h"
#include "mainwindow/desktopintegration.h"
#include "shell/docfactory.h"
#include "text/editoru.h"
#include "mainwindow/palumaro.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "common/settings.h"
#include "text/viewer.h"

namespace {

QString extOf(const QString& path) { return toQ(pal::extensionTest(toBytes(path))); }


const QStringList kOpenFilters = {
    QStringLiteral("KALVEX files (*.DCK)"),         QStringLiteral("QUIVET files (*.QVD)"),
    QStringLiteral("MORDAX files (*.DEK)"),         QStringLiteral("Index files (*.IDX)"),
    QStringLiteral("FORTRAN files (*.FOR)"),        QStringLiteral("PALUMARO Plot files (*.PMX)"),
    QStringLiteral("Diagram Bitmap files (*.BMP)"), QStringLiteral("Diagram Meta files (*.WMF)"),
    QStringLiteral("PALUMARO table files (*.TBL)"), QStringLiteral("All files (*)")};

// The existing file for a name the program made: the exact name, else the same
// name in another letter case; empty when there is none.
QString existing(const QString& path) {
    const auto f = pal::findFile(toBytes(path));
    return f ? toQ(*f) : QString();
}

// Companion name of a deck: its base name + ext.
QString companion(const QString& path, const char* ext) {
    return toQ(pal::baseName(toBytes(path))) + QString::fromLatin1(ext);
}

// A save of the file that was killed while it wrote the file in place left the
// old content behind: the user may have it back before the file opens.
void offerBackupRestore(const QString& path) {
    const auto backup = pal::leftBackup(toBytes(path));
    if (!backup) return;
    const QString text = path + QStringLiteral(" may be incomplete: a save of it was interrupted.  Restore the version "
                                               "from before that save (Yes), or keep the file as it is and delete "
                                               "that version (No)?");
    switch (ShowAlert(text, AlertKind::SaveQuestion, true)) {
        case AlertButton::Yes:
            try {
                pal::restoreBackup(toBytes(path), *backup);
            } catch (const pal::IoError& e) {
                ShowIoError(e);
            }
            break;
        case AlertButton::No: pal::discardBackup(*backup); break;
        default: break;  // both kept; asked again at the next open
    }
}

void missingWindowKind(const QString& what, const QString& path) {
    ShowAlert(path + QStringLiteral(" cannot be opened: ") + what + QStringLiteral(" are not available in this version."),
              AlertKind::Information, true);
}

}  // namespace

// ---------------------------------------------------------------- helpers

TDocWindow* TPALUMAROFORM::firstOfKind(int tag) const {
    for (TDocWindow* w : docWindows())
        if (w->Tag() == tag) return w;
    return nullptr;
}

TDocWindow* TPALUMAROFORM::openActive() const {
    return active_ && docWindows().contains(active_.data()) ? active_.data() : nullptr;
}

void TPALUMAROFORM::openViewer(const QString& path, const QString& caption, int tag) {
    auto* v = new TViewForm;
    try {
        v->openFile(path);
    } catch (const pal::IoError& e) {
        delete v;
        ShowIoError(e);
        return;
    }
    v->setTag(tag);
    v->setWindowTitle(caption);
    addDocWindow(v);
}

TEditForm* TPALUMAROFORM::openEditor(const QString& path) {
    auto* e = new TEditForm;
    try {
        e->Open(path);
    } catch (const pal::IoError& err) {
        delete e;
        ShowIoError(err);
        return nullptr;
    }
    addDocWindow(e);
    return e;
}

// ---------------------------------------------------------------- File > Open

void TPALUMAROFORM::Open1Click() {
    if (!closeQueries(inputKinds())) return;
    for (TDocWindow* w : docWindows())
        if (w->Tag() == Kind::OutputViewer) destroyDocWindow(w);

    FileDialogRequest r;
    r.title = QStringLiteral("Open");
    r.filters = kOpenFilters;
    r.mustExist = true;
    r.overwritePrompt = true;
    if (indexFilePresent) {
        openState_.defaultExt = QStringLiteral("IDX");
        openState_.filterIndex = 4;
        if (openState_.fileName.startsWith('*')) {
            openState_.fileName = QStringLiteral("*.IDX");
        } else {
            const QString ext = extOf(openState_.fileName);
            openState_.fileName = QStringLiteral("*") + ext;
            static const QStringList exts = {".DCK", ".QVD", ".DEK", ".IDX", ".FOR", "", ".BMP", ".WMF", ".TBL"};
            const int i = ext.isEmpty() ? -1 : static_cast<int>(exts.indexOf(ext));
            openState_.filterIndex = i >= 0 ? i + 1 : 10;
        }
    }
    if (pal::app().quivetMode) {
        if (indexFilePresent && firstOpenPending) {
            firstOpenPending = false;
            if (docFactories().indexDialog) docFactories().indexDialog(indexFileName);
            UpdateMenu();
            return;
        }
        if (indexFilePresent) {
            r.filters = {QStringLiteral("Index files (*.IDX)"), QStringLiteral("QUIVET files (*.QVD)")};
            openState_.defaultExt = QStringLiteral("IDX");
            if (openState_.fileName.startsWith('*')) openState_.fileName = QStringLiteral("*.IDX");
        } else {
            r.filters = {QStringLiteral("QUIVET files (*.QVD)")};
            openState_.defaultExt = QStringLiteral("QVD");
            if (openState_.fileName.startsWith('*')) openState_.fileName = QStringLiteral("*.QVD");
        }
        openState_.filterIndex = 1;
    }
    r.filterIndex = openState_.filterIndex;
    r.defaultSuffix = openState_.defaultExt;
    r.fileName = openState_.fileName;
    r.directory = desktop_->openDialogDirectory();

    if (const auto chosen = seams().dialogs->getFile(r)) {
        const QString path = chosen->path;
        openState_.fileName = QFileInfo(path).fileName();
        if (!pal::app().quivetMode) openState_.filterIndex = chosen->filterIndex;
        openChosen(path);
    }
    UpdateMenu();
}

void TPALUMAROFORM::openChosen(const QString& path) {
    desktop_->rememberOpenedFile(path);
    // The chosen file's directory becomes the working directory.
    QDir::setCurrent(QFileInfo(path).absolutePath());
    if (extOf(path) == QLatin1String(".IDX")) {
        if (docFactories().indexDialog)
            docFactories().indexDialog(path);
        else
            missingWindowKind(QStringLiteral("index files"), path);
    } else {
        ReadaFile(path);
    }
}

bool TPALUMAROFORM::openAsChosen(const QString& path) {
    if (!closeQueries({Kind::DeckEditor, Kind::QuivetEditor, Kind::QuivetForm, Kind::Table})) return false;
    for (TDocWindow* w : docWindows())
        if (w->Tag() == Kind::OutputViewer) destroyDocWindow(w);
    openChosen(path);
    UpdateMenu();
    return true;
}

void TPALUMAROFORM::ReadaFile(const QString& path) {
    offerBackupRestore(path);
    desktop_->rememberOpenedFile(path);
    QString ext = extOf(path);
    recent_.add(toBytes(path));
    FixFileNameList();

    std::string first;
    try {
        first = pal::readFirstLine(toBytes(path));
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return;
    }
    if (pal::upper(first) == "*QUIVET") ext = QStringLiteral(".QVD");
    if (pal::app().quivetMode && ext != QLatin1String(".QVD"))
        ShowAlert(path + QStringLiteral(" is not a QUIVET file."), AlertKind::Error, true);

    {
        BusyCursor busy;
        if (ext == QLatin1String(".DCK") || ext == QLatin1String(".DEK")) {
            DisposeKALVEXWindows(Kind::DeckEditor);
            GetDGMFile(path);
            GetLSTFile(path, false);
            GetOUTFile(path, false);
            GetTBLFile(path, false);
            GetPLTFile(path, false);
            if (openEditor(path)) {
                setKindItem(QStringLiteral("Input1"), QStringLiteral("Input"), path);
                currentInputFileName = path;
            }
        } else if (ext == QLatin1String(".QVD")) {
            DisposeKALVEXWindows(Kind::QuivetForm);
            GetDGMFile(path);
            GetPLTFile(path, false);
            GetLSTFile(path, false);
            GetOUTFile(path, false);
            GetTBLFile(path, false);
            if (!docFactories().quivetWindow) {
                missingWindowKind(QStringLiteral("QUIVET forms"), path);
            } else {
                try {
                    if (TDocWindow* w = docFactories().quivetWindow(path)) {
                        addDocWindow(w);
                        setKindItem(QStringLiteral("Input1"), QStringLiteral("Input"), path);
                        currentInputFileName = path;
                    }
                } catch (const pal::IoError& e) {
                    ShowIoError(e);
                }
            }
        } else if (ext == QLatin1String(".PMX")) {
            if (!docFactories().plotWindow) {
                missingWindowKind(QStringLiteral("plot windows"), path);
            } else {
                try {
                    if (TDocWindow* w = docFactories().plotWindow(path)) addDocWindow(w);
                } catch (const pal::IoError& e) {
                    ShowIoError(e);
                }
            }
        } else if (ext == QLatin1String(".BMP") || ext == QLatin1String(".WMF") || ext == QLatin1String(".DGM")) {
            GetDGMFile(path);
        } else if (ext == QLatin1String(".TBL")) {
            GetTBLFile(path, true);
        } else if (ext == QLatin1String(".PLT")) {
            GetPLTFile(path, true);
        } else if (ext == QLatin1String(".LST")) {
            GetLSTFile(path, true);
        } else {
            openEditor(path);
        }
    }
    FixFileNameList();
}

void TPALUMAROFORM::setKindItem(const QString& name, const QString& word, const QString& path) {
    QAction* a = item(name);
    if (!a) return;
    if (path.isEmpty()) {
        a->setText(word);
        a->setEnabled(false);
    } else {
        QString shown = path;
        a->setText(word + QLatin1Char(' ') + shown.replace('&', QStringLiteral("&&")));
        a->setEnabled(true);
    }
    a->setData(path);
}

// ---------------------------------------------------------------- companions

void TPALUMAROFORM::GetLSTFile(const QString& path, bool open) {
    DisposeKALVEXWindows(Kind::Viewer);
    const QString name = existing(companion(path, ".LST"));
    if (!name.isEmpty()) {
        if (open) openViewer(name, name, Kind::Viewer);
        setKindItem(QStringLiteral("Listing1"), QStringLiteral("Listing"), name);
    } else {
        setKindItem(QStringLiteral("Listing1"), QStringLiteral("Listing"), QString());
    }
}

void TPALUMAROFORM::GetOUTFile(const QString& path, bool open) {
    DisposeKALVEXWindows(Kind::OutputViewer);
    Output1->menuAction()->setEnabled(true);
    const std::string stem = pal::baseName(toBytes(path));
    const std::string dir = pal::directoryPart(stem);
    const std::string pattern = pal::fileNamePart(stem) + ".O*";
    const auto names = pal::matchFiles(dir, pattern);
    for (const std::string& n : names) {
        const QString full = toQ(dir.empty() ? n : pal::joinPath(dir, n));
        const QString bare = toQ(n);
        QString shown = bare;
        auto* a = Output1->addAction(shown.replace('&', QStringLiteral("&&")));
        a->setObjectName(QStringLiteral("OutputItem"));
        // The tag marks an output entry; the full path keeps the entry valid when
        // the working directory changes later.
        a->setProperty("tag", Kind::OutputViewer);
        a->setData(full);
        connect(a, &QAction::triggered, this, [this, a] { OpenOutFile(a); });
        if (open) openViewer(full, bare, Kind::OutputViewer);
    }
    if (names.empty()) {
        Output1->setTitle(QStringLiteral("Output"));
        Output1->menuAction()->setEnabled(false);
    }
}

void TPALUMAROFORM::GetPLTFile(const QString& path, bool open) {
    // Plots of the old data go, but each may be saved first; one the user keeps
    // (Cancel) stays open.
    for (TDocWindow* w : docWindows())
        if (w->Tag() == Kind::Plot && !w->property("following").toBool() && w->FormCloseQuery()) destroyDocWindow(w);
    const QString name = existing(companion(path, ".PLT"));
    if (!name.isEmpty()) {
        plotDataFileName = name;
        if (open) openViewer(name, name, Kind::Viewer);
    } else {
        plotDataFileName.clear();
    }
}

void TPALUMAROFORM::GetTBLFile(const QString& path, bool open) {
    DisposeKALVEXWindows(Kind::Table);
    currentTable_ = nullptr;
    const QString name = existing(companion(path, ".TBL"));
    if (!name.isEmpty()) {
        if (open) {
            offerBackupRestore(name);
            if (!docFactories().tableWindow) {
                missingWindowKind(QStringLiteral("table windows"), name);
            } else {
                try {
                    if (TDocWindow* w = docFactories().tableWindow(name)) {
                        addDocWindow(w);
                        currentTable_ = w;
                    }
                } catch (const pal::IoError& e) {
                    ShowIoError(e);
                }
            }
        }
        setKindItem(QStringLiteral("Table1"), QStringLiteral("Table"), name);
    } else {
        setKindItem(QStringLiteral("Table1"), QStringLiteral("Table"), QString());
    }
}

void TPALUMAROFORM::GetDGMFile(const QString& path) {
    DisposeKALVEXWindows(Kind::Diagram);
    if (!pal::nameHasDot(toBytes(path))) return;
    QString name = existing(companion(path, ".BMP"));
    const bool bitmap = !name.isEmpty();
    if (!bitmap) name = existing(companion(path, ".WMF"));
    if (name.isEmpty()) {
        setKindItem(QStringLiteral("Diagram1"), QStringLiteral("Diagram"), QString());
        return;
    }
    auto* d = new TDiagramForm;
    try {
        d->loadPicture(name);
    } catch (const pal::IoError& e) {
        delete d;
        ShowIoError(e);
        setKindItem(QStringLiteral("Diagram1"), QStringLiteral("Diagram"), QString());
        return;
    }
    d->setWindowTitle(name);
    QMdiSubWindow* sub = addDocWindow(d);
    if (bitmap) {
        // Fit the window to the picture when it fits on the screen.
        const QSize pic = d->pictureSize();
        const QSize screen = mdi_->viewport()->size();
        const QMargins frame = sub->contentsMargins();
        QSize client = d->size();
        if (sub->pos().x() + pic.width() < screen.width()) client.setWidth(pic.width() + 2);
        if (sub->pos().y() + pic.height() < screen.height()) client.setHeight(pic.height() + 2);
        sub->resize(client.width() + frame.left() + frame.right(), client.height() + frame.top() + frame.bottom());
    }
    setKindItem(QStringLiteral("Diagram1"), QStringLiteral("Diagram"), name);
}

void TPALUMAROFORM::DisposeKALVEXWindows(int tag) {
    for (;;) {
        TDocWindow* victim = nullptr;
        for (TDocWindow* w : docWindows()) {
            // A window following a running engine's file stays (it shows that file).
            if (w->Tag() == tag && !w->property("following").toBool()) {
                victim = w;
                break;
            }
        }
        switch (tag) {
            case Kind::DeckEditor:
            case Kind::QuivetForm:
                setKindItem(QStringLiteral("Input1"), QStringLiteral("Input"), QString());
                currentInputFileName.clear();
                break;
            case Kind::Viewer: setKindItem(QStringLiteral("Listing1"), QStringLiteral("Listing"), QString()); break;
            case Kind::Table:
                currentTable_ = nullptr;
                setKindItem(QStringLiteral("Table1"), QStringLiteral("Table"), QString());
                break;
            case Kind::OutputViewer:
                for (QAction* a : Output1->actions()) {
                    Output1->removeAction(a);
                    a->deleteLater();
                }
                Output1->setTitle(QStringLiteral("Output"));
                Output1->menuAction()->setEnabled(false);
                break;
            case Kind::Diagram: setKindItem(QStringLiteral("Diagram1"), QStringLiteral("Diagram"), QString()); break;
            default: break;
        }
        if (!victim) break;
        destroyDocWindow(victim);
    }
}

void TPALUMAROFORM::OpenOutFile(QAction* a) {
    if (a->property("tag").toInt() != Kind::OutputViewer) return;
    const QString caption = a->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
    const QString full = a->data().toString().isEmpty() ? caption : a->data().toString();
    const QString name = existing(full);
    if (name.isEmpty()) {
        ShowAlert(caption + QStringLiteral(" no longer exists"), AlertKind::Warning, true);
        return;
    }
    openViewer(name, caption, Kind::OutputViewer);
    UpdateMenu();
}

// ---------------------------------------------------------------- Windows menu

void TPALUMAROFORM::Listing1Click() {
    if (TDocWindow* w = firstOfKind(Kind::Viewer))
        bringToFront(w);
    else if (!currentInputFileName.isEmpty())
        GetLSTFile(currentInputFileName, true);
    UpdateMenu();
}

void TPALUMAROFORM::Table1Click() {
    if (TDocWindow* w = firstOfKind(Kind::Table))
        bringToFront(w);
    else if (!currentInputFileName.isEmpty())
        GetTBLFile(currentInputFileName, true);
    UpdateMenu();
}

void TPALUMAROFORM::Diagram1Click() {
    if (TDocWindow* w = firstOfKind(Kind::Diagram))
        bringToFront(w);
    else if (!currentInputFileName.isEmpty())
        GetDGMFile(currentInputFileName);
    UpdateMenu();
}

void TPALUMAROFORM::Input1Click() {
    for (TDocWindow* w : docWindows()) {
        if ((w->Tag() == Kind::DeckEditor || w->Tag() == Kind::QuivetForm) && w->fileName() == currentInputFileName &&
            !currentInputFileName.isEmpty()) {
            bringToFront(w);
            UpdateMenu();
            return;
        }
    }
    if (!currentInputFileName.isEmpty()) {
        if (extOf(currentInputFileName) != QLatin1String(".QVD")) {
            openEditor(currentInputFileName);
        } else if (docFactories().quivetWindow) {
            BusyCursor busy;
            try {
                if (TDocWindow* w = docFactories().quivetWindow(currentInputFileName)) addDocWindow(w);
            } catch (const pal::IoError& e) {
                ShowIoError(e);
            }
        } else {
            missingWindowKind(QStringLiteral("QUIVET forms"), currentInputFileName);
        }
    }
    UpdateMenu();
}

void TPALUMAROFORM::EditQUIVETfile1Click() {
    FileDialogRequest r;
    r.title = QStringLiteral("Edit QUIVET file");
    r.filters = {QStringLiteral("QUIVET Files (*.QVD)"), QStringLiteral("All files (*)")};
    r.defaultSuffix = QStringLiteral("QVD");
    r.fileName = QStringLiteral("*.QVD");
    r.mustExist = true;
    if (const auto chosen = seams().dialogs->getFile(r)) {
        const QString path = chosen->path;
        QString ext = extOf(path);
        if (ext != QLatin1String(".QVD")) {
            try {
                if (pal::upper(pal::readFirstLine(toBytes(path))) == "*QUIVET") ext = QStringLiteral(".QVD");
            } catch (const pal::IoError& e) {
                ShowIoError(e);
            }
        }
        // The windows this closes get their save question first; Cancel stops here.
        if (ext == QLatin1String(".QVD") && closeQueries({Kind::QuivetForm, Kind::DeckEditor, Kind::Table})) {
            DisposeKALVEXWindows(Kind::QuivetForm);
            DisposeKALVEXWindows(Kind::DeckEditor);
            currentInputFileName = path;
            if (TEditForm* e = openEditor(path)) e->setTag(Kind::QuivetEditor);
            GetDGMFile(path);
            GetPLTFile(path, false);
            GetLSTFile(path, false);
            GetOUTFile(path, false);
            GetTBLFile(path, false);
        }
    }
    UpdateMenu();
}

// ---------------------------------------------------------------- Save, Save as, Edit

void TPALUMAROFORM::Save1Click() {
    // Windows without changes are not written again.
    for (TDocWindow* w : docWindows())
        if (w->needsSave()) w->save();
    UpdateMenu();
}

void TPALUMAROFORM::Saveas1Click() {
    // The window's own name is proposed, with its kind's filter.
    if (TDocWindow* w = openActive()) w->saveAs(w->documentName());
    UpdateMenu();
}

void TPALUMAROFORM::Cut1Click() {
    if (TDocWindow* w = openActive()) w->cut();
    UpdateMenu();
}

void TPALUMAROFORM::Copy1Click() {
    if (TDocWindow* w = openActive()) w->copy();
}

void TPALUMAROFORM::Paste1Click() {
    if (TDocWindow* w = openActive()) w->paste();
    UpdateMenu();
}

void TPALUMAROFORM::Clear1Click() {
    if (TDocWindow* w = openActive()) w->clear();
    UpdateMenu();
}

void TPALUMAROFORM::Find1Click() {
    lastSearchWasFind = true;
    lastSearchWasReplace = false;
    if (TDocWindow* w = openActive()) w->find();
    UpdateMenu();
}

void TPALUMAROFORM::Replace1Click() {
    if (TDocWindow* w = openActive(); w && w->replace()) {
        lastSearchWasReplace = true;
        lastSearchWasFind = false;
    }
    UpdateMenu();
}

void TPALUMAROFORM::SearchAgain1Click() {
    const LastSearch last = lastSearchWasFind ? LastSearch::Find : lastSearchWasReplace ? LastSearch::Replace : LastSearch::None;
    if (TDocWindow* w = openActive()) w->searchAgain(last);
    UpdateMenu();
}
