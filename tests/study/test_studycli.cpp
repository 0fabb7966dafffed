// palumaro --sweep, --collect and --run-table ... --collect as a script runs
// them on the solar sample: the tables written, the CSV of a real table run,
// damaged outputs and bad input with their exit codes.
#include <QProcess>
#include <QtTest>

#include "shell/qtbytes.h"
#include "study/collect.h"
#include "support/testsupport.h"
#include "table/tablefile.h"

namespace {

struct Result {
    int code = -1;
    QByteArray out, err;
};

}  // namespace

class StudyCliTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString work_;

    Result run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work_ + QStringLiteral("/config"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(work_);
        p.start(qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + QStringLiteral("/palumaro"), args);
        if (!p.waitForFinished(120000)) p.kill();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
    }
    table::TableData table(const QString& name) {
        return table::readTableFile(toBytes(work_ + QLatin1Char('/') + name)).table;
    }

private slots:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        work_ = tmp_.path();
        testsupport::copySample(QStringLiteral("SOLAR.DCK"), work_);
    }

    void sweepWritesTablesOrRefusesBadValues_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");  // on stdout, or stderr for a refusal
        QTest::addColumn<int>("runs");      // of the first table written
        const auto row = [](const char* name, QStringList args, int code, const char* said, int runs) {
            QTest::newRow(name) << (QStringList{QStringLiteral("--sweep")} + args) << code << QString::fromUtf8(said) << runs;
        };
        row("grid", {"AREA=2:10:5,VTANK=200,300", "SOLAR.DCK", "G.TBL"}, 0, "G.TBL: 10 runs of 2 variables", 10);
        row("one at a time", {"AREA=2,4.5,8,VTANK=300,400", "--oat", "SOLAR.DCK", "O.TBL"}, 0, "O.TBL: 4 runs", 4);
        row("hypercube", {"AREA=1:100:2:log,VTANK=100:400:2", "--lhs", "120:5", "SOLAR.DCK", "L.TBL"}, 0,
            "120 runs need 2 tables", 99);
        row("reversed", {"AREA=10:2:5", "SOLAR.DCK", "X.TBL"}, 2, "AREA: the range is reversed", 0);
        row("through zero", {"AREA=-1:10:3:log", "SOLAR.DCK", "X.TBL"}, 2, "cannot reach or cross zero", 0);
        row("not a number", {"VTANK=200,lots", "SOLAR.DCK", "X.TBL"}, 2, "\"lots\" is not a number", 0);
        row("empty", {"AREA=3:3:4", "SOLAR.DCK", "X.TBL"}, 2, "the range is empty", 0);
        row("not a constant", {"AREAS=1,2", "SOLAR.DCK", "X.TBL"}, 2, "AREAS is not a constant of SOLAR.DCK", 0);
        row("two designs", {"AREA=1,2", "--oat", "--grid", "SOLAR.DCK", "X.TBL"}, 2, "choose one of", 0);
    }
    void sweepWritesTablesOrRefusesBadValues() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, said);
        QFETCH(int, runs);
        const Result r = run(args);
        QCOMPARE(r.code, code);
        QVERIFY2(QString::fromUtf8(code ? r.err : r.out).contains(said), (r.out + r.err).constData());
        if (code) {
            QVERIFY(!QFile::exists(work_ + QStringLiteral("/X.TBL")));
            return;
        }
        const QString file = args[args.size() - 1];
        const QString first = runs == 99 ? file.chopped(4) + QStringLiteral("_1.TBL") : file;
        const table::TableData t = table(first);
        QCOMPARE(t.runs(), runs);
        QCOMPARE(t.columns.front().name, std::string("AREA"));
        if (file == QLatin1String("O.TBL")) {  // VTANK at the deck's 300 while AREA varies
            QCOMPARE(double(t.value(2, 1)), 300.0);
            QCOMPARE(double(t.value(1, 4)), 4.5);
            QCOMPARE(double(t.value(2, 4)), 400.0);
        }
        if (runs == 99) QCOMPARE(table(file.chopped(4) + QStringLiteral("_2.TBL")).runs(), 21);
    }

    void runTableCollectsAfterItsRuns() {
        QCOMPARE(run({"--sweep", "VTANK=200,400", "--grid", "SOLAR.DCK", "V.TBL"}).code, 0);
        // A bad metric is told before anything runs.
        const Result bad = run({"--run-table", "V.TBL", "--collect", "TTANK:top", "--csv", "v.csv"});
        QCOMPARE(bad.code, 2);
        QVERIFY2(bad.err.contains("--run-table: --collect: \"TTANK:top\": unknown metric"), bad.err.constData());
        QVERIFY(!bad.out.contains("Run 1"));
        const Result r = run({"--run-table", "V.TBL", "--jobs", "2", "--collect", "TTANK:max,TTANK:xatmax", "--csv", "v.csv"});
        QVERIFY2(r.code == 0, r.err.constData());
        QVERIFY(r.out.contains("Run 2: done"));
        const QStringList lines = QString::fromUtf8(testsupport::readFile(work_ + QStringLiteral("/v.csv"))).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("run,VTANK,TTANK:max,TTANK:xatmax,status"));
        QVERIFY(lines[1].startsWith(QStringLiteral("1,200,")) && lines[1].endsWith(QStringLiteral(",ok")));
        QVERIFY(lines[2].startsWith(QStringLiteral("2,400,")) && lines[2].endsWith(QStringLiteral(",ok")));
    }

    void collectWritesOneRowPerRunAndMarksDamagedRuns() {
        QCOMPARE(run({"--sweep", "AREA=2,4", "--grid", "SOLAR.DCK", "S.TBL"}).code, 0);
        const Result ran = run({"--run-table", "S.TBL", "--jobs", "2"});
        QVERIFY2(ran.code == 0, ran.err.constData());
        const Result r = run({"--collect", "TTANK:max,SOLARKWH:final,TTANK:at=12", "--csv", "r.csv", "S.TBL"});
        QVERIFY2(r.code == 0, r.err.constData());
        QStringList lines = QString::fromUtf8(testsupport::readFile(work_ + QStringLiteral("/r.csv"))).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4);  // the header, two runs, the end
        QCOMPARE(lines[0], QStringLiteral("run,AREA,TTANK:max,SOLARKWH:final,TTANK:at=12,status"));
        // The same numbers as the core gives for that run's plot data.
        const study::RunResult second =
            study::collectRun(toBytes(work_ + QStringLiteral("/SOLAR1.PLT")), study::parseMetricList("TTANK:max"));
        QVERIFY(lines[2].startsWith(QStringLiteral("2,4,%1,").arg(toQ(study::valueText(*second.values[0])))));
        QVERIFY(lines[2].endsWith(QStringLiteral(",ok")));
        // A truncated run: exit code 1, its cells empty, the reason in the status.
        QByteArray cut = testsupport::readFile(work_ + QStringLiteral("/SOLAR1.PLT"));
        cut.chop(cut.size() / 2 + 7);
        testsupport::writeFile(work_ + QStringLiteral("/SOLAR1.PLT"), cut);
        const Result damaged = run({"--collect", "TTANK:max", "--csv", "-", "S.TBL"});
        QCOMPARE(damaged.code, 1);
        lines = QString::fromUtf8(damaged.out).split(QStringLiteral("\r\n"));
        QVERIFY2(lines[1].endsWith(QStringLiteral(",ok")), qPrintable(lines[1]));
        QVERIFY2(lines[2].startsWith(QStringLiteral("2,4,,\"failed: ")), qPrintable(lines[2]));  // quoted: a comma
        QVERIFY(lines[2].contains(QStringLiteral("SOLAR1.PLT")));
        // Bad metric texts name their part.
        for (const auto& [metrics, part] : {std::pair{"TTANK:peak", "unknown metric \"peak\""},
                                            std::pair{"TANK:max", "no column TANK"},
                                            std::pair{"TTANK:at=noon", "\"noon\" is not a number"}}) {
            const Result bad = run({"--collect", metrics, "--csv", "b.csv", "S.TBL"});
            QCOMPARE(bad.code, 2);
            QVERIFY2(bad.err.contains(part), bad.err.constData());
            QVERIFY(!QFile::exists(work_ + QStringLiteral("/b.csv")));
        }
    }
};

QTEST_GUILESS_MAIN(StudyCliTest)
#include "test_studycli.moc"
