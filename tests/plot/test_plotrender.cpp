// The plot drawing on large curves: the reduction to what the pixels show must
// give the very picture of drawing every point; lines of a deep zoom are drawn
// where they are on every output.
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtTest>
#include <cmath>

#include "plot/decimate.h"
#include "plot/plotexport.h"
#include "plot/plotrender.h"
#include "shell/printtesthelpers.h"
#include "support/testsupport.h"

namespace {

// Two curves of n noisy points that wander up and down within each pixel
// column, cross the frame's edges and come back.
plot::PlotDocument noisyPlot(int n, bool logY, int lineStyle, int symbol, bool xRunsBack = true) {
    plot::PlotDocument d;
    d.caption = "Plot from BIG.PLT";
    auto& r = d.record;
    r.x.minimum = 0;
    r.x.maximum = n;
    r.y.minimum = logY ? 0.1 : -1.2;
    r.y.maximum = logY ? 100 : 1.2;
    r.y.logarithmic = logY;
    unsigned seed = 7;
    for (int k = 0; k < 2; ++k) {
        plot::CurveRecord c;
        c.curveNumber = k + 1;
        c.firstRow = 1;
        c.lastRow = c.pointCount = n;
        c.lineStyle = lineStyle;
        c.symbol = symbol + k;
        c.color = k + 1;
        c.yName = "Y" + std::to_string(k);
        for (int i = 0; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            const double noise = static_cast<double>((seed >> 16) & 0xFFF) / 4096.0 - 0.5;
            double y = std::sin(i * 6.0e-4 * (k + 1)) + 0.5 * noise;
            if (logY) y = std::pow(10.0, 1 + y);
            // Now and then a point far outside, and x running back a little.
            if (i % 9973 == 0) y = logY ? 1e6 : 5;
            c.x.push_back(xRunsBack && i % 5000 == 4999 ? i - 3000.0 : i);
            c.y.push_back(y);
        }
        r.curves.push_back(std::move(c));
    }
    return d;
}

// zoom: the visible X range (a view of 2 % of the points in the middle).
QImage draw(const plot::PlotDocument& doc, double scale, bool full, bool zoom = false, int ratio = 1) {
    const QSize size = scale > 1 ? QSize(1800, 1200) : QSize(640, 400);
    QImage img(size * ratio, QImage::Format_RGB32);
    img.setDevicePixelRatio(ratio);
    img.fill(Qt::lightGray);
    QPainter p(&img);
    plot::PlotView view;
    view.right = scale > 1 ? 1500 : 560;
    view.bottom = scale > 1 ? 900 : 330;
    const double n = static_cast<double>(doc.record.x.maximum);
    if (zoom) view.zoom = plot::PlotView::Zoom{{0.49 * n, 0.51 * n}, {doc.record.y.minimum, doc.record.y.maximum}};
    plot::PlotRenderer::render(p, doc, view, plot::RenderTarget{scale, nullptr, full});
    return img;
}

}  // namespace

class PlotRenderTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;

private slots:
    void initTestCase() { testsupport::installQuietMessageHandler(); }

    void reducedDrawingGivesTheSamePixels_data() {
        QTest::addColumn<bool>("logY");
        QTest::addColumn<int>("lineStyle");
        QTest::addColumn<int>("symbol");
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("zoom");
        QTest::addColumn<int>("ratio");  // device pixels per pixel (a high-resolution screen)
        QTest::newRow("lines, linear, screen") << false << 1 << 0 << 1.0 << 100000 << false << 1;
        QTest::newRow("lines, log, screen") << true << 1 << 0 << 1.0 << 100000 << false << 1;
        QTest::newRow("symbols, linear, screen") << false << 0 << 1 << 1.0 << 100000 << false << 1;
        QTest::newRow("lines and filled symbols, log, screen") << true << 1 << 9 << 1.0 << 100000 << false << 1;
        QTest::newRow("thick lines, linear, screen") << false << 2 << 0 << 1.0 << 100000 << false << 1;
        QTest::newRow("lines and symbols, linear, page") << false << 1 << 2 << 2.9 << 100000 << false << 1;
        QTest::newRow("lines, log, page") << true << 1 << 0 << 2.9 << 100000 << false << 1;
        // A filled diamond and a cross (no pixel of it has a neighbour beside it),
        // and symbols too large for the fast copy (a big export).
        QTest::newRow("diamonds and crosses, screen") << false << 0 << 14 << 1.0 << 100000 << false << 1;
        QTest::newRow("crosses and circles, large") << false << 1 << 15 << 8.0 << 20000 << false << 1;
        // Zoomed into ascending X: only the points near the frame are drawn.
        QTest::newRow("zoomed, lines and symbols, screen") << false << 1 << 1 << 1.0 << 100000 << true << 1;
        QTest::newRow("zoomed, thick lines and symbols, page") << true << 2 << 3 << 2.9 << 100000 << true << 1;
        QTest::newRow("lines and symbols, screen of pixel ratio 2") << false << 1 << 1 << 1.0 << 100000 << false << 2;
    }
    void reducedDrawingGivesTheSamePixels() {
        QFETCH(bool, logY);
        QFETCH(int, lineStyle);
        QFETCH(int, symbol);
        QFETCH(double, scale);
        QFETCH(int, points);
        QFETCH(bool, zoom);
        QFETCH(int, ratio);
        const plot::PlotDocument doc = noisyPlot(points, logY, lineStyle, symbol, !zoom);
        const QImage reduced = draw(doc, scale, false, zoom, ratio), full = draw(doc, scale, true, zoom, ratio);
        int differ = 0;
        for (int y = 0; y < full.height(); ++y)
            for (int x = 0; x < full.width(); ++x) differ += reduced.pixel(x, y) != full.pixel(x, y);
        QCOMPARE(differ, 0);
        // The curves are there at all.
        QVERIFY(reduced != draw(noisyPlot(2, logY, lineStyle, symbol), scale, false, zoom, ratio));
    }

    // A line far longer than the view (a deep zoom) is cut at the frame before
    // it becomes pixels: y = x runs from the frame's bottom-left corner to its
    // top-right one on every output, and nothing of it lies anywhere else.
    void deepZoomDrawsTheLineWhereItIs_data() {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<double>("low");  // the view, on both axes
        QTest::addColumn<double>("high");
        QTest::addColumn<bool>("zoom");   // a zoomed view, else the plot's own limits
        QTest::addColumn<QString>("output");
        const struct {
            const char* name;
            double from, to, low, high;
            bool zoom;
        } cases[] = {{"diagonal to 1000, limits 249..251", 0, 1000, 249, 251, false},
                     {"y = x through 1000, zoomed to -1..1", -1000, 1000, -1, 1, true},
                     {"two points, zoom 10^6", -1000, 1000, 0.499, 0.501, true}};
        for (const auto& c : cases)
            for (const char* output : {"window", "page", "svg", "pdf"})
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(c.name, output)))
                    << c.from << c.to << c.low << c.high << c.zoom << QString::fromLatin1(output);
    }
    void deepZoomDrawsTheLineWhereItIs() {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(bool, zoom);
        QFETCH(QString, output);
        plot::PlotDocument doc;
        plot::CurveRecord c;
        c.curveNumber = 1;
        c.firstRow = 1;
        c.lastRow = c.pointCount = 3;  // the last row is not drawn
        c.lineStyle = 1;
        c.color = 1;
        c.yName = "Y";
        c.x = c.y = {from, to, to};
        doc.record.curves.push_back(c);
        for (plot::AxisSettings* a : {&doc.record.x, &doc.record.y}) {
            a->minimum = zoom ? from : low;
            a->maximum = zoom ? to : high;
        }
        plot::PlotView view;
        if (zoom) view.zoom = plot::PlotView::Zoom{{low, high}, {low, high}};

        QImage img;
        QRectF frame = view.frame();
        if (output == QLatin1String("window") || output == QLatin1String("page")) {
            const double scale = output == QLatin1String("page") ? 2.9 : 1.0;
            img = QImage(640, 400, QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainter p(&img);
            plot::RenderTarget target;
            target.scale = scale;
            plot::PlotRenderer::render(p, doc, view, target);
        } else {
            // Exports at their natural size: the frame sits where the extent puts it.
            frame.translate(-plot::plotExtent(doc, view).topLeft());
            const QString file = tmp_.filePath(QStringLiteral("deep.") + output);
            plot::exportPlot(doc, view, output == QLatin1String("svg") ? plot::ExportFormat::Svg : plot::ExportFormat::Pdf,
                             file);
            if (output == QLatin1String("svg")) {
                QSvgRenderer svg(file);
                img = QImage(plot::naturalSize(doc, view), QImage::Format_RGB32);
                img.fill(Qt::white);
                QPainter p(&img);
                svg.render(&p, QRectF(img.rect()));
            } else {
                img = printtest::pdfPageImage(file, 1, 96);
            }
        }
        QVERIFY(!img.isNull());
        // Blue, also where an output blends it with the white.
        const auto curve = [&](int x, int y) {
            const QColor k = img.pixelColor(x, y);
            return k.blue() - std::max(k.red(), k.green()) > 60;
        };
        const QPointF a = frame.bottomLeft(), b = frame.topRight();
        const auto offLine = [&](QPointF q) {
            return std::abs((b.x() - a.x()) * (q.y() - a.y()) - (b.y() - a.y()) * (q.x() - a.x())) / std::hypot(b.x() - a.x(), b.y() - a.y());
        };
        for (double t : {0.05, 0.3, 0.5, 0.7, 0.95}) {
            const QPointF at = a + t * (b - a);
            bool found = false;
            for (int dx = -3; dx <= 3 && !found; ++dx)
                for (int dy = -3; dy <= 3 && !found; ++dy) found = img.valid(at.x() + dx, at.y() + dy) && curve(at.x() + dx, at.y() + dy);
            QVERIFY2(found, qPrintable(QStringLiteral("no line at %1 of the diagonal").arg(t)));
        }
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (curve(x, y)) QVERIFY2(offLine(QPointF(x, y)) < 4, qPrintable(QStringLiteral("line at %1, %2").arg(x).arg(y)));
    }

    void reducerKeepsFirstExtremesAndLastOfEachColumn() {
        std::vector<std::pair<int, int>> out;
        auto add = [&out](int x, int y) { out.emplace_back(x, y); };
        plot::ColumnReducer<decltype(add)> r(add);
        // Column 5: first 3, then 9 (highest), 1 (lowest), 4, last 6; column 6: one
        // point; column 5 again: runs are per visit, not per column.
        for (int y : {3, 9, 1, 4, 6}) r.add(5, y);
        r.add(6, 2);
        r.add(5, 7);
        r.add(5, 7);
        r.finish();
        const std::vector<std::pair<int, int>> want{{5, 3}, {5, 9}, {5, 1}, {5, 6}, {6, 2}, {5, 7}};
        QCOMPARE(out, want);
    }
};

QTEST_MAIN(PlotRenderTest)
#include "test_plotrender.moc"
