// palumaro --run DECK: the engine on a deck as KALVEX > Calculate starts it (the
// engine found through the settings, the deck one argument), without a window.
#include <QFileInfo>
#include <QProcess>

#include "app/cli.h"
#include "run/commandline.h"
#include "run/kalvexrun.h"
#include "run/runplan.h"
#include "run/runsettings.h"
#include "shell/qtbytes.h"

namespace cli {

int runDeck(const QStringList& arguments) {
    if (arguments.size() != 1) throw Failure(QStringLiteral("--run takes one deck (try --help)"), 2);
    const QFileInfo deck(arguments.first());
    if (deck.isDir()) throw Failure(arguments.first() + QStringLiteral(": is a folder, not a deck"));
    if (!deck.isFile()) throw Failure(arguments.first() + QStringLiteral(": No such file"));
    // The engine writes its results beside the deck, or where ASSIGN says.
    const run::RunResultFiles results = run::planRuns({toBytes(deck.absoluteFilePath())}).results.front();
    refuseOutputOverInput(QStringLiteral("--run"), {deck.absoluteFilePath()},
                          {toQ(results.listing), toQ(results.output), toQ(results.plot)});
    readSettings(1);
    run::CheckKalvexDirectory();
    run::passEngineSwitches();
    const QString engine = run::EnginePath();
    if (!QFileInfo(engine).isFile()) throw Failure(engine + QStringLiteral(": the engine was not found"));

    const run::Command command = run::engineCommand(toBytes(engine), toBytes(deck.absoluteFilePath()));
    QProcess process;
    process.setProgram(toQ(command.program));
    QStringList args;
    for (const auto& a : command.arguments) args << toQ(a);
    process.setArguments(args);
    // The engine's own messages reach the caller as they come.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted(-1)) throw Failure(engine + QStringLiteral(": ") + process.errorString());
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit) throw Failure(engine + QStringLiteral(" crashed"));
    return process.exitCode();
}

}  // namespace cli
