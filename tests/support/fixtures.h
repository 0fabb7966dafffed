// The set-ups window tests share: a window or dialog on its own in a scratch
// program directory, or a main window started on a fresh workspace; both with
// the scripted services (alerts, dialogs, launcher, clock) in place of the real
// ones.
#pragma once
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "mainwindow/palumaro.h"
#include "shell/scriptedseams.h"

class QDialog;
class QListWidget;

namespace testsupport {

// For tests of one window or dialog without the main window. A test class
// derives from this (after QObject), calls startProgramDir() in its init() and
// endProgramDir() in its cleanup().
class ProgramDirFixture {
protected:
    QTemporaryDir tmp_;
    QString dir_;
    std::unique_ptr<ScriptedSeams> seams_;

    // A fresh directory with no "." in its path, prepared as the program
    // directory, and the scripted services installed.
    void startProgramDir();
    // Puts the real services and document factories back and removes dir_.
    void endProgramDir();

    QString path(const QString& name) const { return dir_ + QLatin1Char('/') + name; }
};

// A test class derives from this (after QObject), calls startMainWindow() in
// its init() and endMainWindow() in its cleanup().
class MainWindowFixture {
protected:
    QTemporaryDir tmp_;
    QString prog_, work_;
    std::unique_ptr<ScriptedSeams> seams_;
    std::unique_ptr<TPALUMAROFORM> form_;

    enum class Engine { None, Linked };
    // Makes the workspace (the build's stand-in engine linked into the program
    // directory when asked), installs the scripted services, creates and starts
    // the main window and makes the working directory current.
    void startMainWindow(Engine engine = Engine::None);

    enum class Ending { CloseWindowsFirst, AnswerNoToEveryQuestion };
    // Ends the main window (its document windows closed without a question
    // first, as File > Exit ends them, or each asking and answered No), puts the
    // real services and document factories back and removes the workspace.
    void endMainWindow(Ending ending = Ending::CloseWindowsFirst);

    ScriptedAlerts& alerts() { return seams_->alerts; }
    ScriptedDialogs& dialogs() { return seams_->dialogs; }
    RecordingLauncher& launcher() { return seams_->launcher; }

    // Adds w to the main window as its active document window.
    template <class W>
    W* openDocWindow(W* w) {
        form_->addDocWindow(w);
        form_->setActiveDocWindow(w);
        return w;
    }

    // Writes bytes as the plot data file DATA.PLT in the working directory and
    // makes it the main window's plot data.
    void usePlotData(const QByteArray& bytes);

    // Runs command with every dialog it shows answered by answer (which
    // returns the dialog's result); no answer is left in place afterwards.
    void answeringDialogs(const std::function<int(QDialog&)>& answer, const std::function<void()>& command);
};

// Selects exactly the items of l whose texts, trimmed, are among names.
void selectItems(QListWidget* l, const QStringList& names);

}  // namespace testsupport
