// Plot figures on a year of one-minute rows (525 600 rows) in the engine's
// E15.7 layout, 10 columns (about 79 MB) and 25 columns (about 198 MB), and on
// ten years of them (5 256 000 rows x 10 columns, about 799 MB): reading the file
// against a bare from_chars pass over it, building 9 curves, drawing them in a
// plot window of 1280 x 800 (the window's own paint path, grabbed offscreen), a
// repaint of that window and one after a wheel zoom, the renderer alone into an
// image and onto an A4 page at 300 dpi, and the peak memory against the file's
// size. Then the year followed while it is written, as a running engine writes
// it: the reads of all the looks added up against one read of the whole file,
// and the redraw of a following window after each look. Each file is measured
// in a process of its own, so that the peak memory is that file's.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <QWheelEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "plot/axes.h"
#include "plot/curvebuilder.h"
#include "plot/plotdata.h"
#include "plot/plotf.h"
#include "plot/plotfollow.h"
#include "plot/quickplot.h"
#include "plot/plotrender.h"
#include "plot/pmxfile.h"
#include "shell/printcontext.h"

#include "benchsupport.h"

namespace {

using benchsupport::e15;
using benchsupport::ms;
using benchsupport::status;

constexpr int kRows = 525600;       // a year of minutes
constexpr int kTenYears = 10 * kRows;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One number in the engine's E15.7 layout: " -0.1234567E+01".
std::string pltHead(int cols) {
    std::string head = "TIME";
    for (int c = 1; c < cols; ++c) head += " V" + std::to_string(c);
    head += "\r\nh";
    for (int c = 1; c < cols; ++c) head += " kW";
    return head + "\r\n";
}

// Rows first..last-1 of the benchmark's plot data.
std::string pltRows(int cols, int first, int last) {
    std::string rows;
    rows.reserve(static_cast<std::size_t>(last - first) * (15 * static_cast<std::size_t>(cols) + 2));
    char num[16];
    unsigned noise = 12345u + 7919u * static_cast<unsigned>(first);
    for (int r = first; r < last; ++r) {
        for (int c = 0; c < cols; ++c) {
            noise = noise * 1103515245u + 12345u;
            const double jitter = static_cast<double>((noise >> 16) & 0x3FF) / 1024.0 - 0.5;
            const double v = c == 0 ? r / 60.0 : 100.0 * std::sin(2 * M_PI * r / 1440.0 * (1 + c % 4) / 2) + 10.0 * c + jitter * c;
            e15(num, v);
            rows.append(num, 15);
        }
        rows.append("\r\n");
    }
    return rows;
}

std::string writePlt(const QString& dir, int cols, int rows = kRows) {
    const std::string path = (dir + QStringLiteral("/YEARS%1x%2.PLT").arg(rows / kRows).arg(cols)).toStdString();
    std::ofstream out(path, std::ios::binary);
    out << pltHead(cols);
    for (int r = 0; r < rows; r += 10000) out << pltRows(cols, r, std::min(rows, r + 10000));
    return path;
}

// The floor the reader is measured against: the file read in pieces of whole
// lines (as the reader reads it, so that the floor's buffer does not count in
// the peak memory), every number converted with from_chars and nothing else.
double floorPass(const std::string& path, double& sum) {
    QElapsedTimer t;
    t.start();
    std::ifstream in(path, std::ios::binary);
    constexpr std::size_t kPiece = 4u << 20;
    std::unique_ptr<char[]> buf(new char[kPiece]);
    std::size_t held = 0;
    int headLines = 2;
    sum = 0;
    for (;;) {
        in.read(buf.get() + held, static_cast<std::streamsize>(kPiece - held));
        const std::size_t filled = held + static_cast<std::size_t>(in.gcount());
        if (filled == held) break;
        const char* p = buf.get();
        const char* last = static_cast<const char*>(memrchr(p, '\n', filled));
        const char* end = last ? last + 1 : p + filled;
        for (; headLines > 0 && p < end; --headLines) p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))) + 1;
        while (p < end) {
            while (p < end && (*p == ' ' || *p == '\r' || *p == '\n')) ++p;
            if (p >= end) break;
            double v = 0;
            const auto r = std::from_chars(p, end, v);
            sum += v;
            p = r.ptr == p ? p + 1 : r.ptr;
        }
        held = static_cast<std::size_t>(buf.get() + filled - end);
        std::memmove(buf.get(), end, held);
    }
    return ms(t);
}

plot::PlotDocument nineCurves(const plot::PlotDataTable& table) {
    plot::PlotDocument doc;
    doc.caption = "Plot from YEAR.PLT";
    plot::PlotRecord& r = doc.record;
    std::vector<int> ys;
    std::vector<plot::ColumnRange> yr;
    for (int c = 1; c <= 9 && c < table.columnCount(); ++c) {
        ys.push_back(c);
        yr.push_back({table.minimum[c], table.maximum[c]});
    }
    const plot::ScaleProposal px = plot::ScaleMinMax({{table.minimum[0], table.maximum[0]}});
    const plot::ScaleProposal py = plot::ScaleMinMax(yr);
    r.x.minimum = px.low;
    r.x.maximum = px.high;
    r.x.ticks = px.ticks.value_or(5);
    r.y.minimum = py.low;
    r.y.maximum = py.high;
    r.y.ticks = py.ticks.value_or(5);
    plot::addCurves(r, table, 0, ys, plot::RowRange{1, table.rowCount}, plot::CurveStyle{1, 1, 0, false});
    r.legend = true;
    return doc;
}

plot::PlotView windowView() {
    plot::PlotView v;  // the frame of a plot window enlarged to 1280 x 800
    v.left = 100;
    v.top = 20;
    v.right = 1100;
    v.bottom = 700;
    return v;
}

// The renderer alone into an image of the window's size.
double drawImage(const plot::PlotDocument& doc, plot::PlotView& view) {
    QImage img(1280, 800, QImage::Format_RGB32);
    QElapsedTimer t;
    t.start();
    img.fill(Qt::white);
    QPainter p(&img);
    view.take(plot::PlotRenderer::render(p, doc, view, plot::RenderTarget{}));
    p.end();
    return ms(t);
}

// The window painted as the screen would paint it (every child widget).
double grabWindow(TPlotForm& w) {
    QElapsedTimer t;
    t.start();
    const QPixmap shot = w.grab();
    if (shot.size() != w.size()) std::printf("unexpected window picture %dx%d\n", shot.width(), shot.height());
    return ms(t);
}

double drawPage(const plot::PlotDocument& doc, const plot::PlotView& view) {
    QImage page(2480, 3508, QImage::Format_RGB32);  // A4 at 300 dpi
    QElapsedTimer t;
    t.start();
    page.fill(Qt::white);
    QPainter p(&page);
    PrintContext ctx;
    ctx.canvas = &p;
    ctx.pageWidth = page.width();
    ctx.pageHeight = page.height();
    ctx.M = 300;
    ctx.topMargin = ctx.leftMargin = 150;
    ctx.lineHeight = 50;
    ctx.y = 150;
    ctx.printing = true;
    const double scale = plot::PlotRenderer::printScale(ctx, 1280, 800);
    plot::RenderTarget target;
    target.scale = scale;
    target.print = &ctx;
    plot::PlotRenderer::render(p, doc, view, target);
    p.end();
    return ms(t);
}

long peakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

int measure(const std::string& path, double mb, int rows) {
    double sum = 0;
    std::vector<double> floors, reads;
    for (int i = 0; i < 3; ++i) floors.push_back(floorPass(path, sum));
    const bool big = rows > kRows;  // the ten years: fewer repetitions
    TPlotForm window;
    window.resize(1280, 800);
    window.view() = windowView();
    double read = 0, build = 0, first = 0;
    for (int i = big ? 2 : 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        plot::PlotDataTable table = plot::ReadPlt(path);
        reads.push_back(ms(t));
        if (table.rowCount != rows) std::printf("unexpected row count %d\n", table.rowCount);
        if (i < 2) continue;  // the last read goes on into the plot, as in the program
        read = reads.back();
        t.restart();
        plot::PlotDocument doc = nineCurves(table);
        build = ms(t);
        table = plot::PlotDataTable();  // the setup dialog frees it after OK
        t.restart();
        window.setDocument(std::move(doc));
        window.grab();
        first = ms(t);
    }
    const plot::PlotDocument& doc = window.document();
    std::vector<double> repaints, zooms, images, pages;
    const double readMedian0 = median(reads), floorMedian0 = median(floors);
    std::printf("  read .PLT: %.0f ms%s; bare from_chars pass: %.0f ms; ratio %.2f\n", readMedian0, big ? "" : " (median of 3)",
                floorMedian0, readMedian0 / floorMedian0);
    std::printf("  build 9 curves: %.0f ms; first draw in a 1280x800 window: %.0f ms; read + curves + first draw: %.0f ms, "
                "%.2f x the bare pass\n",
                build, first, read + build + first, (read + build + first) / floorMedian0);
    if (big) {
        std::printf("  peak memory: %ld MB through reading and the first draw (file %.0f MB: %.2f x its size)\n",
                    peakMegabytes(), mb, peakMegabytes() / mb);
        return 0;
    }
    for (int i = 0; i < 5; ++i) repaints.push_back(grabWindow(window));
    const QPoint mid = window.view().frame().center();
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        window.FormWheel(mid, i < 3 ? 1 : -1, Qt::NoModifier);
        window.drawNow();
        window.grab();
        zooms.push_back(ms(t));
    }
    // Ten wheel steps in: each drawn before the next comes, against a burst with a
    // paint after each step (steps arriving while the plot would be drawn) and
    // the one drawing at the end.
    double oneByOne = 0, burst = 0;
    std::vector<double> previews;
    int burstDraws = 0;
    {
        window.WholePlot();
        window.drawNow();
        window.grab();
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 10; ++i) {
            window.FormWheel(mid, 1, Qt::NoModifier);
            window.drawNow();
            window.grab();
        }
        oneByOne = ms(t);
        const plot::AxisRange reached = window.visibleX();
        window.WholePlot();
        window.drawNow();
        window.grab();
        QWidget* canvas = window.findChild<QScrollArea*>()->widget();
        const int drawn = window.cacheDraws();
        t.restart();
        for (int i = 0; i < 10; ++i) {
            QElapsedTimer step;
            step.start();
            QWheelEvent e(mid, canvas->mapToGlobal(mid), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(canvas, &e);
            window.grab();
            previews.push_back(ms(step));
        }
        window.drawNow();
        window.grab();
        burst = ms(t);
        burstDraws = window.cacheDraws() - drawn;
        if (!(window.visibleX() == reached)) std::printf("the burst reached another view\n");
    }
    // Deep in: one day of the year in view, then panned by an hour.
    std::vector<double> days;
    const plot::AxisRange allY = plot::storedRange(doc.record.y);
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        window.zoomTo(plot::AxisRange{4000.0L + i, 4024.0L + i}, allY);
        window.grab();
        days.push_back(ms(t));
    }
    const long windowPeak = peakMegabytes();  // the program's part: read, plot window, zoom
    plot::PlotView view = windowView();
    for (int i = 0; i < 3; ++i) images.push_back(drawImage(doc, view));
    for (int i = 0; i < 2; ++i) pages.push_back(drawPage(doc, view));
    std::printf("  window repaint: %.1f ms (median of 5); wheel zoom step with redraw: %.0f ms (median of 5); one day in view, "
                "redrawn: %.0f ms (median of 5)\n",
                median(repaints), median(zooms), median(days));
    std::printf("  10 wheel steps: one at a time, each drawn: %.0f ms; in one burst: %.0f ms (%d drawing(s), a step shown in "
                "%.1f ms, median)\n",
                oneByOne, burst, burstDraws, median(previews));
    std::printf("  renderer alone: 1280x800 image %.0f ms, A4 page at 300 dpi %.0f ms\n", median(images), median(pages));
    std::printf("  peak memory: %ld MB through reading, the window and zooming; %ld MB with the A4 page image (file %.0f MB)\n",
                windowPeak, peakMegabytes(), mb);
    return 0;
}

// The year of 10 columns written as a running engine writes it, a piece of rows
// at a time, and followed: each look's read timed, and a window following it
// with 9 curves redrawn after each look.
int follow(const QString& dir) {
    constexpr int kCols = 10, kPiece = 2000;  // rows per look: a fast engine's 0.25 s
    const std::string path = (dir + QStringLiteral("/FOLLOW.PLT")).toStdString();
    {
        std::ofstream out(path, std::ios::binary);
        out << pltHead(kCols);
    }
    std::vector<std::string> pieces;
    for (int r = 0; r < kRows; r += kPiece) pieces.push_back(pltRows(kCols, r, std::min(kRows, r + kPiece)));
    auto follower = std::make_shared<plot::PlotFollower>(path);
    follower->poll();
    double looks = 0;
    std::vector<double> redraws;
    TPlotForm window;
    window.resize(1280, 800);
    window.view() = windowView();
    bool started = false;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        {
            std::ofstream out(path, std::ios::binary | std::ios::app);
            out << pieces[i];
        }
        QElapsedTimer t;
        t.start();
        if (!started) {
            follower->poll();
            looks += ms(t);
            plot::PlotDocument doc = nineCurves(follower->table());
            window.setDocument(std::move(doc));
            window.follow(follower);  // its first look finds nothing new
            window.grab();
            started = true;
            continue;
        }
        window.followLook();
        const double look = ms(t);
        window.grab();
        redraws.push_back(ms(t) - look);
        looks += look;
    }
    window.endFollowing();
    if (window.document().record.curves.front().pointCount != kRows) std::printf("  the window did not reach the last row\n");
    std::vector<double> reads;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        const plot::PlotDataTable table = plot::ReadPlt(path);
        reads.push_back(ms(t));
    }
    std::sort(redraws.begin(), redraws.end());
    std::printf("  followed as written, %zu looks of %d rows: reads and curve updates added up %.0f ms; one read of the "
                "whole file %.0f ms; ratio %.2f\n",
                pieces.size(), kPiece, looks, median(reads), looks / median(reads));
    std::printf("  redraw of the following 1280x800 window after a look: median %.1f ms, slowest %.1f ms (the last, "
                "%d rows)\n",
                median(redraws), redraws.back(), kRows);
    std::remove(path.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 5 && std::string(argv[1]) == "--measure") return measure(argv[2], std::atof(argv[3]), std::atoi(argv[4]));
    if (argc == 3 && std::string(argv[1]) == "--follow") return follow(QString::fromLocal8Bit(argv[2]));
    // The files alone, to look at them in the program: --write DIR gives the
    // plot data files and the 9-curve plot of the smaller one as a saved plot.
    if (argc == 3 && std::string(argv[1]) == "--write") {
        for (int cols : {10, 25}) std::printf("%s\n", writePlt(QString::fromLocal8Bit(argv[2]), cols).c_str());
        const std::string pmx = std::string(argv[2]) + "/YEARS1x10.PMX";
        plot::writePmx(pmx, nineCurves(plot::ReadPlt(std::string(argv[2]) + "/YEARS1x10.PLT")));
        std::printf("%s\n", pmx.c_str());
        return 0;
    }

    QTemporaryDir dir;
    struct Case {
        int rows, cols;
    };
    for (const Case c : {Case{kRows, 10}, Case{kRows, 25}, Case{kTenYears, 10}}) {
        const std::string path = writePlt(dir.path(), c.cols, c.rows);
        std::ifstream probe(path, std::ios::binary | std::ios::ate);
        const double mb = static_cast<double>(probe.tellg()) / 1e6;
        std::printf("plot data %d rows x %d columns, E15.7 (%.0f MB), 9 curves:\n", c.rows, c.cols, mb);
        std::fflush(stdout);
        const std::string cmd = std::string("\"") + argv[0] + "\" --measure \"" + path + "\" " + std::to_string(mb) + " " +
                                std::to_string(c.rows);
        if (std::system(cmd.c_str()) != 0) std::printf("  measurement failed\n");
        std::remove(path.c_str());
    }
    std::printf("plot data %d rows x 10 columns followed while it is written:\n", kRows);
    std::fflush(stdout);
    const std::string cmd = std::string("\"") + argv[0] + "\" --follow \"" + dir.path().toStdString() + "\"";
    if (std::system(cmd.c_str()) != 0) std::printf("  measurement failed\n");
    return 0;
}
