#include "shell/compilin.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "shell/seams.h"

namespace {
constexpr int kWidth = 219;
constexpr int kHeight = 58;
constexpr int kRunWidth = 320;   // room for the progress line
constexpr int kRunHeight = 124;  // and for the Stop button
}  // namespace

TCompiling::TCompiling(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Compiling"));
    setFixedSize(kWidth, kHeight);

    auto* panel = new QFrame(this);
    panel_ = panel;
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(0, 0, kRunWidth, kRunHeight);

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

    progressBar_ = new QProgressBar(panel);
    progressBar_->setObjectName(QStringLiteral("RunProgress"));
    progressBar_->setRange(0, 1000);
    progressBar_->setTextVisible(false);
    progressBar_->setGeometry(10, 46, kRunWidth - 20, 12);
    progressBar_->hide();
    progressText_ = new QLabel(panel);
    progressText_->setObjectName(QStringLiteral("RunProgressText"));
    progressText_->setAlignment(Qt::AlignCenter);
    progressText_->setGeometry(4, 62, kRunWidth - 8, 18);
    progressText_->hide();

    stopButton_ = new QPushButton(QStringLiteral("Stop"), panel);
    stopButton_->setObjectName(QStringLiteral("StopButton"));
    stopButton_->setGeometry((kRunWidth - 75) / 2, 88, 75, 25);
    stopButton_->hide();
    connect(stopButton_, &QPushButton::clicked, this, &TCompiling::StopBtnClick);
    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, &TCompiling::showElapsed);

    for (QObject* o : std::initializer_list<QObject*>{this, panel, label1_, LineL_}) o->installEventFilter(this);

    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

void TCompiling::showCentred() {
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    show();
    raise();
}

void TCompiling::showNumber(int n) {
    // 64 bits: the absolute value of the smallest int does not fit an int.
    const qint64 value = n > 0 ? qint64(n) : -qint64(n);
    label1_->setText(n > 0 ? QStringLiteral("Reading line ") : QStringLiteral("KALVEX Run "));
    LineL_->setText(QString::number(value));
}

void TCompiling::Update(int n) {
    showNumber(n);
    LineL_->repaint();
    // Keyboard and mouse input for this window is dropped by the event filter;
    // everything else (painting, timers, the other windows) goes on.
    QCoreApplication::processEvents();
}

void TCompiling::FormActivate() {
    label1_->repaint();
    LineL_->repaint();
}

void TCompiling::FormDeactivate() {
    // A run that can be stopped keeps its window (and its Stop button) in view.
    if (!running_) hide();
}

void TCompiling::beginRun() {
    running_ = true;
    stopRequested_ = false;
    captionBeforeRun_ = label1_->text();
    label1_->setText(QStringLiteral("KALVEX running "));
    elapsed_.start();
    showElapsed();
    stopButton_->setEnabled(true);
    stopButton_->show();
    progressBar_->setValue(0);
    progressBar_->setRange(0, 0);  // busy until the first row tells how far
    progressBar_->show();
    progressText_->clear();
    progressText_->show();
    label1_->setGeometry(8, 20, 128 + (kRunWidth - kWidth) / 2, 18);
    LineL_->setGeometry(136 + (kRunWidth - kWidth) / 2, 20, 75, 18);
    setFixedSize(kRunWidth, kRunHeight);
    clock_.start();
    showCentred();
}

void TCompiling::endRun() {
    clock_.stop();
    running_ = false;
    label1_->setText(captionBeforeRun_);
    stopButton_->hide();
    progressBar_->hide();
    progressText_->hide();
    label1_->setGeometry(8, 20, 128, 18);
    LineL_->setGeometry(136, 20, 75, 18);
    setFixedSize(kWidth, kHeight);
    hide();
}

void TCompiling::showRunProgress(const QString& text, int permille) {
    if (!running_) return;
    if (permille >= 0) {
        progressBar_->setRange(0, 1000);
        progressBar_->setValue(std::min(permille, 1000));
    }
    progressText_->setText(text);
}

void TCompiling::showElapsed() { LineL_->setText(QString::number(elapsed_.elapsed() / 1000) + QStringLiteral(" s")); }

void TCompiling::StopBtnClick() {
    if (!running_ || stopRequested_ || asking_) return;
    asking_ = true;
    // The question box would sit under this always-on-top window.
    hide();
    const bool stop = ShowAlert(QStringLiteral("Stop the KALVEX run?\nThe engine is ended; the files it has written "
                                               "are kept."),
                                AlertKind::WarningYesNo, false) == AlertButton::Yes;
    asking_ = false;
    if (!running_) return;  // the run ended while the question was open
    if (stop) {
        stopRequested_ = true;
        stopButton_->setEnabled(false);
        label1_->setText(QStringLiteral("Stopping KALVEX "));
    }
    showCentred();
}


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
        // The progress window takes no input, except Esc during a run (the
        // Stop button is not filtered).
        if (running_ && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            StopBtnClick();
            return true;
        }
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}
