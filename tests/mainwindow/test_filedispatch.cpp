// File dispatch of the main window: open, recent entries, companion files, the
// Windows menu, Save and Save as, by window kind.
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QtTest>
#include <memory>

#include "shell/docfactory.h"
#include "text/editoru.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"
#include "text/viewer.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace {
QStringList texts(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) out << a->text();
    return out;
}
int countKind(TPALUMAROFORM& f, int tag) {
    int n = 0;
    for (TDocWindow* w : f.docWindows()) n += w->Tag() == tag;
    return n;
}
FileDialogResult chosen(const QString& path) { return FileDialogResult{path, 1}; }
}  // namespace

class FileDispatchTest : public QObject, testsupport::MainWindowFixture {
    Q_OBJECT
    QStringList quivetOpened_;

    void write(const QString& rel, const QByteArray& bytes = "* text\r\n") { testsupport::writeFile(work_ + "/" + rel, bytes); }

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); installFontSubstitutions(); }
    void init() {
        startMainWindow();
        QDir::setCurrent(prog_);  // where the main window leaves it at start-up
        quivetOpened_.clear();
        docFactories().quivetWindow = [this](const QString& path) {
            quivetOpened_ << path;
            return new FakeDocWindow(Kind::QuivetForm, path);
        };
    }
    void cleanup() { endMainWindow(); }

    void deckInADottedDirectoryFindsItsCompanionsBesideIt() {
        QDir().mkpath(work_ + "/run.1");
        write("run.1/PUMP.DCK");
        for (const char* n : {"run.LST", "run.PLT", "run.TBL", "run.O1"}) write(n, "another deck's\r\n");
        for (const char* n : {"run.1/PUMP.LST", "run.1/PUMP.PLT", "run.1/PUMP.TBL", "run.1/PUMP.OUT"}) write(n, "x\r\n");
        form_->ReadaFile(work_ + "/run.1/PUMP.DCK");
        QCOMPARE(form_->item("Listing1")->text(), "Listing " + work_ + "/run.1/PUMP.LST");
        QVERIFY(form_->item("Listing1")->isEnabled());
        QCOMPARE(form_->item("Table1")->text(), "Table " + work_ + "/run.1/PUMP.TBL");
        QCOMPARE(form_->plotDataFileName, work_ + "/run.1/PUMP.PLT");
        QCOMPARE(texts(form_->outputMenu()->actions()), QStringList{"PUMP.OUT"});
        QCOMPARE(form_->item("Input1")->text(), "Input " + work_ + "/run.1/PUMP.DCK");
        QCOMPARE(form_->currentInputFileName, work_ + "/run.1/PUMP.DCK");
        QCOMPARE(countKind(*form_, Kind::DeckEditor), 1);
        QCOMPARE(countKind(*form_, Kind::Viewer), 0);
    }

    void firstLineQuivetMakesAnyFileAQuivetFile() {
        write("NOTES.TXT", "*quivet\r\n*| heading\r\n");
        form_->ReadaFile(work_ + "/NOTES.TXT");
        QCOMPARE(quivetOpened_, QStringList{work_ + "/NOTES.TXT"});
        QCOMPARE(form_->currentInputFileName, work_ + "/NOTES.TXT");
        QVERIFY(form_->item("Input1")->isEnabled());
        QCOMPARE(countKind(*form_, Kind::QuivetForm), 1);
    }

    void outputFilesOfAnyLetterCaseBecomeSubItemsWithoutViewers() {
        write("PUMP.DCK");
        for (const char* n : {"PUMP.O1", "PUMP.O2", "PUMP.OUT", "pump.o3"}) write(n, "out\r\n");
        write("PUMPX.O1", "other deck\r\n");
        form_->ReadaFile(work_ + "/PUMP.DCK");
        QCOMPARE(texts(form_->outputMenu()->actions()), (QStringList{"PUMP.O1", "PUMP.O2", "PUMP.OUT", "pump.o3"}));
        QVERIFY(form_->item("Output1")->isEnabled());
        QCOMPARE(countKind(*form_, Kind::OutputViewer), 0);
        // Choosing one opens its viewer, captioned with the bare name.
        form_->OpenOutFile(form_->outputMenu()->actions().at(3));
        QCOMPARE(countKind(*form_, Kind::OutputViewer), 1);
        QCOMPARE(form_->activeDocWindow()->windowTitle(), QStringLiteral("pump.o3"));
        // A vanished output file is reported, nothing opens.
        QFile::remove(work_ + "/PUMP.O1");
        form_->OpenOutFile(form_->outputMenu()->actions().at(0));
        QCOMPARE(seams_->alerts.lastText(), QStringLiteral("PUMP.O1 no longer exists"));
        QCOMPARE(countKind(*form_, Kind::OutputViewer), 1);
    }

    void deckWithoutCompanionsDisablesTheirItems() {
        write("LONE.DCK");
        form_->ReadaFile(work_ + "/LONE.DCK");
        for (const char* n : {"Listing1", "Output1", "Table1", "Diagram1"}) QVERIFY2(!form_->item(n)->isEnabled(), n);
        QCOMPARE(form_->item("Listing1")->text(), QStringLiteral("Listing"));
        QVERIFY(!form_->item("NewPlot1")->isEnabled());
        write("LONE.plt", "TIME X\r\n");
        form_->GetPLTFile(work_ + "/LONE.DCK", false);
        QCOMPARE(form_->plotDataFileName, work_ + "/LONE.plt");
        form_->UpdateMenu();
        QVERIFY(form_->item("NewPlot1")->isEnabled());
    }

    void openingASecondDeckClosesTheFirstAfterItsQuestion() {
        write("A.DCK");
        write("B.DCK");
        seams_->dialogs.fileAnswers.push_back(chosen(work_ + "/A.DCK"));
        form_->Open1Click();
        auto* first = qobject_cast<TEditForm*>(form_->activeDocWindow());
        QVERIFY(first);
        QCOMPARE(QDir::currentPath(), work_);
        first->editor()->insertPlainText("changed ");
        QPointer<TEditForm> watch(first);
        // The question comes first; Cancel stops the open.
        seams_->alerts.answers = {AlertButton::Cancel};
        const int before = seams_->dialogs.fileRequests.size();
        form_->Open1Click();
        QCOMPARE(seams_->alerts.lastText(), work_ + "/A.DCK has been changed.  Save it?");
        QCOMPARE(seams_->dialogs.fileRequests.size(), before);
        QVERIFY(watch);
        // No: the first editor is discarded when the second deck opens.
        seams_->alerts.answers = {AlertButton::No};
        seams_->dialogs.fileAnswers.push_back(chosen(work_ + "/B.DCK"));
        form_->Open1Click();
        QTRY_VERIFY(!watch);
        QCOMPARE(countKind(*form_, Kind::DeckEditor), 1);
        QCOMPARE(form_->activeDocWindow()->fileName(), work_ + "/B.DCK");
        QCOMPARE(testsupport::readFile(work_ + "/A.DCK"), QByteArray("* text\r\n"));
    }

    void openClosesOutputViewersEvenWhenCancelled() {
        write("P.DCK");
        write("P.O1", "o\r\n");
        write("P.O2", "o\r\n");
        form_->ReadaFile(work_ + "/P.DCK");
        form_->OpenOutFile(form_->outputMenu()->actions().at(0));
        form_->OpenOutFile(form_->outputMenu()->actions().at(1));
        QCOMPARE(countKind(*form_, Kind::OutputViewer), 2);
        form_->Open1Click();  // the dialog is cancelled
        QTRY_COMPARE(countKind(*form_, Kind::OutputViewer), 0);
        QCOMPARE(countKind(*form_, Kind::DeckEditor), 1);
    }

    void openingADeckClosesListingAndPlotDataViewers() {
        write("P.DCK");
        write("P.LST", "l\r\n");
        write("P.PLT", "TIME\r\n");
        form_->ReadaFile(work_ + "/P.LST");
        form_->ReadaFile(work_ + "/P.PLT");
        QCOMPARE(countKind(*form_, Kind::Viewer), 2);  // listing and plot data, both kind 3000
        form_->ReadaFile(work_ + "/P.DCK");
        QTRY_COMPARE(countKind(*form_, Kind::Viewer), 0);
    }

    void recentEntryAsksBeforeDiscardingAModifiedDeck() {
        write("A.DCK");
        write("B.DCK");
        form_->ReadaFile(work_ + "/B.DCK");
        form_->ReadaFile(work_ + "/A.DCK");
        auto* a = qobject_cast<TEditForm*>(form_->activeDocWindow());
        QVERIFY(a);
        a->editor()->insertPlainText("edit ");
        QPointer<TEditForm> watch(a);
        // The newest entry is A, so "2." is B.
        QAction* entryB = nullptr;
        for (QAction* act : form_->fileMenu()->actions())
            if (act->text() == "2. " + work_ + "/B.DCK") entryB = act;
        QVERIFY(entryB);
        seams_->alerts.answers = {AlertButton::Cancel};
        form_->OpenFileItem(entryB);
        QCOMPARE(seams_->alerts.lastText(), work_ + "/A.DCK has been changed.  Save it?");
        QVERIFY(watch);
        QCOMPARE(form_->currentInputFileName, work_ + "/A.DCK");
        seams_->alerts.answers = {AlertButton::Yes};
        form_->OpenFileItem(entryB);
        QTRY_VERIFY(!watch);
        QCOMPARE(testsupport::readFile(work_ + "/A.DCK"), QByteArray("edit * text\r\n"));
        QCOMPARE(form_->currentInputFileName, work_ + "/B.DCK");
    }

    void saveAsOfATextEditorChangesItsKindByExtension() {
        form_->New1Click();
        TDocWindow* w = form_->activeDocWindow();
        QCOMPARE(w->Tag(), Kind::TextEditor);
        seams_->dialogs.fileAnswers = {chosen(work_ + "/FORM.QVD")};
        form_->Saveas1Click();
        QCOMPARE(w->Tag(), Kind::QuivetEditor);
        QCOMPARE(w->windowTitle(), work_ + "/FORM.QVD");
        QVERIFY(QFile::exists(work_ + "/FORM.QVD"));
    }

    void windowsMenuBringsCompanionsForward() {
        write("P.DCK");
        write("P.LST", "l\r\n");
        form_->ReadaFile(work_ + "/P.DCK");
        QCOMPARE(countKind(*form_, Kind::Viewer), 0);
        form_->Listing1Click();
        QCOMPARE(countKind(*form_, Kind::Viewer), 1);
        QCOMPARE(form_->activeDocWindow()->Tag(), Kind::Viewer);
        form_->Input1Click();
        QCOMPARE(form_->activeDocWindow()->Tag(), Kind::DeckEditor);
        QCOMPARE(countKind(*form_, Kind::DeckEditor), 1);
        form_->Listing1Click();  // brought forward, not opened again
        QCOMPARE(countKind(*form_, Kind::Viewer), 1);
    }

    void unreadableFileEntersTheRecentListAndOpensNothing() {
        form_->ReadaFile(work_ + "/MISSING.DCK");
        QVERIFY(seams_->alerts.lastText().contains("No such file or directory"));
        QCOMPARE(form_->docWindowCount(), 0);
        QCOMPARE(QString::fromStdString(form_->recentFiles().entries().back()), work_ + "/MISSING.DCK");
    }

    void openDialogShowsThePatternInItsNameBox() {
        form_->Open1Click();  // cancelled
        const FileDialogRequest r = seams_->dialogs.fileRequests.back();
        QCOMPARE(r.fileName, QStringLiteral("*.DCK"));
        QFileDialog dlg;
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        prepareFileDialog(dlg, r);
        auto* name = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QCOMPARE(name->text(), QStringLiteral("*.DCK"));
        QCOMPARE(dlg.selectedNameFilter(), QStringLiteral("KALVEX files (*.DCK)"));
    }

    void openDialogFollowsThePreviousExtensionWhenAnIndexFileExists() {
        testsupport::writeFile(prog_ + "/TYPES.IDX", "x");
        form_.reset();
        form_ = std::make_unique<TPALUMAROFORM>();
        QVERIFY(form_->indexFilePresent);
        form_->Open1Click();  // cancelled
        QCOMPARE(seams_->dialogs.fileRequests.back().fileName, QStringLiteral("*.IDX"));
        QCOMPARE(seams_->dialogs.fileRequests.back().filterIndex, 4);
        QCOMPARE(seams_->dialogs.fileRequests.back().defaultSuffix, QStringLiteral("IDX"));
        write("T.TBL", "x");
        seams_->dialogs.fileAnswers.push_back(chosen(work_ + "/T.TBL"));
        form_->Open1Click();
        form_->Open1Click();  // the next dialog proposes the extension chosen last
        QCOMPARE(seams_->dialogs.fileRequests.back().fileName, QStringLiteral("*.TBL"));
        QCOMPARE(seams_->dialogs.fileRequests.back().filterIndex, 9);
        write("NOTE.XYZ", "x");
        seams_->dialogs.fileAnswers.push_back(chosen(work_ + "/NOTE.XYZ"));
        form_->Open1Click();
        form_->Open1Click();
        QCOMPARE(seams_->dialogs.fileRequests.back().fileName, QStringLiteral("*.XYZ"));
        QCOMPARE(seams_->dialogs.fileRequests.back().filterIndex, 10);
    }

    void indexFileChoiceGoesToTheIndexDialog() {
        QStringList shown;
        docFactories().indexDialog = [&shown](const QString& p) { shown << p; };
        write("TYPES.IDX", "x");
        seams_->dialogs.fileAnswers.push_back(chosen(work_ + "/TYPES.IDX"));
        form_->Open1Click();
        QCOMPARE(shown, QStringList{work_ + "/TYPES.IDX"});
        QCOMPARE(form_->docWindowCount(), 0);
    }

    void quivetModeWarnsAboutOtherFilesAndOpensThemAnyway() {
        form_.reset();
        testsupport::prepareProgramDir(prog_, true);
        form_ = std::make_unique<TPALUMAROFORM>();
        write("PLAIN.DCK");
        form_->ReadaFile(work_ + "/PLAIN.DCK");
        QCOMPARE(seams_->alerts.lastText(), work_ + "/PLAIN.DCK is not a QUIVET file.");
        QCOMPARE(seams_->alerts.shown.back().kind, AlertKind::Error);
        QCOMPARE(countKind(*form_, Kind::DeckEditor), 1);
        // The first File > Open with an index file shows the index dialog instead of the file dialog.
        testsupport::writeFile(prog_ + "/TYPES.IDX", "Types\r\n\r\n\r\n");
        form_.reset();
        seams_->dialogs.dialogsShown.clear();
        form_ = std::make_unique<TPALUMAROFORM>();
        form_->startUp();
        QCOMPARE(seams_->dialogs.dialogsShown, (QStringList{"AboutBox", "IndexDlg"}));
        QVERIFY(!form_->firstOpenPending);
        const int files = seams_->dialogs.fileRequests.size();
        form_->Open1Click();
        QCOMPARE(seams_->dialogs.fileRequests.size(), files + 1);
        QCOMPARE(seams_->dialogs.fileRequests.back().filters,
                 (QStringList{"Index files (*.IDX)", "QUIVET files (*.QVD)"}));
    }

    void editQuivetFileOpensItAsTextOfItsOwnKind() {
        write("FORM.DAT", "*QUIVET\r\n*| heading\r\n");
        write("FORM.LST", "l\r\n");
        seams_->dialogs.fileAnswers.push_back(chosen(work_ + "/FORM.DAT"));
        form_->EditQUIVETfile1Click();
        QCOMPARE(countKind(*form_, Kind::QuivetEditor), 1);
        QCOMPARE(form_->currentInputFileName, work_ + "/FORM.DAT");
        QVERIFY(!form_->item("Input1")->isEnabled());
        QVERIFY(form_->item("Listing1")->isEnabled());
        // A plain text file is ignored.
        write("PLAIN.TXT", "text\r\n");
        seams_->dialogs.fileAnswers.push_back(chosen(work_ + "/PLAIN.TXT"));
        form_->EditQUIVETfile1Click();
        QCOMPARE(form_->docWindowCount(), 1);
    }

    void editQuivetFileAsksTheWindowsItClosesAndCancelStopsIt() {
        write("FORM.QVD", "*QUIVET\r\n*| heading\r\n");
        auto* formWindow = new FakeDocWindow(Kind::QuivetForm, work_ + "/OLD.QVD");
        auto* deck = new FakeDocWindow(Kind::DeckEditor, work_ + "/OLD.DCK");
        auto* table = new FakeDocWindow(Kind::Table, work_ + "/OLD.TBL");
        for (FakeDocWindow* w : {formWindow, deck, table}) form_->addDocWindow(w);
        deck->mayClose = false;  // the user answers Cancel there
        QPointer<FakeDocWindow> f(formWindow), d(deck), t(table);
        seams_->dialogs.fileAnswers.push_back(chosen(work_ + "/FORM.QVD"));
        form_->EditQUIVETfile1Click();
        QCOMPARE(formWindow->closeQueries + deck->closeQueries, 2);
        QVERIFY(f && d && t);
        QCOMPARE(countKind(*form_, Kind::QuivetEditor), 0);

        deck->mayClose = true;
        seams_->dialogs.fileAnswers.push_back(chosen(work_ + "/FORM.QVD"));
        form_->EditQUIVETfile1Click();
        QCOMPARE(table->closeQueries, 1);
        QTRY_VERIFY(!f && !d && !t);
        QCOMPARE(countKind(*form_, Kind::QuivetEditor), 1);
    }

    void inputItemReopensAClosedDeck() {
        write("R.DCK");
        form_->ReadaFile(work_ + "/R.DCK");
        TDocWindow* deck = nullptr;
        for (TDocWindow* w : form_->docWindows())
            if (w->Tag() == Kind::DeckEditor) deck = w;
        QVERIFY(deck);
        QPointer<TDocWindow> watch(deck);
        deck->closeWithoutQuery();
        QTRY_VERIFY(!watch);
        QVERIFY(form_->item("Input1")->isEnabled());  // closing by the user keeps the item
        form_->Input1Click();
        QCOMPARE(countKind(*form_, Kind::DeckEditor), 1);
        QCOMPARE(form_->activeDocWindow()->fileName(), work_ + "/R.DCK");
    }

    void newPlotDataAsksEachPlotWindowBeforeDiscardingIt() {
        write("P.DCK");
        write("P.PLT", "TIME\r\n");
        auto* kept = new FakeDocWindow(Kind::Plot);
        kept->mayClose = false;  // the user answers Cancel
        auto* gone = new FakeDocWindow(Kind::Plot);
        form_->addDocWindow(kept);
        form_->addDocWindow(gone);
        QPointer<FakeDocWindow> k(kept), g(gone);
        form_->GetPLTFile(work_ + "/P.DCK", false);
        QTRY_VERIFY(!g);
        QVERIFY(k);
        QCOMPARE(kept->closeQueries, 1);
        QCOMPARE(form_->plotDataFileName, work_ + "/P.PLT");
    }

    void editMenuActsOnTheActiveEditor() {
        write("E.DCK", "alpha beta\r\n");
        form_->ReadaFile(work_ + "/E.DCK");
        auto* e = qobject_cast<TEditForm*>(form_->activeDocWindow());
        QVERIFY(e);
        e->editor()->selectAll();
        form_->Cut1Click();
        QCOMPARE(e->editor()->toPlainText(), QString());
        form_->Paste1Click();
        QCOMPARE(e->editor()->toPlainText(), QStringLiteral("alpha beta\n"));
        form_->Find1Click();
        QVERIFY(form_->lastSearchWasFind && !form_->lastSearchWasReplace);
        form_->Replace1Click();
        QVERIFY(!form_->lastSearchWasFind && form_->lastSearchWasReplace);
    }
};

QTEST_MAIN(FileDispatchTest)
#include "test_filedispatch.moc"
