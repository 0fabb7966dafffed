// The text viewer on a generated 100 MB listing of 2 million lines (written to a
// temporary directory and removed afterwards): time from creating the window and
// opening the file to its first painted screen, indexing the rest, scrolling,
// finding text on the last and first lines, and the peak memory of the process.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "text/fileviewer.h"
#include "text/finddialog.h"
#include "shell/scriptedseams.h"
#include "text/viewer.h"

namespace {

constexpr long long kLines = 2000000;

// Peak resident memory of this process (VmHWM), in bytes.
long long peakResident() {
    std::ifstream in("/proc/self/status");
    std::string key;
    while (in >> key) {
        if (key == "VmHWM:") {
            long long kb = 0;
            in >> kb;
            return kb * 1024;
        }
        std::getline(in, key);
    }
    return -1;
}

double mb(long long bytes) { return bytes / 1e6; }

// A listing-like file: a header, then time steps of numbers, 2 million lines of
// about 50 bytes each with CR LF ends.
long long writeListing(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return -1;
    std::mt19937 rng(1);
    std::string chunk;
    char line[128];
    for (long long i = 0; i < kLines; ++i) {
        int n;
        if (i == 0)
            n = std::snprintf(line, sizeof line, "FIRSTLINE KALVEX listing of BENCH.DCK, version 1.80 ....");
        else if (i == kLines - 1)
            n = std::snprintf(line, sizeof line, "LASTLINE end of the simulation after %lld steps ......", i);
        else
            n = std::snprintf(line, sizeof line, " %9lld %12.5E %12.5E %12.5E", i, (rng() % 100000) / 7.0,
                              (rng() % 100000) / 3.0, (rng() % 100000) / 11.0);
        chunk.append(line, static_cast<std::size_t>(n));
        chunk += "\r\n";
        if (chunk.size() > (1u << 20)) {
            f.write(chunk.data(), static_cast<qint64>(chunk.size()));
            chunk.clear();
        }
    }
    f.write(chunk.data(), static_cast<qint64>(chunk.size()));
    return f.size();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QFont::insertSubstitution(QStringLiteral("MS LineDraw"), QStringLiteral("DejaVu Sans Mono"));
    ScriptedSeams seams;  // no message box waits for a person

    QTemporaryDir tmp;
    const QString path = tmp.path() + QStringLiteral("/BENCH.LST");
    QElapsedTimer t;
    t.start();
    const long long size = writeListing(path);
    if (size <= 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("bench_viewer: generated %lld lines, %.1f MB in %lld ms\n", kLines, mb(size), t.elapsed());
    // Warm up the font machinery the way a running program has it warm.
    {
        QImage warm(10, 10, QImage::Format_RGB32);
        QFont f(QStringLiteral("MS LineDraw"), 10);
        (void)QFontMetrics(f).height();
    }
    const long long baseline = peakResident();

    t.restart();
    auto* v = new TViewForm;
    v->resize(435, 300);
    v->show();
    v->openFile(path);
    const QImage first = v->grab().toImage();
    const double firstMs = t.nsecsElapsed() / 1e6;
    std::printf("  first painted screen:     %8.1f ms  (%lld lines indexed so far; goal < 200 ms)\n", firstMs,
                static_cast<long long>(v->viewer()->lineCount()));

    t.restart();
    while (!v->viewer()->indexingComplete()) QCoreApplication::processEvents();
    std::printf("  rest indexed in the background: %6.1f ms  (%lld lines)\n", t.nsecsElapsed() / 1e6,
                static_cast<long long>(v->viewer()->lineCount()));

    // Scrolling: jumps anywhere in the file and single steps, each painted.
    std::mt19937 rng(3);
    QScrollBar* bar = v->viewer()->verticalScrollBar();
    t.restart();
    const int jumps = 200;
    for (int i = 0; i < jumps; ++i) {
        bar->setValue(static_cast<int>(rng() % static_cast<unsigned>(bar->maximum() + 1)));
        (void)v->viewer()->viewport()->grab();
    }
    std::printf("  scroll jump + repaint:    %8.2f ms each (%d jumps)\n", t.nsecsElapsed() / 1e6 / jumps, jumps);
    bar->setValue(bar->maximum() / 2);
    t.restart();
    const int steps = 500;
    for (int i = 0; i < steps; ++i) {
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        (void)v->viewer()->viewport()->grab();
    }
    std::printf("  scroll one line + repaint:%8.2f ms each (%d steps)\n", t.nsecsElapsed() / 1e6 / steps, steps);

    // Find on the last line, searching forward from the top.
    v->viewer()->setCaret({0, 0});
    v->findDialog()->setFindText(QStringLiteral("LASTLINE"));
    v->findDialog()->setDown(true);
    t.restart();
    v->Find();
    std::printf("  find on the last line:    %8.1f ms  (found on line %lld, beeps %d)\n", t.nsecsElapsed() / 1e6,
                static_cast<long long>(v->viewer()->caret().line) + 1, seams.alerts.beeps);
    // And back to the first line, searching backward from there.
    v->findDialog()->setFindText(QStringLiteral("firstline"));
    v->findDialog()->setDown(false);
    t.restart();
    v->Find();
    std::printf("  find backward, first line:%8.1f ms  (found on line %lld, beeps %d)\n", t.nsecsElapsed() / 1e6,
                static_cast<long long>(v->viewer()->caret().line) + 1, seams.alerts.beeps);

    const long long peak = peakResident();
    std::printf("  peak memory (VmHWM):      %8.1f MB  = %.2f x file size (%.1f MB); %.1f MB before the viewer;"
                " goal < 1.2 x\n",
                mb(peak), static_cast<double>(peak) / size, mb(size), mb(baseline));
    delete v;
    return 0;
}
