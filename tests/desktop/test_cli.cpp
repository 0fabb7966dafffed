// The headless commands of the built program, run as a script would run them:
// no display, exit codes, the files written, one line on stderr for a failure.
#include <QImage>
#include <QProcess>
#include <QtTest>
#include <unistd.h>

#include "common/textfile.h"
#include "plot/axes.h"
#include "plot/curvebuilder.h"
#include "plot/plotdata.h"
#include "plot/plotrender.h"
#include "plot/pmxfile.h"
#include "support/testsupport.h"
#include "support/unprivileged.h"
#include "common/settings.h"
#include "table/tabledata.h"
#include "table/tablefile.h"

namespace {

struct Result {
    int code = -1;
    QByteArray out, err;
};

QString programDir() { return qEnvironmentVariable("PALUMARO_PROGRAM_DIR"); }

// A shell script standing in for the engine.
QString writeEngine(const QString& path, const QByteArray& body) {
    testsupport::writeFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// One line of text ending in a newline.
bool oneLine(const QByteArray& text) { return text.endsWith('\n') && text.count('\n') == 1 && text.size() > 10; }

// Whether a colour is among the pixels around a point (9 x 9: a symbol is
// hollow, its outline 3 pixels from the point).
bool colourNear(const QImage& img, QPoint at, QColor colour) {
    for (int dx = -4; dx <= 4; ++dx)
        for (int dy = -4; dy <= 4; ++dy)
            if (img.valid(at + QPoint(dx, dy)) && img.pixelColor(at + QPoint(dx, dy)) == colour) return true;
    return false;
}

// The top-left corner of a black frame of the given size, or (-1, -1).
QPoint frameCorner(const QImage& img, QSize size) {
    const auto black = [&](int x, int y) { return img.valid(x, y) && img.pixelColor(x, y) == Qt::black; };
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            bool frame = true;
            for (int i = 0; i < size.width() && frame; ++i) frame = black(x + i, y) && black(x + i, y + size.height() - 1);
            for (int i = 0; i < size.height() && frame; ++i) frame = black(x, y + i) && black(x + size.width() - 1, y + i);
            if (frame) return QPoint(x, y);
        }
    return QPoint(-1, -1);
}

}  // namespace

class CliTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString work_;

    Result run(const QStringList& args, const QString& program = QStringLiteral("palumaro")) {
        QProcess p;
        // No display and no platform choice: the commands choose offscreen.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work_ + QStringLiteral("/config"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(work_);
        p.start(programDir() + QLatin1Char('/') + program, args);
        if (!p.waitForFinished(120000)) p.kill();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
    }

    // A deck run once, its plot data beside it.
    QString runPump() {
        const QString deck = testsupport::copySample(QStringLiteral("PUMP.DCK"), work_);
        const Result r = run({QStringLiteral("--run"), deck});
        if (r.code != 0 || !QFile::exists(work_ + QStringLiteral("/PUMP.PLT"))) qFatal("engine run failed: %s", r.err.constData());
        return work_ + QStringLiteral("/PUMP.PLT");
    }

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }
    void init() {
        // Blanks in the path; no dot, since the engine names its results from
        // the path up to its first dot.
        work_ = testsupport::makeDotFreeTempDir(tmp_) + QStringLiteral("/my runs");
        QDir().mkpath(work_);
    }
    void cleanup() { QDir(work_).removeRecursively(); }

    void versionHelpAndUnknownOptions() {
        Result r = run({QStringLiteral("--version")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray("PALUMARO 1.80\n"));
        QVERIFY(r.err.isEmpty());
        r = run({QStringLiteral("--version")}, QStringLiteral("quivet"));  // the link: QUIVET mode
        QCOMPARE(r.out, QByteArray("QUIVET 1.80\n"));

        r = run({QStringLiteral("--help")});
        QCOMPARE(r.code, 0);
        for (const char* c : {"--run DECK", "--plot FILE.PMX", "--new-plot FILE.PLT", "--version", "--help"})
            QVERIFY2(r.out.contains(c), c);

        // Before any display is needed: one line and exit status 2.
        // An option holding a line break is shown with "\n": still one line.
        for (const QStringList& args : {QStringList{"--frobnicate", "x"}, QStringList{"--frob\nnicate", "x"},
                                        QStringList{"--plot", "A.PMX", "--frob\nnicate", "x"}}) {
            r = run(args);
            QCOMPARE(r.code, 2);
            QVERIFY2(oneLine(r.err), r.err.constData());
            QVERIFY2(r.err.contains("--frob"), r.err.constData());
        }
        r = run({QStringLiteral("--run")});
        QCOMPARE(r.code, 2);
        QVERIFY(oneLine(r.err));
    }

    void runGivesTheEnginesResultAndExitCode() {
        const QString plt = runPump();
        for (const char* f : {"/PUMP.LST", "/PUMP.OUT"}) QVERIFY(QFile::exists(work_ + QLatin1String(f)));
        QVERIFY(plot::ReadPlt(plt.toStdString()).rowCount > 10);

        // A deck the engine refuses: its own exit code comes back.
        testsupport::writeFile(work_ + "/BAD.DCK", "CONSTANTS 1\r\nA = (1 +\r\nEND\r\n");
        Result r = run({QStringLiteral("--run"), work_ + "/BAD.DCK"});
        QCOMPARE(r.code, 1);

        // No deck: one line, non-zero.
        r = run({QStringLiteral("--run"), work_ + "/NONE.DCK"});
        QVERIFY(r.code != 0);
        QVERIFY2(oneLine(r.err), r.err.constData());
        QVERIFY(r.err.contains("NONE.DCK"));
    }

    void newPlotDrawsTheCurveWhereItBelongs() {
        // A straight line from (0, 0) to (10, 10) and a constant at 2.
        QByteArray data = "X Y Z\r\ns m m\r\n";
        for (int i = 0; i <= 10; ++i) data += QByteArray::number(i) + ' ' + QByteArray::number(i) + " 2\r\n";
        testsupport::writeFile(work_ + "/LINE.PLT", data);
        const QString png = work_ + "/line plot.png";
        Result r = run({QStringLiteral("--new-plot"), work_ + "/LINE.PLT", QStringLiteral("--x"), QStringLiteral("x"),
                        QStringLiteral("--y"), QStringLiteral("Y,3"), QStringLiteral("--png"), png});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        const QImage img(png);
        QVERIFY(!img.isNull());

        // The axes the plot proposes, mapped on the frame the window uses, which
        // the exported image holds whole (wherever its margins place it).
        plot::PlotView view;
        const QPoint corner = frameCorner(img, view.frame().size());
        QVERIFY2(corner.x() >= 0, "no frame in the image");
        const QPoint shift = corner - view.frame().topLeft();
        view.left += shift.x();
        view.right += shift.x();
        view.top += shift.y();
        view.bottom += shift.y();
        const plot::AxisSpan sx{view.left, view.right - view.left}, sy{view.bottom, view.top - view.bottom};
        plot::AxisSettings ax, ay;
        const auto p = plot::ScaleMinMax({{0, 10}});
        ax.minimum = ay.minimum = p.low;
        ax.maximum = ay.maximum = p.high;
        // The first curve black, as Plot Setup makes it; the second blue.
        const QColor first = plot::PlotRenderer::PlotColor(0), second = plot::PlotRenderer::PlotColor(1);
        for (int v : {1, 3, 5, 7, 9}) {
            const QPoint onLine(plot::MapToPixel(ax, sx, v), plot::MapToPixel(ay, sy, v));
            QVERIFY2(colourNear(img, onLine, first), qPrintable(QStringLiteral("no curve at %1").arg(v)));
            const QPoint onConstant(plot::MapToPixel(ax, sx, v), plot::MapToPixel(ay, sy, 2));
            QVERIFY(colourNear(img, onConstant, second));  // the second curve steps to the next colour
        }
        // Nothing of the curves far from them.
        for (const QColor& c : {first, second})
            QVERIFY(!colourNear(img, QPoint(plot::MapToPixel(ax, sx, 2), plot::MapToPixel(ay, sy, 8)), c));

        // --size gives the PNG's pixels; a giant or malformed size is one line.
        r = run({QStringLiteral("--new-plot"), work_ + "/LINE.PLT", QStringLiteral("--x"), QStringLiteral("x"),
                 QStringLiteral("--y"), QStringLiteral("Y"), QStringLiteral("--png"), png, QStringLiteral("--size"),
                 QStringLiteral("640x360")});
        QCOMPARE(r.code, 0);
        QCOMPARE(QImage(png).size(), QSize(640, 360));
        for (const char* bad : {"20000x20000", "wide"}) {
            r = run({QStringLiteral("--new-plot"), work_ + "/LINE.PLT", QStringLiteral("--x"), QStringLiteral("x"),
                     QStringLiteral("--y"), QStringLiteral("Y"), QStringLiteral("--png"), work_ + "/no.png",
                     QStringLiteral("--size"), QLatin1String(bad)});
            QCOMPARE(r.code, 2);
            QVERIFY2(oneLine(r.err) && r.err.contains("--size") == (bad[0] == 'w'), r.err.constData());
            QVERIFY(!QFile::exists(work_ + "/no.png"));
        }

        // Bad columns and bad files: one line each, no image.
        r = run({QStringLiteral("--new-plot"), work_ + "/LINE.PLT", QStringLiteral("--x"), QStringLiteral("X"),
                 QStringLiteral("--y"), QStringLiteral("W"), QStringLiteral("--png"), work_ + "/no.png"});
        QVERIFY(r.code != 0);
        QVERIFY2(oneLine(r.err), r.err.constData());
        testsupport::writeFile(work_ + "/BROKEN.PLT", "X Y\r\n- -\r\n1 x\r\n");
        r = run({QStringLiteral("--new-plot"), work_ + "/BROKEN.PLT", QStringLiteral("--x"), QStringLiteral("X"),
                 QStringLiteral("--y"), QStringLiteral("Y"), QStringLiteral("--png"), work_ + "/no.png"});
        QVERIFY(r.code != 0);
        QVERIFY2(oneLine(r.err), r.err.constData());
        QVERIFY(!QFile::exists(work_ + "/no.png"));

        // Names and units but no row: no curve is made up from nothing.
        testsupport::writeFile(work_ + "/EMPTY.PLT", "X Y\r\ns m\r\n");
        r = run({QStringLiteral("--new-plot"), work_ + "/EMPTY.PLT", QStringLiteral("--x"), QStringLiteral("X"),
                 QStringLiteral("--y"), QStringLiteral("Y"), QStringLiteral("--csv"), work_ + "/empty.csv"});
        QCOMPARE(r.code, 2);
        QVERIFY2(oneLine(r.err) && r.err.contains("EMPTY.PLT") && r.err.contains("no rows"), r.err.constData());
        QVERIFY(!QFile::exists(work_ + "/empty.csv"));
    }

    // A command never writes over a file it reads, whatever name the output
    // gives it: exit code 2, one line, the input and every other output untouched.
    void anOutputThatIsAnInputIsRefused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("link");  // made to point at the input; "hard:" for a hard link
        QTest::newRow("--plot, csv over the plot") << QStringList{"--plot", "A.PMX", "--csv", "A.PMX"} << "A.PMX" << "";
        QTest::newRow("--plot, png through a link")
            << QStringList{"--plot", "A.PMX", "--png", "fine.png", "--png", "view.png"} << "A.PMX" << "view.png";
        QTest::newRow("--new-plot, png over the data")
            << QStringList{"--new-plot", "X.PLT", "--x", "1", "--y", "2", "--png", "X.PLT"} << "X.PLT" << "";
        QTest::newRow("--new-plot, svg over a hard link")
            << QStringList{"--new-plot", "./X.PLT", "--x", "1", "--y", "2", "--png", "fine.png", "--svg", "copy.svg"}
            << "X.PLT" << "hard:copy.svg";
        QTest::newRow("--run, listing a hard link of the deck") << QStringList{"--run", "PUMP.DCK"} << "PUMP.DCK"
                                                                << "hard:PUMP.LST";
        QTest::newRow("--run-table, a run deck over the table") << QStringList{"--run-table", "SOLAR.TMP"}
                                                                << "SOLAR.TMP" << "";
    }
    void anOutputThatIsAnInputIsRefused() {
        QFETCH(QStringList, args);
        QFETCH(QString, input);
        QFETCH(QString, link);
        testsupport::writeFile(work_ + "/X.PLT", "X Y\r\ns m\r\n0 1\r\n1 2\r\n");
        plot::PlotDocument doc;
        const plot::PlotDataTable data = plot::ReadPlt((work_ + "/X.PLT").toStdString());
        plot::addCurves(doc.record, data, 0, {1}, plot::RowRange{1, data.rowCount}, plot::CurveStyle{1, 1, 1, false});
        plot::writePmx((work_ + "/A.PMX").toStdString(), doc);
        testsupport::copySample(QStringLiteral("PUMP.DCK"), work_);
        testsupport::copySample(QStringLiteral("SOLAR.DCK"), work_);
        table::TableData t((work_ + "/SOLAR.DCK").toStdString(), {"AREA"}, 2);
        t.setValue(1, 1, 2.0);
        t.setValue(1, 2, 3.0);
        table::writeTableFile((work_ + "/SOLAR.TMP").toStdString(), t, {});
        if (link.startsWith("hard:"))
            QCOMPARE(::link(qPrintable(work_ + "/" + input), qPrintable(work_ + "/" + link.mid(5))), 0);
        else if (!link.isEmpty())
            QVERIFY(QFile::link(input, work_ + "/" + link));
        const QByteArray before = testsupport::readFile(work_ + "/" + input);
        const QStringList files = QDir(work_).entryList(QDir::Files | QDir::System);

        const Result r = run(args);
        QCOMPARE(r.code, 2);
        QVERIFY2(oneLine(r.err) && r.err.contains("nothing was written"), r.err.constData());
        QCOMPARE(testsupport::readFile(work_ + "/" + input), before);
        QCOMPARE(QDir(work_).entryList(QDir::Files | QDir::System), files);
    }

    void savedPlotRendersToImageDocumentAndTable() {
        // A saved plot of a real run, made as Plot Setup makes one.
        const plot::PlotDataTable data = plot::ReadPlt(runPump().toStdString());
        plot::PlotDocument doc;
        doc.caption = "Pump";
        doc.record.x.maximum = 80;
        doc.record.y.maximum = 60;
        doc.record.x.title = "TIME h";
        plot::addCurves(doc.record, data, 0, {1, 8}, plot::RowRange{1, data.rowCount}, plot::CurveStyle{1, 1, 2, false});
        const QString pmx = work_ + "/PUMP.PMX";
        plot::writePmx(pmx.toStdString(), doc);
        const plot::PlotDocument stored = plot::readPmx(pmx.toStdString());

        const Result r = run({QStringLiteral("--plot"), pmx, QStringLiteral("--png"), work_ + "/p.png",
                              QStringLiteral("--pdf"), work_ + "/p.pdf", QStringLiteral("--csv"), work_ + "/p.csv",
                              QStringLiteral("--svg"), work_ + "/p.svg"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        const QImage img(work_ + "/p.png");
        QVERIFY(!img.isNull());
        int red = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) red += img.pixelColor(x, y) == plot::PlotRenderer::PlotColor(2);
        QVERIFY(red > 200);

        // The document holds the axis title as text.
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {work_ + "/p.pdf", QStringLiteral("-")});
        QVERIFY(text.waitForFinished(60000));
        QVERIFY2(text.readAllStandardOutput().contains("TIME h"), "no axis title in the PDF");

        // The drawing is SVG with the axis title as text.
        const QByteArray svg = testsupport::readFile(work_ + "/p.svg");
        QVERIFY(svg.contains("<svg"));
        QVERIFY(svg.contains("TIME h"));

        // The table reads back to exactly the stored values (each text the
        // shortest that the 6-byte real of the value rounds back to): the
        // curves share their X column, so one TIME column and the two curves
        // beside it.
        const std::vector<std::string> lines = pal::readLines((work_ + "/p.csv").toStdString());
        QCOMPARE(lines.size(), stored.record.curves[0].x.size() + 1);
        const QStringList header = QString::fromStdString(lines[0]).split(QLatin1Char(','));
        QCOMPARE(header.size(), 3);
        QVERIFY(header[0].startsWith("TIME") && header[1].startsWith("LEVEL") && header[2].startsWith("VOLUME"));
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const QStringList cells = QString::fromStdString(lines[i]).split(QLatin1Char(','));
            QCOMPARE(cells.size(), 3);
            QCOMPARE(plot::toReal6Precision(cells[0].toDouble()), stored.record.curves[0].x[i - 1]);
            for (int c = 0; c < 2; ++c)
                QCOMPARE(plot::toReal6Precision(cells[c + 1].toDouble()), stored.record.curves[std::size_t(c)].y[i - 1]);
            QVERIFY2(cells[0].size() <= 13, qPrintable(cells[0]));  // never 17 digits
        }

        // A damaged saved plot: one line, non-zero, nothing written.
        QByteArray bytes = testsupport::readFile(pmx);
        testsupport::writeFile(work_ + "/CUT.PMX", bytes.left(bytes.size() / 2));
        const Result bad = run({QStringLiteral("--plot"), work_ + "/CUT.PMX", QStringLiteral("--png"), work_ + "/cut.png"});
        QVERIFY(bad.code != 0);
        QVERIFY2(oneLine(bad.err), bad.err.constData());
        QVERIFY(!QFile::exists(work_ + "/cut.png"));
        // No output named: a usage error.
        QCOMPARE(run({QStringLiteral("--plot"), pmx}).code, 2);
    }

    void everyFailureIsOneLineNamingTheFileAndTheReason_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("words");  // each in the one line
        QTest::newRow("missing table") << QStringList{"--run-table", "MISSING.TBL"}
                                       << QStringList{"MISSING.TBL", "No such file or directory"};
        QTest::newRow("bad jobs") << QStringList{"--run-table", "A.TBL", "--jobs", "many"}
                                  << QStringList{"--jobs", "many", "usage: palumaro --run-table"};
        QTest::newRow("deck folder") << QStringList{"--run", "FOLDER.DCK"} << QStringList{"FOLDER.DCK", "is a folder"};
        QTest::newRow("missing deck") << QStringList{"--run", "NONE.DCK"} << QStringList{"NONE.DCK", "No such file"};
        QTest::newRow("missing plot") << QStringList{"--plot", "NONE.PMX", "--png", "x.png"}
                                      << QStringList{"NONE.PMX", "No such file or directory"};
        QTest::newRow("unknown option") << QStringList{"--plot", "A.PMX", "--gif", "x.gif"} << QStringList{"--gif"};
    }
    void everyFailureIsOneLineNamingTheFileAndTheReason() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, words);
        QDir(work_).mkpath(QStringLiteral("FOLDER.DCK"));
        const Result r = run(args);
        QVERIFY(r.code != 0);
        QVERIFY2(oneLine(r.err), r.err.constData());
        for (const QString& w : words) QVERIFY2(r.err.contains(w.toUtf8()), r.err.constData());
    }

    // ---- --run-table ----

    // palumaro --run-table: one line per run, non-zero exit when a run failed
    // or nothing could run.
    void theCommandLineRunsATableFile() {
        testsupport::copySample("SOLAR.DCK", work_);
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

QTEST_MAIN(CliTest)
#include "test_cli.moc"
