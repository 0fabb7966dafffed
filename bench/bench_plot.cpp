// Plot figures: reading a large plot data file (200 000 rows of 8 columns, as
// the engine writes them), and drawing a plot of 100 000 points per curve into
// an image, screen-sized and at printer scale.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include "plot/plotdata.h"
#include "plot/plotrender.h"

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string writePlt(const QString& dir, int rows, int cols) {
    const std::string path = (dir + "/BIG.PLT").toStdString();
    std::ofstream out(path, std::ios::binary);
    out << "TIME";
    for (int c = 1; c < cols; ++c) out << " V" << c;
    out << "\r\ns";
    for (int c = 1; c < cols; ++c) out << " m";
    out << "\r\n";
    char buf[32];
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            std::snprintf(buf, sizeof buf, "%s%.6E", c ? " " : "", c == 0 ? r * 1e-3 : std::sin(r * 1e-3 * c));
            out << buf;
        }
        out << "\r\n";
    }
    return path;
}

plot::PlotDocument bigPlot(int points, int curves) {
    plot::PlotDocument d;
    d.caption = "Plot from BIG.PLT";
    auto& r = d.record;
    r.x.maximum = points * 1e-3;
    r.y.minimum = -1;
    r.y.maximum = 1;
    for (int k = 0; k < curves; ++k) {
        plot::CurveRecord c;
        c.curveNumber = k + 1;
        c.firstRow = 1;
        c.lastRow = c.pointCount = points;
        c.symbol = k == 0 ? 1 : 0;
        c.color = k;
        c.yName = "V" + std::to_string(k + 1);
        for (int i = 0; i < points; ++i) {
            c.x.push_back(i * 1e-3);
            c.y.push_back(std::sin(i * 1e-3 * (k + 1)));
        }
        r.curves.push_back(std::move(c));
    }
    r.legend = true;
    return d;
}

double timeRender(const plot::PlotDocument& doc, QSize size, double scale) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    plot::PlotView view;
    QElapsedTimer t;
    t.start();
    QPainter p(&img);
    plot::PlotRenderer::render(p, doc, view, plot::RenderTarget{scale, nullptr});
    p.end();
    return t.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const int rows = 200000, cols = 8;
    const std::string path = writePlt(dir.path(), rows, cols);
    std::ifstream probe(path, std::ios::binary | std::ios::ate);
    const double mb = static_cast<double>(probe.tellg()) / 1e6;

    std::vector<double> reads;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        const plot::PlotDataTable table = plot::ReadPlt(path);
        reads.push_back(t.nsecsElapsed() / 1e6);
        if (table.rowCount != rows) std::printf("unexpected row count %d\n", table.rowCount);
    }
    std::printf("read .PLT %d rows x %d columns (%.1f MB): %.0f ms (median of 3)\n", rows, cols, mb, median(reads));

    const plot::PlotDocument one = bigPlot(100000, 1);
    const plot::PlotDocument five = bigPlot(100000, 5);
    std::vector<double> a, b, c;
    for (int i = 0; i < 3; ++i) {
        a.push_back(timeRender(one, QSize(500, 340), 1.0));
        b.push_back(timeRender(five, QSize(500, 340), 1.0));
        c.push_back(timeRender(one, QSize(2480, 3508), 4.0));
    }
    std::printf("render 1 curve of 100 000 points with symbols, window size: %.0f ms\n", median(a));
    std::printf("render 5 curves of 100 000 points, window size: %.0f ms\n", median(b));
    std::printf("render 1 curve of 100 000 points with symbols, A4 page at 300 dpi: %.0f ms\n", median(c));
    return 0;
}
