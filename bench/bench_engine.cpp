// Times of the stand-in engine and of the shell around it: the engine on a
// one-year hourly simulation of 20 equations (8,760 steps), and what KALVEX >
// Calculate adds to the engine's own time (saving nothing, refreshing the
// Windows menu from the new listing, output and plot data).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "run/kalvexrun.h"
#include "shell/docwindow.h"
#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"
#include "common/settings.h"

namespace {

// A deck of 20 equations over one year in hourly steps: a mix of the functions
// and an integral, like a building or plant model of modest size.
QByteArray yearDeck() {
    QByteArray d =
        "* One year, hourly, 20 equations\r\n"
        "CONSTANTS 4\r\nAREA = 25\r\nUA = 0.35\r\nTSET = 21\r\nCAP = 18\r\n"
        "EQUATIONS 20\r\n"
        "TROOM = INTEG((QSUN + QHEAT - QLOSS) / CAP, TSET) ! [C]\r\n"
        "HOUR = MOD(TIME, 24) ! [h]\r\n"
        "DAY = INT(TIME / 24) + 1\r\n"
        "SEASON = COS(2 * 3.14159 * (DAY - 200) / 365)\r\n"
        "TAMB = 10 + 12 * SEASON + 5 * SIN(2 * 3.14159 * (HOUR - 9) / 24) ! [C]\r\n"
        "SUN = MAX(0, SIN(3.14159 * (HOUR - 6) / 12)) * (0.6 + 0.4 * SEASON)\r\n"
        "QSUN = 0.12 * AREA * SUN ! [kW]\r\n"
        "QLOSS = UA * (TROOM - TAMB) ! [kW]\r\n"
        "ERR = TSET - TROOM\r\n"
        "QHEAT = MIN(6, MAX(0, 2.5 * ERR + 0.4 * (TSET - TAMB) * UA)) ! [kW]\r\n"
        "EHEAT = INTEG(QHEAT, 0) ! [kWh]\r\n"
        "ESUN = INTEG(QSUN, 0) ! [kWh]\r\n"
        "COP = 2.5 + 0.05 * (TAMB + 10)\r\n"
        "PEL = QHEAT / MAX(1, COP) ! [kW]\r\n"
        "EEL = INTEG(PEL, 0) ! [kWh]\r\n"
        "COMFORT = ABS(TROOM - TSET)\r\n"
        "LOGQ = LOG(1 + QHEAT)\r\n"
        "RAMP = SQRT(1 + TIME)\r\n"
        "PRICE = 0.2 + 0.1 * EXP(-((HOUR - 18) ^ 2) / 8)\r\n"
        "COST = INTEG(PEL * PRICE, 0) ! [EUR]\r\n"
        "SIMULATION 0 8759 1 ! [h]\r\nEND\r\n";
    return d;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

class DeckWindow : public TDocWindow {
public:
    explicit DeckWindow(const QString& path) : TDocWindow(Kind::DeckEditor), path_(path) {}
    QString fileName() const override { return path_; }

private:
    QString path_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString programDir = qEnvironmentVariable("PALUMARO_PROGRAM_DIR", QDir::currentPath() + "/program");
    QTemporaryDir scratch(QDir::tempPath() + "/palumarobenchXXXXXX");
    const QString dir = scratch.path();
    // A copy of the engine beside a switches file without the status display, so
    // that neither measurement prints progress lines.
    const QString engine = dir + "/KALVEX32.exe";
    if (!QFile::copy(programDir + "/KALVEX32.exe", engine)) {
        std::fprintf(stderr, "bench_engine: %s/KALVEX32.exe not found\n", qPrintable(programDir));
        return 1;
    }
    {
        QFile kvn(dir + "/CNFGKV.KVN");
        if (!kvn.open(QIODevice::WriteOnly) ||
            kvn.write("KALVEX configuration\r\nNo\r\nYes\r\nYes\r\nYes\r\nYes\r\nYes\r\nYes\r\n") < 0)
            return 1;
    }
    const QString deck = dir + "/YEAR.DCK";
    {
        QFile f(deck);
        if (!f.open(QIODevice::WriteOnly) || f.write(yearDeck()) < 0) return 1;
    }

    pal::Settings settings;
    settings.kalvexDir = dir.toStdString();
    pal::writeDFTFile((dir + "/PALUMARO.DFT").toStdString(), settings);
    auto& app = pal::app();
    app.programDir = dir.toStdString();
    app.programPath = (dir + "/PALUMARO").toUpper().toStdString();
    app.settings = settings;
    ScriptedSeams seams;
    seams.launcher.runForReal = true;

    TPALUMAROFORM main;
    auto* window = new DeckWindow(deck);
    main.addDocWindow(window);
    main.setActiveDocWindow(window);

    // Rounds alternate between the engine alone (started as a process, the way
    // the launcher starts it) and Calculate, so that load from elsewhere on the
    // machine falls on both alike.
    constexpr int kRounds = 21;
    std::vector<double> engineMs, calculateMs, differenceMs;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer t;
        t.start();
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(engine, {deck});
        p.waitForFinished(-1);
        const double alone = t.nsecsElapsed() / 1e6;
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            std::fprintf(stderr, "bench_engine: the engine failed on the year deck\n");
            return 1;
        }
        t.restart();
        run::Calculate(main);
        const double calculate = t.nsecsElapsed() / 1e6;
        if (!seams.alerts.shown.isEmpty() || main.plotDataFileName.isEmpty()) {
            std::fprintf(stderr, "bench_engine: Calculate failed: %s\n", qPrintable(seams.alerts.lastText()));
            return 1;
        }
        engineMs.push_back(alone);
        calculateMs.push_back(calculate);
        differenceMs.push_back(calculate - alone);
    }
    std::printf("engine: one year hourly (8760 steps), 20 equations, listing, output and plot data written: "
                "%.1f ms (median of %d runs)\n",
                median(engineMs), kRounds);
    std::printf("Calculate: %.1f ms; the shell's part beyond the engine: %.1f ms (medians of %d runs)\n",
                median(calculateMs), median(differenceMs), kRounds);

    window->closeWithoutQuery();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
