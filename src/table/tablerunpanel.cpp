#include "table/tablerunpanel.h"

#include <QBoxLayout>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

#include "run/tablerunner.h"
#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace {
constexpr int kStatusWidth = 240;

// Waits, with the windows answering, until the runner has finished or ms passed.
void waitForEnd(run::TableRunner* runner, int ms) {
    if (!runner || runner->isFinished()) return;
    QEventLoop loop;
    QObject::connect(runner, &run::TableRunner::finished, &loop, &QEventLoop::quit);
    QObject::connect(runner, &QObject::destroyed, &loop, &QEventLoop::quit);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
}  // namespace

TTableRunPanel::TTableRunPanel(QTableView& grid, QBoxLayout& besideGrid, QBoxLayout& below, QWidget* parent)
    : QObject(parent), grid_(grid) {
    column_ = new QWidget(parent);
    column_->setObjectName(QStringLiteral("RunStatusColumn"));
    column_->setFixedWidth(kStatusWidth);
    auto* v = new QVBoxLayout(column_);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    status_ = new QTableWidget(0, 1, column_);
    status_->setObjectName(QStringLiteral("RunStatus"));
    status_->setHorizontalHeaderLabels({QStringLiteral("Status")});
    status_->horizontalHeader()->setStretchLastSection(true);
    status_->verticalHeader()->hide();
    status_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    status_->setSelectionMode(QAbstractItemView::SingleSelection);
    status_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    status_->setVerticalScrollMode(grid.verticalScrollMode());
    connect(status_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { StatusDblClick(row); });
    summary_ = new QLabel(column_);
    summary_->setObjectName(QStringLiteral("RunSummary"));
    summary_->setWordWrap(true);
    // Room for two lines under the rows, so that the last run's status stays
    // beside the last run.
    summary_->setFixedHeight(2 * summary_->fontMetrics().lineSpacing() + 4);
    v->addWidget(status_, 1);
    v->addWidget(summary_);
    besideGrid.addWidget(column_);
    column_->hide();

    row_ = new QWidget(parent);
    row_->setObjectName(QStringLiteral("RunProgressRow"));
    // The bar and Cancel on one line, the times under them: the times grow
    // (hours, time left, the Slurm job) and must not squeeze the bar.
    auto* v2 = new QVBoxLayout(row_);
    v2->setContentsMargins(4, 2, 4, 2);
    v2->setSpacing(1);
    auto* h = new QHBoxLayout;
    v2->addLayout(h);
    bar_ = new QProgressBar(row_);
    bar_->setObjectName(QStringLiteral("RunProgress"));
    bar_->setFormat(QStringLiteral("%v of %m runs done"));
    time_ = new QLabel(row_);
    time_->setObjectName(QStringLiteral("RunTime"));
    time_->setWordWrap(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), row_);
    cancel_->setObjectName(QStringLiteral("CancelRunsBtn"));
    cancel_->setToolTip(QStringLiteral("End the runs that wait (Esc)"));
    connect(cancel_, &QPushButton::clicked, this, &TTableRunPanel::CancelBtnClick);
    h->addWidget(bar_, 1);
    h->addWidget(cancel_);
    v2->addWidget(time_);
    below.addWidget(row_);
    row_->hide();

    tick_ = new QTimer(this);
    tick_->setInterval(1000);
    connect(tick_, &QTimer::timeout, this, &TTableRunPanel::refresh);

    // The status rows scroll with the grid's runs.
    connect(grid.verticalScrollBar(), &QScrollBar::valueChanged, status_->verticalScrollBar(), &QScrollBar::setValue);
}

void TTableRunPanel::follow(run::TableRunner* runner) {
    runner_ = runner;
    const int n = runner->runs();
    last_ = runner->statuses();
    listings_ = runner->job().listings;
    slurm_ = runner->job().slurm;
    parallel_ = runner->job().parallel;
    status_->setRowCount(n);
    for (int i = 0; i < n; ++i) status_->setItem(i, 0, new QTableWidgetItem);
    syncRows();
    bar_->setRange(0, n);
    bar_->setValue(0);
    summary_->clear();
    cancel_->show();
    cancel_->setEnabled(true);
    column_->show();
    row_->show();
    connect(runner, &run::TableRunner::runChanged, this, &TTableRunPanel::showRun);
    connect(runner, &run::TableRunner::clusterMessageChanged, this, &TTableRunPanel::refresh);
    connect(runner, &run::TableRunner::finished, this, &TTableRunPanel::runFinished);
    for (int i = 0; i < n; ++i) showRun(i);
    tick_->start();
    refresh();
}

run::TableRunner* TTableRunPanel::runner() const { return runner_; }
int TTableRunPanel::shownRuns() const { return status_->rowCount(); }

bool TTableRunPanel::runActive() const { return runner_ && runner_->active(); }

void TTableRunPanel::syncRows() {
    status_->horizontalHeader()->setFixedHeight(grid_.horizontalHeader()->height());
    for (int i = 0; i < status_->rowCount(); ++i)
        status_->setRowHeight(i, i < grid_.model()->rowCount() ? grid_.rowHeight(i) : grid_.verticalHeader()->defaultSectionSize());
}

void TTableRunPanel::showRun(int index) {
    if (!runner_ || index < 0 || index >= status_->rowCount()) return;
    const run::RunStatus& s = runner_->status(index);
    last_[static_cast<std::size_t>(index)] = s;
    QTableWidgetItem* item = status_->item(index, 0);
    item->setText(toQ(run::statusText(s, runner_->elapsed())));
    QString tip = QStringLiteral("Run %1: ").arg(index + 1) + toQ(runner_->job().decks[static_cast<std::size_t>(index)]);
    if (!s.reason.empty()) tip += QLatin1Char('\n') + toQ(s.reason);
    if (!s.detail.empty()) tip += QLatin1Char('\n') + toQ(s.detail);
    if (s.phase == run::RunPhase::Failed) tip += QStringLiteral("\nDouble-click to open its listing.");
    item->setToolTip(tip);
    const bool bad = s.phase == run::RunPhase::Failed || s.phase == run::RunPhase::NotStarted ||
                     s.phase == run::RunPhase::Lost;
    item->setForeground(bad ? QColor(176, 0, 0) : s.phase == run::RunPhase::Running ? QColor(0, 0, 160) : QColor(Qt::black));
    // Runs the user cancelled or stopped are ended but not done: the bar shows
    // the done ones and its text names the cancelled ones apart.
    int done = 0, cancelled = 0;
    for (const run::RunStatus& r : runner_->statuses()) {
        if (r.phase == run::RunPhase::Cancelled || r.phase == run::RunPhase::Stopped)
            ++cancelled;
        else
            done += run::hasEnded(r.phase);
    }
    bar_->setFormat(cancelled ? QStringLiteral("%v of %m runs done, %1 cancelled").arg(cancelled)
                              : QStringLiteral("%v of %m runs done"));
    bar_->setValue(done);
}

void TTableRunPanel::refresh() {
    if (!runner_) return;
    const double now = runner_->elapsed();
    for (int i = 0; i < runner_->runs(); ++i)
        if (runner_->status(i).phase == run::RunPhase::Running)
            status_->item(i, 0)->setText(toQ(run::statusText(runner_->status(i), now)));
    QString text = QStringLiteral("elapsed ") + toQ(run::clockText(now));
    const int lanes = slurm_ ? std::max(1, runner_->runningCount()) : parallel_;
    if (const auto left = run::estimateSecondsLeft(runner_->statuses(), now, lanes))
        text += QStringLiteral(", about ") + toQ(run::clockText(*left)) + QStringLiteral(" left");
    if (!runner_->jobId().isEmpty()) text += QStringLiteral(" (Slurm job ") + runner_->jobId() + QLatin1Char(')');
    if (!runner_->clusterMessage().isEmpty()) text += QStringLiteral(" - ") + runner_->clusterMessage();
    time_->setText(text);
}

void TTableRunPanel::runFinished() {
    tick_->stop();
    if (runner_) {
        last_ = runner_->statuses();
        for (int i = 0; i < runner_->runs(); ++i) showRun(i);
        summary_->setText(toQ(run::summaryText(last_, runner_->elapsed())));
        time_->setText(QStringLiteral("elapsed ") + toQ(run::clockText(runner_->elapsed())));
    }
    cancel_->hide();
}

void TTableRunPanel::CancelBtnClick() {
    if (!runActive()) return;
    QPointer<run::TableRunner> r = runner_;
    r->cancelWaiting();
    if (!r || !r->active() || r->runningCount() == 0) return;
    const int n = r->runningCount();
    const QString text =
        slurm_ ? QStringLiteral("%1 of the table's runs are running on the cluster (Slurm job %2). Cancel them too?")
                     .arg(n)
                     .arg(r->jobId())
               : (n == 1 ? QStringLiteral("1 run is still running. Stop it?\n(No lets it finish.)")
                         : QStringLiteral("%1 runs are still running. Stop them?\n(No lets them finish.)").arg(n));
    if (ShowAlert(text, AlertKind::WarningYesNo, false) == AlertButton::Yes && r) r->stopRunning();
}

bool TTableRunPanel::mayClose() {
    if (!runActive()) return true;
    QPointer<run::TableRunner> r = runner_;
    if (slurm_) {
        const QString text = QStringLiteral("Slurm job %1 of this table is still going on. Cancel it?\n"
                                            "(No leaves it running on the cluster; its run decks stay "
                                            "until you delete them.)")
                                 .arg(r->jobId().isEmpty() ? QStringLiteral("(being submitted)") : r->jobId());
        switch (ShowAlert(text, AlertKind::SaveQuestion, false)) {
        case AlertButton::Yes:
            r->cancelWaiting();
            if (r) r->stopRunning();
            return true;
        case AlertButton::No:
            if (r) r->detach();
            return true;
        default: return false;
        }
    }
    const QString text = QStringLiteral("Runs of this table are still going on (%1 running, %2 waiting). "
                                        "Closing stops them; what has finished is kept.")
                             .arg(r->runningCount())
                             .arg(r->waitingCount());
    if (ShowAlert(text, AlertKind::Warning, false) != AlertButton::Ok) return false;
    if (!r) return true;
    r->cancelWaiting();
    if (r) r->stopRunning();
    if (r) waitForEnd(r, r->job().graceMs + 3000);
    return true;
}

QSize TTableRunPanel::extraSize() const {
    const int below = !row_->isHidden() ? row_->sizeHint().height() : 0;
    if (column_->isHidden()) return {0, below};
    return {kStatusWidth + 4, below + summary_->height() + 2};
}

void TTableRunPanel::forget() {
    if (runActive()) return;
    runner_ = nullptr;
    last_.clear();
    column_->hide();
    row_->hide();
}

QString TTableRunPanel::statusOf(int index) const {
    const QTableWidgetItem* item = index >= 0 && index < status_->rowCount() ? status_->item(index, 0) : nullptr;
    return item ? item->text() : QString();
}

void TTableRunPanel::StatusDblClick(int index) {
    if (index < 0 || index >= static_cast<int>(last_.size())) return;
    const run::RunStatus& s = last_[static_cast<std::size_t>(index)];
    if (s.phase == run::RunPhase::Failed) {
        const QString listing = toQ(listings_[static_cast<std::size_t>(index)]);
        if (QFile::exists(listing))
            emit listingRequested(listing);
        else
            ShowAlert(QStringLiteral("Run %1 left no listing (%2).").arg(index + 1).arg(listing) +
                          (s.detail.empty() ? QString() : QLatin1Char('\n') + toQ(s.detail)),
                      AlertKind::Information, false);
    } else if (s.phase == run::RunPhase::NotStarted || s.phase == run::RunPhase::Lost) {
        ShowAlert(QStringLiteral("Run %1 did not run: ").arg(index + 1) + toQ(s.reason) +
                      (s.detail.empty() ? QString() : QLatin1Char('\n') + toQ(s.detail)),
                  AlertKind::Information, false);
    }
}
