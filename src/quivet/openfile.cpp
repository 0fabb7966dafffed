#include "quivet/openfile.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "shell/seams.h"

TOpenFile::TOpenFile(QWidget* parent) : QLineEdit(parent) {
    // The name comes from the dialog: a typed name would be shown but not be the
    // one written, so the box takes no typing.
    setReadOnly(true);
    setCursor(Qt::PointingHandCursor);
}

void TOpenFile::setFileName(const QString& name) {
    fileName = name.left(255);
    setText(fileName);
    setCursorPosition(0);
}

bool TOpenFile::ShowOpenFileDlg() {
    FileDialogRequest r;
    r.title = QStringLiteral("Open");
    const QString base = fileName.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    const int dot = base.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot >= 0 ? base.mid(dot) : QString();
    r.filters = {QStringLiteral("Data Files (*%1)").arg(ext), QStringLiteral("All Files (*)")};
    r.fileName = fileName;
    r.mustExist = true;
    const auto chosen = seams().dialogs->getFile(r);
    if (!chosen || chosen->path.isEmpty()) return false;
    QString name = chosen->path;
    if (vet) {
        const QString refusal = vet(name);
        if (!refusal.isEmpty()) {
            ShowAlert(refusal, AlertKind::Error, true);
            return false;
        }
    }
    setFileName(name);
    return true;
}

void TOpenFile::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) ShowOpenFileDlg();
}

void TOpenFile::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_F4:
            ShowOpenFileDlg();
            return;
        default:
            QLineEdit::keyPressEvent(event);
    }
}
