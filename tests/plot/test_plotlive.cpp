// A plot window following the plot data of a running engine: its curves grow
// as rows come, a zoomed view stays where the user put it, Follow keeps the last
// span of X in view, trouble with the file is noted while the drawing stays, and
// the end shows what a fresh plot of the finished file shows.
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <functional>
#include <memory>

#include "plot/plotf.h"
#include "plot/plotfollow.h"
#include "plot/quickplot.h"
#include "shell/scriptedseams.h"
#include "support/testsupport.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode = QIODevice::Truncate) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | mode));
    f.write(bytes);
}

QByteArray rows(int from, int to) {
    QByteArray out;
    for (int r = from; r < to; ++r) out += QByteArray::number(r) + " " + QByteArray::number(r * r) + "\r\n";
    return out;
}

int lineCount(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') : 0;
}

}  // namespace

class PlotLiveTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString dir_;

    // A plot of Y against TIME made from the rows of path so far, following it.
    std::unique_ptr<TPlotForm> followedPlot(const QString& path, const char* y = "Y") {
        auto follower = std::make_shared<plot::PlotFollower>(path.toStdString());
        follower->poll();
        auto w = std::make_unique<TPlotForm>();
        w->setDocument(plot::quickPlot(follower->table(), "Plot from " + path.toStdString(), "TIME", {y}));
        w->follow(follower);
        return w;
    }
    int points(const TPlotForm& w) const { return w.document().record.curves.front().pointCount; }

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        dir_ = testsupport::makeDotFreeTempDir(tmp_);
    }
    void cleanup() { QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0); }

    void followsASlowedEngineRunToWhatAFreshPlotShows() {
        const QString deck = dir_ + "/TANK.DCK";
        writeFile(deck, "EQUATIONS 1\r\nLEVEL = 0.5 + TIME*TIME/100 ! [m]\r\nSIMULATION 0 40 0.1 ! [h]\r\nEND\r\n");
        QProcess engine;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KALVEX_STEP_MS"), QStringLiteral("8"));  // 401 steps: some 3 s
        engine.setProcessEnvironment(env);
        engine.start(qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + "/KALVEX32.exe", {deck});
        const QString plt = dir_ + "/TANK.PLT";
        QTRY_VERIFY_WITH_TIMEOUT(lineCount(plt) >= 4, 30000);
        auto w = followedPlot(plt, "LEVEL");
        const int first = points(*w);
        const auto firstX = w->document().record.x.maximum;
        QTRY_VERIFY_WITH_TIMEOUT(points(*w) > first, 30000);
        QVERIFY2(engine.state() != QProcess::NotRunning, "the run ended before the window saw it grow");
        QTRY_VERIFY(w->document().record.x.maximum > firstX);  // the axis grows with the data
        QVERIFY(engine.waitForFinished(60000));
        w->endFollowing();
        QVERIFY(!w->following());
        QCOMPARE(points(*w), 401);

        TPlotForm fresh;
        fresh.setDocument(plot::quickPlot(plot::ReadPlt(plt.toStdString()), "Plot from " + plt.toStdString(), "TIME", {"LEVEL"}));
        const plot::CurveRecord& a = w->document().record.curves.front();
        const plot::CurveRecord& b = fresh.document().record.curves.front();
        QVERIFY(a.x == b.x && a.y == b.y);
        QCOMPARE(double(w->document().record.x.maximum), double(fresh.document().record.x.maximum));
        QCOMPARE(double(w->document().record.y.maximum), double(fresh.document().record.y.maximum));
        QCOMPARE(w->renderImage(), fresh.renderImage());
    }

    void aZoomedViewStaysAndFollowKeepsTheLastSpan() {
        const QString plt = dir_ + "/ZOOM.PLT";
        writeFile(plt, "TIME Y\r\ns m\r\n" + rows(0, 10));
        auto w = followedPlot(plt);
        w->zoomTo(plot::AxisRange{2, 4}, plot::AxisRange{0, 20});
        const auto stored = plot::storedRange(w->document().record.x);
        writeFile(plt, rows(10, 30), QIODevice::Append);
        w->followLook();
        QCOMPARE(points(*w), 30);
        QVERIFY(w->visibleX() == (plot::AxisRange{2, 4}));
        QVERIFY(plot::storedRange(w->document().record.x) == stored);
        // The whole plot again: the next rows widen the axes.
        w->WholePlot();
        writeFile(plt, rows(30, 40), QIODevice::Append);
        w->followLook();
        QVERIFY(w->document().record.x.maximum >= 39);
        QVERIFY(w->document().record.y.maximum >= 39 * 39);
        // Follow: the last 5 units of X, moving on with the rows.
        w->setFollowSpan(5);
        QVERIFY(w->visibleX() == (plot::AxisRange{34, 39}));
        writeFile(plt, rows(40, 50), QIODevice::Append);
        w->followLook();
        QVERIFY(w->visibleX() == (plot::AxisRange{44, 49}));
        // A zoom of the user's own ends it.
        w->zoomTo(plot::AxisRange{0, 10}, plot::AxisRange{0, 100});
        QVERIFY(!w->followSpan());
        writeFile(plt, rows(50, 60), QIODevice::Append);
        w->followLook();
        QVERIFY(w->visibleX() == (plot::AxisRange{0, 10}));
    }

    void troubleWithTheFileIsNotedAndTheDrawingStays_data() {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<bool>("truncate");
        QTest::addColumn<QString>("note");
        QTest::addColumn<int>("points");
        QTest::newRow("truncated to zero") << QByteArray() << true << "has lost its header lines" << 5;
        QTest::newRow("another header") << QByteArray("A B\r\n") << true << "has lost its header lines" << 5;
        QTest::newRow("a short row") << QByteArray("5\r\n6 36\r\n") << false << "Line 8 of" << 6;
    }
    void troubleWithTheFileIsNotedAndTheDrawingStays() {
        QFETCH(QByteArray, written);
        QFETCH(bool, truncate);
        QFETCH(QString, note);
        QFETCH(int, points);
        const QString plt = dir_ + "/BAD.PLT";
        writeFile(plt, "TIME Y\r\ns m\r\n" + rows(0, 5));
        auto w = followedPlot(plt);
        QCOMPARE(w->followNote(), QString());
        writeFile(plt, written, truncate ? QIODevice::Truncate : QIODevice::Append);
        w->followLook();
        QVERIFY2(w->followNote().contains(note), qPrintable(w->followNote()));
        QCOMPARE(this->points(*w), points);
        QVERIFY(w->following());
    }
};

QTEST_MAIN(PlotLiveTest)
#include "test_plotlive.moc"
