#include "shell/scriptedseams.h"

#include <QDialog>
#include <QProcess>

LauncherService* realLauncher() {
    const Seams saved = seams();
    installRealSeams();
    LauncherService* real = seams().launcher;
    seams() = saved;
    return real;
}

AlertButton ScriptedAlerts::show(const QString& text, AlertKind kind, bool beep) {
    shown.push_back({text, kind, beep});
    if (beep) ++beeps;
    if (!answers.empty()) {
        const AlertButton a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (kind) {
        case AlertKind::ErrorYesNo:
        case AlertKind::WarningYesNo:
        case AlertKind::WarningYesNo2:
        case AlertKind::SaveQuestion: return AlertButton::Yes;
        default: return AlertButton::Ok;
    }
}

std::optional<FileDialogResult> ScriptedDialogs::getFile(const FileDialogRequest& request) {
    fileRequests.push_back(request);
    if (fileAnswers.empty()) return std::nullopt;
    auto a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

std::optional<QString> ScriptedDialogs::chooseDirectory(const QString&) {
    ++directoryRequests;
    if (directoryAnswers.empty()) return std::nullopt;
    auto a = directoryAnswers.front();
    directoryAnswers.pop_front();
    return a;
}

std::optional<QString> ScriptedDialogs::inputBox(const QString& caption, const QString&, const QString&, int) {
    inputRequests.push_back(caption);
    if (inputAnswers.empty()) return std::nullopt;
    auto a = inputAnswers.front();
    inputAnswers.pop_front();
    return a;
}

int ScriptedDialogs::execDialog(QDialog& dialog) {
    dialogsShown.push_back(dialog.objectName().isEmpty() ? QString::fromLatin1(dialog.metaObject()->className())
                                                         : dialog.objectName());
    return onDialog ? onDialog(dialog) : QDialog::Rejected;
}

bool ScriptedDialogs::pageSetup(QPrinter&) {
    ++pageSetups;
    return true;
}

LaunchResult RecordingLauncher::runAndWait(const QString& program, const QStringList& arguments) {
    calls.push_back({program, arguments, true});
    if (forcedResult) return *forcedResult;
    if (runForReal) return realLauncher()->runAndWait(program, arguments);
    return LaunchResult{true, 0, 0};
}

LaunchResult RecordingLauncher::runStoppable(const QString& program, const QStringList& arguments,
                                             const std::function<bool()>& stopRequested, int graceMs) {
    calls.push_back({program, arguments, true});
    if (forcedResult) return *forcedResult;
    if (runForReal) return realLauncher()->runStoppable(program, arguments, stopRequested, graceMs);
    return LaunchResult{true, 0, 0};
}

LaunchResult RecordingLauncher::startDetached(const QString& program, const QStringList& arguments) {
    calls.push_back({program, arguments, false});
    if (forcedResult) return *forcedResult;
    return LaunchResult{true, 0, 0};
}

void RecordingLauncher::startChild(QProcess& process) {
    calls.push_back({process.program(), process.arguments(), true});
    process.start();
}

bool RecordingLauncher::openDocument(const QString& path) {
    documents.push_back(path);
    return true;
}

ScriptedSeams::ScriptedSeams() : previous_(seams()) {
    seams() = Seams{&alerts, &dialogs, &launcher, &clock};
}

ScriptedSeams::~ScriptedSeams() { seams() = previous_; }
