#include "run/tablerunner.h"

#include <QFile>
#include <QHash>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

#include "run/slurmrunner.h"
#include "shell/qtbytes.h"

namespace run {

namespace {

// The last non-blank line of what the engine printed.
std::string lastLine(const QByteArray& output) {
    const QList<QByteArray> lines = output.trimmed().split('\n');
    return lines.isEmpty() ? std::string() : lines.back().trimmed().toStdString();
}

}  // namespace

// Child processes on this machine, at most job.parallel at a time, in run
// order. Each child leads its own process group, so that ending a run also
// ends whatever the engine started.
class LocalBackend : public TableRunner::Backend {
public:
    explicit LocalBackend(TableRunner& r) : r_(r), children_(static_cast<std::size_t>(r.runs())) {}

    ~LocalBackend() override {
        bool any = false;
        for (auto& c : children_) {
            if (c) c->disconnect(&r_);  // the runner is going: no more reports
            if (c && c->state() != QProcess::NotRunning) signalGroup(*c, SIGTERM), any = true;
        }
        if (!any) return;
        for (auto& c : children_)
            if (c && c->state() != QProcess::NotRunning && !c->waitForFinished(r_.job().graceMs)) {
                signalGroup(*c, SIGKILL);
                c->waitForFinished(1000);
            }
    }

    void start() override { launchMore(); }

    void cancelWaiting() override {
        for (int i = next_; i < r_.runs(); ++i) {
            RunStatus s = r_.status(i);
            if (s.phase != RunPhase::Waiting) continue;
            s.phase = RunPhase::Cancelled;
            r_.update(i, s);
        }
        next_ = r_.runs();
        r_.finishIfDone();
    }

    void stopRunning() override {
        bool any = false;
        for (std::size_t i = 0; i < children_.size(); ++i) {
            QProcess* c = children_[i].get();
            if (!c || c->state() == QProcess::NotRunning) continue;
            stopping_.push_back(static_cast<int>(i));
            signalGroup(*c, SIGTERM);
            any = true;
        }
        if (any) QTimer::singleShot(r_.job().graceMs, &r_, [this] { killStragglers(); });
    }

private:
    static void signalGroup(QProcess& p, int sig) {
        const qint64 pid = p.processId();
        if (pid <= 0) return;
        // The group first (the engine and its children), the process itself too.
        ::kill(-static_cast<pid_t>(pid), sig);
        ::kill(static_cast<pid_t>(pid), sig);
    }

    void killStragglers() {
        for (int i : stopping_) {
            QProcess* c = children_[static_cast<std::size_t>(i)].get();
            if (c && c->state() != QProcess::NotRunning) signalGroup(*c, SIGKILL);
        }
    }

    void launchMore() {
        while (next_ < r_.runs() && r_.runningCount() < std::max(1, r_.job().parallel)) launch(next_++);
        r_.finishIfDone();
    }

    void launch(int i) {
        const TableRunJob& job = r_.job();
        auto proc = std::make_unique<QProcess>();
        QProcess* p = proc.get();
        p->setProgram(job.engine);
        p->setArguments({toQ(job.decks[static_cast<std::size_t>(i)]), QStringLiteral("/N")});
        p->setWorkingDirectory(job.workDir);
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->setChildProcessModifier([] { ::setpgid(0, 0); });
        QObject::connect(p, &QProcess::readyRead, &r_, [this, i, p] {
            QByteArray& out = output_[i];
            out += p->readAll();
            if (out.size() > 4096) out = out.right(4096);
        });
        QObject::connect(p, &QProcess::finished, &r_,
                         [this, i](int code, QProcess::ExitStatus how) { ended(i, code, how); });
        QObject::connect(p, &QProcess::errorOccurred, &r_, [this, i](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart) notStarted(i);
        });
        children_[static_cast<std::size_t>(i)] = std::move(proc);
        RunStatus s;
        s.phase = RunPhase::Running;
        s.started = r_.elapsed();
        r_.update(i, s);
        p->start();
    }

    void notStarted(int i) {
        const QString program = r_.job().engine;
        const QFileInfo fi(program);
        RunStatus s = r_.status(i);
        s.phase = RunPhase::NotStarted;
        s.ended = r_.elapsed();
        if (!fi.exists())
            s.reason = "File " + program.toStdString() + " was not found.";
        else if (!fi.isExecutable() || fi.isDir())
            s.reason = program.toStdString() + " may not be run (permission denied).";
        else
            s.reason = children_[static_cast<std::size_t>(i)]->errorString().toStdString();
        release(i);
        r_.update(i, s);
        launchMore();
    }

    void ended(int i, int code, QProcess::ExitStatus how) {
        RunStatus s = r_.status(i);
        if (hasEnded(s.phase)) return;
        s.ended = r_.elapsed();
        const bool stopped = std::find(stopping_.begin(), stopping_.end(), i) != stopping_.end();
        if (stopped) {
            s.phase = RunPhase::Stopped;
        } else if (how == QProcess::CrashExit) {
            s.phase = RunPhase::Failed;
            s.exitCode = -1;
            s.reason = "ended by a signal";
        } else {
            s.phase = code == 0 ? RunPhase::Done : RunPhase::Failed;
            s.exitCode = code;
        }
        QProcess* p = children_[static_cast<std::size_t>(i)].get();
        output_[i] += p->readAll();
        s.detail = lastLine(output_[i]);
        output_.remove(i);
        release(i);
        r_.update(i, s);
        launchMore();
    }

    // The process object goes once control is back in the event loop.
    void release(int i) {
        if (QProcess* p = children_[static_cast<std::size_t>(i)].release()) {
            p->disconnect(&r_);
            p->deleteLater();
        }
    }

    TableRunner& r_;
    std::vector<std::unique_ptr<QProcess>> children_;
    QHash<int, QByteArray> output_;
    std::vector<int> stopping_;
    int next_ = 0;
};

TableRunner::TableRunner(TableRunJob job, QObject* parent)
    : QObject(parent), job_(std::move(job)), status_(job_.decks.size()) {
    if (job_.slurm) {
        for (RunStatus& s : status_) s.phase = RunPhase::Pending;
        backend_ = makeSlurmBackend(*this);
    } else {
        backend_ = std::make_unique<LocalBackend>(*this);
    }
}

TableRunner::~TableRunner() {
    detached_ = true;  // nothing reported or deleted while the backend goes
    backend_.reset();
}

void TableRunner::start() {
    if (started_) return;
    started_ = true;
    clock_.start();
    backend_->start();
    finishIfDone();
}

void TableRunner::cancelWaiting() {
    if (active()) backend_->cancelWaiting();
}

void TableRunner::stopRunning() {
    if (active()) backend_->stopRunning();
}

void TableRunner::detach() {
    if (!active()) return;
    detached_ = true;
    backend_->detach();
}

int TableRunner::endedCount() const {
    int n = 0;
    for (const RunStatus& s : status_) n += hasEnded(s.phase);
    return n;
}

int TableRunner::runningCount() const {
    int n = 0;
    for (const RunStatus& s : status_) n += s.phase == RunPhase::Running;
    return n;
}

int TableRunner::waitingCount() const {
    int n = 0;
    for (const RunStatus& s : status_) n += s.phase == RunPhase::Waiting || s.phase == RunPhase::Pending;
    return n;
}

double TableRunner::elapsed() const { return clock_.isValid() ? clock_.nsecsElapsed() / 1e9 : 0.0; }

void TableRunner::update(int index, const RunStatus& s) {
    RunStatus& old = status_.at(static_cast<std::size_t>(index));
    const bool endsNow = !hasEnded(old.phase) && hasEnded(s.phase);
    old = s;
    peak_ = std::max(peak_, runningCount());
    emit runChanged(index);
    if (endsNow) emit runEnded(index);
}

void TableRunner::setClusterMessage(const QString& text) {
    if (text == clusterMessage_) return;
    clusterMessage_ = text;
    emit clusterMessageChanged();
}

void TableRunner::finishIfDone() {
    if (!started_ || finished_ || detached_ || !backend_ || endedCount() < runs()) return;
    finished_ = true;
    // Every run has ended: no run needs its deck any more.
    removeRunDecks();
    backend_->cleanUp();
    emit finished();
}

void TableRunner::removeRunDecks() {
    for (const std::string& d : job_.decks) QFile::remove(toQ(d));
}

}  // namespace run
