#include "run/compilin.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QScreen>

TCompiling::TCompiling(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Compiling"));
    setFixedSize(219, 58);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(0, 0, 219, 58);

    QFont bold(QStringLiteral("MS Sans Serif"));
    bold.setPointSize(8);
    bold.setBold(true);

    label1_ = new QLabel(QStringLiteral("Reading line "), panel);
    label1_->setObjectName(QStringLiteral("label1"));
    label1_->setFont(bold);
    label1_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label1_->setGeometry(8, 20, 128, 18);

    LineL_ = new QLabel(QStringLiteral("0"), panel);
    LineL_->setObjectName(QStringLiteral("LineL"));
    LineL_->setFont(bold);
    LineL_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LineL_->setGeometry(136, 20, 75, 18);

    for (QObject* o : std::initializer_list<QObject*>{this, panel, label1_, LineL_}) o->installEventFilter(this);

    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

void TCompiling::showCentred() {
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    show();
    raise();
}

void TCompiling::Update(int n) {
    // 64 bits: the absolute value of the smallest int does not fit an int.
    const qint64 value = n > 0 ? qint64(n) : -qint64(n);
    label1_->setText(n > 0 ? QStringLiteral("Reading line ") : QStringLiteral("KALVEX Run "));
    LineL_->setText(QString::number(value));
    LineL_->repaint();
    // Keyboard and mouse input for this window is dropped by the event filter;
    // everything else (painting, timers, the other windows) goes on.
    QCoreApplication::processEvents();
}

void TCompiling::FormActivate() {
    label1_->repaint();
    LineL_->repaint();
}

void TCompiling::FormDeactivate() { hide(); }

void TCompiling::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            FormActivate();
        else if (isVisible())
            FormDeactivate();
    }
    QWidget::changeEvent(event);
}

bool TCompiling::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        return true;  // the progress window takes no input
    default:
        return QWidget::eventFilter(watched, event);
    }
}
