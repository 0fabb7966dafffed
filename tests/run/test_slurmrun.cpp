// Table runs on a real one-node Slurm cluster started by this test: a table
// of six runs gives every run's results, byte for byte those of runs on this
// machine; a second submission is cancelled and scancel takes effect; the
// command line submits a table file too. When the cluster does not come up,
// the test fails with the daemons' log lines.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <map>
#include <memory>

#include "common/bytes.h"
#include "common/settings.h"
#include "run/runplan.h"
#include "run/slurmjob.h"
#include "run/tablerunner.h"
#include "slurmcluster.h"
#include "support/testsupport.h"
#include "table/rundecks.h"
#include "table/tabledata.h"
#include "table/tablefile.h"

using run::RunPhase;

namespace {
QString q(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }
QString engine() { return qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + "/KALVEX32.exe"; }

QString squeue(const QString& job) {
    QProcess p;
    p.start(QStringLiteral("squeue"), {"--noheader", "--array", "--jobs=" + job, "--format=%i %T"});
    p.waitForFinished(30000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}
}  // namespace

class SlurmRunTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    std::unique_ptr<LocalSlurmCluster> cluster_;
    QString work_;

    table::TableData table(int runs) {
        table::TableData t(work_.toStdString() + "/SOLAR.DCK", {"AREA"}, runs);
        for (int i = 1; i <= runs; ++i) t.setValue(1, i, 1.5 * i);
        return t;
    }

    std::vector<std::string> writeDecks(table::TableData t) {
        if (table::writeRunDecks(t).failed) qFatal("run decks not written");
        return {t.runDeckNames.begin() + 1, t.runDeckNames.begin() + 1 + t.runs()};
    }

    run::TableRunJob job(const std::vector<std::string>& decks) {
        run::TableRunJob j;
        j.decks = decks;
        for (const auto& r : run::planRuns(decks).results) j.listings.push_back(r.listing);
        j.engine = engine();
        j.workDir = work_;
        j.tablePath = work_ + "/SOLAR.TBL";
        j.slurm = true;
        return j;
    }

    static bool waitFinished(run::TableRunner& r, int ms) {
        QElapsedTimer t;
        t.start();
        while (!r.isFinished() && t.elapsed() < ms) QTest::qWait(50);
        return r.isFinished();
    }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        QVERIFY(tmp_.isValid());
        cluster_ = std::make_unique<LocalSlurmCluster>(tmp_.path() + "/cluster");
        QString why;
        if (!cluster_->start(why)) QFAIL(qPrintable("The test cluster did not start: " + why));
        // Blanks, quotes and "%" in the folder reach the batch script's paths.
        work_ = tmp_.path() + "/work's 100% \"done\"";
        QDir().mkpath(work_);
        testsupport::copySample("SOLAR.DCK", work_);
        QFile::setPermissions(work_, QFile::permissions(work_) | QFile::ReadOther | QFile::ExeOther);
    }

    void cleanup() {
        if (QTest::currentTestFailed() && cluster_) qWarning("%s", qPrintable(cluster_->logs()));
    }

    void cleanupTestCase() {
        if (cluster_) cluster_->stop();
    }

    void aTableRunsAsOneJobArrayWithEveryRunsResults() {
        // The same runs on this machine first, one after the other.
        const int runs = 6;
        std::vector<std::string> decks = writeDecks(table(runs));
        const run::TableRunPlan plan = run::planRuns(decks);
        std::map<std::string, QByteArray> local;
        for (const auto& d : decks) QCOMPARE(QProcess::execute(engine(), {q(d), "/N"}), 0);
        for (const auto& r : plan.results)
            for (const auto& f : {r.listing, r.output, r.plot}) {
                local[f] = testsupport::readFile(q(f));
                QFile::remove(q(f));
            }

        decks = writeDecks(table(runs));
        run::TableRunner runner(job(decks));
        QSignalSpy problems(&runner, &run::TableRunner::problem);
        runner.start();
        QVERIFY(waitFinished(runner, 180000));
        QVERIFY2(problems.isEmpty(), problems.isEmpty() ? "" : qPrintable(problems.first().first().toString()));
        QVERIFY(!runner.jobId().isEmpty());
        for (int i = 0; i < runs; ++i) {
            const run::RunStatus& s = runner.status(i);
            QVERIFY2(s.phase == RunPhase::Done, run::statusText(s, 0).c_str());
            QCOMPARE(q(s.node), cluster_->node());
        }
        for (const auto& [file, bytes] : local) QVERIFY2(testsupport::readFile(q(file)) == bytes, file.c_str());
        // The run decks and the exit files are gone; the script stays for a later run by hand.
        for (const auto& d : decks) QVERIFY(!QFile::exists(q(d)));
        const QString script = q(run::slurmScriptPath((work_ + "/SOLAR.TBL").toStdString()));
        QVERIFY(testsupport::readFile(script).contains("#SBATCH --array=1-6\n"));
        QVERIFY(QDir(work_).entryList({"*.exit", "*.log"}).isEmpty());
        QVERIFY(squeue(runner.jobId()).isEmpty());
    }

    void aCancelledSubmissionEndsOnTheCluster() {
        // Runs that would take a minute each: two run, four wait for the node.
        // The engine's name holds a blank, and it starts a program of its own.
        const QString slow = work_ + "/slow engine.sh";
        testsupport::writeFile(slow, "#!/bin/sh\necho $$ > \"$1.pid\"\nsleep 60 &\necho $! > \"$1.child\"\nwait\n"
                                     "touch \"$1.late\"\n");
        QFile::setPermissions(slow, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const std::vector<std::string> decks = writeDecks(table(6));
        run::TableRunJob j = job(decks);
        j.slurmOptions.enginePath = slow.toStdString();
        run::TableRunner runner(j);
        QSignalSpy problems(&runner, &run::TableRunner::problem);
        runner.start();
        QTRY_VERIFY_WITH_TIMEOUT(runner.runningCount() >= 1, 60000);
        const QString job = runner.jobId();
        QVERIFY(!squeue(job).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(q(decks[0]) + ".child"), 30000);
        const qint64 pid = testsupport::readFile(q(decks[0]) + ".pid").trimmed().toLongLong();
        const qint64 child = testsupport::readFile(q(decks[0]) + ".child").trimmed().toLongLong();

        runner.cancelWaiting();
        runner.stopRunning();
        QVERIFY(waitFinished(runner, 60000));
        QVERIFY2(problems.isEmpty(), problems.isEmpty() ? "" : qPrintable(problems.first().first().toString()));
        for (int i = 0; i < 6; ++i)
            QVERIFY2(runner.status(i).phase == RunPhase::Cancelled, run::statusText(runner.status(i), 0).c_str());
        // scancel took effect: nothing of the job is queued; the engine and what
        // it started are gone, so nothing more is written.
        QCOMPARE(squeue(job), QString());
        QTRY_VERIFY_WITH_TIMEOUT(::kill(static_cast<pid_t>(pid), 0) != 0, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(::kill(static_cast<pid_t>(child), 0) != 0, 20000);
        QVERIFY(QDir(work_).entryList({"*.late"}).isEmpty());
        for (const auto& d : decks) QVERIFY(!QFile::exists(q(d)));
    }

    // The switches the setup wrote travel in the batch script: the nodes need
    // not see the user's configuration folder.
    void theNodesRunTheEngineWithTheSetupsSwitches() {
        const QString config = tmp_.path() + "/config of the user";
        QVERIFY(QDir().mkpath(config));
        testsupport::writeFile(config + "/CNFGKV.KVN",
                               "KALVEX configuration\r\nYes\r\nNo\r\nYes\r\nYes\r\nYes\r\nYes\r\nYes\r\n");
        pal::app().programDir = config.toStdString();
        const run::TableRunJob j = job(writeDecks(table(1)));
        run::TableRunner runner(j);
        runner.start();
        QVERIFY(waitFinished(runner, 180000));
        pal::app().programDir.clear();
        QVERIFY2(runner.status(0).phase == RunPhase::Done, run::statusText(runner.status(0), 0).c_str());
        const QByteArray listing = testsupport::readFile(q(j.listings[0]));
        QVERIFY2(!listing.isEmpty() && !listing.contains("Deck: "), listing.left(300).constData());
    }

    void aFolderNameWithALineBreakIsRefused() {
        const QString saved = work_;
        work_ = tmp_.path() + "/two\nlines";
        QVERIFY(QDir().mkpath(work_));
        testsupport::copySample("SOLAR.DCK", work_);
        run::TableRunner runner(job(writeDecks(table(2))));
        QSignalSpy problems(&runner, &run::TableRunner::problem);
        runner.start();
        QVERIFY(waitFinished(runner, 60000));
        work_ = saved;
        QCOMPARE(problems.size(), 1);
        const QString said = problems.first().first().toString();
        QVERIFY2(said.contains("not submitted") && said.contains("two\\nlines") && !said.contains('\n'),
                 qPrintable(said));
        QVERIFY(runner.jobId().isEmpty());
        QCOMPARE(runner.status(0).phase, RunPhase::NotStarted);
    }

    void theCommandLineSubmitsATableFile() {
        table::TableData t = table(3);
        const QString tbl = work_ + "/SOLAR.TBL";
        table::writeTableFile(tbl.toStdString(), t, {});
        QProcess p;
        p.setWorkingDirectory(work_);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", tmp_.path() + "/config");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + "/palumaro", {"--run-table", tbl, "--slurm"});
        QVERIFY(p.waitForFinished(180000));
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        QVERIFY2(p.exitCode() == 0, qPrintable(out + p.readAllStandardError()));
        for (int i = 1; i <= 3; ++i)
            QVERIFY2(out.contains(QStringLiteral("Run %1: completed on %2, exit code 0").arg(i).arg(cluster_->node())),
                     qPrintable(out));
        QVERIFY(out.contains("3 of 3 runs ended normally"));
        QVERIFY(QFile::exists(work_ + "/SOLAR2.PLT"));
    }
};

QTEST_GUILESS_MAIN(SlurmRunTest)
#include "test_slurmrun.moc"
