// TPrintProgress: the small "Please wait" window shown on top while a print job
// runs; the job creates one for itself and releases it when it ends.
#pragma once
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QProgressDialog;
class QPushButton;

class TPrintProgress : public QDialog {
    Q_OBJECT
public:
    explicit TPrintProgress(QWidget* parent = nullptr);

    QString text() const;
    // Shows the window centred on the screen and lets it paint before the job
    // keeps the event loop busy.
    void showCentred();
    // The job is this far (0..1). Once it has taken half a second the window
    // shows a bar and a Cancel button (and holds the other windows off while
    // it does); false once Cancel was pressed.
    bool step(double done);
    bool cancelled() const { return cancelled_; }

private:
    QLabel* label_{nullptr};
    QProgressBar* bar_{nullptr};
    QPushButton* cancel_{nullptr};
    QElapsedTimer clock_;
    bool cancelled_ = false;
};

// Long work started from a window (reading a large plot data file, an export,
// a print job): the busy cursor while it lives and, once the work has taken
// half a second, a progress bar whose Cancel asks the work to stop.
class WorkProgress {
public:
    WorkProgress(const QString& title, const QString& label, QWidget* parent = nullptr);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // The work is this far (0..1); false once the user has cancelled it.
    bool operator()(double done);
    // The same as a callback for the work's own progress parameter.
    std::function<bool(double)> callback() {
        return [this](double done) { return (*this)(done); };
    }
    bool cancelled() const { return cancelled_; }

    // The wait before the bar appears, in milliseconds.
    static int delayMs;

private:
    QString title_;
    QString label_;
    QPointer<QWidget> parent_;
    QElapsedTimer clock_;
    std::unique_ptr<QProgressDialog> dialog_;
    bool cancelled_ = false;
};
