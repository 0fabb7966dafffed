// The table runner on this machine with real child processes: parallel runs
// give the same bytes as runs one after the other, never more than N run at a
// time, Cancel ends waiting and running runs and keeps what finished, and
// runs that fail or cannot start say so.
#include <QDir>
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
        QElapsedTimer t;
        t.start();
        while (!r.isFinished() && t.elapsed() < ms) QTest::qWait(20);
        return r.isFinished();
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

    void neverMoreThanNAtATimeAndInRunOrder() {
        const QString log = work_ + "/times";
        const QString engine = writeEngine(work_ + "/engine.sh", "echo \"s $(date +%s%N)\" >> '" + log.toLocal8Bit() +
                                                                     "'\nsleep 0.3\necho \"e $(date +%s%N)\" >> '" +
                                                                     log.toLocal8Bit() + "'\n");
        for (int n : {2, 3}) {
            QFile::remove(log);
            run::TableRunner runner(job(writeDecks(7), engine, n));
            runner.start();
            QCOMPARE(runner.runningCount(), n);  // the first n start at once, the rest wait
            QCOMPARE(runner.waitingCount(), 7 - n);
            QVERIFY(waitFinished(runner));
            // Overlap measured by the children themselves.
            std::vector<std::pair<long long, int>> events;
            for (const QByteArray& line : testsupport::readFile(log).split('\n'))
                if (line.size() > 2) events.push_back({line.mid(2).toLongLong(), line[0] == 's' ? 1 : -1});
            std::sort(events.begin(), events.end(),
                      [](const auto& a, const auto& b) { return a.first != b.first ? a.first < b.first : a.second < b.second; });
            int now = 0, most = 0;
            for (const auto& e : events) most = std::max(most, now += e.second);
            QCOMPARE(int(events.size()), 14);
            QCOMPARE(most, n);
            for (int i = 1; i < 7; ++i) QVERIFY(runner.status(i).started >= runner.status(i - 1).started);
        }
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
        QTest::qWait(200);
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
        const QString engine = writeEngine(work_ + "/engine.sh", "trap '' TERM\nexec sleep 30\n");
        run::TableRunner runner(job(writeDecks(1), engine, 2));
        runner.start();
        QTest::qWait(200);
        QElapsedTimer t;
        t.start();
        runner.stopRunning();
        QVERIFY(waitFinished(runner, 5000));
        QVERIFY(t.elapsed() >= 250);  // terminate was ignored: killed after the grace period
        QCOMPARE(runner.status(0).phase, RunPhase::Stopped);
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

    // palumaro --run-table: one line per run, non-zero exit when a run failed
    // or nothing could run.
    void theCommandLineRunsATableFile() {
        auto palumaro = [this](const QStringList& args, QString& out) {
            QProcess p;
            p.setWorkingDirectory(work_);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_CONFIG_HOME", work_ + "/config");
            p.setProcessEnvironment(env);
            p.start(qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + "/palumaro", args);
            p.waitForFinished(120000);
            out = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitCode();
        };
        QString out;
        // A command like the others: listed by --help, its usage errors exit 2.
        QCOMPARE(palumaro({"--help"}, out), 0);
        QVERIFY2(out.contains("--run-table TABLE.TBL [--jobs N | --slurm]"), qPrintable(out));
        QCOMPARE(palumaro({"--run-table"}, out), 2);
        QVERIFY2(out.contains("--run-table needs a table file"), qPrintable(out));

        table::TableData t(work_.toStdString() + "/SOLAR.DCK", {"AREA"}, 4);
        for (int i = 1; i <= 4; ++i) t.setValue(1, i, i);
        const QString tbl = work_ + "/SOLAR.TBL";
        table::writeTableFile(tbl.toStdString(), t, {});
        QCOMPARE(palumaro({"--run-table", tbl, "--jobs", "2"}, out), 0);
        for (int i = 1; i <= 4; ++i) QVERIFY2(out.contains(QStringLiteral("Run %1: done, exit code 0").arg(i)), qPrintable(out));
        QVERIFY(out.contains("4 of 4 runs ended normally"));
        QVERIFY(QFile::exists(work_ + "/SOLAR3.PLT"));
        QVERIFY(QDir(work_).entryList({"*.TMP"}).isEmpty());

        // A deck the engine refuses: every run fails, each named with its listing.
        testsupport::writeFile(work_ + "/SOLAR.DCK", "CONSTANTS 1\r\nAREA=1\r\nEQUATIONS 1\r\nY=AREA*\r\nEND\r\n");
        QCOMPARE(palumaro({"--run-table", tbl, "--jobs=3"}, out), 1);
        QVERIFY2(out.contains("Run 2: failed, exit code 1, 0:00 (listing " + work_ + "/SOLAR1.LST)"), qPrintable(out));
        QVERIFY(out.contains("0 of 4 runs ended normally"));

        table::TableData undefined(work_.toStdString() + "/SOLAR.DCK", {"AREA"}, 2);
        table::writeTableFile(tbl.toStdString(), undefined, {});
        QCOMPARE(palumaro({"--run-table", tbl}, out), 2);
        QVERIFY(out.contains("Parameter in the col #1, run #1 isn't defined"));
        QCOMPARE(palumaro({"--run-table", tbl, "--jobs", "0"}, out), 2);
        QVERIFY2(out.contains("(usage: palumaro --run-table TABLE.TBL [--jobs N | --slurm])"), qPrintable(out));
    }

    // A copy of the built program directory runs the copy's engine, not the
    // build's; without an engine the message names the path it looked for.
    void aCopiedProgramDirectoryRunsItsOwnEngine() {
        const QString base = tmp_.path() + "/copied", prog = base + "/prog", config = base + "/config", work = base + "/work";
        for (const QString& d : {prog, config, work}) QVERIFY(QDir().mkpath(d));
        const QString built = qEnvironmentVariable("PALUMARO_PROGRAM_DIR");
        QVERIFY(QFile::copy(built + "/palumaro", prog + "/palumaro"));
        QVERIFY(QFile::copy(built + "/PALUMARO.DFT", prog + "/PALUMARO.DFT"));
        writeEngine(prog + "/KALVEX32.exe", "touch \"$1.ran\"\n");
        testsupport::copySample("SOLAR.DCK", work);
        table::TableData t(work.toStdString() + "/SOLAR.DCK", {"AREA"}, 2);
        for (int i = 1; i <= 2; ++i) t.setValue(1, i, i);
        table::writeTableFile((work + "/SOLAR.TBL").toStdString(), t, {});
        const auto run = [&](QString& out) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_CONFIG_HOME", config);
            p.setProcessEnvironment(env);
            p.setWorkingDirectory(work);
            p.start(prog + "/palumaro", {"--run-table", work + "/SOLAR.TBL"});
            p.waitForFinished(120000);
            out = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        QString out;
        QCOMPARE(run(out), 0);
        QCOMPARE(QDir(work).entryList({"*.ran"}), QStringList({"SOLAR.TMP.ran", "SOLAR1.TMP.ran"}));
        QVERIFY(QFile::remove(prog + "/KALVEX32.exe"));
        QCOMPARE(run(out), 2);
        QVERIFY2(out.contains("the engine " + prog + "/KALVEX32.exe was not found"), qPrintable(out));
    }

    // An installation the user may not write (an installed prefix) keeps the
    // user's PALUMARO.DFT in the configuration directory: a headless table run
    // reads that copy first, as the window program does. Here it names another
    // engine directory than the installation's, and the engine is given the
    // user's engine switches file.
    void aHeadlessRunReadsTheUsersSettingsWhereTheInstallationIsReadOnly() {
        const QString base = tmp_.path() + "/read-only";
        const QString inst = base + "/inst", engines = base + "/engine", config = base + "/config", work = base + "/work";
        for (const QString& d : {inst, engines, config + "/palumaro", work}) QVERIFY(QDir().mkpath(d));
        const QString program = inst + "/palumaro";
        QVERIFY(QFile::copy(qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + "/palumaro", program));
        pal::writeDFTFile((inst + "/PALUMARO.DFT").toStdString(), pal::shippedSettings(inst.toStdString()));
        writeEngine(inst + "/KALVEX32.exe", "exit 3\n");
        pal::writeDFTFile((config + "/palumaro/PALUMARO.DFT").toStdString(), pal::shippedSettings(engines.toStdString()));
        // The engine records the switches file it is given: the user's, which
        // the setup wrote, not the installation's.
        writeEngine(engines + "/KALVEX32.exe", "printf %s \"$KALVEX_SWITCHES\" > \"$1.ran\"\n");
        testsupport::writeFile(inst + "/CNFGKV.KVN", "KALVEX configuration\r\nYes\r\n");
        testsupport::writeFile(config + "/palumaro/CNFGKV.KVN", "KALVEX configuration\r\nNo\r\n");
        testsupport::copySample("SOLAR.DCK", work);
        table::TableData t(work.toStdString() + "/SOLAR.DCK", {"AREA"}, 3);
        for (int i = 1; i <= 3; ++i) t.setValue(1, i, i);
        table::writeTableFile((work + "/SOLAR.TBL").toStdString(), t, {});

        // Everyone may read and run everything; only the work directory may be
        // written. Root writes anywhere, so as root the program runs as nobody
        // (dropped to in the child before it starts the program).
        const auto all = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                         QFile::ExeOther;
        for (const QString& f : {tmp_.path(), base, engines, engines + "/KALVEX32.exe", inst + "/KALVEX32.exe", config,
                                 config + "/palumaro", config + "/palumaro/PALUMARO.DFT", program,
                                 inst + "/CNFGKV.KVN", config + "/palumaro/CNFGKV.KVN"})
            QFile::setPermissions(f, all | QFile::WriteOwner);
        QFile::setPermissions(work, all | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
        for (const QString& f : QDir(work).entryList(QDir::Files)) QFile::setPermissions(work + "/" + f, all | QFile::WriteOther);
        QFile::setPermissions(inst, all);

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(work);
        if (::geteuid() == 0)
            p.setChildProcessModifier([n = coretest::nobody()] {
                if (!coretest::dropTo(n)) ::_exit(125);
            });
        p.start(program, {"--run-table", work + "/SOLAR.TBL", "--jobs", "2"});
        QVERIFY2(p.waitForStarted(10000), qPrintable(p.errorString()));
        p.waitForFinished(120000);
        QFile::setPermissions(inst, all | QFile::WriteOwner);
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, qPrintable(out));
        QCOMPARE(QDir(work).entryList({"*.ran"}), QStringList({"SOLAR.TMP.ran", "SOLAR1.TMP.ran", "SOLAR2.TMP.ran"}));
        for (const QString& f : QDir(work).entryList({"*.ran"}))
            QCOMPARE(testsupport::readFile(work + "/" + f), (config + "/palumaro/CNFGKV.KVN").toLocal8Bit());
    }
};

QTEST_GUILESS_MAIN(TableRunnerTest)
#include "test_tablerunner.moc"
