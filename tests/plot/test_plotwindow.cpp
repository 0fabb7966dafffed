// The plot window: what it draws, saving and opening, frame dragging, the close
// question and printing.
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QtTest>

#include "common/ioerror.h"
#include "plot/plotf.h"
#include "plot/pmxfile.h"
#include "shell/printcontext.h"
#include "shell/printjob.h"
#include "shell/scriptedseams.h"
#include "support/testsupport.h"

namespace {

// A plot of y = x on 0..10 with one curve in the given colour.
plot::PlotDocument linePlot(int color, int points = 11) {
    plot::PlotDocument d;
    d.caption = "Plot from TEST.PLT";
    auto& r = d.record;
    r.x.minimum = 0;
    r.x.maximum = 10;
    r.y.minimum = 0;
    r.y.maximum = 10;
    r.x.ticks = r.y.ticks = 5;
    r.x.title = "TIME s";
    r.y.title = "X m";
    plot::CurveRecord c;
    c.curveNumber = 1;
    c.firstRow = 1;
    c.lastRow = points;
    c.pointCount = points;
    c.lineStyle = 2;  // thick, so it is easy to find
    c.symbol = 0;
    c.color = color;
    c.xName = "TIME";
    c.yName = "X";
    for (int i = 0; i < points; ++i) {
        c.x.push_back(i * 10.0 / (points - 1));
        c.y.push_back(i * 10.0 / (points - 1));
    }
    r.curves.push_back(c);
    return d;
}

int countColour(const QImage& img, QColor colour, QRect area = QRect()) {
    if (area.isNull()) area = img.rect();
    area = area.intersected(img.rect());
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += img.pixelColor(x, y) == colour;
    return n;
}

}  // namespace

class PlotWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString dir_;

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        dir_ = testsupport::makeDotFreeTempDir(tmp_);
    }
    void cleanup() { QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0); }

    void drawsTheCurveInsideTheFrame() {
        TPlotForm w;
        w.setDocument(linePlot(1));
        const QImage img = w.renderImage();
        const QRect frame = w.view().frame();
        const int blue = countColour(img, Qt::blue, frame);
        QVERIFY2(blue > 200, qPrintable(QString::number(blue)));
        QCOMPARE(countColour(img, Qt::blue, QRect(0, 0, frame.left() - 1, img.height())), 0);
        // The diagonal runs from the bottom-left corner up to the top-right one;
        // the last point is not joined, so the top-right end stays free.
        QCOMPARE(img.pixelColor(frame.left() + 31, frame.bottom() - 21), QColor(Qt::blue));
        QCOMPARE(img.pixelColor(frame.right() - 5, frame.top() + 5), QColor(Qt::white));
        // The frame is black, the area inside it white.
        QCOMPARE(img.pixelColor(frame.left(), frame.center().y()), QColor(Qt::black));
        QCOMPARE(img.pixelColor(frame.left() + 150, frame.top() + 120), QColor(Qt::white));
        // Labels and titles lie outside the frame: the drawn extent grows past it.
        QVERIFY(w.view().dataExtent.left() < frame.left() - 20);
        QVERIFY(w.view().dataExtent.bottom() > frame.bottom() + 20);
    }

    void gridLinesSymbolsLegendAndOddAxesDraw() {
        TPlotForm w;
        plot::PlotDocument d = linePlot(2, 21);
        d.record.x.grid = true;
        d.record.y.grid = true;
        d.record.legend = true;
        d.record.curves[0].symbol = 9;  // a filled square
        d.record.y.style = 0;           // exponential labels
        d.record.y.digits = 1;
        w.setDocument(d);
        QImage img = w.renderImage();
        QVERIFY(countColour(img, QColor(0, 255, 255), w.view().frame()) > 100);  // aqua grid
        QVERIFY(countColour(img, Qt::red, w.view().frame()) > 300);
        // The legend entry right of the frame carries the curve's colour.
        QVERIFY(countColour(img, Qt::red, QRect(w.view().right + 5, w.view().top, 60, 40)) > 5);

        // A stored log axis with a zero bound and a flat axis are not drawable:
        // the frame is drawn, nothing crashes, no curve appears.
        d.record.y.logarithmic = true;
        d.record.y.minimum = 0;
        d.record.x.minimum = d.record.x.maximum = 5;
        w.setDocument(d);
        img = w.renderImage();
        QCOMPARE(countColour(img, Qt::red, w.view().frame().adjusted(2, 2, -2, -2)), 0);
    }

    void smoothedCurvesFollowTheSpline() {
        // Three points of y = x^2 / 10 on 0..10: straight segments cut the
        // corner at x = 2.5, the smoothed curve runs near the parabola.
        plot::PlotDocument d = linePlot(1, 4);
        auto& c = d.record.curves[0];
        c.x = {0, 5, 10, 10};
        c.y = {0, 2.5, 10, 10};
        c.lineStyle = 1;
        TPlotForm straight, smooth;
        straight.setDocument(d);
        c.smoothing = true;
        smooth.setDocument(d);
        const QImage a = straight.renderImage(), b = smooth.renderImage();
        const QRect frame = straight.view().frame();
        // Column x = 2.5 is 75 pixels right of the left edge; the straight line
        // is at y = 1.25 there, the curve at about 0.625.
        const QRect column(frame.left() + 75, frame.top(), 1, frame.height());
        int ya = -1, yb = -1;
        for (int y = column.top(); y <= column.bottom(); ++y) {
            if (a.pixelColor(column.left(), y) == QColor(Qt::blue)) ya = y;
            if (b.pixelColor(column.left(), y) == QColor(Qt::blue)) yb = y;
        }
        QVERIFY(ya > 0 && yb > 0);
        QVERIFY2(yb > ya + 5, qPrintable(QString("%1 %2").arg(ya).arg(yb)));
    }

    void damagedCurveSettingsDrawWithoutHarm() {
        // Values a damaged saved plot may hold: huge codes and row numbers.
        TPlotForm w;
        plot::PlotDocument d = linePlot(1);
        auto& c = d.record.curves[0];
        c.symbol = 2147483647;
        c.lineStyle = -7;
        c.color = 99;
        c.firstRow = -2147483647 - 1;
        c.lastRow = 2147483647;
        d.record.x.ticks = -2147483647 - 1;
        d.record.y.minorTicks = 2147483647;
        w.setDocument(d);
        const QImage img = w.renderImage();
        QVERIFY(countColour(img, Qt::black, w.view().frame().adjusted(4, 4, -4, -4)) > 0);  // symbols
        QCOMPARE(plot::PlotRenderer::PlotColor(16), QColor(Qt::black));
    }

    void savesAndOpensEveryByte() {
        const QString path = dir_ + "/SAVED.PMX";
        TPlotForm w;
        w.setDocument(linePlot(3));
        QCOMPARE(w.windowTitle(), QString("Plot from TEST.PLT"));
        w.Save(path);
        QCOMPARE(w.fileName(), path);
        const QByteArray saved = testsupport::readFile(path);
        QCOMPARE(saved.size(), 256 + 8220 + 156 + 11 * 12);

        TPlotForm again;
        QVERIFY(again.Open(path));
        QCOMPARE(again.windowTitle(), QString("Plot from TEST.PLT"));
        QCOMPARE(again.documentName(), path);
        QCOMPARE(again.document().record.curves[0].y, w.document().record.curves[0].y);
        const QString copy = dir_ + "/COPY.PMX";
        again.Save(copy);
        QCOMPARE(testsupport::readFile(copy), saved);

        TPlotForm broken;
        testsupport::writeFile(dir_ + "/SHORT.PMX", saved.left(300));
        QVERIFY_THROWS_EXCEPTION(pal::IoError, (void)broken.Open(dir_ + "/SHORT.PMX"));
    }

    void draggingMovesOrResizesTheFrame() {
        TPlotForm w;
        w.setDocument(linePlot(1));
        w.renderImage();
        QCOMPARE(w.view().frame(), QRect(QPoint(100, 20), QPoint(400, 225)));
        QCOMPARE(w.cursorAt(QPoint(200, 100)), Qt::CrossCursor);
        QCOMPARE(w.cursorAt(QPoint(405, 230)), Qt::SizeAllCursor);
        QCOMPARE(w.cursorAt(QPoint(10, 10)), Qt::ArrowCursor);

        w.FormMouseDown(QPoint(200, 100));
        QCOMPARE(w.mouseMode(), TPlotForm::MouseMode::Moving);
        w.FormMouseMove(QPoint(220, 110));
        QCOMPARE(w.rubberBand(), QRect(QPoint(120, 30), QPoint(420, 235)));
        QCOMPARE(w.view().left, 100);  // only the band moves until the release
        w.FormMouseUp(QPoint(230, 120));
        QCOMPARE(w.view().frame(), QRect(QPoint(130, 40), QPoint(430, 245)));
        QCOMPARE(w.mouseMode(), TPlotForm::MouseMode::None);
        // The curve is redrawn at the new place.
        const QImage img = w.renderImage();
        QCOMPARE(img.pixelColor(130 + 31, 245 - 21), QColor(Qt::blue));

        w.FormMouseDown(QPoint(430, 245));  // the corner square
        QCOMPARE(w.mouseMode(), TPlotForm::MouseMode::Resizing);
        w.FormMouseMove(QPoint(480, 300));
        w.FormMouseUp(QPoint(500, 310));
        QCOMPARE(w.view().frame(), QRect(QPoint(130, 40), QPoint(500, 310)));

        // A press outside the frame starts nothing; one right after a double click
        // neither.
        w.FormMouseDown(QPoint(5, 5));
        QCOMPARE(w.mouseMode(), TPlotForm::MouseMode::None);
        QSignalSpy modify(&w, &TPlotForm::modifyRequested);
        w.FormDblClick();
        QCOMPARE(modify.count(), 1);
        w.FormMouseDown(QPoint(200, 100));
        QCOMPARE(w.mouseMode(), TPlotForm::MouseMode::None);
        w.FormMouseDown(QPoint(200, 100));
        QCOMPARE(w.mouseMode(), TPlotForm::MouseMode::Moving);
        w.FormMouseUp(QPoint(200, 100));
    }

    void closingAChangedPlotAsksAndNeverLosesIt() {
        ScriptedSeams s;
        auto* w = new TPlotForm;
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->setDocument(linePlot(1));
        w->document().record.y.maximum += 1;  // as Modify Plot changes it
        w->plotChanged();
        w->show();
        QPointer<TPlotForm> alive(w);

        s.alerts.answers = {AlertButton::Cancel};
        QVERIFY(!w->close());
        QCOMPARE(s.alerts.lastText(), QString("This plot has been changed.  Save it?"));
        QCOMPARE(s.alerts.shown.back().kind, AlertKind::SaveQuestion);

        // Yes without a file name asks for one; cancelling that keeps the window.
        s.alerts.answers = {AlertButton::Yes};
        QVERIFY(!w->close());
        QCOMPARE(s.dialogs.fileRequests.size(), 1);

        // Yes into a directory that does not exist: the failure is shown, the
        // window stays.
        w->Save(dir_ + "/KEEP.PMX");
        w->document().record.y.maximum += 1;
        w->plotChanged();  // changed again after the save
        const QString bad = dir_ + "/missing/dir/X.PMX";
        s.alerts.answers = {AlertButton::Yes};
        s.dialogs.fileAnswers = {FileDialogResult{bad, 1}};
        QVERIFY(QFile::remove(dir_ + "/KEEP.PMX"));
        QDir().mkpath(dir_ + "/KEEP.PMX");  // a directory where the file should go
        QVERIFY(!w->close());
        QVERIFY(alive);
        QVERIFY(s.alerts.shown.size() >= 4);
        QDir(dir_ + "/KEEP.PMX").removeRecursively();

        s.alerts.answers = {AlertButton::Yes};
        QVERIFY(w->close());
        QVERIFY(QFile::exists(dir_ + "/KEEP.PMX"));
        QTRY_VERIFY(!alive);
    }

    void printsOnThePageBelowTheCurrentLine() {
        TPlotForm w;
        w.resize(500, 340);
        w.setDocument(linePlot(1));
        w.renderImage();
        QImage page(1700, 2200, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter p(&page);
        PrintContext ctx;
        ctx.canvas = &p;
        ctx.pageWidth = page.width();
        ctx.pageHeight = page.height();
        ctx.M = 200;
        ctx.topMargin = 100;
        ctx.leftMargin = 100;
        ctx.lineHeight = 40;
        ctx.y = 600;
        ctx.printing = true;
        // Portrait: (page width - page height / 11) / client width.
        const double scale = (1700.0 - 200) / 500;
        QCOMPARE(w.PrintHeight(ctx), qRound((225 - 20 + 100) * scale));
        w.Print(ctx);
        p.end();
        QCOMPARE(ctx.y, 640);  // the caption took one line
        QCOMPARE(countColour(page, Qt::blue, QRect(0, 0, page.width(), 600)), 0);
        QVERIFY(countColour(page, Qt::blue, QRect(0, 600, page.width(), 1200)) > 2000);
        // The screen frame is what it was.
        QCOMPARE(w.view().frame(), QRect(QPoint(100, 20), QPoint(400, 225)));
    }

    void printJobPutsThePlotOnAPageOfItsOwn() {
        ScriptedSeams s;
        TPlotForm w;
        w.resize(500, 340);
        w.setDocument(linePlot(1));
        w.renderImage();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = dir_ + "/plot.pdf";
        printer.setOutputFileName(pdf);
        QVERIFY(RunPrintJob({&w}, printer));
        QProcess text;
        text.start("pdftotext", {"-layout", pdf, "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString out = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(out.contains("Plot from TEST.PLT"), qPrintable(out));
        QVERIFY(out.contains("TIME s"));
        QVERIFY(out.contains("PALUMARO Ver."));
        QCOMPARE(out.count(QChar('\f')), 1);  // one page
    }
};

QTEST_MAIN(PlotWindowTest)
#include "test_plotwindow.moc"
