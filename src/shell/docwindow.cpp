#include "shell/docwindow.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

TDocWindow::TDocWindow(int tag, QWidget* parent) : QWidget(parent), tag_(tag) {
    resize(435, 300);
}

void TDocWindow::Print(PrintContext&) {}

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
