// PALUMARO: start-up. Decides the mode from the name the program was started by,
// reads the settings, shows the main window and enters the event loop.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <cstdlib>
#include <exception>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "shell/appicon.h"
#include "shell/fonts.h"
#include "shell/palumaro.h"
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
    app.programDir = toBytes(QDir::cleanPath(QCoreApplication::applicationDirPath()));

    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setApplicationName(QStringLiteral("PALMRO32"));

    TPALUMAROFORM mainForm;
    if (mainForm.startFailed()) return 1;
    QApplication::restoreOverrideCursor();
    mainForm.showMaximized();
    // Without a window manager (a bare X server) nothing maximises the frame:
    // give it the screen's working area then.
    if (QScreen* screen = mainForm.screen()) {
        const QRect area = screen->availableGeometry();
        QApplication::processEvents();
        if (mainForm.width() < area.width() / 2) mainForm.setGeometry(area);
    }
    mainForm.startUp();
    return QApplication::exec();
}
