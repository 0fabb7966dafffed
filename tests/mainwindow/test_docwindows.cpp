// The document windows inside the main window: the one close question of every
// kind, File > Save and Save as done by the windows themselves (a form saves to
// its own file, a failed Save as keeps the old name), the caption's modified
// marker, and the signals through which windows and dialogs reach the main window.
#include <QAction>
#include <QDir>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QHeaderView>
#include <QSignalSpy>
#include <QtTest>
#include <functional>
#include <memory>

#include "common/settings.h"
#include "plot/plotf.h"
#include "quivet/input.h"
#include "quivet/quivet.h"
#include "shell/docfactory.h"
#include "text/editoru.h"
#include "text/finddialog.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "mainwindow/setup.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "table/table.h"
#include "table/tablegrid.h"
#include "table/tablefile.h"

namespace {
FileDialogResult chosen(const QString& path) { return FileDialogResult{path, 1}; }

QStringList windowListEntries(TPALUMAROFORM& f) {
    emit f.windowsMenu()->aboutToShow();
    QStringList out;
    for (QAction* a : f.windowsMenu()->actions())
        if (a->isCheckable()) out << a->text();
    return out;
}

QMdiSubWindow* frameOf(TDocWindow* w) { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); }
}  // namespace

class DocWindowsTest : public QObject, testsupport::MainWindowFixture {
    Q_OBJECT

    QString path(const QString& name) const { return work_ + "/" + name; }

    // The open form of the main window.
    TQUIVETForm* quivetForm() {
        for (TDocWindow* w : form_->docWindows())
            if (auto* q = qobject_cast<TQUIVETForm*>(w)) return q;
        return nullptr;
    }
    static TInput* firstNumeric(TQUIVETForm* f) {
        for (const auto& r : f->rowControls())
            if (r.input && r.input->numeric) return r.input;
        return nullptr;
    }
    static void type(TInput* box, const QString& text) {
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    TQUIVETForm* openPumpForm() {
        for (const char* name : {"PUMP.QVD", "PUMPS.CHC", "PUMP.BMP"}) testsupport::copySample(name, work_);
        form_->ReadaFile(path("PUMP.QVD"));
        return quivetForm();
    }

    // One window of each kind that has something to save, made modified, its
    // file at path(file).
    struct KindCase {
        const char* name;
        const char* file;
        std::function<TDocWindow*(DocWindowsTest&)> make;  // modified, already in the main window
        bool asksUnmodified;                                // asks without changes
        const char* blocker = nullptr;  // made a directory to fail the save (default: the file)
    };
    std::vector<KindCase> kinds() {
        return {
            {"editor", "E.DCK",
             [](DocWindowsTest& t) -> TDocWindow* {
                 testsupport::writeFile(t.path("E.DCK"), "* deck\r\n");
                 t.form_->ReadaFile(t.path("E.DCK"));
                 auto* e = qobject_cast<TEditForm*>(t.form_->activeDocWindow());
                 e->editor()->appendPlainText("X=1");
                 return e;
             },
             false},
            {"form", "PUMP.QVD",
             [](DocWindowsTest& t) -> TDocWindow* {
                 TQUIVETForm* f = t.openPumpForm();
                 type(firstNumeric(f), "33");
                 return f;
             },
             false, "PUMP.BAK"},
            {"table", "SOLAR.TBL",
             [](DocWindowsTest& t) -> TDocWindow* {
                 const QString deck = testsupport::copySample("SOLAR.DCK", t.work_);
                 auto* w = new TTableForm;
                 w->setTable(table::TableData(deck.toStdString(), {"AREA"}, 2), t.path("SOLAR.TBL"));
                 w->SaveTable(t.path("SOLAR.TBL"));
                 t.form_->addDocWindow(w);
                 w->GridSetEditText(1, 1, "4.5");
                 return w;
             },
             false},
            {"plot", "P.PMX",
             [](DocWindowsTest& t) -> TDocWindow* {
                 auto* p = new TPlotForm;
                 p->setWindowTitle("Plot from P.PLT");
                 p->Save(t.path("P.PMX"));
                 t.form_->addDocWindow(p);
                 // Renamed after the save: the next save stores the new caption.
                 p->setWindowTitle(t.path("P.PMX"));
                 p->plotChanged();
                 return p;
             },
             false},
        };
    }

    // One data row per window kind, so that one failing kind does not hide the others.
    void kindRows(bool withPlot = true) {
        QTest::addColumn<QString>("kind");
        for (const KindCase& k : kinds())
            if (withPlot || !k.asksUnmodified) QTest::newRow(k.name) << QString::fromLatin1(k.name);
    }
    KindCase currentKind() {
        QFETCH(QString, kind);
        for (const KindCase& k : kinds())
            if (kind == QLatin1String(k.name)) return k;
        qFatal("no window kind %s", qPrintable(kind));
    }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        installFontSubstitutions();
    }
    void init() {
        startMainWindow();
        QDir::setCurrent(prog_);  // where the main window leaves it at start-up
    }
    void cleanup() { endMainWindow(); }

    // ---- the one close question ----

    void everyKindAsksOnceFromItsModifiedStateAndKeepsWhatIsNotSaved_data() { kindRows(); }
    void everyKindAsksOnceFromItsModifiedStateAndKeepsWhatIsNotSaved() {
        const KindCase k = currentKind();
        for (const AlertButton answer : {AlertButton::Cancel, AlertButton::No, AlertButton::Yes}) {
            const QString what = QString("%1, answer %2").arg(k.name).arg(int(answer));
            TDocWindow* w = k.make(*this);
            QVERIFY2(w, qPrintable(what));
            QVERIFY2(w->isModified() || k.asksUnmodified, qPrintable(what));
            QPointer<TDocWindow> alive(w);
            const QByteArray before = testsupport::readFile(path(k.file));
            alerts().shown.clear();
            alerts().answers = {answer};
            frameOf(w)->close();
            QCOMPARE(alerts().shown.size(), 1);
            QCOMPARE(alerts().shown[0].text, path(k.file) + " has been changed.  Save it?");
            QCOMPARE(alerts().shown[0].kind, AlertKind::SaveQuestion);
            if (answer == AlertButton::Cancel) {
                QVERIFY2(alive && form_->docWindows().contains(w), qPrintable(what));
                QCOMPARE(testsupport::readFile(path(k.file)), before);
                w->closeWithoutQuery();
            } else {
                QTRY_VERIFY2(!alive, qPrintable(what));
                QVERIFY2((testsupport::readFile(path(k.file)) != before) == (answer == AlertButton::Yes) ||
                             k.asksUnmodified,
                         qPrintable(what));
            }
            QTRY_VERIFY(!alive);
            QDir(work_).removeRecursively();
            QDir().mkpath(work_);
        }
    }

    void aFailedSaveOnYesKeepsTheWindowAndAnUnmodifiedOneClosesUnasked_data() { kindRows(); }
    void aFailedSaveOnYesKeepsTheWindowAndAnUnmodifiedOneClosesUnasked() {
        const KindCase k = currentKind();
        TDocWindow* w = k.make(*this);
        QPointer<TDocWindow> alive(w);
        // A directory where the file (or the form's backup) goes: the write fails.
        const QString blocker = path(k.blocker ? k.blocker : k.file);
        QFile::remove(blocker);
        QVERIFY(QDir().mkpath(blocker + "/inside"));
        alerts().shown.clear();
        alerts().answers = {AlertButton::Yes};
        frameOf(w)->close();
        QVERIFY2(alive, k.name);
        QCOMPARE(alerts().shown.size(), 2);  // the question, then the write failure
        QCOMPARE(alerts().shown[1].kind, AlertKind::Error);
        QVERIFY(w->isModified() || k.asksUnmodified);

        // Stored again, the window (but the plot) closes without a question.
        QVERIFY(QDir(blocker).removeRecursively());
        alerts().shown.clear();
        QVERIFY2(w->save(), qPrintable(QString(k.name) + ": " + alerts().lastText()));
        alerts().shown.clear();
        alerts().answers = {AlertButton::No};
        frameOf(w)->close();
        QTRY_VERIFY2(!alive, k.name);
        QCOMPARE(alerts().shown.size(), k.asksUnmodified ? 1 : 0);
        QDir(work_).removeRecursively();
        QDir().mkpath(work_);
    }

    void theFrameCaptionMarksUnsavedChanges_data() { kindRows(false); }
    void theFrameCaptionMarksUnsavedChanges() {
        const KindCase k = currentKind();
        TDocWindow* w = k.make(*this);
        QMdiSubWindow* frame = frameOf(w);
        QApplication::processEvents();
        QCOMPARE(w->windowTitle(), path(k.file));  // the caption itself stays the name
        QCOMPARE(frame->windowTitle(), path(k.file) + "[*]");
        QVERIFY2(frame->isWindowModified(), k.name);
        QVERIFY(w->save());
        QApplication::processEvents();
        QVERIFY2(!frame->isWindowModified(), k.name);
        w->closeWithoutQuery();
    }

    void tableChangesCountThemselves() {
        const QString deck = testsupport::copySample("SOLAR.DCK", work_);
        auto* t = new TTableForm;
        t->setTable(table::TableData(deck.toStdString(), {"AREA", "VTANK"}, 3), path("SOLAR.TBL"));
        QVERIFY(t->isModified());  // a new table is not stored yet
        t->SaveTable(path("SOLAR.TBL"));
        form_->addDocWindow(t);
        QVERIFY(!t->isModified());
        // Writing back what is stored changes nothing; a bulk change counts.
        t->data().setValue(1, 1, t->data().value(1, 1));
        t->data().changeRuns(t->data().runs(), -1);  // nothing below the last run
        t->data().reshape({"AREA", "VTANK"});
        QVERIFY(!t->isModified());
        QVERIFY(!frameOf(t)->isWindowModified());
        // The caption's marker follows the table's changes at once, without a repaint.
        t->data().fillSeries(2, 1, 3, table::SeriesMode::Increment, 1, 1);
        QVERIFY(t->isModified());
        QVERIFY(frameOf(t)->isWindowModified());
        t->SaveTable(path("SOLAR.TBL"));
        QVERIFY(!frameOf(t)->isWindowModified());
        t->data().changeRuns(1, 2);
        QVERIFY(t->isModified());
        QVERIFY(frameOf(t)->isWindowModified());
        QCOMPARE(t->grid()->verticalHeader()->count(), t->data().runs());  // the grid follows the new shape
        t->closeWithoutQuery();
    }

    // ---- saving: each window saves itself ----

    void aFormSavesToItsOwnFileNotToTheCurrentInputFile() {
        TQUIVETForm* f = openPumpForm();
        QVERIFY(f);
        const QString solar = testsupport::copySample("SOLAR.DCK", work_);
        const QByteArray solarBytes = testsupport::readFile(solar);
        form_->ReadaFile(solar);
        QCOMPARE(form_->currentInputFileName, solar);
        for (TDocWindow* w : form_->docWindows())
            if (w->Tag() == Kind::DeckEditor) w->closeWithoutQuery();
        form_->setActiveDocWindow(f);
        TInput* box = firstNumeric(f);
        type(box, "12");
        form_->Save1Click();
        QCOMPARE(testsupport::readFile(solar), solarBytes);
        QCOMPARE(f->windowTitle(), path("PUMP.QVD"));
        QVERIFY(!f->isModified());
        QVERIFY(QFile::exists(path("PUMP.BAK")));  // the writer's backup of the form's own file
        const QByteArray saved = testsupport::readFile(path("PUMP.QVD"));

        // After Save as, Save writes the new file and leaves the old one alone.
        seams_->dialogs.fileAnswers = {chosen(path("PUMP2.QVD"))};
        form_->Saveas1Click();
        QCOMPARE(f->windowTitle(), path("PUMP2.QVD"));
        type(box, "13");
        form_->Save1Click();
        QCOMPARE(testsupport::readFile(path("PUMP.QVD")), saved);
        QVERIFY(testsupport::readFile(path("PUMP2.QVD")) != saved);
        QVERIFY(!f->isModified());
    }

    void aFailedSaveAsKeepsTheOldNameForEveryKind_data() { kindRows(); }
    void aFailedSaveAsKeepsTheOldNameForEveryKind() {
        const QString bad = path("missing/dir/X.OUT");
        const KindCase k = currentKind();
        TDocWindow* w = k.make(*this);
        form_->setActiveDocWindow(w);
        const QString caption = w->windowTitle();
        const QStringList entries = windowListEntries(*form_);
        QVERIFY(entries.join('\n').contains(caption));
        seams_->dialogs.fileAnswers = {chosen(bad)};
        alerts().shown.clear();
        form_->Saveas1Click();
        QCOMPARE(alerts().shown.size(), 1);  // the write failure
        QCOMPARE(alerts().shown[0].kind, AlertKind::Error);
        QCOMPARE(w->windowTitle(), caption);
        QCOMPARE(w->documentName(), path(k.file));
        QCOMPARE(windowListEntries(*form_), entries);
        QVERIFY(!QFile::exists(bad));
        w->closeWithoutQuery();
        QDir(work_).removeRecursively();
        QDir().mkpath(work_);
    }

    void untitledWindowsAskForANameInWindowOrder() {
        for (int i = 0; i < 3; ++i) {
            form_->New1Click();
            // The third stays empty and unchanged: Save passes it by.
            if (i < 2) qobject_cast<TEditForm*>(form_->activeDocWindow())->editor()->insertPlainText("* new deck");
        }
        auto* plot = new TPlotForm;
        plot->setWindowTitle("Plot 1");
        form_->addDocWindow(plot);
        seams_->dialogs.fileAnswers = {chosen(path("ONE.DCK")), std::nullopt, chosen(path("P.PMX"))};
        form_->Save1Click();
        QCOMPARE(seams_->dialogs.fileRequests.size(), 3);
        QCOMPARE(seams_->dialogs.fileRequests[0].title, QStringLiteral("Saving window Untitled.DCK"));
        QCOMPARE(seams_->dialogs.fileRequests[0].fileName, QStringLiteral("*.DCK"));
        QCOMPARE(seams_->dialogs.fileRequests[1].title, QStringLiteral("Saving window Untitled.DCK"));
        QCOMPARE(seams_->dialogs.fileRequests[2].title, QStringLiteral("Saving window Plot 1"));
        QCOMPARE(seams_->dialogs.fileRequests[2].fileName, QStringLiteral("*.PMX"));
        QVERIFY(QFile::exists(path("ONE.DCK")));
        QVERIFY(QFile::exists(path("P.PMX")));
        QCOMPARE(plot->documentName(), path("P.PMX"));
        QCOMPARE(plot->windowTitle(), QStringLiteral("Plot 1"));  // Save keeps the plot's caption

        // A table read from another file is saved as the .TBL of its name, cut in
        // the file name, never in a directory.
        QDir().mkpath(path("run.1"));
        const QString deck = testsupport::copySample("SOLAR.DCK", path("run.1"));
        auto* t = new TTableForm;
        t->setTable(table::TableData(deck.toStdString(), {"AREA"}, 1), path("run.1/RUNS.DAT"));
        form_->addDocWindow(t);
        form_->Save1Click();
        QVERIFY(QFile::exists(path("run.1/RUNS.TBL")));
        QVERIFY(!QFile::exists(path("run.TBL")));
    }

    // ---- signals instead of reaching into the main window ----

    void aTableReadInTheFrameBecomesTheCurrentTableAndItsMenuItem() {
        const QString deck = testsupport::copySample("SOLAR.DCK", work_);
        auto* t = new TTableForm;
        t->setTable(table::TableData(deck.toStdString(), {"AREA"}, 1), path("SOLAR.TBL"));
        t->SaveTable(path("SOLAR.TBL"));
        auto* reader = new TTableForm;
        form_->addDocWindow(reader);
        QSignalSpy current(reader, &TDocWindow::becameCurrentTable);
        reader->ReadTable(path("SOLAR.TBL"));
        QCOMPARE(current.size(), 1);
        QCOMPARE(form_->currentTable(), static_cast<TDocWindow*>(reader));
        QCOMPARE(form_->item("Table1")->text(), "Table " + path("SOLAR.TBL"));
        QVERIFY(form_->item("Table1")->isEnabled());
        delete t;
    }

    void renamedInputWindowStaysTheInputAndEditorsAskForMenus() {
        testsupport::writeFile(path("D.DCK"), "* deck\r\n");
        form_->ReadaFile(path("D.DCK"));
        auto* e = qobject_cast<TEditForm*>(form_->activeDocWindow());
        QSignalSpy renamed(e, &TDocWindow::documentRenamed);
        seams_->dialogs.fileAnswers = {chosen(path("D2.DCK"))};
        form_->Saveas1Click();
        QCOMPARE(renamed.size(), 1);
        QCOMPARE(renamed[0][2].toString(), path("D2.DCK"));
        QCOMPARE(form_->currentInputFileName, path("D2.DCK"));
        QCOMPARE(form_->item("Input1")->text(), "Input " + path("D2.DCK"));

        // Replace asks the main window to recompute its menus.
        QSignalSpy menus(e, &TDocWindow::menusChanged);
        e->replaceDialog()->setFindText("deck");
        e->Replace();
        QCOMPARE(menus.size(), 1);
    }

    void setupOkConvertsTheOpenFormsThroughItsSignal() {
        auto* fake = new FakeDocWindow(Kind::QuivetForm);
        form_->addDocWindow(fake);
        pal::app().settings.unitSystem = 1;
        TSetupDlg* d = form_->setupDlg();
        QVERIFY(d->FormActivate());
        QSignalSpy units(d, &TSetupDlg::unitSystemChanged);
        for (QRadioButton* b : d->findChildren<QRadioButton*>())
            if (b->text().contains("English")) b->setChecked(true);
        d->OKBtnClick();
        QCOMPARE(units.size(), 1);
        QCOMPARE(fake->conversions, (QList<QPair<int, int>>{{1, 2}}));
        pal::app().settings.unitSystem = 1;
    }
};

QTEST_MAIN(DocWindowsTest)
#include "test_docwindows.moc"
