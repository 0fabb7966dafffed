// The plot window beyond its stored layout: zoom and pan as a view, the
// cursor read-out, the context menu, export to PNG, SVG, PDF and CSV, the
// clipboard, and the plot of a table's runs through the main window.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QXmlStreamReader>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QtTest>
#include <cmath>
#include <memory>

#include "common/ioerror.h"
#include "plot/axisbox.h"
#include "plot/modplotu.h"
#include "plot/plotcommands.h"
#include "plot/plotexport.h"
#include "plot/plotf.h"
#include "plot/plotrunsdlg.h"
#include "plot/pmxfile.h"
#include "plot/quickplot.h"
#include "shell/docfactory.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "support/testsupport.h"
#include "table/rundecks.h"
#include "table/table.h"

namespace {

// y = x^2 / 10 and y = 10 - x on 0..10 in 101 points (the last one not drawn).
plot::PlotDocument twoCurves() {
    plot::PlotDocument d;
    d.caption = "Plot from TEST.PLT";
    auto& r = d.record;
    r.x.maximum = r.y.maximum = 10;
    r.x.ticks = r.y.ticks = 5;
    r.x.digits = r.y.digits = 1;
    r.x.title = "TIME s";
    r.y.title = "LEVEL m";
    r.legend = true;
    for (int k = 0; k < 2; ++k) {
        plot::CurveRecord c;
        c.curveNumber = k + 1;
        c.firstRow = 1;
        c.lastRow = c.pointCount = 102;
        c.lineStyle = 1;
        c.symbol = 0;
        c.color = k + 1;
        c.xName = "TIME";
        c.xUnit = "s";
        c.yName = k ? "FALL" : "RISE";
        c.yUnit = "m";
        for (int i = 0; i <= 101; ++i) {
            const double x = i / 10.0;
            c.x.push_back(x);
            c.y.push_back(k ? 10 - x : x * x / 10);
        }
        r.curves.push_back(c);
    }
    return d;
}

QByteArray pmxBytes(const TPlotForm& w) { return QByteArray::fromStdString(plot::encodePmx(w.document())); }

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Contrast of two colours as the ratio of their relative luminances (1 to 21).
double contrast(const QColor& a, const QColor& b) {
    const auto lum = [](const QColor& c) {
        const auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The shapes of an SVG drawing in one colour (as fill or stroke), each as its
// outermost coordinates with the group's transformation applied and widened
// by half its stroke.
QList<QRectF> svgShapesIn(const QByteArray& svg, const QString& colour) {
    QList<QRectF> out;
    QXmlStreamReader xml(svg);
    struct Group {
        QTransform t;
        bool ours = false;
        double halfStroke = 0;
    };
    QList<Group> groups{Group{}};
    const QRegularExpression number(QStringLiteral("-?[0-9]*\\.?[0-9]+(?:[eE][-+]?[0-9]+)?"));
    const auto numbers = [&](const QString& text) {
        QList<double> v;
        for (auto it = number.globalMatch(text); it.hasNext();) v << it.next().captured().toDouble();
        return v;
    };
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("g")) groups.removeLast();
        if (token != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("g")) {
            Group g = groups.back();
            if (a.hasAttribute("transform")) {
                const QList<double> m = numbers(a.value("transform").toString());
                if (m.size() == 6) g.t = QTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
            }
            const bool stroked = a.value("stroke").compare(colour, Qt::CaseInsensitive) == 0;
            g.ours = stroked || a.value("fill").compare(colour, Qt::CaseInsensitive) == 0;
            g.halfStroke = stroked ? a.value("stroke-width").toDouble() / 2 : 0;
            if (a.value("stroke") == QLatin1String("none")) g.halfStroke = 0;
            groups << g;
            continue;
        }
        const Group& g = groups.back();
        if (!g.ours) continue;
        QList<double> xy;
        if (xml.name() == QLatin1String("path")) xy = numbers(a.value("d").toString());
        else if (xml.name() == QLatin1String("polygon") || xml.name() == QLatin1String("polyline")) xy = numbers(a.value("points").toString());
        else if (xml.name() == QLatin1String("ellipse")) {
            const double cx = a.value("cx").toDouble(), cy = a.value("cy").toDouble(), rx = a.value("rx").toDouble(),
                         ry = a.value("ry").toDouble();
            xy = {cx - rx, cy - ry, cx + rx, cy + ry};
        } else if (xml.name() == QLatin1String("circle")) {
            const double cx = a.value("cx").toDouble(), cy = a.value("cy").toDouble(), r = a.value("r").toDouble();
            xy = {cx - r, cy - r, cx + r, cy + r};
        } else if (xml.name() == QLatin1String("rect")) {
            const double x = a.value("x").toDouble(), y = a.value("y").toDouble();
            xy = {x, y, x + a.value("width").toDouble(), y + a.value("height").toDouble()};
        }
        if (xy.size() < 2) continue;
        QPolygonF points;
        for (qsizetype i = 0; i + 1 < xy.size(); i += 2) points << g.t.map(QPointF(xy[i], xy[i + 1]));
        const double h = g.halfStroke;
        out << points.boundingRect().adjusted(-h, -h, h, h);
    }
    return out;
}

}  // namespace

class PlotViewsTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString dir_;

private slots:
    void initTestCase() {
        testsupport::installQuietMessageHandler();
        dir_ = testsupport::makeDotFreeTempDir(tmp_);
    }

    void zoomAndPanAreAViewThatChangesNoStoredByte() {
        TPlotForm w;
        w.setDocument(twoCurves());
        w.renderImage();
        const QByteArray before = pmxBytes(w);
        const QImage whole = w.renderImage();
        const QRect f = w.view().frame();

        // The wheel zooms X around the mouse: the value under it stays put.
        const QPoint mid(f.left() + f.width() / 4, f.center().y());
        const long double under = plot::PixelToValue(w.view().axisX(w.document().record), w.view().spanX(), mid.x());
        QVERIFY(w.FormWheel(mid, 2, Qt::NoModifier));
        QVERIFY(w.zoomed());
        const plot::AxisRange x1 = w.visibleX();
        QVERIFY(x1.high - x1.low < 7 && x1.high - x1.low > 6);  // 0.8^2 of 10
        QCOMPARE(plot::PixelToValue(w.view().axisX(w.document().record), w.view().spanX(), mid.x()), under);
        QCOMPARE(w.visibleY(), plot::storedRange(w.document().record.y));
        // Ctrl zooms Y only; outside the frame the wheel is left to the scroll bars.
        QVERIFY(w.FormWheel(f.center(), 1, Qt::ControlModifier));
        QCOMPARE(w.visibleX(), x1);
        QVERIFY(w.visibleY().high - w.visibleY().low < 9);
        QVERIFY(!w.FormWheel(QPoint(5, 5), 1, Qt::NoModifier));

        // Ctrl+drag zooms into the rectangle; Shift+drag pans.
        w.FormMouseDown(QPoint(f.left() + 30, f.top() + 30), Qt::ControlModifier);
        QCOMPARE(w.mouseMode(), TPlotForm::MouseMode::Zooming);
        w.FormMouseMove(QPoint(f.left() + 90, f.top() + 80));
        w.FormMouseUp(QPoint(f.left() + 90, f.top() + 80));
        const plot::AxisRange x2 = w.visibleX();
        QVERIFY(x2.high - x2.low < (x1.high - x1.low) / 3);
        w.FormMouseDown(f.center(), Qt::ShiftModifier);
        w.FormMouseMove(f.center() + QPoint(30, 0));
        w.FormMouseUp(f.center() + QPoint(30, 0));
        QVERIFY(w.visibleX().low < x2.low);  // the picture moved right
        QCOMPARE(w.view().frame(), f);       // the frame stayed
        // The axis labels follow the zoomed range with enough digits.
        QVERIFY(w.view().axisX(w.document().record).digits >= 1);

        // Zoom back undoes one step at a time; Whole plot returns to the stored limits.
        w.ZoomBack();
        QCOMPARE(w.visibleX(), x2);
        w.WholePlot();
        QVERIFY(!w.zoomed());
        QCOMPARE(w.renderImage(), whole);
        QVERIFY(w.FormKey(Qt::Key_Backspace));  // Zoom back undoes Whole plot too
        QCOMPARE(w.visibleX(), x2);
        QVERIFY(w.FormKey(Qt::Key_Home));
        QVERIFY(!w.zoomed());

        // Nothing of it reached the plot: the saved bytes are those of before, and
        // the window does not count itself changed (no close question, no marker).
        QCOMPARE(pmxBytes(w), before);
        w.FormMouseDown(f.center());  // a cursor too
        w.FormMouseUp(f.center());
        QVERIFY(w.cursorX(1));
        QVERIFY(!w.isModified());
        QVERIFY(!w.isWindowModified());

        // Modify Plot offers the visible range as the stored limits.
        QVERIFY(w.FormWheel(mid, 3, Qt::ShiftModifier));
        TModPlot d;
        d.setPlotWindow(&w);
        d.FormActivate();
        QVERIFY(d.VisibleBtn->isEnabled());
        const plot::AxisSettings zx = w.view().axisX(w.document().record), zy = w.view().axisY(w.document().record);
        d.VisibleBtnClick();
        const plot::AxisRange vx = w.visibleX(), vy = w.visibleY();
        // Two digits beyond the labels' precision, not seventeen.
        QCOMPARE(d.XAxis->minimum->text().section('.', 1).size(), zx.digits + 2);
        d.OKBtnClick();
        const double unit = std::pow(10.0, -(zx.digits + 2));
        QVERIFY(std::fabs(static_cast<double>(w.document().record.x.minimum - vx.low)) <= unit / 2 * 1.0001);
        QVERIFY(std::fabs(static_cast<double>(w.document().record.y.maximum - vy.high)) <=
                std::pow(10.0, -(zy.digits + 2)) / 2 * 1.0001);
        QVERIFY(!w.zoomed());  // the new limits are the whole plot now
        // The stored plot's labels read distinctly.
        w.renderImage();
        QStringList xs;
        for (const plot::DrawnLabel& l : w.view().labels)
            if (l.xAxis) xs << l.text;
        QVERIFY(xs.size() >= 3);
        QCOMPARE(QSet<QString>(xs.begin(), xs.end()).size(), xs.size());
    }

    void aFastSpinIsOneDrawingOfTheSameView() {
        // The same wheel steps (in, out, Ctrl, Shift) and pan moves: one window
        // draws after each of them, the other gets a paint after each, as when
        // they arrive faster than the plot is drawn.
        TPlotForm one, spin;
        for (TPlotForm* w : {&one, &spin}) {
            w->resize(700, 500);
            w->setDocument(twoCurves());
            w->renderImage();
        }
        QWidget* canvas = spin.findChild<QScrollArea*>()->widget();
        QWidget* oneCanvas = one.findChild<QScrollArea*>()->widget();
        // The windows take their size (and their frames the window's) before the spin.
        for (TPlotForm* w : {&one, &spin}) w->grab();
        const QRect f = spin.view().frame();
        const QPoint at(f.left() + f.width() / 3, f.top() + f.height() / 4);
        const struct {
            int delta;
            Qt::KeyboardModifiers mods;
        } steps[] = {{120, Qt::NoModifier}, {240, Qt::NoModifier}, {120, Qt::ControlModifier},
                     {-120, Qt::NoModifier}, {120, Qt::ShiftModifier}, {120, Qt::NoModifier}};
        const int drawn = spin.cacheDraws();
        // The canvases may differ beyond the plot (the scroll areas lay out apart).
        const auto sameShot = [&] {
            const QImage a = canvas->grab().toImage(), b = oneCanvas->grab().toImage();
            const QRect r(QPoint(0, 0), a.size().boundedTo(b.size()));
            return r.contains(f) && a.copy(r) == b.copy(r);
        };
        std::vector<plot::PlotView::Zoom> views;
        for (const auto& s : steps) {
            for (QWidget* c : {canvas, oneCanvas}) {
                QWheelEvent e(at, c->mapToGlobal(at), QPoint(), QPoint(0, s.delta), Qt::NoButton, s.mods, Qt::NoScrollPhase, false);
                QApplication::sendEvent(c, &e);
                QVERIFY(e.isAccepted());
            }
            one.drawNow();
            views.push_back({one.visibleX(), one.visibleY()});
            canvas->grab();
            QVERIFY(spin.drawPending());
        }
        QCOMPARE(spin.cacheDraws(), drawn);  // only previews so far
        QCOMPARE(spin.visibleX(), one.visibleX());
        QCOMPARE(spin.visibleY(), one.visibleY());
        // The drawing follows the pause, once; the picture is the exact one.
        QTRY_VERIFY(!spin.drawPending());
        QCOMPARE(spin.cacheDraws(), drawn + 1);
        QVERIFY(sameShot());

        // A Shift-drag: the preview is the last drawing moved with the mouse;
        // the release draws the exact picture once.
        const QImage before = canvas->grab().toImage();
        const QPoint c0 = f.center();
        for (TPlotForm* w : {&one, &spin}) w->FormMouseDown(c0, Qt::ShiftModifier);
        for (int dx : {10, 25, 40}) {
            for (TPlotForm* w : {&one, &spin}) w->FormMouseMove(c0 + QPoint(dx, 0));
            one.drawNow();
            canvas->grab();
        }
        const QImage moved = canvas->grab().toImage();
        QCOMPARE(spin.cacheDraws(), drawn + 1);
        for (int y = f.top() + 2; y < f.bottom() - 1; y += 7)
            for (int x = f.left() + 42; x < f.right() - 1; ++x)
                QCOMPARE(moved.pixel(x, y), before.pixel(x - 40, y));
        for (TPlotForm* w : {&one, &spin}) w->FormMouseUp(c0 + QPoint(40, 0));
        QVERIFY(sameShot());
        QCOMPARE(spin.cacheDraws(), drawn + 2);
        QCOMPARE(spin.visibleX(), one.visibleX());

        // Zoom back still goes back one wheel step at a time (the pan is one more).
        spin.ZoomBack();
        spin.ZoomBack();
        QCOMPARE(spin.visibleX(), views[views.size() - 2].x);
        QCOMPARE(spin.visibleY(), views[views.size() - 2].y);
    }

    void cursorsReadTheCurvesAtAKnownX() {
        TPlotForm w;
        w.setDocument(twoCurves());
        w.renderImage();
        const QRect f = w.view().frame();
        // A click without movement at x = 3 (90 of 300 pixels) shows the cursor; the
        // frame stays where it is.
        const QPoint at(f.left() + 90, f.center().y());
        w.FormMouseDown(at);
        w.FormMouseUp(at);
        QCOMPARE(w.view().frame(), f);
        QVERIFY(w.cursorX(1));
        QCOMPARE(static_cast<double>(*w.cursorX(1)), 3.0);
        auto lines = w.cursorReadout();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0].text, QString("TIME = 3.00"));
        QCOMPARE(lines[1].text, QString("RISE = 0.90"));
        QCOMPARE(lines[1].color, 1);
        QCOMPARE(lines[2].text, QString("FALL = 7.00"));
        // Between the points the value is interpolated linearly.
        w.setCursorX(1, 2.55L);
        QCOMPARE(static_cast<double>(*plot::curveValueAt(w.document().record.curves[0], 2.55L)), (0.625 + 0.676) / 2);
        // Shift+click places the second cursor: the read-out gives differences.
        w.setCursorX(1, 3.0L);
        const QPoint at2(f.left() + 240, f.center().y());  // x = 8
        w.FormMouseDown(at2, Qt::ShiftModifier);
        w.FormMouseUp(at2);
        QVERIFY(!w.zoomed());
        lines = w.cursorReadout();
        QCOMPARE(lines[0].text, QString("\u0394TIME = 5.00"));
        QCOMPARE(lines[1].text, QString("\u0394RISE = 5.50"));
        QCOMPARE(lines[2].text, QString("\u0394FALL = -5.00"));
        // Outside the curve there is no value; Esc hides both cursors.
        w.setCursorX(1, 42.0L);
        QCOMPARE(w.cursorReadout()[0].text, QString("\u0394TIME = -34.00"));
        QCOMPARE(w.cursorReadout()[1].text, QString("\u0394RISE = -"));
        QVERIFY(w.FormKey(Qt::Key_Escape));
        QVERIFY(!w.cursorX(1) && !w.cursorX(2));
        QVERIFY(w.cursorReadout().isEmpty());
    }

    void contextMenuAndClipboard() {
        TPlotForm w;
        w.setDocument(twoCurves());
        w.renderImage();
        QMenu* m = w.contextMenu();
        QStringList texts;
        for (QAction* a : m->actions())
            if (!a->isSeparator()) texts << a->text();
        QCOMPARE(texts, (QStringList{"Zoom back", "Whole plot", "Follow the last...", "Fit frame to window", "Copy image", "Copy data", "Export..."}));

        w.zoomTo(plot::AxisRange{2, 4}, plot::storedRange(w.document().record.y));
        m->findChild<QAction*>("CopyData1")->trigger();
        // Tab-separated, the visible points only, each value the shortest text that reads back to it.
        const QStringList rows = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.first(), QString("TIME [s]\tRISE [m]\tFALL [m]"));
        QCOMPARE(rows.size(), 1 + 21);
        // The 6-byte real nearest to 0.4 reads back from "0.4".
        QCOMPARE(rows[1], QString("2\t0.4\t8"));
        m->findChild<QAction*>("CopyImage1")->trigger();
        const QImage img = QApplication::clipboard()->image();
        QCOMPARE(img.size(), plot::naturalSize(w.document(), w.view()));
        m->findChild<QAction*>("ZoomBack1")->trigger();
        QVERIFY(!w.zoomed());
    }

    void exportWritesWhatWasDrawn() {
        TPlotForm w;
        w.setDocument(twoCurves());
        w.renderImage();
        const plot::PlotDocument& doc = w.document();

        // PNG at a chosen size: the curves' colours inside, white around.
        const QString png = dir_ + "/plot.png";
        plot::exportPlot(doc, w.view(), plot::ExportFormat::Png, png, QSize(1200, 800));
        QImage img(png);
        QCOMPARE(img.size(), QSize(1200, 800));
        int blue = 0, red = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                blue += img.pixelColor(x, y) == QColor(Qt::blue);
                red += img.pixelColor(x, y) == QColor(Qt::red);
            }
        QVERIFY2(blue > 500 && red > 500, qPrintable(QString("%1 %2").arg(blue).arg(red)));
        QCOMPARE(img.pixelColor(2, 2), QColor(Qt::white));

        // SVG: a well-formed drawing with the titles and labels as text.
        const QString svg = dir_ + "/plot.svg";
        plot::exportPlot(doc, w.view(), plot::ExportFormat::Svg, svg);
        QXmlStreamReader xml(testsupport::readFile(svg));
        QStringList texts, elements;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) continue;
            elements << xml.name().toString();
            if (xml.name() == QLatin1String("text")) texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(elements.first(), QString("svg"));
        QVERIFY2(texts.contains("TIME s") && texts.contains("LEVEL m") && texts.contains("RISE"), qPrintable(texts.join('|')));
        QVERIFY(texts.contains("10.0"));
        QVERIFY(elements.contains("polyline") || elements.contains("path"));

        // PDF: one page, vector text of the plot.
        const QString pdf = dir_ + "/plot.pdf";
        plot::exportPlot(doc, w.view(), plot::ExportFormat::Pdf, pdf);
        const QString info = run("pdfinfo", {pdf});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\b")), qPrintable(info));
        const QString text = run("pdftotext", {"-layout", pdf, "-"});
        QVERIFY2(text.contains("TIME s") && text.contains("FALL") && text.contains("8.0"), qPrintable(text));

        // CSV: re-read, every stored value comes back exactly.
        const QString csv = dir_ + "/plot.csv";
        plot::exportPlot(doc, w.view(), plot::ExportFormat::Csv, csv);
        const QStringList lines = QString::fromUtf8(testsupport::readFile(csv)).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.first(), QString("TIME [s],RISE [m],FALL [m]"));
        QCOMPARE(lines.size(), 1 + 102);
        for (int i = 1; i < lines.size(); ++i) {
            const QStringList f = lines[i].split(',');
            QCOMPARE(f.size(), 3);
            QCOMPARE(f[0].toDouble(), doc.record.curves[0].x[i - 1]);
            QCOMPARE(f[1].toDouble(), doc.record.curves[0].y[i - 1]);
            QCOMPARE(f[2].toDouble(), doc.record.curves[1].y[i - 1]);
        }

        // A directory where the file should go: the failure is reported, no
        // half-written file is left.
        QVERIFY(QDir().mkpath(dir_ + "/taken.png"));
        QVERIFY_THROWS_EXCEPTION(pal::IoError, plot::exportPlot(doc, w.view(), plot::ExportFormat::Png, dir_ + "/taken.png"));
        QCOMPARE(plot::exportFormatOf("A.SVG"), std::optional(plot::ExportFormat::Svg));
        QVERIFY(!plot::exportFormatOf("A.PMX"));
    }

    void svgCutsSymbolsAtTheFrameAsTheImageDoes() {
        // Symbols on the frame's edges and corners, just beyond them and far
        // beyond: what reaches into the frame shows cut at it, nothing of them
        // outside it, for open, filled and crossed symbols at two sizes.
        plot::PlotDocument d = twoCurves();
        d.record.legend = false;
        d.record.curves.pop_back();
        plot::CurveRecord& c = d.record.curves[0];
        c.lineStyle = 0;
        c.color = 3;  // green, nothing else is
        const std::vector<QPointF> points{{0, 5},   {10, 5},  {5, 0},    {5, 10}, {0, 0},     {10, 10}, {-0.05, 3},
                                          {10.05, 7}, {3, -0.05}, {7, 10.05}, {5, 5}, {-4, 5}, {0, 0}};
        c.x.clear();
        c.y.clear();
        for (const QPointF& q : points) c.x.push_back(q.x()), c.y.push_back(q.y());
        c.lastRow = c.pointCount = static_cast<int>(points.size());  // the last row is not drawn
        const plot::PlotView view;
        const QRect extent = plot::plotExtent(d, view);
        for (int symbol : {1, 3, 10, 15})
            for (int times : {1, 3}) {
                c.symbol = symbol;
                const QString path = dir_ + QStringLiteral("/edge%1x%2.svg").arg(symbol).arg(times);
                plot::exportPlot(d, view, plot::ExportFormat::Svg, path, extent.size() * times);
                const auto at = [&](int v, int from) { return double(std::trunc((v - from) * double(times))); };
                const QRectF frame(QPointF(at(view.left, extent.left()), at(view.top, extent.top())),
                                   QPointF(at(view.right, extent.left()), at(view.bottom, extent.top())));
                const QList<QRectF> shapes = svgShapesIn(testsupport::readFile(path), QStringLiteral("#008000"));
                const QString what = QStringLiteral("symbol %1 x%2 frame %3,%4 %5,%6: ")
                                         .arg(symbol)
                                         .arg(times)
                                         .arg(frame.left())
                                         .arg(frame.top())
                                         .arg(frame.right())
                                         .arg(frame.bottom());
                QRectF all;
                for (const QRectF& s : shapes) {
                    QVERIFY2(frame.adjusted(-0.01, -0.01, 0.01, 0.01).contains(s),
                             qPrintable(what + QStringLiteral("shape at %1,%2 %3,%4").arg(s.left()).arg(s.top()).arg(s.right()).arg(s.bottom())));
                    all |= s;
                }
                // The symbols on and just beyond the edges are there, reaching them.
                QVERIFY2(shapes.size() >= 11, qPrintable(what + QString::number(shapes.size())));
                QVERIFY2(all.left() < frame.left() + 0.5 && all.right() > frame.right() - 0.5 && all.top() < frame.top() + 0.5 &&
                             all.bottom() > frame.bottom() - 0.5,
                         qPrintable(what + "edges not reached"));
            }
    }

    void readoutTextIsDarkBesideASampleOfTheCurveColour() {
        // The same plot with its first curve yellow and then blue: the read-out's
        // texts are drawn alike, dark and legible on the light box; a sample in
        // the curve's line shows its colour.
        const int colours[2] = {6, 1};
        const QColor exact[2] = {QColor(255, 255, 0), QColor(0, 0, 255)};
        QImage shots[2];
        for (int k = 0; k < 2; ++k) {
            plot::PlotDocument d = twoCurves();
            d.record.curves[0].color = colours[k];
            TPlotForm w;
            w.resize(700, 500);
            w.setDocument(d);
            w.setCursorX(1, 3.0L);
            shots[k] = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        }
        const QColor boxColour(255, 255, 240);
        QRect box;
        for (int y = 0; y < shots[0].height(); ++y)
            for (int x = 0; x < shots[0].width(); ++x)
                if (shots[0].pixelColor(x, y) == boxColour) box |= QRect(x, y, 1, 1);
        QVERIFY(box.width() > 40 && box.height() > 30);
        // Three lines (X, RISE, FALL): the ink both pictures share is the text.
        int legible[3] = {0, 0, 0}, faint[3] = {0, 0, 0}, sample[2] = {0, 0}, elsewhere = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) {
                const QColor a = shots[0].pixelColor(x, y), b = shots[1].pixelColor(x, y);
                const int line = std::clamp((y - box.top() - 1) * 3 / (box.height() - 3), 0, 2);
                if (a != b) {
                    elsewhere += line != 1;
                    sample[0] += a == exact[0];
                    sample[1] += b == exact[1];
                } else if (a != boxColour) {
                    (contrast(a, boxColour) >= 7 ? legible : faint)[line] += 1;
                }
            }
        for (int line = 0; line < 3; ++line)
            QVERIFY2(legible[line] > 30, qPrintable(QStringLiteral("line %1: %2 dark pixels, %3 faint").arg(line).arg(legible[line]).arg(faint[line])));
        QCOMPARE(elsewhere, 0);  // the curve's colour shows in its line only
        QVERIFY2(sample[0] >= 10 && sample[1] >= 10, qPrintable(QStringLiteral("%1 %2").arg(sample[0]).arg(sample[1])));
    }

    void legendBoxHoldsItsEntriesAtAnyImageSize() {
        const plot::PlotDocument doc = twoCurves();
        const plot::PlotView view;
        const QRect extent = plot::plotExtent(doc, view);
        for (int times : {1, 3}) {
            const QImage img = plot::plotImage(doc, view, extent.size() * times);
            const double scale = double(img.width()) / extent.width();
            const int right = static_cast<int>((view.right - extent.left()) * scale), top = static_cast<int>((view.top - extent.top()) * scale);
            const auto black = [&](int x, int y) { return img.pixelColor(x, y) == Qt::black; };
            // The box's left side: the first long black column right of the frame.
            int boxLeft = -1, boxBottom = -1;
            for (int x = right + 2; x < img.width() && boxLeft < 0; ++x) {
                int y = top;
                while (y + 1 < img.height() && black(x, y + 1)) ++y;
                if (y - top > 20 * times) boxLeft = x, boxBottom = y;
            }
            QVERIFY2(boxLeft > 0, "no legend box");
            // Nothing of the entries (black names) below the box.
            for (int y = boxBottom + 1; y < std::min(img.height(), boxBottom + 30 * times); ++y)
                for (int x = boxLeft; x < img.width(); ++x)
                    QVERIFY2(!black(x, y), qPrintable(QStringLiteral("x%1: entry below the box at %2,%3").arg(times).arg(x).arg(y)));
        }
    }

    void exportDialogAsksForFileAndSize() {
        ScriptedSeams s;
        TPlotForm w;
        w.setDocument(twoCurves());
        w.renderImage();
        s.dialogs.fileAnswers = {FileDialogResult{dir_ + "/asked", 1}};
        s.dialogs.inputAnswers = {QString("640 x 480")};
        w.ExportDialog();
        QCOMPARE(QImage(dir_ + "/asked.png").size(), QSize(640, 480));
        // A size that is none is refused with a message and nothing is written.
        s.dialogs.fileAnswers = {FileDialogResult{dir_ + "/bad.png", 1}};
        s.dialogs.inputAnswers = {QString("big")};
        w.ExportDialog();
        QVERIFY(s.alerts.lastText().startsWith("'big' is not an image size"));
        QVERIFY(!QFile::exists(dir_ + "/bad.png"));
    }

    void tableRunsPlotOneCurvePerRunWithItsValues() {
        QTemporaryDir tmp;
        const auto ws = testsupport::makeWorkspace(tmp);
        ScriptedSeams s;
        auto form = std::make_unique<TPALUMAROFORM>();
        form->startUp();
        const QString deck = testsupport::copySample("SOLAR.DCK", ws.work);
        auto* t = new TTableForm;
        t->setTable(table::TableData(deck.toStdString(), {"AREA", "VTANK"}, 3), ws.work + "/SOLAR.TBL");
        form->addDocWindow(t);
        const char* values[3][2] = {{"2", "300"}, {"4.5", "300"}, {"9", "500"}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 2; ++c) t->GridSetEditText(c + 1, r + 1, values[r][c]);
        form->setActiveDocWindow(t);
        form->UpdateMenu();
        QVERIFY(!form->item("PlotTableRuns1")->isEnabled());  // no run has written plot data yet

        // The runs as Run Table makes them: one run deck each, the engine on each.
        QVERIFY(!table::writeRunDecks(t->data()).failed);
        const QString engine = qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + "/KALVEX32.exe";
        for (int i = 1; i <= 3; ++i) {
            QProcess p;
            p.setWorkingDirectory(ws.work);
            p.start(engine, {QString::fromStdString(t->data().runDeckNames[i]), "/N"});
            QVERIFY(p.waitForFinished(60000));
        }
        form->UpdateMenu();
        QVERIFY(form->item("PlotTableRuns1")->isEnabled());

        QStringList offered;
        s.dialogs.onDialog = [&](QDialog& dlg) -> int {
            auto& d = dynamic_cast<TPlotRunsDlg&>(dlg);
            for (int i = 0; i < d.XColumn->count(); ++i) offered << d.XColumn->itemText(i);
            d.XColumn->setCurrentText("TIME");
            d.YColumn->setCurrentText("TTANK");
            return QDialog::Accepted;
        };
        form->PlotTableRuns1Click();
        QVERIFY2(offered.contains("TTANK"), qPrintable(offered.join(" ") + s.alerts.lastText()));
        TPlotForm* w = qobject_cast<TPlotForm*>(form->docWindows().back());
        QVERIFY(w);
        const plot::PlotRecord& rec = w->document().record;
        QCOMPARE(rec.curveCount(), 3);
        QStringList legends;
        for (const auto& c : rec.curves) legends << QString::fromStdString(c.yName);
        QCOMPARE(legends, (QStringList{"AREA=2 VTANK=300", "AREA=4.5 VTANK=300", "AREA=9 VTANK=500"}));
        // The full text of a run in the cursor read-out and the legend's tooltip.
        QCOMPARE(QString::fromStdString(rec.curves[1].title), QStringLiteral("Run 2: AREA=4.5 VTANK=300"));
        w->setCursorX(1, static_cast<long double>(rec.curves[1].x[1]));
        QVERIFY2(w->cursorReadout()[2].text.startsWith(QStringLiteral("Run 2: AREA=4.5 VTANK=300 = ")),
                 qPrintable(w->cursorReadout()[2].text));
        w->renderImage();
        QCOMPARE(w->toolTipAt(w->view().legendEntries.at(1).center()), QStringLiteral("Run 2: AREA=4.5 VTANK=300"));
        QVERIFY(w->toolTipAt(w->view().frame().center()).isEmpty());
        QVERIFY(rec.legend);
        QVERIFY(rec.curves[0].color != rec.curves[1].color && rec.curves[1].symbol != rec.curves[2].symbol);
        QVERIFY(rec.curves[0].y != rec.curves[2].y);  // the runs differ
        QVERIFY(rec.y.minimum <= rec.curves[2].y.front() && rec.y.maximum >= rec.curves[2].y.back());
        // An ordinary plot: it saves like any other.
        w->saveTo(ws.work + "/RUNS.PMX");
        QVERIFY(QFileInfo(ws.work + "/RUNS.PMX").size() > 256 + 8220);

        s.alerts.answers = std::deque<AlertButton>(10, AlertButton::No);
        form.reset();
        docFactories() = DocumentFactories{};
    }
};

QTEST_MAIN(PlotViewsTest)
#include "test_plotviews.moc"
