// The main window: menu tree, modes, start-up, menu states and recent files.
#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMdiArea>
#include <QMenuBar>
#include <QRandomGenerator>
#include <QtTest>
#include <memory>

#include "mainwindow/aboutbox.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"
#include "support/testsupport.h"

namespace {
QStringList names(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) out << a->objectName();
    return out;
}
QStringList texts(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}
}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString dir_;
    std::unique_ptr<ScriptedSeams> seams_;

    std::unique_ptr<TPALUMAROFORM> makeForm(bool quivet = false) {
        testsupport::prepareProgramDir(dir_, quivet);
        return std::make_unique<TPALUMAROFORM>();
    }

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); installFontSubstitutions(); }
    void init() {
        dir_ = testsupport::makeDotFreeTempDir(tmp_) + QStringLiteral("/prog%1").arg(QRandomGenerator::global()->generate());
        QDir().mkpath(dir_);
        seams_ = std::make_unique<ScriptedSeams>();
    }
    void cleanup() {
        seams_.reset();
        QDir(dir_).removeRecursively();
    }

    void fullModeHasTheWholeMenuTree() {
        auto f = makeForm();
        QVERIFY(!f->startFailed());
        QCOMPARE(f->windowTitle(), QStringLiteral("PALUMARO 32"));
        QCOMPARE(texts(f->menuBar()->actions()),
                 (QStringList{"&File", "&Edit", "&KALVEX", "&QUIVET", "&Parametrics", "&Utilities", "&Plot", "&Windows", "&Help"}));
        QCOMPARE(names(f->fileMenu()->actions()),
                 (QStringList{"New1", "Open1", "Save1", "Saveas1", "Export1", "Compare1", "N5", "Print1", "PrintPreview1", "PrintSetup1", "N6",
                              "Setup1", "N7", "Exit1"}));
        QCOMPARE(names(f->menu("KALVEX1")->actions()),
                 (QStringList{"Calculate1", "RunTable1", "KeepasReference1", "ComparewithReference1", "N3", "CompileModule1",
                              "RebuildKALVEX1", "N4", "ExecuteCommand1"}));
        QCOMPARE(texts(f->menu("Utilities1")->actions()), (QStringList{"MORDAX", "TEKLOR", "ULM", "GASK", "ZOBREL"}));
        QCOMPARE(names(f->windowsMenu()->actions()),
                 (QStringList{"Input1", "Output1", "Listing1", "Table1", "Diagram1", "Messages1", "Outline1", "N1", "Tile1",
                              "Cascade1"}));
        QCOMPARE(f->item("Calculate1")->shortcut(), QKeySequence(Qt::Key_F8));
        QCOMPARE(f->item("KALVEXIndex1")->text(), QStringLiteral("PAL&UMARO Index"));
        QCOMPARE(f->item("Open1")->property("helpContext").toInt(), 3);
        QCOMPARE(f->item("ExecuteCommand1")->property("helpContext").toInt(), 116);
        QCOMPARE(f->menu("Parametrics1")->property("helpContext").toInt(), 9);
        for (const char* n : {"Input1", "Output1", "Listing1", "Table1", "Diagram1"}) QVERIFY2(!f->item(n)->isEnabled(), n);
        QCOMPARE(texts(f->outputMenu()->actions()), QStringList{"Name.out"});
        // No document window yet: the document items are off.
        for (const char* n : {"Save1", "Saveas1", "Print1", "Edit1", "Parametrics1", "MakeQUIVETfile1", "RunTable1",
                              "OverlayPlot1", "ModifyPlot1", "NewPlot1"})
            QVERIFY2(!f->item(n)->isEnabled(), n);
    }

    void quivetModeReworksTheMenus() {
        testsupport::prepareProgramDir(dir_, true);
        pal::Settings s;
        s.unitSystem = 2;
        pal::writeDFTFile((dir_ + "/PALUMARO.DFT").toStdString(), s);
        TPALUMAROFORM f;
        QCOMPARE(f.windowTitle(), QStringLiteral("QUIVET"));
        QCOMPARE(texts(f.menuBar()->actions()), (QStringList{"&File", "&KALVEX", "&Parametrics", "&Plot", "&Windows"}));
        QCOMPARE(names(f.fileMenu()->actions()),
                 (QStringList{"Open1", "Save1", "Saveas1", "Export1", "N5", "Print1", "PrintPreview1", "PrintSetup1", "N6", "Exit1"}));
        QCOMPARE(texts(f.menu("KALVEX1")->actions()),
                 (QStringList{"&Calculate", "&Run Table", "SI Units", "English Units", "-", "User Command", "-"}));
        QVERIFY(f.item("EnglishUnits1")->isChecked());
        QVERIFY(!f.item("SIUnits1")->isChecked());
        const QStringList win = texts(f.windowsMenu()->actions());
        QCOMPARE(win.mid(10), (QStringList{"-", "About QUIVET"}));
        QVERIFY(!f.item("Edit1") && !f.item("Help1") && !f.item("Setup1") && !f.item("CompileModule1"));

        // The units pair: exactly one checked; the open forms are converted.
        auto* form = new FakeDocWindow(Kind::QuivetForm, "/w/A.QVD");
        f.addDocWindow(form);
        f.item("SIUnits1")->trigger();
        QVERIFY(f.item("SIUnits1")->isChecked());
        QVERIFY(!f.item("EnglishUnits1")->isChecked());
        QCOMPARE(pal::app().settings.unitSystem, 1);
        QCOMPARE(form->conversions, (QList<QPair<int, int>>{{2, 1}}));
    }

    void quivetModeStartUpOpensAtOnce() {
        auto f = makeForm(true);
        f->startUp();
        QVERIFY(seams_->dialogs.dialogsShown.contains("AboutBox"));
        QCOMPARE(f->aboutBox()->productName(), QStringLiteral("QUIVET"));
        QCOMPARE(f->aboutBox()->subtitle(), QStringLiteral("An Editor Program for KALVEX"));
        QCOMPARE(seams_->dialogs.fileRequests.size(), 1);
        QCOMPARE(seams_->dialogs.fileRequests[0].filters, QStringList{"QUIVET files (*.QVD)"});
        QCOMPARE(seams_->dialogs.fileRequests[0].fileName, QStringLiteral("*.QVD"));
    }

    void startUpShowsTheAboutBox() {
        auto f = makeForm();
        QVERIFY(!f->firstOpenPending);
        f->startUp();
        QCOMPARE(seams_->dialogs.dialogsShown, QStringList{"AboutBox"});
        QCOMPARE(f->aboutBox()->productName(), QStringLiteral("PALUMARO"));
        QCOMPARE(f->aboutBox()->subtitle(), QStringLiteral("An Environment Program for KALVEX"));
        QCOMPARE(f->aboutBox()->versionLine(), QStringLiteral("Version 1.80    4/26/97"));
        QVERIFY(f->firstOpenPending);
        QVERIFY(seams_->dialogs.fileRequests.isEmpty());
    }

    void missingSettingsFileIsReportedAndStartStops() {
        testsupport::prepareProgramDir(dir_);
        QFile::remove(dir_ + "/PALUMARO.DFT");
        TPALUMAROFORM f;
        QVERIFY(f.startFailed());
        QCOMPARE(seams_->alerts.shown.size(), 1);
        QCOMPARE(seams_->alerts.shown[0].text,
                 QStringLiteral("Please copy the PALUMARO.DFT file into the ") + dir_ + QStringLiteral(" directory."));
        QCOMPARE(seams_->alerts.shown[0].kind, AlertKind::Error);
        QVERIFY(seams_->alerts.shown[0].beep);
    }

    void damagedSettingsFileIsReportedAndDefaultsAreUsed() {
        testsupport::prepareProgramDir(dir_);
        testsupport::writeFile(dir_ + "/PALUMARO.DFT", QByteArray(100, '\x02'));
        TPALUMAROFORM f;
        QVERIFY(!f.startFailed());
        QCOMPARE(seams_->alerts.shown.size(), 1);
        // In words, without an error number, naming the file.
        QVERIFY(seams_->alerts.lastText().startsWith("Read beyond end of file: the settings file is shorter than"));
        QVERIFY(seams_->alerts.lastText().endsWith(dir_ + "/PALUMARO.DFT"));
        QCOMPARE(pal::app().settings.unitSystem, 1);
        QCOMPARE(pal::app().settings.kalvexDir, dir_.toStdString());
    }

    void settingsFileFoundInAnyLetterCase() {
        testsupport::prepareProgramDir(dir_);
        QFile::rename(dir_ + "/PALUMARO.DFT", dir_ + "/palumaro.dft");
        TPALUMAROFORM f;
        QVERIFY(!f.startFailed());
    }

    void indexFileIsLookedUpInTheProgramDirectory() {
        testsupport::prepareProgramDir(dir_);
        testsupport::writeFile(dir_ + "/ATYPES.IDX", "x");
        testsupport::writeFile(dir_ + "/BTYPES.IDX", "x");
        QDir(dir_).mkdir("DIR.IDX");
        TPALUMAROFORM f;
        QVERIFY(f.indexFilePresent);
        QCOMPARE(f.indexFileName, dir_ + "/BTYPES.IDX");
        QCOMPARE(QDir::currentPath(), dir_);
    }

    void updateMenuFollowsTheActiveWindowKind() {
        auto f = makeForm();
        auto* deck = new FakeDocWindow(Kind::DeckEditor, dir_ + "/PUMP.DCK");
        f->addDocWindow(deck);
        QCOMPARE(f->activeDocWindow(), deck);
        QVERIFY(f->item("Calculate1")->isEnabled());
        QVERIFY(f->item("Save1")->isEnabled());
        QVERIFY(f->item("Edit1")->isEnabled());
        QVERIFY(!f->item("RunTable1")->isEnabled());

        auto* table = new FakeDocWindow(Kind::Table);
        f->addDocWindow(table);
        QCOMPARE(f->activeDocWindow(), table);
        QVERIFY(f->item("RunTable1")->isEnabled());
        QVERIFY(f->item("AlterTable1")->isEnabled());
        QVERIFY(!f->item("Calculate1")->isEnabled());
        QVERIFY(!f->item("NewTable1")->isEnabled());

        auto* plot = new FakeDocWindow(Kind::Plot);
        f->addDocWindow(plot);
        QVERIFY(f->item("OverlayPlot1")->isEnabled());
        QVERIFY(f->item("ModifyPlot1")->isEnabled());

        auto* editor = new FakeDocWindow(Kind::TextEditor, dir_ + "/M.FOR");
        f->addDocWindow(editor);
        QVERIFY(f->item("CompileModule1")->isEnabled());
        QVERIFY(!f->item("Calculate1")->isEnabled());

        // The last window closed with its close box: Edit and Parametrics follow at once.
        QVERIFY(f->item("Edit1")->isEnabled());
        f->mdiArea()->closeAllSubWindows();
        QTRY_COMPARE(f->docWindowCount(), 0);
        QTRY_VERIFY(!f->item("Edit1")->isEnabled());
        QVERIFY(!f->item("Parametrics1")->isEnabled());
        QVERIFY(!f->item("Save1")->isEnabled());
        QVERIFY(!f->item("Print1")->isEnabled());
        QVERIFY(!f->item("Calculate1")->isEnabled());  // kept from the last active editor
    }

    void recentEntriesNewestFirstUnderExit() {
        testsupport::prepareProgramDir(dir_);
        testsupport::writeFile(dir_ + "/PALUMARO.FNL", "/w/OLD.DCK\r\n/w/NEW.DCK\r\n");
        TPALUMAROFORM f;
        const QStringList t = texts(f.fileMenu()->actions());
        QCOMPARE(t.mid(14), (QStringList{"-", "1. /w/NEW.DCK", "2. /w/OLD.DCK"}));
        for (int i = 1; i <= 9; ++i) f.recentFiles().add(QStringLiteral("/w/F%1.DCK").arg(i).toStdString());
        f.FixFileNameList();
        const QStringList t2 = texts(f.fileMenu()->actions());
        QCOMPARE(t2.size(), 14 + 1 + 8);
        QCOMPARE(t2[15], QStringLiteral("1. /w/F9.DCK"));
        QCOMPARE(t2.last(), QStringLiteral("8. /w/F2.DCK"));
        f.recentFiles().setEntries({});
        f.FixFileNameList();
        QCOMPARE(texts(f.fileMenu()->actions()).size(), 15);  // the separator stays
    }

    void recentEntryOfAVanishedFileIsDropped() {
        testsupport::prepareProgramDir(dir_);
        testsupport::writeFile(dir_ + "/PALUMARO.FNL", (dir_ + "/GONE.DCK\r\n").toUtf8());
        TPALUMAROFORM f;
        f.OpenFileItem(f.fileMenu()->actions().at(15));
        QCOMPARE(seams_->alerts.lastText(), dir_ + "/GONE.DCK no longer exists");
        QCOMPARE(seams_->alerts.shown.back().kind, AlertKind::Warning);
        QVERIFY(f.recentFiles().entries().empty());
        QCOMPARE(f.fileMenu()->actions().size(), 15);
    }

    void exitWritesTheRecentListEvenWhenClosingIsRefused() {
        auto f = makeForm();
        f->show();
        f->recentFiles().add("/w/KEEP.DCK");
        auto* stubborn = new FakeDocWindow(Kind::DeckEditor, "/w/KEEP.DCK");
        stubborn->mayClose = false;
        f->addDocWindow(stubborn);
        f->Exit1Click();
        QVERIFY(f->isVisible());
        QCOMPARE(testsupport::readFile(dir_ + "/PALUMARO.FNL"), QByteArray("/w/KEEP.DCK\r\n"));
        stubborn->mayClose = true;
        f->Exit1Click();
        QVERIFY(!f->isVisible());
        QCOMPARE(f->docWindowCount(), 0);
    }

    void closeBoxLeavesTheRecentListAlone() {
        testsupport::prepareProgramDir(dir_);
        testsupport::writeFile(dir_ + "/PALUMARO.FNL", "/w/A.DCK\r\n");
        TPALUMAROFORM f;
        f.show();
        f.recentFiles().add("/w/B.DCK");
        f.close();
        QCOMPARE(testsupport::readFile(dir_ + "/PALUMARO.FNL"), QByteArray("/w/A.DCK\r\n"));
    }

    void closingTheMainWindowDestroysEveryDocument() {
        auto f = makeForm();
        f->show();
        auto* a = new FakeDocWindow(Kind::DeckEditor, "/w/A.DCK");
        auto* b = new FakeDocWindow(Kind::Table);
        f->addDocWindow(a);
        f->addDocWindow(b);
        QPointer<FakeDocWindow> pa(a), pb(b);
        f->close();
        QTRY_VERIFY(!pa && !pb);
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
