// PALUMARO: start-up. Decides the mode from the name the program was started by,
// reads the settings, shows the main window and enters the event loop.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/cli.h"
#include "common/bytes.h"
#include "common/configdir.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "shell/appicon.h"
#include "mainwindow/desktopintegration.h"
#include "shell/fonts.h"
#include "mainwindow/palumaro.h"
#include "shell/seams.h"
#include "common/settings.h"
#include "shell/qtbytes.h"

namespace {

// The one top-level handler: a failed file operation ends the command that met
// it, never the program.
class PalumaroApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const pal::IoError& e) {
            ShowIoError(e);
        } catch (const std::exception& e) {
            ShowAlert(toQ(e.what()), AlertKind::Error, true);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    // A headless command (--run, --run-table, --plot, ...) needs no display.
    const cli::Command* headless = cli::headlessCommand(argc, argv);
    if (headless) {
        cli::prepareHeadless();
    } else if (const QString bad = cli::unknownOption(argc, argv); !bad.isEmpty()) {
        std::fprintf(stderr, "palumaro: unknown option %s (try --help)\n", toBytes(bad).c_str());
        return 2;
    }
    PalumaroApplication application(argc, argv);
    installRealSeams();
    installFontSubstitutions();
    QApplication::setWindowIcon(makeAppIcon());

    // The start path as a shell found it, links not resolved (a link named quivet
    // starts QUIVET mode, also through PATH); the installation files live beside
    // the real executable.
    auto& app = pal::app();
    const char* pathVariable = std::getenv("PATH");
    app.programPath = pal::upper(pal::startPath(argv[0], pathVariable ? pathVariable : "",
                                                toBytes(QDir::currentPath())));
    app.quivetMode = pal::isQuivetPath(app.programPath);
    app.programDir = pal::installationDir(toBytes(QDir::cleanPath(QCoreApplication::applicationDirPath())));

    // The command line (Qt's own options already taken out of argv).
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << toQ(argv[i]);
    if (headless) return cli::runHeadless(*headless, arguments);
    QStringList files;
    try {
        files = cli::filesToOpen(arguments);
    } catch (const cli::Failure& f) {
        std::fprintf(stderr, "palumaro: %s\n", f.what());
        return f.exitCode();
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setApplicationName(QStringLiteral("PALMRO32"));

    TPALUMAROFORM mainForm;
    if (mainForm.startFailed()) return 1;
    QApplication::restoreOverrideCursor();
    mainForm.desktop()->showMainWindow();
    mainForm.startFiles = files;
    mainForm.startUp();
    return QApplication::exec();
}
