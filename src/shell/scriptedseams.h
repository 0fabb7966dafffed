// Scripted stand-ins for the seams, for tests and benchmarks: they record what the
// program asked and answer from a script, so no window ever waits for a person.
#pragma once
#include <QVector>
#include <deque>
#include <functional>

#include "shell/seams.h"

// The program's own launcher, fetched without disturbing the installed seams.
LauncherService* realLauncher();

class ScriptedAlerts : public AlertService {
public:
    struct Shown {
        QString text;
        AlertKind kind;
        bool beep;
    };
    QVector<Shown> shown;
    std::deque<AlertButton> answers;  // used in order; when empty: the default button
    int beeps = 0;                    // beeps of beep() and of alerts with beep set

    AlertButton show(const QString& text, AlertKind kind, bool beep) override;
    void beep() override { ++beeps; }
    QString lastText() const { return shown.isEmpty() ? QString() : shown.back().text; }
};

class ScriptedDialogs : public DialogService {
public:
    QVector<FileDialogRequest> fileRequests;
    std::deque<std::optional<FileDialogResult>> fileAnswers;  // empty queue: cancel
    int directoryRequests = 0;
    std::deque<std::optional<QString>> directoryAnswers;
    std::deque<std::optional<QString>> inputAnswers;
    QStringList inputRequests;  // captions
    // Called for each of our own modal dialogs; it may set fields and must return
    // the result. Without a handler the dialog is rejected.
    std::function<int(QDialog&)> onDialog;
    QStringList dialogsShown;  // objectName or class name of each
    int pageSetups = 0;

    std::optional<FileDialogResult> getFile(const FileDialogRequest& request) override;
    std::optional<QString> chooseDirectory(const QString& title) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& text,
                                    int maxLength) override;
    int execDialog(QDialog& dialog) override;
    bool pageSetup(QPrinter& printer) override;
};

// Records every start; either runs nothing (reporting success with exit code 0)
// or hands the start to the real launcher.
class RecordingLauncher : public LauncherService {
public:
    struct Call {
        QString program;
        QStringList arguments;
        bool waited;
    };
    QVector<Call> calls;
    QStringList documents;
    bool runForReal = false;
    std::optional<LaunchResult> forcedResult;  // answer every start with this

    LaunchResult runAndWait(const QString& program, const QStringList& arguments) override;
    LaunchResult runStoppable(const QString& program, const QStringList& arguments,
                              const std::function<bool()>& stopRequested, int graceMs) override;
    LaunchResult startDetached(const QString& program, const QStringList& arguments) override;
    // Recorded as waited for; the child runs (a table run's engine).
    void startChild(QProcess& process) override;
    bool openDocument(const QString& path) override;
};

class FixedClock : public ClockService {
public:
    QDateTime fixed{QDate(2026, 12, 7), QTime(9, 30, 15)};
    QDateTime now() override { return fixed; }
};

// Installs all four scripted services for the lifetime of the object and puts the
// previous ones back afterwards.
class ScriptedSeams {
public:
    ScriptedSeams();
    ~ScriptedSeams();
    ScriptedSeams(const ScriptedSeams&) = delete;
    ScriptedSeams& operator=(const ScriptedSeams&) = delete;

    ScriptedAlerts alerts;
    ScriptedDialogs dialogs;
    RecordingLauncher launcher;
    FixedClock clock;

private:
    Seams previous_;
};
