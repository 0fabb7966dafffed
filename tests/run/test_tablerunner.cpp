// The table runner on this machine with real child processes: parallel runs
// give the same bytes as runs one after the other, never more than N run at a
// time (one at a time is a limit of 1), Cancel ends waiting and running runs
// and keeps what finished, and runs that fail or cannot start say so. Order and
// overlap are read from an event log the children write, never from clocks.
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <map>
#include <unistd.h>

#include "common/bytes.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "run/runplan.h"
#include "run/tablerunner.h"
#include "support/testsupport.h"
#include "support/unprivileged.h"
#include "table/rundecks.h"
#include "table/tabledata.h"
#include "table/tablefile.h"

using run::RunPhase;

namespace {

QString q(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }

// A shell script standing in for the engine.
QString writeEngine(const QString& path, const QByteArray& body) {
    testsupport::writeFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

bool processAlive(qint64 pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0; }

}  // namespace

class TableRunnerTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString work_;
    int serial_ = 0;

    // Run decks of SOLAR.DCK with AREA = 2, 3, ... over n runs.
    std::vector<std::string> writeDecks(int n) {
        table::TableData t(work_.toStdString() + "/SOLAR.DCK", {"AREA"}, n);
        for (int i = 1; i <= n; ++i) t.setValue(1, i, 1 + i);
        const auto o = table::writeRunDecks(t);
        if (o.failed) qFatal("%s", o.message.c_str());
        return {t.runDeckNames.begin() + 1, t.runDeckNames.begin() + 1 + n};
    }

    run::TableRunJob job(const std::vector<std::string>& decks, const QString& engine, int parallel) {
        run::TableRunJob j;
        j.decks = decks;
        for (const auto& d : decks) j.listings.push_back(pal::baseName(d) + ".LST");
        j.engine = engine;
        j.workDir = work_;
        j.tablePath = work_ + "/SOLAR.TBL";
        j.parallel = parallel;
        j.graceMs = 300;
        return j;
    }

    static bool waitFinished(run::TableRunner& r, int ms = 60000) {
        return QTest::qWaitFor([&r] { return r.isFinished(); }, ms);
    }

    // An engine that logs "s RUN" when it starts, waits until the test lets it
    // go (a file go.RUN), then logs "e RUN" and ends (RUN: the run deck's name).
    QString gatedEngine(const QString& log) {
        return writeEngine(work_ + "/engine.sh",
                           "run=$(basename \"$1\")\necho \"s $run\" >> '" + log.toLocal8Bit() +
                               "'\nwhile [ ! -e \"go.$run\" ]; do sleep 0.02; done\necho \"e $run\" >> '" +
                               log.toLocal8Bit() + "'\n");
    }
    QStringList logLines(const QString& log) {
        return QString::fromLocal8Bit(testsupport::readFile(log)).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }

    void init() {
        work_ = tmp_.path() + QStringLiteral("/run.%1 dir").arg(++serial_);  // a dot and a blank in the path
        QDir().mkpath(work_);
        testsupport::copySample("SOLAR.DCK", work_);
    }

    void parallelRunsGiveTheBytesOfSequentialRuns() {
        const QString engine = qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + "/KALVEX32.exe";
        const int runs = 6;
        std::vector<std::string> decks = writeDecks(runs);
        const run::TableRunPlan plan = run::planRuns(decks);
        QVERIFY(plan.clashes.empty());
        std::map<std::string, QByteArray> sequential;
        for (const auto& d : decks) {
            QProcess p;
            p.setWorkingDirectory(work_);
            p.start(engine, {q(d), "/N"});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 0);
        }
        for (const auto& r : plan.results)
            for (const auto& f : {r.listing, r.output, r.plot}) {
                sequential[f] = testsupport::readFile(q(f));
                QVERIFY2(!sequential[f].isEmpty(), f.c_str());
                QFile::remove(q(f));
            }

        decks = writeDecks(runs);
        run::TableRunner runner(job(decks, engine, 2));
        QSignalSpy ended(&runner, &run::TableRunner::runEnded);
        runner.start();
        QVERIFY(waitFinished(runner));
        QCOMPARE(ended.count(), runs);
        QCOMPARE(runner.peakRunning(), 2);
        for (int i = 0; i < runs; ++i) QCOMPARE(runner.status(i).phase, RunPhase::Done);
        for (const auto& [file, bytes] : sequential) QVERIFY2(testsupport::readFile(q(file)) == bytes, file.c_str());
        for (const auto& d : decks) QVERIFY2(!QFile::exists(q(d)), d.c_str());
    }

    void neverMoreThanNAtATimeAndInRunOrder_data() {
        QTest::addColumn<int>("limit");
        QTest::newRow("one at a time") << 1;
        QTest::newRow("two") << 2;
        QTest::newRow("three") << 3;
    }
    void neverMoreThanNAtATimeAndInRunOrder() {
        QFETCH(int, limit);
        const int runs = 5;
        const QString log = work_ + "/events";
        const std::vector<std::string> decks = writeDecks(runs);
        QStringList names;
        for (const auto& d : decks) names << QFileInfo(q(d)).fileName();
        run::TableRunner runner(job(decks, gatedEngine(log), limit));
        runner.start();
        QCOMPARE(runner.runningCount(), limit);  // the first ones start at once, the rest wait
        QCOMPARE(runner.waitingCount(), runs - limit);
        QTRY_COMPARE(logLines(log).size(), limit);
        // Each run let go ends, and only then does the next waiting one start.
        for (int k = 0; k < runs; ++k) {
            testsupport::writeFile(work_ + "/go." + names[k], "");
            const int lines = limit + 2 * (k + 1) - std::max(0, limit + k + 1 - runs);
            QTRY_COMPARE(logLines(log).size(), lines);
        }
        QVERIFY(waitFinished(runner));
        // From the log as the children wrote it: starts in run order, never
        // more than the limit running.
        int now = 0, most = 0;
        QStringList starts;
        for (const QString& line : logLines(log)) {
            now += line.startsWith("s ") ? 1 : -1;
            most = std::max(most, now);
            if (line.startsWith("s ")) starts << line.mid(2);
        }
        QCOMPARE(most, limit);
        QCOMPARE(starts.mid(limit), names.mid(limit));
        QCOMPARE(QSet<QString>(starts.begin(), starts.begin() + limit), QSet<QString>(names.begin(), names.begin() + limit));
        for (int i = 0; i < runs; ++i) QCOMPARE(runner.status(i).phase, RunPhase::Done);
    }

    void cancelEndsWaitingAndRunningRunsAndKeepsFinishedOnes() {
        // Runs 1 and 2 end at once; the others would run for half a minute.
        const QString engine = writeEngine(work_ + "/engine.sh",
                                           "base=${1%.TMP}\n"
                                           "case \"$1\" in *SOLAR.TMP|*SOLAR1.TMP) echo done > \"$base.LST\"; exit 0;; esac\n"
                                           "echo $$ > \"$base.pid\"\nexec sleep 30\n");
        const std::vector<std::string> decks = writeDecks(6);
        run::TableRunner runner(job(decks, engine, 2));
        runner.start();
        QTRY_VERIFY_WITH_TIMEOUT(runner.status(2).phase == RunPhase::Running && runner.status(3).phase == RunPhase::Running &&
                                     QFile::exists(work_ + "/SOLAR2.pid") && QFile::exists(work_ + "/SOLAR3.pid"),
                                 20000);
        QCOMPARE(runner.status(0).phase, RunPhase::Done);
        QCOMPARE(runner.status(1).phase, RunPhase::Done);
        const qint64 pid3 = testsupport::readFile(work_ + "/SOLAR2.pid").trimmed().toLongLong();
        const qint64 pid4 = testsupport::readFile(work_ + "/SOLAR3.pid").trimmed().toLongLong();
        QVERIFY(processAlive(pid3) && processAlive(pid4));

        runner.cancelWaiting();
        QCOMPARE(runner.status(4).phase, RunPhase::Cancelled);
        QCOMPARE(runner.status(5).phase, RunPhase::Cancelled);
        QVERIFY(runner.active());  // the running ones go on until asked
        QCOMPARE(runner.runningCount(), 2);

        runner.stopRunning();
        QVERIFY(waitFinished(runner, 5000));
        QCOMPARE(runner.status(2).phase, RunPhase::Stopped);
        QCOMPARE(runner.status(3).phase, RunPhase::Stopped);
        QTRY_VERIFY(!processAlive(pid3) && !processAlive(pid4));
        QVERIFY(QFile::exists(work_ + "/SOLAR.LST") && QFile::exists(work_ + "/SOLAR1.LST"));
        QVERIFY(!QFile::exists(work_ + "/SOLAR4.pid"));  // never started
        for (const auto& d : decks) QVERIFY(!QFile::exists(q(d)));
        QCOMPARE(run::summaryText(runner.statuses(), 1), std::string("2 of 6 runs ended normally in 0:01; 4 runs were cancelled."));
    }

    void aRunThatIgnoresTerminateIsKilledAfterTheGracePeriod() {
        const QString log = work_ + "/events";
        const QByteArray l = "'" + log.toLocal8Bit() + "'";
        const QString engine = writeEngine(work_ + "/engine.sh", "trap 'echo term >> " + l + "' TERM\ntrap 'echo exit >> " + l +
                                                                     "' EXIT\necho started >> " + l +
                                                                     "\nwhile :; do sleep 0.05; done\n");
        run::TableRunJob j = job(writeDecks(1), engine, 2);
        j.graceMs = 3000;  // room for the shell's trap on a busy machine
        run::TableRunner runner(j);
        runner.start();
        QTRY_COMPARE(logLines(log), QStringList{"started"});
        runner.stopRunning();
        QVERIFY(waitFinished(runner, 10000));
        // Terminate was ignored; the end was a kill (no exit trap ran). Whether
        // the shell ran its TERM trap before the kill depends on the machine's load.
        const QStringList lines = logLines(log);
        QCOMPARE(lines.first(), QStringLiteral("started"));
        QVERIFY(!lines.contains("exit"));
        QCOMPARE(runner.status(0).phase, RunPhase::Stopped);
    }

    // A runner that goes while its runs go on does not wait for them: they
    // are terminated, killed after the grace period and reaped later.
    void aRunnerThatGoesLeavesItsChildrenToTheReaper() {
        const QString engine = writeEngine(work_ + "/engine.sh", "trap '' TERM\necho $$ > \"$1.pid\"\nexec sleep 30\n");
        const std::vector<std::string> decks = writeDecks(1);
        auto runner = std::make_unique<run::TableRunner>(job(decks, engine, 1));
        runner->start();
        const QString pidFile = q(decks[0]) + ".pid";
        QTRY_VERIFY(QFile::exists(pidFile) && testsupport::readFile(pidFile).endsWith('\n'));
        const qint64 pid = testsupport::readFile(pidFile).trimmed().toLongLong();
        runner.reset();
        QVERIFY(processAlive(pid));  // terminate is ignored: still there after the runner went
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(pid), 10000);  // killed after the grace period
    }

    void failedAndUnstartableRunsAreReported() {
        const QString engine = writeEngine(work_ + "/engine.sh",
                                           "case \"$1\" in *SOLAR1.TMP) echo 'KALVEX32: 2 errors; listing X'; exit 1;; esac\n");
        run::TableRunner runner(job(writeDecks(3), engine, 2));
        runner.start();
        QVERIFY(waitFinished(runner));
        QCOMPARE(runner.status(0).phase, RunPhase::Done);
        QCOMPARE(runner.status(1).phase, RunPhase::Failed);
        QCOMPARE(runner.status(1).exitCode, 1);
        QCOMPARE(runner.status(1).detail, std::string("KALVEX32: 2 errors; listing X"));

        const std::vector<std::string> decks = writeDecks(3);
        run::TableRunner missing(job(decks, work_ + "/no such engine", 2));
        QSignalSpy finished(&missing, &run::TableRunner::finished);
        missing.start();
        QVERIFY(waitFinished(missing));
        QCOMPARE(finished.count(), 1);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(missing.status(i).phase, RunPhase::NotStarted);
            QCOMPARE(q(missing.status(i).reason), "File " + work_ + "/no such engine was not found.");
        }
        for (const auto& d : decks) QVERIFY(!QFile::exists(q(d)));
    }



};

QTEST_GUILESS_MAIN(TableRunnerTest)
#include "test_tablerunner.moc"
