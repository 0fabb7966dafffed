#include "shell/seams.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QLineEdit>
#include <QRegularExpression>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <cerrno>

namespace {

class MessageBoxAlerts : public AlertService {
public:
    AlertButton show(const QString& text, AlertKind kind, bool beepFirst) override {
        if (beepFirst) beep();
        QMessageBox box(QApplication::activeWindow());
        box.setText(text);
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QMessageBox::StandardButton def = QMessageBox::Ok;
        switch (kind) {
            case AlertKind::Information: box.setIcon(QMessageBox::Information); box.setWindowTitle(QStringLiteral("Information")); break;
            case AlertKind::Warning:
                box.setIcon(QMessageBox::Warning);
                box.setWindowTitle(QStringLiteral("Warning"));
                buttons = QMessageBox::Ok | QMessageBox::Cancel;
                break;
            case AlertKind::WarningOk:
                box.setIcon(QMessageBox::Warning);
                box.setWindowTitle(QStringLiteral("Warning"));
                break;
            case AlertKind::ErrorYesNo:
                box.setIcon(QMessageBox::Critical);
                box.setWindowTitle(QStringLiteral("Error"));
                buttons = QMessageBox::Yes | QMessageBox::No;
                def = QMessageBox::Yes;
                break;
            case AlertKind::WarningYesNo:
            case AlertKind::WarningYesNo2:
                box.setIcon(QMessageBox::Warning);
                box.setWindowTitle(QStringLiteral("Warning"));
                buttons = QMessageBox::Yes | QMessageBox::No;
                def = QMessageBox::Yes;
                break;
            case AlertKind::SaveQuestion:
                box.setIcon(QMessageBox::Warning);
                box.setWindowTitle(QStringLiteral("Warning"));
                buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
                def = QMessageBox::Yes;
                break;
            default: box.setIcon(QMessageBox::Critical); box.setWindowTitle(QStringLiteral("Error")); break;
        }
        box.setStandardButtons(buttons);
        box.setDefaultButton(def);
        switch (box.exec()) {
            case QMessageBox::Yes: return AlertButton::Yes;
            case QMessageBox::No: return AlertButton::No;
            case QMessageBox::Cancel: return AlertButton::Cancel;
            default: return (buttons & QMessageBox::Cancel) && !(buttons & QMessageBox::Ok) ? AlertButton::Cancel
                                                                                            : AlertButton::Ok;
        }
    }
    void beep() override { QApplication::beep(); }
};

}  // namespace

void prepareFileDialog(QFileDialog& dlg, const FileDialogRequest& r) {
    dlg.setWindowTitle(r.title);
    dlg.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !r.overwritePrompt);
    dlg.setDirectory(r.directory.isEmpty() ? QDir::currentPath() : r.directory);
    dlg.setNameFilters(r.filters);
    if (r.filterIndex >= 1 && r.filterIndex <= r.filters.size()) dlg.selectNameFilter(r.filters[r.filterIndex - 1]);
    dlg.setDefaultSuffix(r.defaultSuffix.startsWith('.') ? r.defaultSuffix.mid(1) : r.defaultSuffix);
    if (!r.fileName.isEmpty()) dlg.selectFile(r.fileName);
    if (r.suffixFollowsFilter) {
        QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg](const QString& filter) {
            static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
            const auto m = pattern.match(filter);
            auto* edit = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!m.hasMatch() || !edit || edit->text().isEmpty()) return;
            QString name = edit->text();
            const int dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot > 0) name.truncate(dot);
            edit->setText(name + QLatin1Char('.') + m.captured(1));
            dlg.setDefaultSuffix(m.captured(1));
        });
    }
}

namespace {

class QtDialogs : public DialogService {
public:
    std::optional<FileDialogResult> getFile(const FileDialogRequest& r) override {
        QFileDialog dlg(QApplication::activeWindow(), r.title);
        prepareFileDialog(dlg, r);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
        FileDialogResult res;
        res.path = QFileInfo(dlg.selectedFiles().first()).absoluteFilePath();
        res.filterIndex = std::max(1, static_cast<int>(r.filters.indexOf(dlg.selectedNameFilter())) + 1);
        return res;
    }
    std::optional<QString> chooseDirectory(const QString& title) override {
        const QString d = QFileDialog::getExistingDirectory(QApplication::activeWindow(), title);
        if (d.isEmpty()) return std::nullopt;
        return d;
    }
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& text,
                                    int maxLength) override {
        bool ok = false;
        const QString t =
            QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, text, &ok);
        if (!ok) return std::nullopt;
        return t.left(maxLength);
    }
    int execDialog(QDialog& dialog) override { return dialog.exec(); }
    bool pageSetup(QPrinter& printer) override {
        QPageSetupDialog dlg(&printer, QApplication::activeWindow());
        return dlg.exec() == QDialog::Accepted;
    }
};

// The system error number for a start that failed: 2 when the program does not
// exist, 13 when it may not be run, else the generic "exec format" error.
int startErrorFor(const QString& program) {
    if (program.isEmpty()) return ENOENT;
    QString path = program;
    if (!program.contains('/')) {
        path = QStandardPaths::findExecutable(program);
        if (path.isEmpty()) return QFileInfo::exists(program) ? EACCES : ENOENT;
    }
    const QFileInfo fi(path);
    if (!fi.exists()) return ENOENT;
    if (fi.isDir() || !fi.isExecutable()) return EACCES;
    return ENOEXEC;
}

class ProcessLauncher : public LauncherService {
public:
    LaunchResult runAndWait(const QString& program, const QStringList& arguments) override {
        return runStoppable(program, arguments, {}, 0);
    }

    LaunchResult runStoppable(const QString& program, const QStringList& arguments,
                              const std::function<bool()>& stopRequested, int graceMs) override {
        LaunchResult res;
        QProcess proc;
        proc.setProgram(program);
        proc.setArguments(arguments);
        proc.setProcessChannelMode(QProcess::ForwardedChannels);
        proc.start();
        if (!proc.waitForStarted(-1)) {
            res.error = startErrorFor(program);
            return res;
        }
        res.started = true;
        // Wait in slices while the windows keep repainting and answering; the loop
        // also ends when the process is found not running. A stop request ends the
        // process: first asked, then killed after the grace period.
        QEventLoop loop;
        QObject::connect(&proc, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer slice;
        slice.setInterval(stopRequested ? 100 : 1000);
        QElapsedTimer sinceTerminate;
        QObject::connect(&slice, &QTimer::timeout, &loop, [&] {
            if (proc.state() == QProcess::NotRunning) return loop.quit();
            if (!res.stopped && stopRequested && stopRequested()) {
                res.stopped = true;
                proc.terminate();
                sinceTerminate.start();
            } else if (res.stopped && sinceTerminate.elapsed() >= graceMs) {
                proc.kill();
            }
        });
        slice.start();
        if (proc.state() != QProcess::NotRunning) loop.exec();
        proc.waitForFinished(res.stopped ? 5000 : 0);
        res.exitCode = proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
        return res;
    }

    LaunchResult startDetached(const QString& program, const QStringList& arguments) override {
        LaunchResult res;
        QProcess proc;
        proc.setProgram(program);
        proc.setArguments(arguments);
        proc.setWorkingDirectory(QDir::currentPath());
        qint64 pid = 0;
        res.started = proc.startDetached(&pid);
        if (!res.started) res.error = startErrorFor(program);
        return res;
    }

    bool openDocument(const QString& path) override { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }
};

class SystemClock : public ClockService {
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

}  // namespace

Seams& seams() {
    static Seams s;
    return s;
}

void installRealSeams() {
    static MessageBoxAlerts alerts;
    static QtDialogs dialogs;
    static ProcessLauncher launcher;
    static SystemClock clock;
    seams() = Seams{&alerts, &dialogs, &launcher, &clock};
}

AlertButton ShowAlert(const QString& text, AlertKind kind, bool beep) {
    if (!seams().alerts) installRealSeams();
    return seams().alerts->show(text, kind, beep);
}

#include "common/diskfile.h"
#include "common/ioerror.h"
#include "shell/qtbytes.h"

void ShowIoError(const pal::IoError& error) {
    if (dynamic_cast<const pal::SaveNotDone*>(&error)) return;  // cancelled, or shown already
    ShowAlert(toQ(error.userText()), AlertKind::Error, false);
}

void LauncherService::startChild(QProcess& process) { process.start(); }
