// TTableRunPanel: what the table window shows of a table run: a status column
// beside the grid (one row per run, then a summary line) and a progress row
// under it (runs done, elapsed time, time left, Cancel). It follows a
// TableRunner and keeps the last run's states after the runner is gone.
#pragma once
#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "run/runplan.h"

class QBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTableWidget;
class QTimer;

namespace run {
class TableRunner;
}

class TTableRunPanel : public QObject {
    Q_OBJECT
public:
    // Puts the status column right of the grid (into besideGrid) and the
    // progress row under it (into below); both stay hidden until a run starts.
    TTableRunPanel(QTableView& grid, QBoxLayout& besideGrid, QBoxLayout& below, QWidget* parent);

    void follow(run::TableRunner* runner);
    run::TableRunner* runner() const;
    // The runs the status column shows (0 before the first run).
    int shownRuns() const;
    bool runActive() const;
    // Cancel and Esc: waiting runs end; the user is asked whether the running ones stop.
    void CancelBtnClick();
    // Closing the window during a run: asks first; true when it may close.
    bool mayClose();
    // Extra room the window needs beside and under the grid.
    QSize extraSize() const;
    // The table's runs changed: the last run's states no longer match its rows.
    void forget();

    QTableWidget* statusColumn() const { return status_; }
    QLabel* summary() const { return summary_; }
    QProgressBar* progress() const { return bar_; }
    QLabel* timeLabel() const { return time_; }
    QPushButton* cancelButton() const { return cancel_; }
    // The status text of run i (0-based) as shown.
    QString statusOf(int index) const;
    // Double-click on a status: a failed run's listing, or why it did not run.
    void StatusDblClick(int index);

signals:
    void listingRequested(const QString& path);

private:
    void showRun(int index);
    void refresh();
    void runFinished();
    void syncRows();

    QTableView& grid_;
    QWidget* column_{nullptr};
    QTableWidget* status_{nullptr};
    QLabel* summary_{nullptr};
    QWidget* row_{nullptr};
    QProgressBar* bar_{nullptr};
    QLabel* time_{nullptr};
    QPushButton* cancel_{nullptr};
    QTimer* tick_{nullptr};
    QPointer<run::TableRunner> runner_;
    // Copies kept when the runner goes.
    std::vector<run::RunStatus> last_;
    std::vector<std::string> listings_;
    bool slurm_ = false;
    int parallel_ = 1;
};
