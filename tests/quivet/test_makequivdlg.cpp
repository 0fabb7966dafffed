// The make-QUIVET dialog and command: the lists and their selection rules, the
// save dialog, the file written, and the form that opens on it.
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "quivet/makequiv.h"
#include "quivet/mkqtypefiles.h"
#include "shell/docwindow.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace {

const QByteArray kDeck =
    "* two units\r\nASSIGN C.LST 6\r\nUNIT 1 TYPE 1 Collector\r\nPARAMETERS 4\r\n1 AREA 0.78 4.2\r\n"
    "INPUTS 3\r\n0,0 2,1 0,0\r\n20 20 0\r\nUNIT 2 TYPE 5 Tank\r\nPARAMETERS 3\r\n0.3 5 40\r\nINPUTS 4\r\n"
    "0,0 0,0 0,0 0,0\r\n20 1 14 1\r\nUNIT 3 TYPE 8 Unknown\r\nPARAMETERS 1\r\n1\r\nCONSTANTS 1\r\nAREA=4\r\n"
    "SIMULATION 0 24 1\r\nEND\r\n";

QStringList texts(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

QList<int> selectedRows(const QListWidget* l) {
    QList<int> out;
    for (int i = 0; i < l->count(); ++i)
        if (l->item(i)->isSelected()) out << i;
    return out;
}

}  // namespace

class MakeQuivetTest : public QObject, testsupport::ProgramDirFixture {
    Q_OBJECT
    QString engine_;

    quivet::DeckAnalysis analysed() {
        testsupport::writeFile(dir_ + "/C.DCK", kDeck);
        return quivet::MakeDeck((dir_ + "/C.DCK").toStdString(), engine_.toStdString());
    }

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }
    void init() {
        startProgramDir();
        engine_ = dir_ + "/engine";
        QDir().mkpath(engine_);
        mkqtest::writeAllTypes(engine_.toStdString());
        testsupport::writeFile(engine_ + "/Header.txt", "Sample heading\r\n");
        pal::app().settings.kalvexDir = engine_.toStdString();
    }
    void cleanup() { endProgramDir(); }

    void listsShowUnitsAndWhatCanBecomeAField() {
        TMakeQUIVETDlg d;
        d.setDeck(dir_ + "/C.DCK", analysed());
        pal::app().settings.includeHeader = 0;
        pal::app().settings.includeSimCard = 1;
        d.FormActivate();
        QVERIFY(!d.headerBox()->isChecked());
        QVERIFY(d.simulationCardBox()->isChecked());
        QCOMPARE(d.windowTitle(), QStringLiteral("Make QUIVET File"));
        QCOMPARE(texts(d.unitBox()), (QStringList{"TYPE 1 FLAT-PLATE SOLAR COLLECTOR", "TYPE 5 STRATIFIED TANK",
                                                  "UNIT 3  - NO DATA AVAILABLE"}));
        QCOMPARE(d.unitBox()->currentRow(), 0);
        QCOMPARE(texts(d.parBox()), (QStringList{" Flow mode of the collector", "*Collector area",
                                                 " Optical efficiency of the collector glaz",
                                                 " Specific heat of the fluid"}));
        QCOMPARE(texts(d.inpBox()), (QStringList{" Inlet temperature", "*Mass flow / rate", " Ambient temperature"}));

        // All and None act on the list that had the focus last.
        d.InpBoxEnter();
        d.AllClick();
        QCOMPARE(selectedRows(d.inpBox()), (QList<int>{0, 2}));
        QVERIFY(selectedRows(d.parBox()).isEmpty());
        d.UnitBoxEnter();
        d.AllClick();
        QCOMPARE(selectedRows(d.parBox()), (QList<int>{0, 2, 3}));
        d.NoneClick();
        QVERIFY(selectedRows(d.parBox()).isEmpty());
        QCOMPARE(selectedRows(d.inpBox()), (QList<int>{0, 2}));

        // A connected input cannot be chosen: it is cleared again with a beep.
        d.inpBox()->item(1)->setSelected(true);
        QVERIFY(!d.inpBox()->item(1)->isSelected());
        QCOMPARE(seams_->alerts.beeps, 1);

        // Selections survive switching units; a unit without data shows nothing.
        d.parBox()->item(2)->setSelected(true);
        d.unitBox()->setCurrentRow(2);
        QCOMPARE(d.parBox()->count(), 0);
        QCOMPARE(d.inpBox()->count(), 0);
        d.unitBox()->setCurrentRow(1);
        QCOMPARE(texts(d.parBox()).size(), 3);
        d.unitBox()->setCurrentRow(0);
        QCOMPARE(selectedRows(d.parBox()), (QList<int>{2}));
        QCOMPARE(selectedRows(d.inpBox()), (QList<int>{0, 2}));
    }

    void okAsksForTheNameAndWritesTheFile() {
        TMakeQUIVETDlg d;
        d.setDeck(dir_ + "/C.DCK", analysed());
        pal::app().settings.includeHeader = 1;
        pal::app().settings.includeSimCard = 0;
        d.FormActivate();
        d.parBox()->item(2)->setSelected(true);

        // Cancelling the save dialog writes nothing and keeps the dialog open.
        d.OKBtnClick();
        QCOMPARE(seams_->dialogs.fileRequests.size(), 1);
        const FileDialogRequest& r = seams_->dialogs.fileRequests[0];
        QCOMPARE(r.fileName, dir_ + "/C.QVD");
        QCOMPARE(r.defaultSuffix, QStringLiteral("QVD"));
        QCOMPARE(r.filters, QStringList{"QUIVET File (*.QVD)"});
        QVERIFY(r.save && r.overwritePrompt);
        QVERIFY(!QFile::exists(dir_ + "/C.QVD"));
        QVERIFY(d.writtenFile().isEmpty());

        seams_->dialogs.fileAnswers.push_back(FileDialogResult{dir_ + "/C.QVD", 1});
        d.OKBtnClick();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.writtenFile(), dir_ + "/C.QVD");
        const QByteArray text = testsupport::readFile(dir_ + "/C.QVD");
        QVERIFY(text.startsWith("*QUIVET\r\nASSIGN C.LST 6\r\n*|*\r\n*|*Sample heading\r\n*|*\r\nSIMULATION 0 24 1\r\n"));
        QVERIFY(text.contains("CONSTANTS  1\r\nETA0=0.78\r\n*|Optical efficiency"));
        QVERIFY(text.contains("PARAMETERS  4\r\n1 AREA ETA0 4.2 \r\n"));
        QVERIFY(text.endsWith("\r\n\r\nEND\r\n"));

        // A missing header file is reported and the file is written without it.
        QFile::remove(engine_ + "/Header.txt");
        seams_->dialogs.fileAnswers.push_back(FileDialogResult{dir_ + "/D.QVD", 1});
        d.OKBtnClick();
        QCOMPARE(seams_->alerts.lastText(), "Error 2 while reading file " + engine_ + "/Header.txt");
        QVERIFY(testsupport::readFile(dir_ + "/D.QVD").startsWith("*QUIVET\r\nASSIGN C.LST 6\r\nSIMULATION"));

        // A read-only file is not replaced.
        QFile::setPermissions(dir_ + "/D.QVD", QFileDevice::ReadOwner);
        seams_->dialogs.fileAnswers.push_back(FileDialogResult{dir_ + "/D.QVD", 1});
        seams_->alerts.shown.clear();
        d.OKBtnClick();
        QCOMPARE(seams_->alerts.lastText(), dir_ + "/D.QVD is read-only.");
    }

    void commandMakesTheFileAndOpensItsForm() {
        TPALUMAROFORM f;
        f.startUp();
        seams_->dialogs.dialogsShown.clear();  // the about box
        pal::app().settings.kalvexDir = engine_.toStdString();  // start-up read the settings file
        testsupport::writeFile(dir_ + "/C.DCK", kDeck);
        // The form must find the simulation card's choice files.
        QDir().mkpath(dir_ + "/KALWIN");
        testsupport::writeFile(dir_ + "/KALWIN/Month1.dat", "2\r\nJanuary,0\r\nFebruary,744\r\n");
        testsupport::writeFile(dir_ + "/KALWIN/Length.dat", "1\r\n2.8000E+0001,4 weeks\r\n");
        pal::app().settings.includeHeader = 1;
        pal::app().settings.includeSimCard = 1;

        // Only a deck editor is a source.
        auto* other = new FakeDocWindow(Kind::QuivetEditor, dir_ + "/C.QVD");
        f.addDocWindow(other);
        quivet::RunMakeQUIVET(f);
        QVERIFY(seams_->dialogs.dialogsShown.isEmpty());
        other->closeWithoutQuery();

        f.ReadaFile(dir_ + "/C.DCK");
        QCOMPARE(f.activeDocWindow()->Tag(), Kind::DeckEditor);
        seams_->dialogs.onDialog = [](QDialog& dlg) {
            auto* m = qobject_cast<TMakeQUIVETDlg*>(&dlg);
            if (!m || m->parBox()->count() == 0 || m->inpBox()->count() == 0) return int(QDialog::Rejected);
            m->parBox()->item(0)->setSelected(true);
            m->inpBox()->item(0)->setSelected(true);
            m->OKBtnClick();
            return m->result();
        };
        seams_->dialogs.fileAnswers.push_back(FileDialogResult{dir_ + "/C.QVD", 1});
        quivet::RunMakeQUIVET(f);
        QCOMPARE(seams_->dialogs.dialogsShown, QStringList{"MakeQUIVETDlg"});
        // The unknown type was reported before the dialog.
        QCOMPARE(seams_->alerts.shown.size(), 1);
        QCOMPARE(seams_->alerts.shown[0].text,
                 "Error 2 was encountered while trying to open file " + engine_ + "/INFO/TYPE8.INF");
        QVERIFY(seams_->alerts.shown[0].beep);
        const QByteArray text = testsupport::readFile(dir_ + "/C.QVD");
        QVERIFY(text.contains("MODE=1\r\n*|Flow mode of the collector"));
        QVERIFY(text.contains("\r\nSIMULATION START STOP STEP\r\n"));
        QVERIFY(!text.contains("SIMULATION 0 24 1"));
        // The new file is the input now, shown as a form.
        QCOMPARE(f.currentInputFileName, dir_ + "/C.QVD");
        QCOMPARE(f.activeDocWindow()->Tag(), Kind::QuivetForm);
        QCOMPARE(f.activeDocWindow()->fileName(), dir_ + "/C.QVD");
        f.mdiArea()->closeAllSubWindows();
    }

    void openingTheNewFormAsksTheWindowsItClosesFirst() {
        TPALUMAROFORM f;
        f.startUp();
        pal::app().settings.kalvexDir = engine_.toStdString();
        testsupport::writeFile(dir_ + "/C.DCK", kDeck);
        pal::app().settings.includeHeader = 0;
        pal::app().settings.includeSimCard = 0;
        f.ReadaFile(dir_ + "/C.DCK");
        TDocWindow* deck = f.activeDocWindow();
        auto* oldForm = new FakeDocWindow(Kind::QuivetForm, dir_ + "/OLD.QVD");
        auto* oldTable = new FakeDocWindow(Kind::Table, dir_ + "/OLD.TBL");
        f.addDocWindow(oldForm);
        f.addDocWindow(oldTable);
        oldTable->mayClose = false;  // Cancel in the table's question
        f.setActiveDocWindow(deck);
        seams_->dialogs.onDialog = [](QDialog& dlg) {
            auto* m = qobject_cast<TMakeQUIVETDlg*>(&dlg);
            if (!m || m->parBox()->count() == 0 || m->inpBox()->count() == 0) return int(QDialog::Rejected);
            m->parBox()->item(0)->setSelected(true);
            m->inpBox()->item(0)->setSelected(true);
            m->OKBtnClick();
            return m->result();
        };
        seams_->dialogs.fileAnswers.push_back(FileDialogResult{dir_ + "/C.QVD", 1});
        QPointer<FakeDocWindow> keptForm(oldForm), keptTable(oldTable);
        quivet::RunMakeQUIVET(f);
        QVERIFY(QFile::exists(dir_ + "/C.QVD"));  // written, but not opened
        QCOMPARE(oldForm->closeQueries, 1);
        QCOMPARE(oldTable->closeQueries, 1);
        QVERIFY(keptForm && keptTable);
        QCOMPARE(f.currentInputFileName, dir_ + "/C.DCK");
        for (TDocWindow* w : f.docWindows()) QVERIFY(w->fileName() != dir_ + "/C.QVD");
        f.mdiArea()->closeAllSubWindows();
    }

    void changedDeckIsSavedFirstWhenTheUserAgrees() {
        TPALUMAROFORM f;
        f.startUp();
        seams_->dialogs.dialogsShown.clear();  // the about box
        pal::app().settings.kalvexDir = engine_.toStdString();  // start-up read the settings file
        testsupport::writeFile(dir_ + "/C.DCK", kDeck);
        auto* deck = new FakeDocWindow(Kind::DeckEditor, dir_ + "/C.DCK");
        deck->modified = true;
        f.addDocWindow(deck);
        seams_->alerts.answers = {AlertButton::Yes};
        quivet::RunMakeQUIVET(f);
        QCOMPARE(seams_->alerts.shown[0].text,
                 "Do you wish to save file " + dir_ + "/C.DCK before making the QUIVET file?");
        QCOMPARE(deck->saves, 1);
        QCOMPARE(seams_->dialogs.dialogsShown, QStringList{"MakeQUIVETDlg"});

        // A deck that cannot be read stops the command with the file error.
        QFile::remove(dir_ + "/C.DCK");
        deck->modified = false;
        seams_->alerts.shown.clear();
        quivet::RunMakeQUIVET(f);
        QCOMPARE(seams_->dialogs.dialogsShown.size(), 1);
        QCOMPARE(seams_->alerts.shown.size(), 1);
        QVERIFY(seams_->alerts.lastText().contains("C.DCK"));
        f.mdiArea()->closeAllSubWindows();
    }
};

QTEST_MAIN(MakeQuivetTest)
#include "test_makequivdlg.moc"
