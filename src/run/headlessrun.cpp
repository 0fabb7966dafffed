#include "run/headlessrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "common/bytes.h"
#include "common/configdir.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/samefile.h"
#include "run/commandline.h"
#include "run/kalvexrun.h"
#include "run/runplan.h"
#include "run/runsettingsstore.h"
#include "run/slurmjob.h"
#include "run/tablerunner.h"
#include "common/settings.h"
#include "shell/qtbytes.h"
#include "table/deckconstants.h"
#include "table/rundecks.h"
#include "table/tablefile.h"

namespace run {

namespace {

void say(FILE* to, const std::string& line) {
    std::fputs((line + "\n").c_str(), to);
    std::fflush(to);
}

// A failure as a script reads it: one line on stderr, the file first.
void fail(const std::string& file, std::string why) {
    for (std::size_t at = why.find('\n'); at != std::string::npos; at = why.find('\n', at)) why.replace(at, 1, "; ");
    say(stderr, "palumaro: " + (file.empty() ? std::string() : file + ": ") + why);
}
void fail(const pal::IoError& e) { fail(e.path(), e.what()); }

int usage(const std::string& problem) {
    say(stderr, "palumaro: " + problem + " (usage: palumaro --run-table TABLE.TBL [--jobs N | --slurm])");
    return 2;
}

struct Options {
    std::string table;
    int jobs = 0;        // 0: the settings
    bool slurm = false;
};

// The table's deck as the table window finds it: the stored path, or the deck
// of the table's own base name beside it.
std::string tableDeck(const std::string& stored, const std::string& tablePath, const std::string& programDir) {
    const std::string deck = table::resolveTableDeck(stored, tablePath, programDir);
    if (table::ScanDeckConstants(deck)) return deck;
    const std::string beside = table::besideTableDeck(stored, tablePath);
    return table::ScanDeckConstants(beside) ? beside : deck;
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
    Options o;
    for (int i = 0; i < arguments.size(); ++i) {
        const std::string a = toBytes(arguments[i]);
        if (i == 0) {
            if (a.rfind("--", 0) == 0) return usage("--run-table needs a table file");
            o.table = a;
        } else if (a == "--slurm") {
            o.slurm = true;
        } else if (a == "--jobs" || a.rfind("--jobs=", 0) == 0) {
            std::string n = a == "--jobs" ? (i + 1 < arguments.size() ? toBytes(arguments[++i]) : "") : a.substr(7);
            try {
                std::size_t used = 0;
                o.jobs = std::stoi(n, &used);
                if (used != n.size() || o.jobs < 1) throw std::invalid_argument(n);
            } catch (const std::exception&) {
                return usage("--jobs needs a number of runs of 1 or more, not \"" + n + "\"");
            }
        } else {
            return usage("unknown argument \"" + a + "\"");
        }
    }
    if (o.table.empty()) return usage("--run-table needs a table file");
    if (o.slurm && o.jobs > 0) return usage("--jobs and --slurm exclude each other");

    // The settings as the windows read them: the user's copy first where the
    // installation is read-only.
    auto& state = pal::app();
    if (const auto dft = pal::findSettingsFile(state.programDir, pal::kDftName)) {
        try {
            state.settings = pal::readDFTFile(*dft);
        } catch (const pal::IoError& e) {
            fail(e.path(), std::string(e.what()) + "; the default settings are used");
            state.settings = pal::shippedSettings(state.programDir);
        }
    } else {
        state.settings = pal::shippedSettings(state.programDir);
    }
    TableRunSettings settings = loadTableRunSettings();
    if (o.slurm) settings.onSlurm = true;
    if (o.jobs > 0) settings.onSlurm = false, settings.parallelRuns = o.jobs;

    table::TableData data;
    std::vector<std::string> decks;
    try {
        auto content = table::readTableFile(o.table);
        content.table.deckPath = tableDeck(content.table.deckPath, o.table, state.programDir);
        data = std::move(content.table);
        std::vector<std::string> runDecks;
        for (int i = 1; i <= data.runs(); ++i) runDecks.push_back(table::runDeckPath(data.deckPath, i));
        if (const auto refusal = pal::outputOverInput({o.table, data.deckPath}, runDecks)) {
            say(stderr, "palumaro: --run-table: " + *refusal);
            return 2;
        }
        const table::RunDeckOutcome written = table::writeRunDecks(data);
        for (int i = 1; i <= data.runs() && i < static_cast<int>(data.runDeckNames.size()); ++i)
            decks.push_back(data.runDeckNames[static_cast<std::size_t>(i)]);
        if (written.failed) {
            for (const auto& d : decks) std::remove(d.c_str());
            fail(o.table, written.message);
            return 2;
        }
    } catch (const pal::IoError& e) {
        fail(e.path().empty() ? o.table : e.path(), e.what());
        return 2;
    }
    if (decks.empty()) {
        say(stdout, "The table has no runs.");
        return 0;
    }
    auto removeDecks = [&decks] {
        for (const auto& d : decks) std::remove(d.c_str());
    };

    CheckKalvexDirectory();
    passEngineSwitches();
    std::string engine = toBytes(EnginePath());
    const bool nodeEngine = settings.onSlurm && !settings.slurm.enginePath.empty();
    if (nodeEngine) engine = settings.slurm.enginePath;
    if (!nodeEngine && !pal::fileExists(engine)) {
        removeDecks();
        say(stderr, "palumaro: the engine " + engine + " was not found (KALVEX directory of PALUMARO.DFT)");
        return 2;
    }

    TableRunJob job;
    const int parallel = effectiveParallelRuns(settings);
    try {
        const TableRunPlan plan = planRuns(decks);
        if ((settings.onSlurm || parallel > 1) && !plan.clashes.empty()) {
            removeDecks();
            fail(o.table, clashMessage(plan.clashes));
            return 2;
        }
        std::vector<std::string> written;
        for (const auto& r : plan.results) written.insert(written.end(), {r.listing, r.output, r.plot});
        if (settings.onSlurm) {
            written.push_back(slurmScriptPath(o.table));
            for (int t = 1; t <= static_cast<int>(decks.size()); ++t)
                written.insert(written.end(), {slurmExitPath(o.table, t), slurmLogPath(o.table, t)});
        }
        if (const auto refusal = pal::outputOverInput({o.table, data.deckPath}, written)) {
            removeDecks();
            say(stderr, "palumaro: --run-table: " + *refusal);
            return 2;
        }
        for (const auto& r : plan.results) job.listings.push_back(r.listing);
    } catch (const pal::IoError& e) {
        removeDecks();
        fail(e);
        return 2;
    }
    job.decks = decks;
    job.engine = toQ(engine);
    job.workDir = QDir::currentPath();
    job.tablePath = toQ(o.table);
    job.parallel = parallel;
    job.slurm = settings.onSlurm;
    job.slurmOptions = settings.slurm;

    TableRunner runner(job);
    QObject::connect(&runner, &TableRunner::runEnded, &runner, [&runner, &job](int i) {
        say(stdout, endLine(i + 1, runner.status(i), job.listings[static_cast<std::size_t>(i)]));
    });
    QObject::connect(&runner, &TableRunner::problem, &runner,
                     [](const QString& text) { say(stderr, "palumaro: " + toBytes(text)); });
    QObject::connect(&runner, &TableRunner::clusterMessageChanged, &runner, [&runner] {
        if (!runner.clusterMessage().isEmpty()) say(stderr, "palumaro: " + toBytes(runner.clusterMessage()));
    });
    QObject::connect(&runner, &TableRunner::finished, QCoreApplication::instance(), &QCoreApplication::quit,
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

    if (job.slurm) say(stdout, "Submitting " + std::to_string(decks.size()) + " runs to Slurm...");
    runner.start();
    if (!runner.isFinished()) QCoreApplication::exec();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    const std::string summary = summaryText(runner.statuses(), runner.elapsed());
    say(stdout, summary);
    for (const RunStatus& s : runner.statuses())
        if (!endedNormally(s)) return 1;
    return 0;
}

}  // namespace run
