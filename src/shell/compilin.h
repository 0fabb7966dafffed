// TCompiling: the small progress window of long operations. It shows the line
// being read while a QUIVET file loads, the run number during a table run, and
// the time an engine run has taken, with a Stop button (and Esc) that ends it.
#pragma once
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

class TCompiling : public QWidget {
    Q_OBJECT
public:
    explicit TCompiling(QWidget* parent = nullptr);

    // n > 0: "Reading line " and n; n <= 0: "KALVEX Run " and |n|. The number is
    // painted at once; then pending events are handled, except keyboard and
    // mouse input aimed at this window, which is dropped.
    void Update(int n);
    // The same text without handling events (for a view that follows reports).
    void showNumber(int n);

    // Shows the window centred on the screen (its place between uses).
    void showCentred();

    void FormActivate();    // repaints both labels
    void FormDeactivate();  // hides the window (not while a run can be stopped)

    // A run the user may stop: "KALVEX running" and the seconds it has taken,
    // with the Stop button. Shown until endRun().
    void beginRun();
    void endRun();
    bool running() const { return running_; }
    // How far the run has come: a line such as "TIME 36 of 72 h (50 %), about
    // 12 s left" under a bar of permille done (-1: not known).
    void showRunProgress(const QString& text, int permille);
    QLabel* progressText() const { return progressText_; }
    QProgressBar* progressBar() const { return progressBar_; }
    // The user asked to stop and confirmed it.
    bool stopRequested() const { return stopRequested_; }
    // Stop button and Esc: asks, then marks the run to be stopped.
    void StopBtnClick();
    QPushButton* stopButton() const { return stopButton_; }

    QLabel* label1() const { return label1_; }
    QLabel* lineL() const { return LineL_; }

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showElapsed();

    QLabel* label1_{nullptr};
    QLabel* LineL_{nullptr};
    QPushButton* stopButton_{nullptr};
    QFrame* panel_{nullptr};
    QProgressBar* progressBar_{nullptr};
    QLabel* progressText_{nullptr};
    bool running_ = false;
    bool stopRequested_ = false;
    bool asking_ = false;
    QString captionBeforeRun_;
    QElapsedTimer elapsed_;
    QTimer clock_;
};
