#include "run/tablerunner.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

#include "shell/qtbytes.h"
#include "shell/seams.h"

namespace run {

namespace {

// The last non-blank line of what the engine printed.
std::string lastLine(const QByteArray& output) {
    const QList<QByteArray> lines = output.trimmed().split('\n');
    return lines.isEmpty() ? std::string() : bytesOf(lines.back().trimmed());
}

void signalGroup(QProcess& p, int sig) {
    const qint64 pid = p.processId();
    if (pid <= 0) return;
    // The group first (the engine and its children), the process itself too.
    ::kill(-static_cast<pid_t>(pid), sig);
    ::kill(static_cast<pid_t>(pid), sig);
}

// Children whose runner went: terminated now, killed after the grace period,
// and reaped by the event loop whenever they end, so that nobody waits for
// them. Those still there when the program ends go with the application.
class Reaper : public QObject {
public:
    static void take(std::unique_ptr<QProcess> p, int graceMs) {
        static Reaper* reaper = nullptr;
        if (!reaper) reaper = new Reaper(QCoreApplication::instance());
        QProcess* child = p.release();
        child->disconnect();
        child->setParent(reaper);
        if (child->state() == QProcess::NotRunning) {
            child->deleteLater();
            return;
        }
        QObject::connect(child, &QProcess::finished, child, &QObject::deleteLater);
        signalGroup(*child, SIGTERM);
        QTimer::singleShot(graceMs, child, [child] { signalGroup(*child, SIGKILL); });
    }

private:
    using QObject::QObject;
};

// Child processes on this machine, one per run it is handed. Each child leads
// its own process group, so that ending a run also ends whatever the engine
// started.
class LocalBackend : public RunBackend {
public:
    LocalBackend(const TableRunJob& job, Listener& listener, QObject* context)
        : job_(job), listener_(listener), context_(context), children_(job.decks.size()) {}

    ~LocalBackend() override {
        for (auto& c : children_)
            if (c) Reaper::take(std::move(c), job_.graceMs);
    }

    int capacity() const override { return std::max(1, job_.parallel); }
    bool queues() const override { return false; }
    void start(const std::vector<int>& runs) override {
        for (int i : runs) launch(i);
    }
    void cancelQueued() override {}

    void stop(const std::vector<int>& runs) override {
        std::vector<int> stopping;
        for (int i : runs) {
            QProcess* c = children_[static_cast<std::size_t>(i)].get();
            if (!c || c->state() == QProcess::NotRunning) continue;
            signalGroup(*c, SIGTERM);
            stopping.push_back(i);
        }
        if (!stopping.empty())
            QTimer::singleShot(job_.graceMs, context_, [this, stopping] {
                for (int i : stopping)
                    if (QProcess* c = children_[static_cast<std::size_t>(i)].get();
                        c && c->state() != QProcess::NotRunning)
                        signalGroup(*c, SIGKILL);
            });
    }

private:
    void launch(int i) {
        auto proc = std::make_unique<QProcess>();
        QProcess* p = proc.get();
        p->setProgram(job_.engine);
        p->setArguments({toQ(job_.decks[static_cast<std::size_t>(i)]), QStringLiteral("/N")});
        p->setWorkingDirectory(job_.workDir);
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->setChildProcessModifier([] { ::setpgid(0, 0); });
        QObject::connect(p, &QProcess::readyRead, context_, [this, i, p] {
            QByteArray& out = output_[i];
            out += p->readAll();
            if (out.size() > 4096) out = out.right(4096);
        });
        QObject::connect(p, &QProcess::started, context_, [this, i] { listener_.report(i, {}); });
        QObject::connect(p, &QProcess::finished, context_,
                         [this, i](int code, QProcess::ExitStatus how) { ended(i, code, how); });
        QObject::connect(p, &QProcess::errorOccurred, context_, [this, i](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart) notStarted(i);
        });
        children_[static_cast<std::size_t>(i)] = std::move(proc);
        if (LauncherService* l = seams().launcher)
            l->startChild(*p);
        else
            p->start();
    }

    void notStarted(int i) {
        const QFileInfo fi(job_.engine);
        RunReport r;
        r.event = RunReport::Event::NotStarted;
        if (!fi.exists())
            r.reason = "File " + toBytes(job_.engine) + " was not found.";
        else if (!fi.isExecutable() || fi.isDir())
            r.reason = toBytes(job_.engine) + " may not be run (permission denied).";
        else
            r.reason = toBytes(children_[static_cast<std::size_t>(i)]->errorString());
        release(i);
        listener_.report(i, r);
    }

    void ended(int i, int code, QProcess::ExitStatus how) {
        QProcess* p = children_[static_cast<std::size_t>(i)].get();
        if (!p) return;
        RunReport r;
        r.event = RunReport::Event::Exited;
        r.crashed = how == QProcess::CrashExit;
        r.exitCode = r.crashed ? -1 : code;
        output_[i] += p->readAll();
        r.detail = lastLine(output_[i]);
        output_.remove(i);
        release(i);
        listener_.report(i, r);
    }

    // The process object goes once control is back in the event loop.
    void release(int i) {
        if (QProcess* p = children_[static_cast<std::size_t>(i)].release()) {
            p->disconnect(context_);
            p->deleteLater();
        }
    }

    const TableRunJob& job_;
    Listener& listener_;
    QObject* context_;
    std::vector<std::unique_ptr<QProcess>> children_;
    QHash<int, QByteArray> output_;
};

// The exit codes of a shell whose engine was ended by SIGTERM or SIGKILL.
bool endedBySignal(const RunReport& r) { return r.crashed || r.exitCode == 143 || r.exitCode == 137 || r.exitCode < 0; }

}  // namespace

std::unique_ptr<RunBackend> makeLocalBackend(const TableRunJob& job, RunBackend::Listener& listener, QObject* context) {
    return std::make_unique<LocalBackend>(job, listener, context);
}

TableRunner::TableRunner(TableRunJob job, QObject* parent)
    : QObject(parent), job_(std::move(job)), status_(job_.decks.size()) {
    backend_ = job_.slurm ? makeSlurmBackend(job_, *this, this) : makeLocalBackend(job_, *this, this);
    if (backend_->queues())
        for (RunStatus& s : status_) s.phase = RunPhase::Pending;
}

TableRunner::~TableRunner() {
    detached_ = true;  // nothing reported or deleted while the back end goes
    backend_.reset();
}

void TableRunner::start() {
    if (started_) return;
    started_ = true;
    clock_.start();
    handOver();
    finishIfDone();
}

// Hands the back end the next runs in run order, as many as it takes.
void TableRunner::handOver() {
    std::vector<int> runs;
    int inFlight = 0;  // handed over and not ended
    for (int i = 0; i < next_; ++i) inFlight += !hasEnded(status(i).phase);
    const int room = backend_->capacity() - inFlight;
    while (next_ < this->runs() && static_cast<int>(runs.size()) < room) {
        const int i = next_++;
        if (status_[static_cast<std::size_t>(i)].phase != RunPhase::Waiting &&
            status_[static_cast<std::size_t>(i)].phase != RunPhase::Pending)
            continue;
        if (!backend_->queues()) {
            RunStatus s = status_[static_cast<std::size_t>(i)];
            s.phase = RunPhase::Running;
            s.started = elapsed();
            set(i, s);
        }
        runs.push_back(i);
    }
    if (!runs.empty()) backend_->start(runs);
}

void TableRunner::cancelWaiting() {
    if (!active()) return;
    for (int i = next_; i < runs(); ++i) {
        RunStatus s = status(i);
        if (s.phase != RunPhase::Waiting) continue;
        s.phase = RunPhase::Cancelled;
        set(i, s);
    }
    next_ = runs();
    if (backend_->queues()) {
        for (int i = 0; i < runs(); ++i)
            if (status(i).phase == RunPhase::Pending) stopAsked_.insert(i);
        backend_->cancelQueued();
    }
    finishIfDone();
}

void TableRunner::stopRunning() {
    if (!active()) return;
    std::vector<int> running;
    for (int i = 0; i < runs(); ++i) {
        if (hasEnded(status(i).phase)) continue;
        if (status(i).phase == RunPhase::Waiting && !backend_->queues()) continue;
        stopAsked_.insert(i);
        running.push_back(i);
    }
    backend_->stop(running);
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

// What a report means for the run: the runner's decision alone.
void TableRunner::report(int index, const RunReport& r) {
    if (detached_ || index < 0 || index >= runs()) return;
    RunStatus s = status(index);
    if (hasEnded(s.phase)) return;
    const double now = elapsed();
    const bool asked = stopAsked_.count(index) > 0;
    using E = RunReport::Event;
    switch (r.event) {
    case E::Queued:
        s.phase = RunPhase::Pending;
        s.reason = r.reason;
        break;
    case E::Started:
        if (s.phase != RunPhase::Running) s.started = now;
        s.phase = RunPhase::Running;
        s.reason.clear();
        if (!r.node.empty()) s.node = r.node;
        break;
    case E::Exited:
        if (r.took >= 0) {
            if (s.started < 0 || s.phase != RunPhase::Running) s.started = std::max(0.0, now - r.took);
            s.ended = s.started + r.took;
        } else {
            s.ended = now;
        }
        if (!r.node.empty()) s.node = r.node;
        s.exitCode = r.exitCode;
        s.reason.clear();
        s.detail = r.detail;
        if (asked && (backend_->queues() ? endedBySignal(r) : true)) {
            // Ended because the user asked: on this machine stopped, on the
            // cluster cancelled.
            s.phase = backend_->queues() ? RunPhase::Cancelled : RunPhase::Stopped;
        } else if (r.crashed) {
            s.phase = RunPhase::Failed;
            s.reason = "ended by a signal";
        } else {
            s.phase = r.exitCode == 0 ? RunPhase::Done : RunPhase::Failed;
        }
        break;
    case E::NotStarted:
        s.phase = RunPhase::NotStarted;
        s.reason = r.reason;
        s.ended = now;
        break;
    case E::Failed:
        s.phase = RunPhase::Failed;
        s.exitCode = -1;
        s.reason = r.reason;
        s.ended = now;
        if (!r.node.empty()) s.node = r.node;
        break;
    case E::Cancelled:
        s.phase = RunPhase::Cancelled;
        s.ended = now;
        if (!r.node.empty()) s.node = r.node;
        break;
    case E::Vanished:
        s.ended = now;
        if (asked) {
            s.phase = RunPhase::Cancelled;
        } else {
            s.phase = RunPhase::Lost;
            s.reason = r.reason.empty() ? "the task left Slurm's queue without an exit code" : r.reason;
            s.detail = r.detail;
        }
        break;
    }
    set(index, s);
    if (hasEnded(s.phase) && !backend_->queues()) handOver();
    finishIfDone();
}

void TableRunner::reportClusterMessage(const QString& text) {
    if (text == clusterMessage_) return;
    clusterMessage_ = text;
    emit clusterMessageChanged();
}

void TableRunner::set(int index, const RunStatus& s) {
    RunStatus& old = status_.at(static_cast<std::size_t>(index));
    const bool endsNow = !hasEnded(old.phase) && hasEnded(s.phase);
    old = s;
    peak_ = std::max(peak_, runningCount());
    emit runChanged(index);
    if (endsNow) emit runEnded(index);
}

void TableRunner::finishIfDone() {
    if (!started_ || finished_ || detached_ || endedCount() < runs()) return;
    finished_ = true;
    // Every run has ended: no run needs its deck any more.
    for (const std::string& d : job_.decks) QFile::remove(toQ(d));
    backend_->finish(status_);
    emit finished();
}

}  // namespace run
