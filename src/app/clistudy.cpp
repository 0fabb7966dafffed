// palumaro --sweep "AREA=2:10:5,VTANK=200,300" --grid|--oat|--lhs N[:seed]
// DECK.DCK T.TBL writes a run table from lists and ranges; palumaro --collect
// "LEVEL:max,ENERGY:final" --csv results.csv T.TBL writes the metrics of a
// table's runs from their outputs, one row per run; --run-table takes the same
// --collect and --csv to do so after its runs.
#include <QFileInfo>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>

#include "app/clistudy.h"
#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "shell/qtbytes.h"
#include "study/sweep.h"
#include "table/deckconstants.h"
#include "table/tablefile.h"

namespace cli {

namespace {

// The arguments after a command: "--name VALUE" options, flags and the files.
struct Arguments {
    QList<QPair<QString, QString>> values;
    QStringList flags;
    QStringList files;
    QString value(const QString& name) const {
        for (const auto& [n, v] : values)
            if (n == name) return v;
        return {};
    }
};

Arguments readArguments(const QString& command, const QStringList& arguments, const QStringList& withValue,
                        const QStringList& flags) {
    Arguments a;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& s = arguments[i];
        if (s.startsWith(QLatin1String("--"))) {
            if (flags.contains(s)) {
                a.flags << s;
            } else if (withValue.contains(s)) {
                if (i + 1 >= arguments.size()) throw Failure(QStringLiteral("%1: %2 needs a value").arg(command, s), 2);
                a.values.append({s, arguments[++i]});
            } else {
                throw Failure(QStringLiteral("%1: unknown option %2 (try --help)").arg(command, s), 2);
            }
        } else {
            a.files << s;
        }
    }
    return a;
}

// The table's deck as the table window finds it: the stored path, or the deck
// of the table's own base name beside it.
std::string tableDeck(const std::string& stored, const std::string& tablePath) {
    const std::string deck = table::resolveTableDeck(stored, tablePath, pal::app().programDir);
    if (table::ScanDeckConstants(deck)) return deck;
    const std::string beside = table::besideTableDeck(stored, tablePath);
    return table::ScanDeckConstants(beside) ? beside : deck;
}

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// "--collect: " for the command itself, "--run-table: --collect: " for others.
QString collectPrefix(const QString& command) {
    return command == QLatin1String("--collect") ? command + QStringLiteral(": ")
                                                 : command + QStringLiteral(": --collect: ");
}

}  // namespace

CollectRequest collectRequest(const QString& command, const QString& metrics, const QString& csv) {
    CollectRequest r;
    if (metrics.isNull() && csv.isNull()) return r;
    if (metrics.isNull()) throw Failure(command + QStringLiteral(": --csv needs --collect with the metrics"), 2);
    if (csv.isEmpty()) throw Failure(command + QStringLiteral(": --collect needs --csv FILE (- for the standard output)"), 2);
    try {
        r.metrics = study::parseMetricList(toBytes(metrics));
    } catch (const study::MetricError& e) {
        throw Failure(collectPrefix(command) + toQ(e.what()), 2);
    }
    r.csv = csv;
    r.wanted = true;
    return r;
}

int collectAndWrite(const QString& command, const CollectRequest& request, const table::TableData& table,
                    const std::vector<std::optional<std::string>>& knownFailure) {
    const std::vector<std::string> files = study::runPlotFiles(table);
    try {
        study::checkMetricColumns(request.metrics, files);
    } catch (const study::MetricError& e) {
        throw Failure(collectPrefix(command) + toQ(e.what()), 2);
    }
    const study::StudyResults results = study::collectTable(table, files, request.metrics, knownFailure);
    const std::string csv = study::resultsCsv(results);
    if (request.csv == QLatin1String("-")) {
        std::fwrite(csv.data(), 1, csv.size(), stdout);
        std::fflush(stdout);
    } else {
        pal::replaceFile(toBytes(request.csv), csv);
    }
    int failed = 0;
    for (const study::RunResult& r : results.runs) failed += r.failed;
    if (request.csv != QLatin1String("-"))
        say(std::to_string(results.runs.size() - std::size_t(failed)) + " of " + std::to_string(results.runs.size()) +
            " runs collected into " + toBytes(request.csv) +
            (failed ? "; " + std::to_string(failed) + " failed (see the status column)" : std::string()));
    return failed ? 1 : 0;
}

int collectResults(const QStringList& arguments) {
    const QString command = QStringLiteral("--collect");
    if (arguments.isEmpty() || arguments.first().startsWith(QLatin1String("--")))
        throw Failure(QStringLiteral("--collect needs the metrics, for example \"LEVEL:max,ENERGY:final\" (try --help)"), 2);
    const Arguments a = readArguments(command, arguments.mid(1), {QStringLiteral("--csv")}, {});
    if (a.files.size() != 1) throw Failure(QStringLiteral("--collect needs one table file (try --help)"), 2);
    const CollectRequest request = collectRequest(command, arguments.first(), a.value(QStringLiteral("--csv")));
    const QString tablePath = QFileInfo(a.files.first()).absoluteFilePath();
    if (request.csv != QLatin1String("-")) refuseOutputOverInput(command, {tablePath}, {QFileInfo(request.csv).absoluteFilePath()});
    table::TableFileContent content;
    try {
        content = table::readTableFile(toBytes(tablePath));
    } catch (const pal::IoError& e) {
        throw Failure(toQ(e.userText()).replace(QLatin1Char('\n'), QStringLiteral(": ")), 2);
    }
    content.table.deckPath = tableDeck(content.table.deckPath, toBytes(tablePath));
    return collectAndWrite(command, request, content.table, {});
}

int sweepTable(const QStringList& arguments) {
    const QString command = QStringLiteral("--sweep");
    if (arguments.isEmpty() || arguments.first().startsWith(QLatin1String("--")))
        throw Failure(QStringLiteral("--sweep needs the values, for example \"AREA=2:10:5,VTANK=200,300\" (try --help)"), 2);
    const Arguments a = readArguments(command, arguments.mid(1), {QStringLiteral("--lhs")},
                                      {QStringLiteral("--grid"), QStringLiteral("--oat")});
    if (a.files.size() != 2) throw Failure(QStringLiteral("--sweep needs a deck and a table file (try --help)"), 2);
    const int designs = int(a.flags.size()) + int(!a.value(QStringLiteral("--lhs")).isNull());
    if (designs > 1) throw Failure(QStringLiteral("--sweep: choose one of --grid, --oat and --lhs"), 2);
    const QString deck = QFileInfo(a.files[0]).absoluteFilePath(), tablePath = QFileInfo(a.files[1]).absoluteFilePath();
    refuseOutputOverInput(command, {deck}, {tablePath});

    study::SweepRequest request;
    std::vector<std::optional<long double>> base;
    study::SweepRuns runs;
    try {
        request.variables = study::parseSweepText(toBytes(arguments.first()));
        if (a.flags.contains(QStringLiteral("--oat"))) request.design = study::Design::OneAtATime;
        if (const QString lhs = a.value(QStringLiteral("--lhs")); !lhs.isNull()) {
            request.design = study::Design::LatinHypercube;
            std::tie(request.lhsRuns, request.seed) = study::parseHypercube(toBytes(lhs));
        }
        const auto constants = table::ScanDeckConstants(toBytes(deck));
        if (!constants)
            throw Failure(QStringLiteral("--sweep: %1 cannot be read or has no CONSTANTS").arg(a.files[0]), 2);
        std::vector<std::string> names;
        for (const study::ValueSpec& v : request.variables) {
            bool found = false;
            for (const table::DeckVariable& c : *constants) found = found || pal::equalsNoCase(pal::trim(c.name), v.name);
            if (!found) throw study::SweepError(v.name + " is not a constant of " + toBytes(a.files[0]));
            names.push_back(v.name);
        }
        base = study::deckBaseValues(toBytes(deck), names);
        runs = study::makeRuns(request, base);
    } catch (const study::SweepError& e) {
        throw Failure(command + QStringLiteral(": ") + toQ(e.what()), 2);
    }

    const table::TableData empty(toBytes(deck), runs.names, 0);
    const int parts = study::tablesNeeded(runs.runs.size());
    for (int p = 1; p <= parts; ++p) {
        table::TableData t = empty;
        study::fillTable(t, runs, std::size_t(p - 1) * table::kMaxRuns, table::kMaxRuns, false, {});
        t.runDeckNames.assign(std::size_t(t.rows()), std::string());
        const std::string path = parts == 1 ? toBytes(tablePath) : study::partTablePath(toBytes(tablePath), p);
        table::writeTableFile(path, t, table::TablePlacement{});
        say(path + ": " + std::to_string(t.runs()) + " runs of " + std::to_string(t.variables()) + " variables");
    }
    if (parts > 1)
        say(std::to_string(runs.runs.size()) + " runs need " + std::to_string(parts) +
            " tables (a table holds at most 99 runs): run them one after another or together on Slurm");
    return 0;
}

int runTableAndCollect(const QStringList& arguments) {
    const QString command = QStringLiteral("--run-table");
    // --collect and --csv are ours; the rest goes to the table run.
    QStringList rest;
    QString metrics, csv;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString* into = a == QLatin1String("--collect") || a.startsWith(QLatin1String("--collect=")) ? &metrics
                        : a == QLatin1String("--csv") || a.startsWith(QLatin1String("--csv="))       ? &csv
                                                                                                      : nullptr;
        if (!into) {
            rest << a;
        } else if (a.contains(QLatin1Char('='))) {
            *into = a.section(QLatin1Char('='), 1);
        } else if (i + 1 < arguments.size()) {
            *into = arguments[++i];
        } else {
            throw Failure(QStringLiteral("%1: %2 needs a value").arg(command, a), 2);
        }
    }
    const CollectRequest request = collectRequest(command, metrics, csv);
    if (!request.wanted) return runTableFile(rest);
    if (rest.isEmpty() || rest.first().startsWith(QLatin1String("--"))) return runTableFile(rest);
    const QString tablePath = QFileInfo(rest.first()).absoluteFilePath();
    if (request.csv != QLatin1String("-"))
        refuseOutputOverInput(command, {tablePath}, {QFileInfo(request.csv).absoluteFilePath()});

    // Plot data older than this table run was not written by it (a run that
    // wrote none leaves an earlier run's file); two seconds spare the coarse
    // clocks of file systems.
    const std::time_t started = std::time(nullptr) - 2;
    const int code = runTableFile(rest);
    if (code == 2) return code;  // nothing was run
    table::TableFileContent content;
    try {
        content = table::readTableFile(toBytes(tablePath));
    } catch (const pal::IoError& e) {
        throw Failure(toQ(e.userText()).replace(QLatin1Char('\n'), QStringLiteral(": ")), 2);
    }
    content.table.deckPath = tableDeck(content.table.deckPath, toBytes(tablePath));
    const std::vector<std::string> files = study::runPlotFiles(content.table);
    std::vector<std::optional<std::string>> known(files.size());
    for (std::size_t i = 1; i < files.size(); ++i) {
        struct stat st {};
        if (!files[i].empty() && ::stat(files[i].c_str(), &st) == 0 && st.st_mtime < started)
            known[i] = pal::fileNamePart(files[i]) + " is older than this table run: the run wrote no plot data";
    }
    return std::max(code, collectAndWrite(command, request, content.table, known));
}

}  // namespace cli
