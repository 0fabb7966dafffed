#include "shell/docwindow.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

#include "common/ioerror.h"
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
    r.filterIndex = 1;
    r.defaultSuffix = defaultSuffix;
    r.fileName = fileName;
    r.save = true;
    r.overwritePrompt = true;
    const auto chosen = seams().dialogs->getFile(r);
    if (!chosen) return std::nullopt;
    return chosen->path;
}

void TDocWindow::showWriteFailure(const std::exception& error) {
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
