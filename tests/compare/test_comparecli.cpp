// palumaro --compare as a continuous-integration script runs it: two runs of
// the pump deck, exit codes, the lines on stdout and the report folder.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "support/testsupport.h"

namespace {

struct Result {
    int code = -1;
    QByteArray out, err;
};

}  // namespace

class CompareCliTest : public QObject {
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

    // The pump deck run in its own folder, QMAX multiplied by factor.
    void runPump(const QString& folder, const QString& qmax) {
        QDir(work_).mkpath(folder);
        const QString deck = testsupport::copySample(QStringLiteral("PUMP.DCK"), work_ + QLatin1Char('/') + folder);
        QByteArray text = testsupport::readFile(deck);
        text.replace("QMAX = 45.0 ", ("QMAX = " + qmax + " ").toLatin1());
        testsupport::writeFile(deck, text);
        const Result r = run({QStringLiteral("--run"), deck});
        QVERIFY2(r.code == 0, r.err.constData());
        QFile::remove(deck);  // the folders hold results only
    }

private slots:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        work_ = tmp_.path();
        runPump(QStringLiteral("ref"), QStringLiteral("45.0"));
        runPump(QStringLiteral("same"), QStringLiteral("45.0"));
        runPump(QStringLiteral("new"), QStringLiteral("45.45"));
    }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("stdoutHas");  // a regular expression; empty: nothing on stdout
        QTest::addColumn<bool>("errorLine");     // one line on stderr
        QTest::newRow("same plot data") << QStringList{"ref/PUMP.PLT", "same/PUMP.PLT"} << 0 << QString() << false;
        QTest::newRow("QMAX one per cent up")
            << QStringList{"ref/PUMP.PLT", "new/PUMP.PLT"} << 1
            << QStringLiteral("^PUMP.PLT LEVEL: differs, largest difference \\S+ at TIME = \\S+") << false;
        QTest::newRow("within a wide tolerance")
            << QStringList{"ref/PUMP.PLT", "new/PUMP.PLT", "--rel", "0.2", "--abs", "5"} << 0 << QString() << false;
        QTest::newRow("listings by content")
            << QStringList{"ref/PUMP.LST", "new/PUMP.LST"} << 1 << QStringLiteral("QMAX = 45.0 .* -> .*QMAX = 45.45")
            << false;
        QTest::newRow("folders") << QStringList{"ref", "new"} << 1 << QStringLiteral("^PUMP.OUT:") << false;
        QTest::newRow("reference missing") << QStringList{"gone/PUMP.PLT", "new/PUMP.PLT"} << 2 << QString() << true;
        QTest::newRow("file and folder") << QStringList{"ref/PUMP.PLT", "new"} << 2 << QString() << true;
        QTest::newRow("plot data and listing") << QStringList{"ref/PUMP.PLT", "new/PUMP.LST"} << 2 << QString() << true;
        QTest::newRow("bad tolerance") << QStringList{"ref", "new", "--rel", "-1"} << 2 << QString() << true;
        QTest::newRow("no new file") << QStringList{"ref/PUMP.PLT"} << 2 << QString() << true;
    }
    void exitCodes() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, stdoutHas);
        QFETCH(bool, errorLine);
        const Result r = run(QStringList{QStringLiteral("--compare")} + args);
        QCOMPARE(r.code, code);
        if (stdoutHas.isEmpty()) QVERIFY2(r.out.isEmpty(), r.out.constData());
        else QVERIFY2(QString::fromUtf8(r.out).contains(QRegularExpression(stdoutHas, QRegularExpression::MultilineOption)),
                      r.out.constData());
        if (errorLine) QVERIFY2(r.err.endsWith('\n') && r.err.count('\n') == 1, r.err.constData());
    }

    void reportHoldsThePagesAndPlotsItNames() {
        const Result r = run({QStringLiteral("--compare"), QStringLiteral("ref"), QStringLiteral("new"),
                              QStringLiteral("--report"), QStringLiteral("out/report")});
        QCOMPARE(r.code, 1);
        const QString dir = work_ + QStringLiteral("/out/report/");
        const QString page = QString::fromUtf8(testsupport::readFile(dir + QStringLiteral("index.html")));
        const QString csv = QString::fromUtf8(testsupport::readFile(dir + QStringLiteral("summary.csv")));
        QVERIFY(csv.startsWith(QStringLiteral("file,variable,status,")));
        QVERIFY(csv.contains(QStringLiteral("PUMP.PLT,LEVEL,differs,")));
        QStringList named;
        for (const auto& m : QRegularExpression(QStringLiteral("<img src=\"([^\"]+)\"")).globalMatch(page)) named << m.captured(1);
        QVERIFY(named.contains(QStringLiteral("PUMP.PLT_LEVEL.png")));
        for (const QString& image : named) {
            QVERIFY2(csv.contains(QLatin1Char(',') + image + QLatin1Char(',')), qPrintable(image));
            const QImage img(dir + image);
            QVERIFY2(img.width() > 300 && img.height() > 200, qPrintable(image));
        }
        // Only the pages and plots it names are in the folder.
        QStringList files = QDir(dir).entryList(QDir::Files);
        files.removeAll(QStringLiteral("index.html"));
        files.removeAll(QStringLiteral("summary.csv"));
        named.sort();
        QCOMPARE(files, named);
    }
};

QTEST_GUILESS_MAIN(CompareCliTest)
#include "test_comparecli.moc"
