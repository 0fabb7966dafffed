// The seams between the program and everything a test cannot drive by hand:
// message boxes, file and directory dialogs, input boxes, our own modal dialogs,
// child processes and the clock. The program installs the real services at
// start-up; tests install the scripted ones of scriptedseams.h.
#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QDialog;
class QPrinter;
class QProcess;

// Message-box kinds, numbered as the program has always numbered them.
enum class AlertKind {
    Error = 0,          // error icon, OK
    Information = 1,    // information icon, OK
    Warning = 2,        // warning icon, OK and Cancel
    ErrorYesNo = 3,     // error icon, Yes and No
    ErrorOk = 4,        // the same box as Error
    WarningYesNo = 5,   // warning icon, Yes and No
    WarningYesNo2 = 6,  // the same box as WarningYesNo
    SaveQuestion = 7,   // warning icon, Yes, No and Cancel (the save question of closing windows)
    WarningOk = 8,      // warning icon, OK (a warning with nothing to choose)
};
enum class AlertButton { Ok, Cancel, Yes, No };

class AlertService {
public:
    virtual ~AlertService() = default;
    virtual AlertButton show(const QString& text, AlertKind kind, bool beep) = 0;
    virtual void beep() = 0;
};

struct FileDialogRequest {
    QString title;
    QStringList filters;       // "KALVEX files (*.DCK)", in order
    int filterIndex = 1;       // 1-based, as the user left it
    QString defaultSuffix;     // without the dot
    QString fileName;          // initial file name, may be a pattern such as "*.DCK"
    QString directory;         // empty: the current directory
    bool save = false;
    bool overwritePrompt = false;
    bool mustExist = false;
    // A change of filter gives the name in the name box the new filter's
    // extension (an export's PNG, SVG, PDF or CSV).
    bool suffixFollowsFilter = false;
};

struct FileDialogResult {
    QString path;              // absolute
    int filterIndex = 1;
};

class QFileDialog;
// Sets up a file dialog as the request asks; a pattern such as "*.DCK" is
// shown in the name box, as a filter the user may type over.
void prepareFileDialog(QFileDialog& dlg, const FileDialogRequest& r);

class DialogService {
public:
    virtual ~DialogService() = default;
    virtual std::optional<FileDialogResult> getFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> chooseDirectory(const QString& title) = 0;
    virtual std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                            const QString& text, int maxLength) = 0;
    // Shows one of our own dialogs modally; returns QDialog::Accepted or Rejected.
    virtual int execDialog(QDialog& dialog) = 0;
    // The system page-setup dialog on the shared printer; true when accepted.
    virtual bool pageSetup(QPrinter& printer) = 0;
};

struct LaunchResult {
    bool started = false;
    int error = 0;       // system error number when not started (2: no such program)
    int exitCode = 0;
    bool stopped = false;  // ended on the user's request (runStoppable)
};

class LauncherService {
public:
    virtual ~LauncherService() = default;
    // Starts the program and waits for it, keeping the windows responsive.
    virtual LaunchResult runAndWait(const QString& program, const QStringList& arguments) = 0;
    // The same for a run the user may stop: stopRequested is asked a few times a
    // second; once it answers true the program is asked to end (SIGTERM) and is
    // killed when it has not ended graceMs later.
    virtual LaunchResult runStoppable(const QString& program, const QStringList& arguments,
                                      const std::function<bool()>& stopRequested, int graceMs) {
        (void)stopRequested;
        (void)graceMs;
        return runAndWait(program, arguments);
    }
    // Starts the program in the current directory and returns at once.
    virtual LaunchResult startDetached(const QString& program, const QStringList& arguments) = 0;
    // Starts a child that the caller follows through its signals (a table run).
    virtual void startChild(QProcess& process);
    // Opens a document (a help file) with the desktop's handler; false when none took it.
    virtual bool openDocument(const QString& path) = 0;
};

class ClockService {
public:
    virtual ~ClockService() = default;
    virtual QDateTime now() = 0;
};

struct Seams {
    AlertService* alerts = nullptr;
    DialogService* dialogs = nullptr;
    LauncherService* launcher = nullptr;
    ClockService* clock = nullptr;
};

// The installed services (never null after installRealSeams or a test's install).
Seams& seams();
void installRealSeams();

// The program's one message box.
AlertButton ShowAlert(const QString& text, AlertKind kind, bool beep);

namespace pal {
class IoError;
}
// Shows a file input/output failure in the system's wording (the program's one
// way of reporting an IoError to the user).
void ShowIoError(const pal::IoError& error);
