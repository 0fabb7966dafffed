// palumaro --run-table TABLE.TBL [--jobs N | --slurm]: runs a table file without
// a window through the same preparation and the same table runner as the table
// window, one line per run as it ends. Exit code: 0 every run ended normally,
// 1 a run failed or did not run, 2 nothing could be run (bad arguments,
// unreadable table, undefined values, missing engine, clashing result files).
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "app/cli.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/settings.h"
#include "run/kalvexrun.h"
#include "run/runsettings.h"
#include "run/tablerunner.h"
#include "shell/qtbytes.h"
#include "table/tablefile.h"
#include "table/tablerunprep.h"

namespace cli {

namespace {

const char* const kUsage = "usage: palumaro --run-table TABLE.TBL [--jobs N | --slurm]";

void say(FILE* to, const std::string& line) {
    std::fputs((line + "\n").c_str(), to);
    std::fflush(to);
}

// A usage error: the problem and the usage, on one line as scripts read it.
[[noreturn]] void usage(const QString& problem) {
    throw Failure(problem + QStringLiteral(" (") + QLatin1String(kUsage) + QStringLiteral(")"), 2);
}

// Ctrl+C and SIGTERM end the table run like Cancel: waiting runs are dropped,
// running ones stopped.
int signalPipe[2] = {-1, -1};
void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

}  // namespace

int runTableFile(const QStringList& arguments) {
    const Options o = [&] {
        try {
            return parseOptions(QStringLiteral("--run-table"), arguments, {QStringLiteral("--jobs")},
                                {QStringLiteral("--slurm")});
        } catch (const Failure& f) {
            usage(toQ(f.what()).replace(QStringLiteral("needs a file"),
                                                           QStringLiteral("needs a table file")));
        }
    }();
    int jobs = 0;  // 0: the settings
    if (!o.value(QStringLiteral("--jobs")).isNull()) {
        bool ok = false;
        jobs = o.value(QStringLiteral("--jobs")).toInt(&ok);
        if (!ok || jobs < 1)
            usage(QStringLiteral("--jobs needs a number of runs of 1 or more, not \"%1\"").arg(o.value(QStringLiteral("--jobs"))));
    }
    const bool slurm = o.has(QStringLiteral("--slurm"));
    if (slurm && jobs > 0) usage(QStringLiteral("--jobs and --slurm exclude each other"));

    readSettings(2);
    run::TableRunSettings settings = run::tableRunSettings();
    if (slurm) settings.onSlurm = true;
    if (jobs > 0) settings.onSlurm = false, settings.parallelRuns = jobs;
    const int parallel = run::effectiveParallelRuns(settings);

    const std::string tablePath = toBytes(o.positional);
    table::PreparedRuns prepared;
    try {
        table::TableFileContent content = table::readTableFile(tablePath);
        content.table.deckPath = table::findTableDeck(content.table.deckPath, tablePath, pal::app().programDir).path;
        prepared = table::prepareRuns(content.table, settings.onSlurm || parallel > 1, tablePath, settings.onSlurm);
    } catch (const pal::IoError& e) {
        throw Failure(toQ(e.userText()).replace(QLatin1Char('\n'), QStringLiteral(": ")), 2);
    }
    if (prepared.problem == table::PreparedRuns::Problem::OverInput)
        throw Failure(QStringLiteral("--run-table: ") + toQ(prepared.message), 2);
    if (prepared.problem != table::PreparedRuns::Problem::None) throw Failure(toQ(prepared.message), 2);
    if (prepared.decks.empty()) {
        say(stdout, "The table has no runs.");
        return 0;
    }

    run::CheckKalvexDirectory();
    run::passEngineSwitches();
    std::string engine = toBytes(run::EnginePath());
    const bool nodeEngine = settings.onSlurm && !settings.slurm.enginePath.empty();
    if (nodeEngine) engine = settings.slurm.enginePath;
    if (!nodeEngine && !pal::fileExists(engine)) {
        for (const auto& d : prepared.decks) std::remove(d.c_str());
        throw Failure(toQ("the engine " + engine + " was not found (KALVEX directory of PALUMARO.DFT)"), 2);
    }

    run::TableRunJob job;
    job.decks = prepared.decks;
    job.listings = prepared.listings;
    job.engine = toQ(engine);
    job.workDir = QDir::currentPath();
    job.tablePath = o.positional;
    job.parallel = parallel;
    job.slurm = settings.onSlurm;
    job.slurmOptions = settings.slurm;

    run::TableRunner runner(job);
    QObject::connect(&runner, &run::TableRunner::runEnded, &runner, [&runner, &job](int i) {
        say(stdout, run::endLine(i + 1, runner.status(i), job.listings[static_cast<std::size_t>(i)]));
    });
    QObject::connect(&runner, &run::TableRunner::problem, &runner,
                     [](const QString& text) { say(stderr, "palumaro: " + toBytes(text)); });
    QObject::connect(&runner, &run::TableRunner::clusterMessageChanged, &runner, [&runner] {
        if (!runner.clusterMessage().isEmpty()) say(stderr, "palumaro: " + toBytes(runner.clusterMessage()));
    });
    QObject::connect(&runner, &run::TableRunner::finished, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);

    std::unique_ptr<QSocketNotifier> notifier;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &runner, [&runner] {
            char c;
            [[maybe_unused]] const auto n = ::read(signalPipe[0], &c, 1);
            say(stderr, "palumaro: cancelled; waiting runs are dropped, running ones stopped");
            runner.cancelWaiting();
            runner.stopRunning();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }

    if (job.slurm) say(stdout, "Submitting " + std::to_string(job.decks.size()) + " runs to Slurm...");
    runner.start();
    if (!runner.isFinished()) QCoreApplication::exec();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    say(stdout, run::summaryText(runner.statuses(), runner.elapsed()));
    for (const run::RunStatus& s : runner.statuses())
        if (!run::endedNormally(s)) return 1;
    return 0;
}

}  // namespace cli
