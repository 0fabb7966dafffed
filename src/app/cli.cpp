#include "app/cli.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

#include "common/cmdline.h"
#include "common/ioerror.h"
#include "common/samefile.h"
#include "run/runsettingsstore.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "common/settings.h"

namespace cli {

namespace {

int printVersion(const QStringList&);
int printHelp(const QStringList&);

const Command kCommands[] = {
    {"--run", "--run DECK", "run the engine on a deck as KALVEX > Calculate does; the exit code is the engine's",
     &runDeck},
    {"--plot", "--plot FILE.PMX --png|--svg|--pdf|--csv OUT [--size WxH]",
     "render a saved plot into an image, a document or a table (--size: the pixels of a PNG)", &renderSavedPlot},
    {"--new-plot", "--new-plot FILE.PLT --x COL --y COL[,COL...] --png OUT [--size WxH]",
     "plot columns of plot data (COL: a column name or number)", &renderNewPlot},
    {"--run-table", "--run-table TABLE.TBL [--jobs N | --slurm] [--collect METRICS --csv RESULTS.csv]",
     "run every run of a table file, N at a time on this machine or on a Slurm cluster (default: the setup's "
     "table-run settings); one line per run as it ends, exit code 1 when a run failed; with --collect, then the "
     "metrics of the runs into the CSV as --collect writes it",
     &runTableAndCollect},
    {"--compare", "--compare REF NEW [--abs A] [--rel R] [--report DIR]",
     "compare new results with reference ones (plot data variable by variable, listings and output tables as text; "
     "two folders: every file in both); a value differs where |new - ref| > max(A, R*|ref|) (default A 1e-6, "
     "R 1e-3); one line per difference; exit code 0 within the tolerance, 1 differs, 2 not compared",
     &compareResults},
    {"--sweep", "--sweep \"AREA=2:10:5,VTANK=200,300\" [--grid | --oat | --lhs N[:SEED]] DECK.DCK TABLE.TBL",
     "write a run table of the deck's constants from lists (200,300) and ranges (FROM:TO:COUNT, FROM:TO:COUNT:log): "
     "every combination (--grid, the default), one variable at a time with the others at the deck's values (--oat), "
     "or a Latin hypercube of N runs (--lhs, the same seed gives the same table); past 99 runs TABLE_1.TBL, "
     "TABLE_2.TBL, ...; exit code 2 for bad values",
     &sweepTable},
    {"--collect", "--collect \"LEVEL:max,ENERGY:final,LEVEL:at=12\" --csv RESULTS.csv TABLE.TBL",
     "collect metrics of plot data columns from the outputs of a table's runs into a CSV (run, the variables, the "
     "metrics, status; - writes to the standard output); metrics: final, min, max, mean, integral, xatmax, xatmin, "
     "at=X; exit code 1 when a run failed (its cells stay empty), 2 for a bad metric or a missing column",
     &collectResults},
    {"--version", "--version", "print the program's version", &printVersion},
    {"--help", "--help", "print this help", &printHelp},
};

QString programName() {
    return pal::app().quivetMode ? QStringLiteral("quivet") : QStringLiteral("palumaro");
}

int printVersion(const QStringList& arguments) {
    if (!arguments.isEmpty()) throw Failure(QStringLiteral("--version takes no argument"), 2);
    std::printf("%s %s\n", pal::app().quivetMode ? "QUIVET" : "PALUMARO", "1.80");
    return 0;
}

int printHelp(const QStringList&) {
    const QString name = programName();
    QString text = QStringLiteral("Usage: %1 [FILE...]\n"
                                  "       %1 COMMAND\n\n"
                                  "Without a command the program opens its window and each FILE as File > Open would.\n\n"
                                  "Commands (no display needed):\n")
                       .arg(name);
    for (const Command& c : kCommands)
        text += QStringLiteral("  %1\n      %2\n").arg(QLatin1String(c.synopsis), QLatin1String(c.summary));
    std::fputs(toBytes(text).c_str(), stdout);
    return 0;
}

}  // namespace

const Command* headlessCommand(int argc, char** argv) {
    if (argc < 2) return nullptr;
    for (const Command& c : kCommands)
        if (std::strcmp(argv[1], c.option) == 0) return &c;
    if (std::strcmp(argv[1], "-h") == 0) return &kCommands[std::size(kCommands) - 1];
    return nullptr;
}

QString unknownOption(int argc, char** argv) {
    const std::string option = pal::firstLongOption(std::vector<std::string>(argv, argv + argc));
    return option.empty() ? QString() : toQ(pal::shownArgument(option));
}

void prepareHeadless() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A script reads stderr for our one error line: the platform's notes (no
    // runtime directory, offscreen size hints) stay out of it.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", toBytes(text).c_str());
    });
}

namespace {
// No message box without a display: a message that would have been shown goes
// to stderr, and every question is answered No (Cancel).
class ConsoleAlerts : public AlertService {
public:
    AlertButton show(const QString& text, AlertKind kind, bool) override {
        QString line = text;
        line.replace(QLatin1Char('\n'), QStringLiteral(": "));
        std::fprintf(stderr, "%s: %s\n", toBytes(programName()).c_str(), toBytes(line).c_str());
        switch (kind) {
        case AlertKind::Error:
        case AlertKind::ErrorOk:
        case AlertKind::WarningOk:
        case AlertKind::Information: return AlertButton::Ok;
        case AlertKind::Warning:
        case AlertKind::SaveQuestion: return AlertButton::Cancel;
        default: return AlertButton::No;
        }
    }
    void beep() override {}
};
}  // namespace

int runHeadless(const Command& command, const QStringList& applicationArguments) {
    static ConsoleAlerts console;
    seams().alerts = &console;
    try {
        return command.run(applicationArguments.mid(2));
    } catch (const Failure& f) {
        std::fprintf(stderr, "%s: %s\n", toBytes(programName()).c_str(), f.what());
        return f.exitCode();
    } catch (const pal::IoError& e) {
        // The file and the system's wording, on one line.
        QString text = toQ(e.path().empty() ? std::string(e.what()) : e.path() + ": " + e.what());
        text.replace(QLatin1Char('\n'), QStringLiteral("; "));
        std::fprintf(stderr, "%s: %s\n", toBytes(programName()).c_str(), toBytes(text).c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", toBytes(programName()).c_str(), e.what());
        return 1;
    }
}

namespace {
std::vector<std::string> bytesOf(const QStringList& list) {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(list.size()));
    for (const QString& s : list) out.push_back(toBytes(s));
    return out;
}
}  // namespace

QStringList filesToOpen(const QStringList& applicationArguments) {
    try {
        QStringList files;
        for (const std::string& f : pal::filesOnCommandLine(bytesOf(applicationArguments)))
            files << QFileInfo(toQ(f)).absoluteFilePath();
        return files;
    } catch (const pal::CommandLineError& e) {
        throw Failure(toQ(e.what()), 2);
    }
}

QString Options::value(const QString& name) const {
    for (const auto& [n, v] : pairs)
        if (n == name) return v;
    return {};
}

bool Options::has(const QString& name) const { return flags.contains(name); }

Options parseOptions(const QString& command, const QStringList& arguments, const QStringList& known,
                     const QStringList& knownFlags) {
    try {
        const pal::CommandOptions parsed =
            pal::parseCommandOptions(toBytes(command), bytesOf(arguments), bytesOf(known), bytesOf(knownFlags));
        Options o;
        o.positional = toQ(parsed.positional);
        for (const auto& [name, value] : parsed.pairs) o.pairs.append({toQ(name), toQ(value)});
        for (const std::string& f : parsed.flags) o.flags << toQ(f);
        return o;
    } catch (const pal::CommandLineError& e) {
        throw Failure(toQ(e.what()), 2);
    }
}

void refuseOutputOverInput(const QString& command, const QStringList& inputs, const QStringList& outputs) {
    std::vector<std::string> in, out;
    for (const QString& f : inputs) in.push_back(toBytes(f));
    for (const QString& f : outputs) out.push_back(toBytes(f));
    if (const auto refusal = pal::outputOverInput(in, out)) throw Failure(command + QStringLiteral(": ") + toQ(*refusal), 2);
}

void readSettings(int exitCodeWhenMissing) {
    const run::SettingsReading r = run::readProgramSettings();
    if (!r.missing.empty()) throw Failure(toQ(r.missing), exitCodeWhenMissing);
    if (r.damaged) {
        QString text = toQ(r.damaged->userText());
        text.replace(QLatin1Char('\n'), QStringLiteral(": "));
        std::fprintf(stderr, "%s: %s; the default settings are used\n", toBytes(programName()).c_str(),
                     toBytes(text).c_str());
    }
}

}  // namespace cli
