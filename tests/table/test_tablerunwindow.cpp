// Run Table from the table window with runs side by side: the status column
// and the progress row fill while the window stays usable, Run Table waits for
// the run, colliding result names start nothing, Esc and closing ask before
// runs are stopped, a failed run's listing opens on a double-click; one run at
// a time keeps the progress window and cannot be started twice either. The
// engine settings page edits the table-run settings.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>
#include <functional>
#include <memory>
#include <csignal>
#include <sys/types.h>

#include "shell/compilin.h"
#include "run/runsettings.h"
#include "run/runsettingsstore.h"
#include "run/runsetup.h"
#include "run/tablerunner.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"
#include "mainwindow/setup.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "table/table.h"
#include "table/tablecommands.h"
#include "table/tablefile.h"
#include "table/tablegrid.h"
#include "table/tablerunpanel.h"

namespace {

// Counts the engine starts of table runs and starts the real engine.
class CountingLauncher : public LauncherService {
public:
    LauncherService* real = nullptr;
    int starts = 0;
    void startChild(QProcess& p) override {
        ++starts;
        real->startChild(p);
    }
    LaunchResult runAndWait(const QString& program, const QStringList& arguments) override {
        return real->runAndWait(program, arguments);
    }
    LaunchResult startDetached(const QString& p, const QStringList& a) override { return real->startDetached(p, a); }
    bool openDocument(const QString&) override { return false; }
};

}  // namespace

class TableRunWindowTest : public QObject, testsupport::MainWindowFixture {
    Q_OBJECT

    TTableForm* table() { return qobject_cast<TTableForm*>(form_->currentTable()); }

    // The engine the table runs: a script in the KALVEX directory.
    void useEngine(const QByteArray& body) {
        const QString path = prog_ + "/KALVEX32.exe";
        QFile::remove(path);
        testsupport::writeFile(path, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QByteArray realEngine() const { return qEnvironmentVariable("PALUMARO_PROGRAM_DIR").toLocal8Bit() + "/KALVEX32.exe"; }

    // A saved table of SOLAR.DCK with AREA = 2, 3, ... opened like File > Open does.
    TTableForm* openTable(int runs, const QString& deck = QStringLiteral("SOLAR.DCK")) {
        table::TableData t((work_ + "/" + deck).toStdString(), {"AREA"}, runs);
        for (int i = 1; i <= runs; ++i) t.setValue(1, i, 1 + i);
        const QString tbl = work_ + "/SOLAR.TBL";
        table::writeTableFile(tbl.toStdString(), t, {});
        form_->ReadaFile(tbl);
        TTableForm* form = table();
        if (form) form_->setActiveDocWindow(form);
        return form;
    }

    run::TableRunner* runner(TTableForm* t) { return t->runPanel()->runner(); }

    bool waitForSummary(TTableForm* t, int ms = 60000) {
        QElapsedTimer clock;
        clock.start();
        while (t->runPanel()->summary()->text().isEmpty() && clock.elapsed() < ms) QTest::qWait(20);
        return !t->runPanel()->summary()->text().isEmpty();
    }

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }

    void init() {
        startMainWindow();
        testsupport::copySample("SOLAR.DCK", work_);
        pal::app().settings.kalvexDir = prog_.toStdString();
        run::tableRunSettings() = {};
        run::tableRunSettings().parallelRuns = 2;
    }

    void cleanup() {
        endMainWindow();
        run::tableRunSettings() = {};
    }

    void runsSideBySideFillTheStatusColumnWhileTheWindowStaysUsable() {
        useEngine("sleep 0.4\nexec " + realEngine() + " \"$@\"\n");
        form_->resize(1024, 768);
        form_->show();  // the windows as a user meets them
        TTableForm* t = openTable(8);
        QVERIFY(t);
        // The table window opens showing all its runs and its whole column.
        QTest::qWait(50);
        const auto wholeGrid = [t] {
            const QTableView* g = t->grid();
            return !g->verticalScrollBar()->isVisible() && !g->horizontalScrollBar()->isVisible() &&
                   g->viewport()->height() >= 8 * g->rowHeight(0) && g->viewport()->width() >= g->columnWidth(0);
        };
        QVERIFY(wholeGrid());
        QVERIFY(form_->item("RunTable1")->isEnabled());
        form_->RunTable1Click();

        // Back in the event loop at once, with the first two runs going.
        run::TableRunner* r = runner(t);
        QVERIFY(r && r->active());
        TTableRunPanel* panel = t->runPanel();
        QVERIFY(panel->statusColumn()->isVisibleTo(t));
        QCOMPARE(panel->statusColumn()->rowCount(), 8);
        QTest::qWait(50);
        QVERIFY(wholeGrid());  // the status column widened the window, not squeezed the grid
        QVERIFY(panel->statusColumn()->viewport()->height() >= 8 * t->grid()->rowHeight(0));  // beside every run
        QVERIFY(panel->statusOf(0).startsWith("running"));
        QVERIFY(panel->statusOf(1).startsWith("running"));
        QCOMPARE(panel->statusOf(2), QStringLiteral("waiting"));
        QVERIFY(panel->cancelButton()->isVisibleTo(t));
        // Run Table waits for this run; asking again changes nothing.
        QVERIFY(!form_->item("RunTable1")->isEnabled());
        form_->RunTable1Click();
        QCOMPARE(runner(t), r);
        QVERIFY(QFile::exists(work_ + "/SOLAR7.TMP"));
        // The table can be edited meanwhile.
        t->GridSetEditText(1, 1, "42");
        QCOMPARE(double(t->data().value(1, 1)), 42.0);
        QTRY_VERIFY_WITH_TIMEOUT(panel->progress()->value() >= 1 && panel->progress()->value() < 8, 30000);
        QVERIFY(panel->timeLabel()->text().startsWith("elapsed "));

        QVERIFY(waitForSummary(t));
        QVERIFY2(panel->summary()->text().startsWith("8 of 8 runs ended normally in "), qPrintable(panel->summary()->text()));
        QVERIFY(panel->statusOf(7).startsWith("done, exit code 0, "));
        QCOMPARE(panel->progress()->text(), QStringLiteral("8 of 8 runs done"));
        QVERIFY(!panel->cancelButton()->isVisibleTo(t));
        QVERIFY(form_->item("RunTable1")->isEnabled());
        QVERIFY(QDir(work_).entryList({"*.TMP"}).isEmpty());
        for (const char* f : {"SOLAR.PLT", "SOLAR3.PLT", "SOLAR7.PLT", "SOLAR7.LST"}) QVERIFY2(QFile::exists(work_ + "/" + f), f);
        QVERIFY(alerts().shown.isEmpty());
    }

    void resultsThatWouldCollideStartNothing() {
        useEngine("touch \"$1.started\"\nexec " + realEngine() + " \"$@\"\n");
        QByteArray deck = testsupport::readFile(work_ + "/SOLAR.DCK");
        deck.replace("ASSIGN SOLAR.PLT 12", "ASSIGN RESULTS.PLT 12");
        testsupport::writeFile(work_ + "/SOLAR.DCK", deck);
        TTableForm* t = openTable(3);
        form_->RunTable1Click();
        QCOMPARE(alerts().shown.size(), 1);
        QVERIFY2(alerts().lastText().contains(work_ + "/RESULTS.PLT (runs 1 and 2)"), qPrintable(alerts().lastText()));
        QVERIFY(!runner(t));
        QVERIFY(QDir(work_).entryList({"*.started", "*.TMP", "*.LST", "RESULTS.PLT"}).isEmpty());
        QVERIFY(form_->item("RunTable1")->isEnabled());
    }

    void escEndsWaitingRunsAndAsksBeforeStoppingRunningOnes() {
        useEngine("case \"$1\" in *SOLAR.TMP) exit 0;; esac\nexec sleep 30\n");
        TTableForm* t = openTable(5);
        form_->RunTable1Click();
        run::TableRunner* r = runner(t);
        QTRY_VERIFY_WITH_TIMEOUT(r->status(0).phase == run::RunPhase::Done && r->runningCount() == 2, 20000);

        alerts().answers = {AlertButton::No};  // let them finish: only the waiting ones end
        QTest::keyClick(t->grid(), Qt::Key_Escape);
        QCOMPARE(alerts().lastText(), QStringLiteral("2 runs are still running. Stop them?\n(No lets them finish.)"));
        QCOMPARE(alerts().shown.back().kind, AlertKind::WarningYesNo);
        QCOMPARE(t->runPanel()->statusOf(3), QStringLiteral("cancelled"));
        QCOMPARE(r->runningCount(), 2);
        // Cancelled runs are not counted among the done ones.
        QCOMPARE(t->runPanel()->progress()->text(), QStringLiteral("1 of 5 runs done, 2 cancelled"));

        alerts().answers = {AlertButton::Yes};
        t->runPanel()->cancelButton()->click();
        QVERIFY(waitForSummary(t, 15000));
        QCOMPARE(t->runPanel()->summary()->text(), QStringLiteral("1 of 5 runs ended normally in 0:00; 4 runs were cancelled."));
        QCOMPARE(t->runPanel()->progress()->value(), 1);
        QCOMPARE(t->runPanel()->progress()->text(), QStringLiteral("1 of 5 runs done, 4 cancelled"));
        QVERIFY(t->runPanel()->statusOf(1).startsWith("stopped after"));
        QVERIFY(QDir(work_).entryList({"*.TMP"}).isEmpty());
    }

    void closingTheWindowDuringARunAsksFirst() {
        useEngine("exec sleep 30\n");
        TTableForm* t = openTable(3);
        t->setModified(false);
        form_->RunTable1Click();
        QPointer<run::TableRunner> r = runner(t);
        QTRY_COMPARE(r->runningCount(), 2);
        alerts().answers = {AlertButton::Cancel};
        QVERIFY(!t->FormCloseQuery());
        QVERIFY(r->active());
        QVERIFY(alerts().lastText().startsWith("Runs of this table are still going on (2 running, 1 waiting)."));
        QCOMPARE(alerts().shown.back().kind, AlertKind::Warning);

        alerts().answers = {AlertButton::Ok};
        QVERIFY(t->FormCloseQuery());
        QVERIFY(!r || r->isFinished());
        QVERIFY(QDir(work_).entryList({"*.TMP"}).isEmpty());
    }

    void aFailedRunsListingOpensOnDoubleClick() {
        useEngine("base=${1%.TMP}\necho \"listing of $1\" > \"$base.LST\"\n"
                  "case \"$1\" in *SOLAR1.TMP) exit 1;; esac\nexit 0\n");
        TTableForm* t = openTable(3);
        form_->RunTable1Click();
        QVERIFY(waitForSummary(t));
        QCOMPARE(t->runPanel()->summary()->text(), QStringLiteral("2 of 3 runs ended normally in 0:00; run 2 failed."));
        QVERIFY(t->runPanel()->statusOf(1).startsWith("failed, exit code 1"));
        t->runPanel()->StatusDblClick(0);  // a run that ended normally: nothing to open
        QCOMPARE(form_->docWindowCount(), 1);
        t->runPanel()->StatusDblClick(1);
        TDocWindow* viewer = form_->docWindows().last();
        QCOMPARE(viewer->Tag(), Kind::Viewer);
        QCOMPARE(viewer->windowTitle(), work_ + "/SOLAR1.LST");
    }

    void oneRunAtATimeCannotBeStartedTwice() {
        run::tableRunSettings().parallelRuns = 1;
        QFile::link(QString::fromLocal8Bit(realEngine()), prog_ + "/KALVEX32.exe");
        TTableForm* t = openTable(3);
        CountingLauncher launcher;
        launcher.real = realLauncher();
        seams().launcher = &launcher;
        form_->RunTable1Click();
        // The runs go on after the command; meanwhile Run Table is disabled, and
        // asked for anyway (an impatient user) it does nothing.
        QVERIFY(table::tableRunActive());
        QVERIFY(!form_->item("RunTable1")->isEnabled());
        form_->RunTable1Click();
        QTRY_VERIFY_WITH_TIMEOUT(!table::tableRunActive(), 60000);
        seams().launcher = &seams_->launcher;
        // Three starts, and the first run's decks were not deleted under it.
        QCOMPARE(launcher.starts, 3);
        QVERIFY(t->runPanel()->statusColumn()->isVisibleTo(t));  // a view of the runner, as with more at a time
        for (const char* f : {"SOLAR.PLT", "SOLAR1.PLT", "SOLAR2.PLT"}) QVERIFY2(QFile::exists(work_ + "/" + f), f);
        QVERIFY(QDir(work_).entryList({"*.TMP"}).isEmpty());
        QVERIFY(form_->item("RunTable1")->isEnabled());
    }

    // One run at a time is a runner with a parallel limit of 1. Closing the
    // program or the table meanwhile asks as with runs side by side: Cancel
    // keeps everything going; OK ends the run going on and starts no more.
    void closingDuringOneRunAtATimeAsksFirst() {
        run::tableRunSettings().parallelRuns = 1;
        useEngine("echo $$ > \"$1.started\"\nexec sleep 30\n");
        QPointer<TTableForm> t = openTable(3);
        t->GridSetEditText(1, 1, "7");  // unsaved: the save question comes first
        bool programClosed = true, tableClosed = false, stillRunning = false;
        QString question;
        std::function<void()> closeOnceStarted = [&] {
            if (!QFile::exists(work_ + "/SOLAR.TMP.started")) return QTimer::singleShot(50, form_.get(), closeOnceStarted);
            alerts().answers = {AlertButton::No, AlertButton::Cancel};
            programClosed = form_->close();
            question = alerts().lastText();
            // Cancel on the save question keeps the window and the run.
            alerts().answers = {AlertButton::Cancel};
            stillRunning = !t->close() && table::tableRunActive();
            alerts().answers = {AlertButton::No, AlertButton::Ok};
            if (t) tableClosed = t->close();
        };
        QTimer::singleShot(50, form_.get(), closeOnceStarted);
        seams().launcher = realLauncher();
        form_->RunTable1Click();
        QTRY_VERIFY_WITH_TIMEOUT(tableClosed && !table::tableRunActive(), 30000);
        seams().launcher = &seams_->launcher;

        QVERIFY(!programClosed);
        QVERIFY(stillRunning);
        QVERIFY2(question.startsWith("Runs of this table are still going on (1 running, 2 waiting)."), qPrintable(question));
        QVERIFY(tableClosed);
        QCOMPARE(QDir(work_).entryList({"*.started"}), QStringList{"SOLAR.TMP.started"});
        // The engine's 30 s sleep was ended.
        const qint64 pid = testsupport::readFile(work_ + "/SOLAR.TMP.started").trimmed().toLongLong();
        QTRY_VERIFY(pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0);
        QVERIFY(QDir(work_).entryList({"*.TMP"}).isEmpty());
        QVERIFY(!table::tableRunActive());
        QVERIFY(!form_->compiling() || !form_->compiling()->isVisible());
    }

    void theEnginePageEditsTheTableRunSettings() {
        TSetupDlg* dlg = form_->setupDlg();
        run::tableRunSettings().parallelRuns = 0;  // the number of cores
        QVERIFY(dlg->FormActivate());
        TRunSetupGroup* g = dlg->tableRuns();
        QCOMPARE(g->ParallelRuns->value(), run::coreCount());
        QVERIFY(g->RunLocal->isChecked());
        QVERIFY(!g->SlurmPartition->isEnabled());
        QCOMPARE(g->SlurmEngine->placeholderText(), prog_ + "/KALVEX32.exe");

        g->ParallelRuns->setValue(3);
        g->RunSlurm->setChecked(true);
        QVERIFY(g->SlurmPartition->isEnabled() && !g->ParallelRuns->isEnabled());
        g->SlurmPartition->setText("long");
        g->SlurmTime->setText("2:00:00");
        g->SlurmMemory->setText("2G");
        g->SlurmExtra->setText("--account=lab");
        g->SlurmEngine->setText("/shared/kalvex/KALVEX32.exe");
        dlg->StoreClick();
        const run::TableRunSettings& s = run::tableRunSettings();
        QCOMPARE(s.parallelRuns, 3);
        QVERIFY(s.onSlurm);
        QCOMPARE(s.slurm.timeLimit, std::string("2:00:00"));
        // Kept in the user's configuration; PALUMARO.DFT keeps its layout.
        QVERIFY(run::runSettingsFile().startsWith(prog_ + "/xdg-config/"));
        const run::TableRunSettings back = run::loadTableRunSettings();
        QCOMPARE(back.parallelRuns, 3);
        QVERIFY(back.onSlurm);
        QCOMPARE(back.slurm.partition, std::string("long"));
        QCOMPARE(back.slurm.memory, std::string("2G"));
        QCOMPARE(back.slurm.extraArgs, std::string("--account=lab"));
        QCOMPARE(back.slurm.enginePath, std::string("/shared/kalvex/KALVEX32.exe"));
        const QByteArray dft = testsupport::readFile(prog_ + "/PALUMARO.DFT");
        QCOMPARE(dft.size(), 4116);
        pal::Settings stored = pal::app().settings;
        stored.kalvexDir.clear();  // the program directory's own engine is stored empty
        const auto image = pal::encodeDFT(stored);
        QVERIFY(dft == QByteArray(reinterpret_cast<const char*>(image.data()), int(image.size())));

        // The next start reads them back.
        run::tableRunSettings() = {};
        QVERIFY(TSetupDlg::ReadDFT());
        QCOMPARE(run::tableRunSettings().slurm.partition, std::string("long"));
    }
};

QTEST_MAIN(TableRunWindowTest)
#include "test_tablerunwindow.moc"
