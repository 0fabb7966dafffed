// The plot window as a new user meets it: a frame that follows the window,
// tick labels that never touch, round ticks when zoomed, the export's proposed
// name and size limit, a double click that leaves no cursor, and a close
// question only about a plot that holds changes.
#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>
#include <cmath>

#include "common/ioerror.h"
#include "plot/plotexport.h"
#include "plot/plotf.h"
#include "plot/pmxfile.h"
#include "shell/scriptedseams.h"
#include "support/testsupport.h"

namespace {

// y = sin on 0..10 (101 points) under a stored -1.2..1.2 Y axis, with a legend.
plot::PlotDocument sinePlot() {
    plot::PlotDocument d;
    d.caption = "Plot from /data/runs/PUMP.PLT";
    auto& r = d.record;
    r.x.maximum = 10;
    r.y.minimum = -1.2L;
    r.y.maximum = 1.2L;
    r.x.ticks = 5;
    r.y.ticks = 6;
    r.x.digits = r.y.digits = 1;
    r.x.title = "TIME s";
    r.y.title = "LEVEL m";
    r.legend = true;
    plot::CurveRecord c;
    c.curveNumber = 1;
    c.firstRow = 1;
    c.lastRow = c.pointCount = 101;
    c.lineStyle = 1;
    c.color = 1;
    c.xName = "TIME";
    c.yName = "LEVEL";
    for (int i = 0; i <= 100; ++i) {
        c.x.push_back(i / 10.0);
        c.y.push_back(std::sin(i / 10.0));
    }
    r.curves.push_back(c);
    return d;
}

QAction* menuAction(TPlotForm& w, const char* name) { return w.contextMenu()->findChild<QAction*>(QLatin1String(name)); }

}  // namespace

class PlotLayoutTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString dir_;

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        dir_ = testsupport::makeDotFreeTempDir(tmp_);
    }
    void cleanup() { QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0); }

    void frameFollowsTheWindowUntilMovedByHand() {
        ScriptedSeams s;
        TPlotForm w;
        w.setDocument(sinePlot());
        // A new window keeps the first frame.
        QCOMPARE(w.view().frame(), plot::PlotView().frame());
        w.resize(1240, 820);
        w.show();
        QTRY_VERIFY(w.view().right > 1000);
        // The frame fills the window with room for labels, titles and legend:
        // everything drawn lies inside, and no scroll bar is needed.
        w.renderImage();
        const QRect de = w.view().dataExtent;
        QVERIFY2(de.right() < 1240 && de.bottom() < 820 && de.right() > 1150 && de.bottom() > 720,
                 qPrintable(QStringLiteral("%1,%2").arg(de.right()).arg(de.bottom())));
        auto* scroll = w.findChild<QScrollArea*>();
        QVERIFY(!scroll->horizontalScrollBar()->isVisible() && !scroll->verticalScrollBar()->isVisible());
        QVERIFY(w.frameFollowsWindow());

        // Moved by hand, the frame stays where the user put it.
        const QRect followed = w.view().frame();
        w.FormMouseDown(followed.center());
        w.FormMouseMove(followed.center() + QPoint(-40, 10));
        w.FormMouseUp(followed.center() + QPoint(-40, 10));
        const QRect moved = followed.translated(-40, 10);
        QCOMPARE(w.view().frame(), moved);
        QVERIFY(!w.frameFollowsWindow());
        QVERIFY(w.isModified());
        w.resize(900, 600);
        QTRY_COMPARE(w.size(), QSize(900, 600));
        QCOMPARE(w.view().frame(), moved);

        // The hand-placed frame is stored and comes back with the file.
        w.Save(dir_ + "/HAND.PMX");
        TPlotForm again;
        QVERIFY(again.Open(dir_ + "/HAND.PMX"));
        QCOMPARE(again.view().frame(), moved);
        QVERIFY(!again.frameFollowsWindow());

        // Fit frame to window: following again, sized to the window.
        menuAction(w, "FitFrame1")->trigger();
        QVERIFY(w.frameFollowsWindow());
        QCOMPARE(w.view().left, 100);
        QVERIFY(w.view().right > 700 && w.view().right < 900);
        w.renderImage();
        QVERIFY(w.view().dataExtent.right() < 900 && w.view().dataExtent.bottom() < 600);
        // A following frame leaves the stored plot's bytes as a new plot has them.
        w.Save(dir_ + "/FOLLOW.PMX");
        plot::PlotDocument plain = sinePlot();
        plain.caption = w.windowTitle().toStdString();
        QCOMPARE(testsupport::readFile(dir_ + "/FOLLOW.PMX"), QByteArray::fromStdString(plot::encodePmx(plain)));
    }

    void tickLabelsNeverTouchAndZoomedTicksAreRound_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("zooms");
        for (int width : {330, 420, 640, 1000, 1600})
            for (int zooms : {0, 2}) QTest::addRow("%d px, %d zooms", width, zooms) << width << zooms;
    }
    void tickLabelsNeverTouchAndZoomedTicksAreRound() {
        QFETCH(int, width);
        QFETCH(int, zooms);
        TPlotForm w;
        plot::PlotDocument d = sinePlot();
        d.record.x.ticks = 10;
        d.record.y.ticks = 48;  // a crowded Y axis: labels must be left out
        d.record.y.digits = 2;  // its steps of 0.05 read as such
        w.setDocument(d);
        w.resize(width, 700);
        for (int z = 0; z < zooms; ++z) QVERIFY(w.FormWheel(w.view().frame().center() + QPoint(37, 21), 3, Qt::ShiftModifier));
        w.renderImage();
        const auto& labels = w.view().labels;
        QVERIFY(labels.size() >= 4);
        int zeros = 0;
        for (bool xAxis : {true, false}) {
            std::vector<QRect> rects;
            std::vector<double> values;
            for (const plot::DrawnLabel& l : labels) {
                if (l.xAxis != xAxis) continue;
                // Apart by at least two pixels from every other label of the axis.
                for (const QRect& r : rects)
                    QVERIFY2(!r.adjusted(-2, -2, 2, 2).intersects(l.rect), qPrintable(l.text));
                rects.push_back(l.rect);
                QVERIFY2(!l.text.startsWith(QLatin1String("-0")) || l.text.toDouble() != 0, qPrintable(l.text));
                if (l.text.toDouble() == 0) {
                    QCOMPARE(l.text, QStringLiteral("0"));
                    ++zeros;
                }
                values.push_back(l.text.toDouble());
            }
            QVERIFY(values.size() >= 2);
            if (zooms == 0) continue;
            // Zoomed: every step between labels a round 1, 2 or 5 x 10^n multiple
            // of one step, each label a multiple of it, and all texts distinct.
            const plot::AxisSettings a = xAxis ? w.view().axisX(w.document().record) : w.view().axisY(w.document().record);
            const double step = static_cast<double>(plot::roundStep(a.minimum, a.maximum, a.ticks));
            const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
            QVERIFY2(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 || std::fabs(mantissa - 5) < 1e-6,
                     qPrintable(QString::number(step)));
            for (std::size_t i = 0; i < values.size(); ++i) {
                QVERIFY2(std::fabs(values[i] / step - std::round(values[i] / step)) < 1e-6, qPrintable(QString::number(values[i])));
                if (i) QVERIFY(values[i] != values[i - 1]);
            }
        }
        // The Y axis of -1.2..1.2 has a labelled zero unless zoomed away from it.
        if (zooms == 0) QCOMPARE(zeros >= 1, true);
    }

    void exportProposesThePlotsNameWithTheFormatsExtension() {
        ScriptedSeams s;
        TPlotForm w;
        w.setDocument(sinePlot());
        w.ExportDialog();  // cancelled
        QCOMPARE(s.dialogs.fileRequests.size(), 1);
        FileDialogRequest r = s.dialogs.fileRequests.back();
        QCOMPARE(r.fileName, QStringLiteral("PUMP.png"));
        QCOMPARE(r.directory, QStringLiteral("/data/runs"));
        QVERIFY(r.suffixFollowsFilter);
        // The format chosen last is proposed next, and a saved plot's name wins.
        s.dialogs.fileAnswers = {FileDialogResult{dir_ + "/out.csv", 4}};
        w.ExportDialog();
        QVERIFY(QFile::exists(dir_ + "/out.csv"));
        w.Save(dir_ + "/Tank level.PMX");
        w.ExportDialog();
        r = s.dialogs.fileRequests.back();
        QCOMPARE(r.fileName, QStringLiteral("Tank level.csv"));
        QCOMPARE(r.directory, dir_);

        // The real dialog: choosing another format changes the name's extension.
        QFileDialog dlg;
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        prepareFileDialog(dlg, r);
        auto* name = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QCOMPARE(name->text(), QStringLiteral("Tank level.csv"));
        emit dlg.filterSelected(r.filters[2]);
        QCOMPARE(name->text(), QStringLiteral("Tank level.pdf"));
    }

    void giantImagesAreRefusedWithAMessage_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("message");
        QTest::newRow("20000 square") << "20000 x 20000" << "must each be 16 to 10000 pixels";
        QTest::newRow("too many pixels") << "9000x9000" << "too large an image";
        QTest::newRow("not a size") << "big" << "'big' is not an image size";
        QTest::newRow("fine") << "640 x 400" << "";
    }
    void giantImagesAreRefusedWithAMessage() {
        QFETCH(QString, size);
        QFETCH(QString, message);
        ScriptedSeams s;
        TPlotForm w;
        w.setDocument(sinePlot());
        const QString out = dir_ + "/giant.png";
        QFile::remove(out);
        s.dialogs.fileAnswers = {FileDialogResult{out, 1}};
        s.dialogs.inputAnswers = {size};
        w.ExportDialog();
        if (message.isEmpty()) {
            QCOMPARE(QImage(out).size(), QSize(640, 400));
            QVERIFY(s.alerts.shown.isEmpty());
        } else {
            QVERIFY2(s.alerts.lastText().contains(message), qPrintable(s.alerts.lastText()));
            QVERIFY(!QFile::exists(out));
        }
        // Below the window the export refuses it too.
        QVERIFY_THROWS_EXCEPTION(pal::IoError, plot::exportPlot(w.document(), w.view(), plot::ExportFormat::Png, out, QSize(20000, 20000)));
    }

    void vectorExportsDrawASymbolAWindowPixelAndCanBeStopped() {
        // A dense curve of symbols only (a long run of minute data in small).
        plot::PlotDocument d = sinePlot();
        plot::CurveRecord& c = d.record.curves[0];
        c.lineStyle = 0;
        c.symbol = 9;
        c.x.clear();
        c.y.clear();
        constexpr int kPoints = 200000;
        for (int i = 0; i < kPoints; ++i) {
            c.x.push_back(i * 10.0 / kPoints);
            c.y.push_back(std::sin(i * 0.05));
        }
        c.lastRow = c.pointCount = kPoints;
        const QSize natural = plot::naturalSize(d, plot::PlotView{});
        for (const char* ext : {"svg", "pdf"}) {
            const plot::ExportFormat format = *plot::exportFormatOf(QStringLiteral("x.") + QLatin1String(ext));
            const QString small = dir_ + "/small." + ext, large = dir_ + "/large." + ext;
            QVERIFY(plot::exportPlot(d, plot::PlotView{}, format, small, natural));
            QVERIFY(plot::exportPlot(d, plot::PlotView{}, format, large, natural * 4));
            // Four device pixels a window pixel: as many symbols as the window
            // shows, not one per device pixel (up to sixteen times as many).
            const double ratio = double(QFileInfo(large).size()) / double(QFileInfo(small).size());
            QVERIFY2(ratio < 1.6, qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(ext)).arg(ratio)));
        }
        // Progress is heard up to the end; a stop writes nothing.
        QList<double> heard;
        QVERIFY(plot::exportPlot(d, plot::PlotView{}, plot::ExportFormat::Png, dir_ + "/heard.png", QSize(),
                                 [&](double done) { heard << done; return true; }));
        QVERIFY(heard.size() >= 2);
        QCOMPARE(heard.back(), 1.0);
        for (const char* name : {"stopped.pdf", "stopped.png", "stopped.svg"}) {
            const QString path = dir_ + "/" + name;
            QVERIFY(!plot::exportPlot(d, plot::PlotView{}, *plot::exportFormatOf(path), path, QSize(), [](double) { return false; }));
            QVERIFY2(!QFile::exists(path), name);
        }
    }

    void aDoubleClickLeavesNoCursorBehind() {
        TPlotForm w;
        w.setDocument(sinePlot());
        QSignalSpy modify(&w, &TPlotForm::modifyRequested);
        const QPoint at = w.view().frame().center();
        // A cursor placed before stays; the double click's own first click
        // places none.
        w.FormMouseDown(at - QPoint(50, 0));
        w.FormMouseUp(at - QPoint(50, 0));
        const auto kept = w.cursorX(1);
        QVERIFY(kept);
        w.FormMouseDown(at);
        w.FormMouseUp(at);  // the first click of the double click
        QVERIFY(w.cursorX(1) != kept);
        w.FormDblClick();
        w.FormMouseDown(at);
        w.FormMouseUp(at);
        QCOMPARE(modify.count(), 1);
        QCOMPARE(w.cursorX(1), kept);
        QCOMPARE(w.cursorReadout().size(), 2);
    }

    void onlyAPlotWithChangesAsksBeforeClosing() {
        ScriptedSeams s;
        // A new plot from the data: nothing to ask.
        auto* fresh = new TPlotForm;
        fresh->setDocument(sinePlot());
        QVERIFY(!fresh->isModified());
        QVERIFY(fresh->close());
        delete fresh;
        QVERIFY(s.alerts.shown.isEmpty());

        // Changed, then saved under a new name: closing asks nothing either.
        auto* w = new TPlotForm;
        w->setDocument(sinePlot());
        w->document().record.y.maximum += 1;  // as Modify Plot changes it
        w->plotChanged();
        QVERIFY(w->isModified());
        s.dialogs.fileAnswers = {FileDialogResult{dir_ + "/AS.PMX", 1}};
        QVERIFY(w->saveAs(QStringLiteral("AS.PMX")));
        QVERIFY(!w->isModified());
        QVERIFY(w->close());
        delete w;
        QVERIFY(s.alerts.shown.isEmpty());
        // Opened and left alone: no question.
        TPlotForm opened;
        QVERIFY(opened.Open(dir_ + "/AS.PMX"));
        QVERIFY(!opened.isModified());
        QVERIFY(opened.FormCloseQuery());
        QVERIFY(s.alerts.shown.isEmpty());
    }
};

QTEST_MAIN(PlotLayoutTest)
#include "test_plotlayout.moc"
