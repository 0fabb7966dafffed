// Times of Run Table with runs side by side: a table of 24 runs whose engine
// run takes about 0.5 s, run one at a time and two at a time through the table
// runner, and the runner's own time per run (a run of a program that does
// nothing, against starting and waiting for the same program directly).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

#include "common/bytes.h"
#include "run/runplan.h"
#include "run/tablerunner.h"
#include "shell/qtbytes.h"
#include "table/rundecks.h"
#include "table/tabledata.h"

extern char** environ;

namespace {

QString engine() { return qEnvironmentVariable("PALUMARO_PROGRAM_DIR") + "/KALVEX32.exe"; }

// A building-like model of a few equations over `steps` time steps.
QByteArray deck(int steps) {
    return "CONSTANTS 3\r\nAREA = 25\r\nUA = 0.35\r\nCAP = 18\r\n"
           "EQUATIONS 6\r\n"
           "TROOM = INTEG((QSUN - QLOSS) / CAP, 20) ! [C]\r\n"
           "HOUR = MOD(TIME, 24)\r\n"
           "TAMB = 10 + 5 * SIN(2 * 3.14159 * (HOUR - 9) / 24)\r\n"
           "QSUN = 0.12 * AREA * MAX(0, SIN(3.14159 * (HOUR - 6) / 12))\r\n"
           "QLOSS = UA * (TROOM - TAMB)\r\n"
           "E = INTEG(QLOSS, 0)\r\n"
           "SIMULATION 0 " +
           QByteArray::number(steps) + " 1\r\nEND\r\n";
}

double engineSeconds(const QString& dir, int steps) {
    QFile f(dir + "/CAL.DCK");
    f.open(QIODevice::WriteOnly);
    f.write(deck(steps));
    f.close();
    QElapsedTimer t;
    t.start();
    QProcess::execute(engine(), {dir + "/CAL.DCK", "/N"});
    return t.nsecsElapsed() / 1e9;
}

std::vector<std::string> writeDecks(const QString& dir, int runs) {
    table::TableData t(toBytes(dir + "/B.DCK"), {"AREA"}, runs);
    for (int i = 1; i <= runs; ++i) t.setValue(1, i, 10 + i);
    if (table::writeRunDecks(t).failed) std::abort();
    return {t.runDeckNames.begin() + 1, t.runDeckNames.begin() + 1 + runs};
}

double runTable(const QString& dir, const std::vector<std::string>& decks, const QString& program, int parallel) {
    run::TableRunJob job;
    job.decks = decks;
    job.listings.assign(decks.size(), "");
    job.engine = program;
    job.workDir = dir;
    job.parallel = parallel;
    run::TableRunner runner(job);
    QElapsedTimer t;
    t.start();
    runner.start();
    while (!runner.isFinished()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double s = t.nsecsElapsed() / 1e9;
    for (int i = 0; i < runner.runs(); ++i)
        if (!run::endedNormally(runner.status(i))) std::printf("  run %d: %s\n", i + 1, run::statusText(runner.status(i), 0).c_str());
    return s;
}

// Starting and waiting for a program directly, without Qt: the floor.
double spawnSeconds(const char* program, int times) {
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < times; ++i) {
        pid_t pid = 0;
        char* argv[] = {const_cast<char*>(program), nullptr};
        if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) std::abort();
        int status = 0;
        waitpid(pid, &status, 0);
    }
    return t.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString dir = tmp.path();

    // Steps for about 0.5 s of engine time on this machine.
    int steps = 20000;
    for (int k = 0; k < 4; ++k) {
        const double s = engineSeconds(dir, steps);
        steps = std::max(1000, static_cast<int>(steps * 0.5 / std::max(s, 0.01)));
    }
    const double one = engineSeconds(dir, steps);
    QFile f(dir + "/B.DCK");
    f.open(QIODevice::WriteOnly);
    f.write(deck(steps));
    f.close();

    const int runs = 24;
    const double serial = runTable(dir, writeDecks(dir, runs), engine(), 1);
    const double parallel = runTable(dir, writeDecks(dir, runs), engine(), 2);
    std::printf("Table run, %d runs of %.2f s engine time (%d steps):\n", runs, one, steps);
    std::printf("  1 run at a time:   %7.2f s\n", serial);
    std::printf("  2 runs at a time:  %7.2f s   (%.2f times faster; target >= 1.8 on 2 cores)\n", parallel,
                serial / parallel);

    // The runner's own time per run: a program that does nothing, through the
    // runner one at a time, against spawning it directly.
    const int many = 99;
    const double direct = spawnSeconds("/bin/true", many) / many;
    QElapsedTimer w;
    w.start();
    const std::vector<std::string> decks = writeDecks(dir, many);
    const double writing = w.nsecsElapsed() / 1e9 / many;
    w.restart();
    const run::TableRunPlan plan = run::planRuns(decks);
    const double planning = w.nsecsElapsed() / 1e9 / many;
    const double through = runTable(dir, decks, QStringLiteral("/bin/true"), 1) / many;
    std::printf("Own time per run (%d runs of /bin/true, target <= 5 ms):\n", many);
    std::printf("  starting and ending it directly:   %6.2f ms\n", direct * 1e3);
    std::printf("  through the table runner:          %6.2f ms\n", through * 1e3);
    std::printf("  runner overhead:                   %6.2f ms\n", (through - direct) * 1e3);
    std::printf("  run deck writing + result check:   %6.2f ms\n", (writing + planning) * 1e3);
    std::printf("  own time per run in all:           %6.2f ms\n", (through - direct + writing + planning) * 1e3);
    return plan.clashes.empty() ? 0 : 1;
}
