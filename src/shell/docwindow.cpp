#include "shell/docwindow.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "common/ioerror.h"
#include "shell/diskwatch.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace {
const QStringList kSaveFilters = {
    QStringLiteral("KALVEX files (*.DCK)"),        QStringLiteral("QUIVET files (*.QVD)"),
    QStringLiteral("MORDAX files (*.DEK)"),        QStringLiteral("FORTRAN files (*.FOR)"),
    QStringLiteral("PALUMARO Plot files (*.PMX)"), QStringLiteral("Diagram Bitmap files. (*.BMP)"),
    QStringLiteral("Diagram Meta files (*.WMF)"),  QStringLiteral("QUIVET table files (*.TBL)"),
    QStringLiteral("All files (*)")};
}  // namespace

TDocWindow::TDocWindow(int tag, QWidget* parent) : QWidget(parent), tag_(tag) {
    resize(435, 300);
    // A document stored under a new name is that file's version from now on.
    connect(this, &TDocWindow::documentRenamed, this, &TDocWindow::rememberDiskFile);
}

void TDocWindow::Print(PrintContext&) {}

bool TDocWindow::FormCloseQuery() {
    if (!asksBeforeClosing()) return true;
    const QString name = documentName().isEmpty() ? unnamedDocument() : documentName();
    switch (ShowAlert(name + QStringLiteral(" has been changed.  Save it?"), AlertKind::SaveQuestion, false)) {
        case AlertButton::Yes: return save();  // a failed or cancelled save keeps the window
        case AlertButton::No: return true;
        default: return false;
    }
}

void TDocWindow::closeWithoutQuery() {
    forceClose_ = true;
    QWidget* top = this;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) top = sub;
    top->close();
    forceClose_ = false;
}

void TDocWindow::closeEvent(QCloseEvent* event) {
    if (forceClose_ || FormCloseQuery()) {
        event->accept();
        emit windowClosing(this);
    } else {
        event->ignore();
    }
}

std::optional<QString> TDocWindow::askSaveName(const QString& title, const QString& fileName,
                                               const QString& defaultSuffix) {
    FileDialogRequest r;
    r.title = title;
    r.filters = kSaveFilters;
    // The filter of the name's own kind (its extension, else the default
    // suffix); All files when none is of that kind.
    const QFileInfo name(fileName);
    const QString ext = name.suffix().isEmpty() ? defaultSuffix : name.suffix();
    r.filterIndex = static_cast<int>(kSaveFilters.size());
    for (int i = 0; i < kSaveFilters.size(); ++i)
        if (!ext.isEmpty() && kSaveFilters[i].endsWith(QStringLiteral("(*.") + ext + QLatin1Char(')'), Qt::CaseInsensitive))
            r.filterIndex = i + 1;
    r.defaultSuffix = defaultSuffix;
    r.fileName = fileName;
    if (name.isAbsolute() && !fileName.contains(QLatin1Char('*'))) r.directory = name.absolutePath();
    r.save = true;
    r.overwritePrompt = true;
    const auto chosen = seams().dialogs->getFile(r);
    if (!chosen) return std::nullopt;
    return chosen->path;
}

void TDocWindow::rememberDiskFile() {
    diskPath_ = documentName();
    diskStamp_ = diskPath_.isEmpty() ? pal::FileVersion{} : pal::fileVersion(toBytes(diskPath_));
    declined_ = {};
    if (!canReload()) return;
    if (diskPath_.isEmpty())
        DiskWatch::instance().unwatch(this);
    else
        DiskWatch::instance().watch(this, diskPath_, [this] { checkDiskFile(); });
}

bool TDocWindow::diskFileChanged() const {
    if (diskPath_.isEmpty() || !diskStamp_.exists) return false;
    const pal::FileVersion now = pal::fileVersion(toBytes(diskPath_));
    return now.exists && now != diskStamp_;
}

void TDocWindow::checkDiskFile() {
    if (askingAboutDisk_ || !canReload() || isModified() || !diskFileChanged()) return;
    const pal::FileVersion now = pal::fileVersion(toBytes(diskPath_));
    if (now == declined_) return;
    // Asked of the frame's current window only; the others are asked when they
    // become current.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        if (sub->mdiArea() && sub->mdiArea()->currentSubWindow() != sub) return;
    askingAboutDisk_ = true;
    const AlertButton answer = ShowAlert(diskPath_ + QStringLiteral(" has been changed by another program.  Reload it?"),
                                         AlertKind::WarningYesNo, false);
    askingAboutDisk_ = false;
    if (answer != AlertButton::Yes) {
        declined_ = now;
        return;
    }
    try {
        reloadFromDisk();
    } catch (const pal::IoError& e) {
        ShowIoError(e);
    }
}

TDocWindow::DiskChoice TDocWindow::askChangedOnDisk(const QString& name) {
    const bool reloads = canReload();
    const QString text =
        name + QStringLiteral(" has been changed by another program since it was read.  ") +
        (reloads ? QStringLiteral("Overwrite it (Yes), or reload that version and drop these changes (No)?")
                 : QStringLiteral("Overwrite it?"));
    switch (ShowAlert(text, reloads ? AlertKind::SaveQuestion : AlertKind::WarningYesNo, true)) {
        case AlertButton::Yes: return DiskChoice::Overwrite;
        case AlertButton::No: return reloads ? DiskChoice::Reload : DiskChoice::Cancel;
        default: return DiskChoice::Cancel;
    }
}

void TDocWindow::storeChecked(const std::function<void()>& write) {
    for (;;) {
        try {
            {
                const pal::OverwriteGuard guard(toBytes(diskPath_), diskStamp_);
                write();
            }
            rememberDiskFile();
            return;
        } catch (const pal::ChangedOnDisk&) {
            switch (askChangedOnDisk(diskPath_)) {
                case DiskChoice::Overwrite: diskStamp_ = pal::fileVersion(toBytes(diskPath_)); continue;
                case DiskChoice::Reload:
                    if (reloadFromDisk()) return;
                    [[fallthrough]];
                case DiskChoice::Cancel: throw pal::SaveNotDone(toBytes(diskPath_));
            }
        }
    }
}

bool TDocWindow::reportFailure(const std::function<void()>& write) {
    try {
        storeChecked(write);
        return true;
    } catch (const std::exception& e) {
        showWriteFailure(e);
        return false;
    }
}

void TDocWindow::showWriteFailure(const std::exception& error) {
    if (dynamic_cast<const pal::SaveNotDone*>(&error)) return;  // cancelled, or shown already
    if (const auto* io = dynamic_cast<const pal::IoError*>(&error))
        ShowIoError(*io);
    else
        ShowAlert(toQ(error.what()), AlertKind::Error, false);
}

void TDocWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The frame copies the caption first; the marker goes on the frame only, so
    // the caption itself stays the document's name.
    if (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::ParentChange) refreshModifiedMarker();
}

void TDocWindow::refreshModifiedMarker() {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sub) return;
    const QString marked = windowTitle() + QStringLiteral("[*]");
    if (sub->windowTitle() != marked) sub->setWindowTitle(marked);
    sub->setWindowModified(isModified());
}

bool TDocWindow::offerSaveBefore(const QString& doing) {
    if (!isModified()) return true;
    if (ShowAlert(QStringLiteral("Do you wish to save file ") + fileName() + QStringLiteral(" before ") + doing +
                      QLatin1Char('?'),
                  AlertKind::WarningYesNo, true) != AlertButton::Yes)
        return true;
    try {
        saveForRun();
    } catch (const pal::IoError& e) {
        ShowIoError(e);
        return false;
    }
    return true;
}
