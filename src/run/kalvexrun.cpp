#include "run/kalvexrun.h"

#include <QDir>
#include <QPointer>
#include <QStringList>
#include <memory>

#include "common/bytes.h"
#include "common/configdir.h"
#include "common/filelookup.h"
#include "run/runsettings.h"
#include "run/runwatch.h"
#include "shell/compilin.h"
#include "common/ioerror.h"
#include "shell/docwindow.h"
#include "shell/workbench.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"
#include "common/settings.h"

namespace run {

namespace {


QStringList qArguments(const Command& c) {
    QStringList list;
    for (const auto& a : c.arguments) list << toQ(a);
    return list;
}

// Puts the working directory back however a command ends.
class WorkingDirectoryGuard {
public:
    WorkingDirectoryGuard() : saved_(QDir::currentPath()) {}
    ~WorkingDirectoryGuard() { QDir::setCurrent(saved_); }
    WorkingDirectoryGuard(const WorkingDirectoryGuard&) = delete;
    WorkingDirectoryGuard& operator=(const WorkingDirectoryGuard&) = delete;

private:
    QString saved_;
};

// An existing file in any letter case, else the name as built.
std::string existingOrAsBuilt(const std::string& path) { return pal::findFile(path).value_or(path); }

// Starts without waiting; the message text follows "Error n" on failure.
bool startDetached(const Command& c, const QString& failureText) {
    const LaunchResult r = seams().launcher->startDetached(toQ(c.program), qArguments(c));
    if (!r.started) ShowAlert(QStringLiteral("Error %1").arg(r.error) + failureText, AlertKind::Error, true);
    return r.started;
}

// The two messages of a start that failed.
void reportStartFailure(const Command& command, const LaunchResult& r) {
    const QString name = toQ(command.program);
    if (r.error == 2)
        ShowAlert(QStringLiteral("File ") + name + QStringLiteral(" was not found."), AlertKind::Error, true);
    else
        ShowAlert(QStringLiteral("Error %1 encountered while trying to call ").arg(r.error) + name, AlertKind::Error, true);
}

// A tool whose command line is empty: nothing to start, and the user is told
// where to set one. True when the command is set.
bool commandIsSet(const std::string& command, const char* what, const char* field) {
    if (!pal::trim(command).empty()) return true;
    ShowAlert(QStringLiteral("No %1 command is set. Give one in File > Setup, page Compile, field \"%2\".")
                  .arg(QLatin1String(what), QLatin1String(field)),
              AlertKind::Information, false);
    return false;
}

}  // namespace

bool ExecAndWait(const Command& command) {
    const LaunchResult r = seams().launcher->runAndWait(toQ(command.program), qArguments(command));
    if (!r.started) reportStartFailure(command, r);
    return true;
}

bool ExecAndWaitStoppable(const Command& command, const std::function<bool()>& stopRequested) {
    const LaunchResult r = seams().launcher->runStoppable(toQ(command.program), qArguments(command), stopRequested, kStopGraceMs);
    if (!r.started) reportStartFailure(command, r);
    return r.stopped;
}

bool RunEngineStoppable(const Command& command, TCompiling* progress) {
    if (progress) progress->beginRun();
    const auto stopRequested = [progress] { return progress && progress->stopRequested(); };
    const LaunchResult r =
        seams().launcher->runStoppable(toQ(command.program), qArguments(command), stopRequested, kStopGraceMs);
    if (progress) progress->endRun();
    if (!r.started) reportStartFailure(command, r);
    return r.stopped;
}

bool ExecAndWait(const QString& commandLine) { return ExecAndWait(parseCommandLine(toBytes(commandLine))); }

void CheckKalvexDirectory() {
    auto& a = pal::app();
    if (!pal::directoryExists(a.settings.kalvexDir)) a.settings.kalvexDir = a.programDir;
}

QString EnginePath() {
    const auto& a = pal::app();
    const std::string inDir = programInDirectory(a.settings.kalvexDir, "KALVEX32.exe");
    if (const auto found = pal::findFile(inDir)) return toQ(*found);
    // The installation's own engine lives with the installed programs.
    if (a.settings.kalvexDir == a.programDir) {
        const std::string programs = pal::installedProgramDir(a.programDir);
        if (!programs.empty())
            if (const auto found = pal::findFile(programInDirectory(programs, "KALVEX32.exe"))) return toQ(*found);
    }
    return toQ(inDir);
}

bool LocateEngine(QString& enginePath) {
    enginePath = EnginePath();
    if (pal::fileExists(toBytes(enginePath))) return true;
    const auto chosen = seams().dialogs->chooseDirectory(QStringLiteral("Select the directory of KALVEX32.exe"));
    if (!chosen) return false;
    pal::app().settings.kalvexDir = toBytes(*chosen);
    enginePath = EnginePath();
    return true;
}

RunObservers& runObservers() {
    static RunObservers observers;
    return observers;
}

void Calculate(Workbench& bench) {
    QPointer<TDocWindow> window = bench.activeDocument();
    const int kind = window ? window->Tag() : 0;
    QString deck;
    QString before, after;
    if (kind == Kind::DeckEditor || kind == Kind::QuivetEditor || kind == Kind::QuivetForm) {
        deck = window->fileName();
        // The engine must not run on a file that was meant to be saved first.
        if (!window->offerSaveBefore(QStringLiteral("calling KALVEX"))) return;
    }
    if (kind == Kind::QuivetForm) {
        // Taken now: the form may be closed while the engine runs.
        before = window->beforeCommand();
        after = window->afterCommand();
    }

    WorkingDirectoryGuard cwd;
    CheckKalvexDirectory();
    if (before.size() > 4) ExecAndWait(before);

    // The result files are watched while the engine writes them.
    std::unique_ptr<RunWatch> watch;
    if (!deck.isEmpty()) watch = std::make_unique<RunWatch>(bench, deck, bench.progressWindow());
    QString engine;
    if (!LocateEngine(engine)) return;
    passEngineSwitches();
    const QDateTime started = QDateTime::currentDateTime();
    if (runObservers().starting) runObservers().starting(deck);
    const bool stopped = RunEngineStoppable(engineCommand(toBytes(engine), toBytes(deck)), bench.progressWindow());

    bench.takeRunResults(deck);
    if (watch) watch->finish();
    if (runObservers().finished) runObservers().finished(deck, started);
    if (stopped) {
        // The files stay as the engine left them; the listing and results shown
        // may be those of an earlier run.
        ShowAlert(QStringLiteral("The KALVEX run of ") + (deck.isEmpty() ? QStringLiteral("(no deck)") : deck) +
                      QStringLiteral(" was stopped.\nThe files it had written are kept; its listing and results may "
                                     "be incomplete or from an earlier run."),
                  AlertKind::Information, false);
    } else if (after.size() > 4) {
        ExecAndWait(after);
    }
}

void CompileModule(Workbench& bench) {
    TDocWindow* window = bench.activeDocument();
    if (!window) return;  // the item is enabled only for an editor
    const QString file = window->fileName();
    if (!commandIsSet(pal::app().settings.compileCommand, "compile", "Compile")) return;
    startDetached(commandWithArgument(pal::app().settings.compileCommand, toBytes(file)),
                  QStringLiteral(" encountered while trying to compile ") + file);
}

void RebuildKALVEX() {
    const std::string& command = pal::app().settings.rebuildCommand;
    if (!commandIsSet(command, "rebuild", "Rebuild")) return;
    startDetached(parseCommandLine(command), QStringLiteral(" encountered while trying to execute ") + toQ(command));
}

void ExecuteCommand() {
    auto& settings = pal::app().settings;
    if (pal::app().quivetMode) {
        const auto text = seams().dialogs->inputBox(QStringLiteral("User Command"), QStringLiteral("Execute User Command"),
                                                    toQ(settings.userCommand), 255);
        if (!text) return;
        settings.userCommand = toBytes(*text);
        if (pal::trim(settings.userCommand).empty()) return;  // nothing typed: nothing to run
    }
    if (!commandIsSet(settings.userCommand, "user", "User Command")) return;
    startDetached(parseCommandLine(settings.userCommand),
                  QStringLiteral(" encountered while trying to execute ") + toQ(settings.userCommand));
}

namespace {

struct UtilityItem {
    std::string* directory;
    const char* program;
    const char* name;
};

UtilityItem utilityItem(Utility which) {
    auto& a = pal::app();
    switch (which) {
    case Utility::Mordax:
        return {&a.settings.mordaxDir, a.velmora ? "Splash.exe" : "MORDAX.exe", a.velmora ? "VELMORA" : "MORDAX"};
    case Utility::Teklor: return {&a.settings.teklorDir, "TEKLOR.exe", "TEKLOR"};
    case Utility::Ulm: return {&a.settings.ulmDir, "ULMWIN.exe", "ULM"};
    case Utility::Gask: return {&a.settings.gaskDir, "GASK.exe", "GASK"};
    case Utility::Zobrel: return {&a.settings.zobrelDir, "Zobrel.exe", "ZOBRELANT"};
    }
    return {&a.settings.mordaxDir, "MORDAX.exe", "MORDAX"};
}

}  // namespace

QString utilityName(Utility which) { return QLatin1String(utilityItem(which).name); }

void StartUtility(Utility which) {
    const UtilityItem item = utilityItem(which);

    WorkingDirectoryGuard cwd;
    if (!pal::directoryExists(*item.directory)) {
        const auto chosen =
            seams().dialogs->chooseDirectory(QStringLiteral("Select the directory of ") + QLatin1String(item.name));
        if (!chosen) return;
        *item.directory = toBytes(*chosen);
    }
    QDir::setCurrent(toQ(*item.directory));
    const Command command{existingOrAsBuilt(programInDirectory(*item.directory, item.program)), {}};
    startDetached(command, QStringLiteral(" encountered while trying to call ") + QLatin1String(item.name));
}

void OpenHelpFile(HelpFile which) {
    const char* file = "KALVEX.Hlp";
    switch (which) {
    case HelpFile::PalumaroIndex: file = "KALVEX.Hlp"; break;
    case HelpFile::TypesIndex: file = "Types.Hlp"; break;
    case HelpFile::KalvexIndex: file = "Typeindx.Hlp"; break;
    case HelpFile::ErrorMessages: file = "Error.Hlp"; break;
    }
    const std::string path = programInDirectory(pal::app().programDir, file);
    const auto found = pal::findFile(path);
    if (!found) {
        ShowAlert(QStringLiteral("Help file ") + toQ(path) + QStringLiteral(" was not found."), AlertKind::Error, true);
        return;
    }
    if (!seams().launcher->openDocument(toQ(*found)))
        ShowAlert(QStringLiteral("No program is set up to show the help file ") + toQ(*found) + QStringLiteral("."), AlertKind::Error,
                  true);
}

}  // namespace run
