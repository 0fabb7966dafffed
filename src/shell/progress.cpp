#include "shell/progress.h"

#include <algorithm>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QProgressDialog>
#include <QScreen>
#include <QVBoxLayout>

TPrintProgress::TPrintProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("PrintProgress"));
    setWindowTitle(QStringLiteral("Please wait"));
    setModal(false);
    label_ = new QLabel(QStringLiteral("Printing in progress... "), this);
    label_->setObjectName(QStringLiteral("Label1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->addWidget(label_);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("Bar"));
    bar_->setRange(0, 1000);
    bar_->hide();
    layout->addWidget(bar_);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("CancelBtn"));
    cancel_->hide();
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
    adjustSize();
    clock_.start();
}

bool TPrintProgress::step(double done) {
    if (!cancelled_ && bar_->isHidden() && clock_.elapsed() >= WorkProgress::delayMs) {
        // Only this window takes input while the job runs.
        const bool wasShown = isVisible();
        if (wasShown) hide();
        setWindowModality(Qt::ApplicationModal);
        bar_->show();
        cancel_->show();
        adjustSize();
        if (wasShown) showCentred();
        // The hourglass with an arrow: Cancel can be clicked.
        if (QApplication::overrideCursor()) QApplication::changeOverrideCursor(Qt::BusyCursor);
    }
    if (!bar_->isHidden()) {
        bar_->setValue(static_cast<int>(std::clamp(done, 0.0, 1.0) * 1000));
        QCoreApplication::processEvents();
    }
    return !cancelled_;
}

QString TPrintProgress::text() const { return label_->text(); }

void TPrintProgress::showCentred() {
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    show();
    raise();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int WorkProgress::delayMs = 500;

WorkProgress::WorkProgress(const QString& title, const QString& label, QWidget* parent)
    : title_(title), label_(label), parent_(parent) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    clock_.start();
}

WorkProgress::~WorkProgress() {
    dialog_.reset();
    QApplication::restoreOverrideCursor();
}

bool WorkProgress::operator()(double done) {
    if (cancelled_) return false;
    if (!dialog_ && clock_.elapsed() >= delayMs) {
        dialog_ = std::make_unique<QProgressDialog>(label_, QStringLiteral("Cancel"), 0, 1000, parent_.data());
        dialog_->setObjectName(QStringLiteral("WorkProgress"));
        dialog_->setWindowTitle(title_);
        dialog_->setWindowModality(parent_ ? Qt::WindowModal : Qt::ApplicationModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->show();
        // The hourglass with an arrow: Cancel can be clicked.
        QApplication::changeOverrideCursor(Qt::BusyCursor);
    }
    if (!dialog_) return true;
    dialog_->setValue(static_cast<int>(std::clamp(done, 0.0, 1.0) * 1000));
    QCoreApplication::processEvents();
    cancelled_ = dialog_->wasCanceled();
    return !cancelled_;
}
