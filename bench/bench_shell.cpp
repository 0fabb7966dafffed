// Start-up cost of the main window (created and shown, offscreen, messages
// scripted) against an empty QMainWindow with a QMdiArea measured in the same
// run; and the time of FormatValue over a million values.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/numtext.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeBareFrame() {
    QElapsedTimer t;
    t.start();
    {
        QMainWindow w;
        w.setCentralWidget(new QMdiArea);
        w.show();
        QApplication::processEvents();
    }
    return t.nsecsElapsed() / 1e6;
}

// The frame with its menu tree, created and shown; with startUp also the
// start-up dialogs (setup, about, print, progress) are created and the about box
// is answered.
double timeMainWindow(bool withDialogs) {
    QElapsedTimer t;
    t.start();
    {
        TPALUMAROFORM f;
        f.show();
        if (withDialogs) f.startUp();
        QApplication::processEvents();
    }
    return t.nsecsElapsed() / 1e6;
}

void quiet(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type != QtDebugMsg && !msg.contains(QLatin1String("propagateSizeHints")))
        std::fprintf(stderr, "%s\n", qPrintable(msg));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    QApplication app(argc, argv);
    ScriptedSeams seams;  // the about box is answered at once

    QTemporaryDir dir;
    pal::Settings defaults;
    pal::writeDFTFile((dir.path() + "/PALUMARO.DFT").toStdString(), defaults);
    pal::app().programDir = dir.path().toStdString();

    // Warm-up: fonts, styles and the platform plugin load on first use.
    QElapsedTimer first;
    first.start();
    timeBareFrame();
    const double firstBare = first.nsecsElapsed() / 1e6;
    first.restart();
    timeMainWindow(true);
    const double firstFull = first.nsecsElapsed() / 1e6;
    std::vector<double> bare, frame, full;
    for (int i = 0; i < 15; ++i) {
        bare.push_back(timeBareFrame());
        frame.push_back(timeMainWindow(false));
        full.push_back(timeMainWindow(true));
    }
    const double b = median(bare), m = median(frame), f = median(full);
    std::printf("first in the process (fonts, style, plugin loaded):\n");
    std::printf("  bare QMainWindow + QMdiArea                        %8.2f ms\n", firstBare);
    std::printf("  main window with menus and start-up dialogs        %8.2f ms\n", firstFull);
    std::printf("warm, median of 15:\n");
    std::printf("  bare QMainWindow + QMdiArea, create + show         %8.2f ms\n", b);
    std::printf("  main window with its whole menu tree, create+show  %8.2f ms  (%.2f x bare; target at most 3 x)\n", m, m / b);
    std::printf("  ... plus the start-up dialogs and the about box    %8.2f ms  (%.2f x bare)\n", f, f / b);

    // FormatValue over a million values of both styles and a spread of magnitudes.
    std::vector<long double> values;
    values.reserve(1000000);
    long double v = 1.234567e-12L;
    for (int i = 0; i < 1000000; ++i) {
        values.push_back((i % 2 ? -v : v));
        v *= 1.0001L;
        if (v > 1e15L) v = 1.234567e-12L;
    }
    std::size_t chars = 0;
    QElapsedTimer t;
    t.start();
    for (std::size_t i = 0; i < values.size(); ++i) {
        const pal::LabelFormat fmt{static_cast<std::uint8_t>(i % 2 ? 1 : 0), static_cast<std::int16_t>(i % 7)};
        chars += pal::FormatValue(fmt, values[i]).size();
    }
    const double ms = t.nsecsElapsed() / 1e6;
    std::printf("FormatValue, 1,000,000 values (fixed and exponential) %8.1f ms  (%.0f ns per value, %zu chars)\n", ms,
                ms * 1e6 / values.size(), chars);
    return 0;
}
