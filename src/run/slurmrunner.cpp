// The Slurm side of TableRunner: submits the table as one job array, follows
// its tasks through squeue and their exit-code files, and cancels with scancel.
#include "run/tablerunner.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <set>

#include "common/ioerror.h"
#include "common/textfile.h"
#include "run/runsettings.h"
#include "run/slurmjob.h"
#include "shell/qtbytes.h"

namespace run {

namespace {

QStringList qList(const std::vector<std::string>& v) {
    QStringList out;
    for (const auto& s : v) out << toQ(s);
    return out;
}

// A task's exit file is looked for this long after the task left the queue,
// so that a file system shared with the nodes has time to show it.
constexpr double kExitFileGrace = 10.0;

}  // namespace

// Submits the runs it is handed as one job array, follows its tasks through
// squeue, their exit files and sacct, and reports what it sees.
class SlurmBackend : public RunBackend {
public:
    SlurmBackend(const TableRunJob& job, Listener& listener, QObject* context)
        : job_(job), listener_(listener), context_(context), ended_(job.decks.size(), false) {
        poll_.setSingleShot(true);
        QObject::connect(&poll_, &QTimer::timeout, context_, [this] { look(); });
        clock_.start();
    }

    int capacity() const override { return runs(); }
    bool queues() const override { return true; }

    void start(const std::vector<int>&) override {
        const TableRunJob& job = job_;
        const std::string table = toBytes(job.tablePath);
        SlurmScriptInput in;
        in.tablePath = table;
        in.workDir = toBytes(job.workDir);
        in.enginePath = job.slurmOptions.enginePath.empty() ? toBytes(job.engine)
                                                            : job.slurmOptions.enginePath;
        in.decks = job.decks;
        in.options = job.slurmOptions;
        script_ = slurmScriptPath(table);
        try {
            for (const std::string& d : job.decks) in.deckBytes.push_back(pal::readFileBytes(d));
            if (const auto switches = engineSwitchesFile()) {
                in.switchesPath = *switches;
                in.switches = pal::readFileBytes(*switches);
            }
            if (const auto problem = slurmScriptProblem(in)) {
                refuse(QStringLiteral("The table was not submitted: ") + toQ(*problem));
                return;
            }
            // Exit files of an earlier submission must not pass for this one's.
            for (int t = 1; t <= runs(); ++t) {
                QFile::remove(toQ(slurmExitPath(table, t)));
                QFile::remove(toQ(slurmLogPath(table, t)));
            }
            pal::replaceFile(script_, slurmScript(in));
        } catch (const pal::IoError& e) {
            refuse(QStringLiteral("The batch script of this table could not be written: ") + toQ(e.what()));
            return;
        }
        QFile::setPermissions(toQ(script_), QFile::permissions(toQ(script_)) | QFile::ExeOwner);
        for (int i = 0; i < runs(); ++i) queued(i, "submitting");
        run(QStringLiteral("sbatch"), sbatchArguments(job.slurmOptions, runs(), script_),
            [this](int code, const QByteArray& out, const QByteArray& err, bool started) {
                submitted(code, out, err, started);
            });
    }

    void cancelQueued() override {
        for (int i = 0; i < runs(); ++i)
            if (!hasEndedRun(i) && !running_.count(i)) cancelAsked_.insert(i);
        if (jobId_.isEmpty()) {
            cancelBeforeSubmission_ = true;
            return;
        }
        scancel(true);
    }

    void stop(const std::vector<int>&) override {
        for (int i = 0; i < runs(); ++i)
            if (!hasEndedRun(i)) cancelAsked_.insert(i);
        if (jobId_.isEmpty()) {
            cancelBeforeSubmission_ = true;
            return;
        }
        scancel(false);
    }

    void detach() override {
        detached_ = true;
        poll_.stop();
    }

    void finish(const std::vector<RunStatus>& statuses) override {
        finished_ = true;
        poll_.stop();
        const std::string table = toBytes(job_.tablePath);
        for (int t = 1; t <= runs(); ++t) {
            QFile::remove(toQ(slurmExitPath(table, t)));
            // Slurm's log of a task that ended normally says nothing new.
            const QString log = toQ(slurmLogPath(table, t));
            if (statuses.at(static_cast<std::size_t>(t - 1)).phase == RunPhase::Done || QFile(log).size() == 0)
                QFile::remove(log);
        }
    }

private:
    using Done = std::function<void(int code, const QByteArray& out, const QByteArray& err, bool started)>;

    int runs() const { return static_cast<int>(job_.decks.size()); }
    double now() const { return clock_.nsecsElapsed() / 1e9; }

    void say(int i, const RunReport& r) {
        if (r.event != RunReport::Event::Queued && r.event != RunReport::Event::Started)
            ended_[static_cast<std::size_t>(i)] = true;
        listener_.report(i, r);
    }
    void queued(int i, const std::string& reason) {
        RunReport r;
        r.event = RunReport::Event::Queued;
        r.reason = reason;
        say(i, r);
    }
    bool hasEndedRun(int i) const { return ended_[static_cast<std::size_t>(i)]; }

    // Runs one of Slurm's commands without a shell and without waiting.
    void run(const QString& program, const std::vector<std::string>& args, Done done) {
        auto* p = new QProcess(context_);
        p->setProgram(program);
        p->setArguments(qList(args));
        p->setWorkingDirectory(job_.workDir);
        auto reported = std::make_shared<bool>(false);
        QObject::connect(p, &QProcess::finished, context_, [p, done, reported](int code, QProcess::ExitStatus how) {
            if (*reported) return;
            *reported = true;
            done(how == QProcess::NormalExit ? code : -1, p->readAllStandardOutput(), p->readAllStandardError(), true);
            p->deleteLater();
        });
        QObject::connect(p, &QProcess::errorOccurred, context_, [p, done, reported](QProcess::ProcessError e) {
            if (e != QProcess::FailedToStart || *reported) return;
            *reported = true;
            done(-1, {}, byteArrayOf(toBytes(p->errorString())), false);
            p->deleteLater();
        });
        p->start();
    }

    // Nothing was submitted: every run ends as not started; no task needs a deck.
    void refuse(const QString& text) {
        listener_.reportProblem(text);
        for (int i = 0; i < runs(); ++i) {
            RunReport r;
            r.event = RunReport::Event::NotStarted;
            r.reason = "not submitted";
            say(i, r);
        }
    }

    void submitted(int code, const QByteArray& out, const QByteArray& err, bool started) {
        if (!started) {
            refuse(QStringLiteral("The table could not be submitted to Slurm: the command sbatch was not found (") +
                   textOf(err) +
                   QStringLiteral("). Slurm's commands sbatch, squeue and scancel must be installed on this machine."));
            return;
        }
        const auto id = parseJobId(bytesOf(out));
        if (code != 0 || !id) {
            const QString said = textOf(err + out).trimmed();
            refuse(QStringLiteral("Slurm refused the job of this table (sbatch exit code %1):\n").arg(code) + said);
            return;
        }
        jobId_ = toQ(*id);
        listener_.reportJobId(jobId_);
        for (int i = 0; i < runs(); ++i) queued(i, "");
        if (cancelBeforeSubmission_) scancel(false);
        look();
    }

    void scancel(bool pendingOnly) {
        run(QStringLiteral("scancel"), scancelArguments(toBytes(jobId_), pendingOnly),
            [this](int code, const QByteArray& out, const QByteArray& err, bool started) {
                // A job that has already left the queue needs no cancelling.
                if (started && (code == 0 || err.contains("Invalid job id"))) return;
                listener_.reportProblem(QStringLiteral("Slurm did not cancel job %1: ").arg(jobId_) +
                                textOf(err + out).trimmed());
            });
    }

    void look() {
        if (detached_ || finished_) return;
        run(QStringLiteral("squeue"), squeueArguments(toBytes(jobId_)),
            [this](int code, const QByteArray& out, const QByteArray& err, bool started) {
                seen(code, out, err, started);
            });
    }

    void again() {
        if (!detached_ && !finished_) poll_.start(job_.pollMs);
    }

    void seen(int code, const QByteArray& out, const QByteArray& err, bool started) {
        const QString said = textOf(err).trimmed();
        // A job that ended long ago is no longer known: none of its tasks is queued.
        const bool forgotten = code != 0 && said.contains(QLatin1String("Invalid job id"));
        if (!started || (code != 0 && !forgotten)) {
            listener_.reportClusterMessage(QStringLiteral("squeue: ") + (said.isEmpty() ? QStringLiteral("no answer") : said));
            again();
            return;
        }
        listener_.reportClusterMessage(QString());
        const auto queued = forgotten ? std::vector<SlurmTaskState>{} : parseSqueue(bytesOf(out), toBytes(jobId_));
        QHash<int, SlurmTaskState> byTask;
        for (const auto& q : queued) byTask.insert(q.task - 1, q);
        const double at = now();
        bool missing = false;
        for (int i = 0; i < runs(); ++i) {
            if (hasEndedRun(i)) continue;
            if (byTask.contains(i)) {
                queuedState(i, byTask.value(i));
                gone_.remove(i);
            } else if (!fromExitFile(i)) {
                if (!gone_.contains(i)) gone_.insert(i, at);
                missing = true;
            }
        }
        if (missing && sacctWorks_)
            run(QStringLiteral("sacct"), sacctArguments(toBytes(jobId_)),
                [this](int code, const QByteArray& out, const QByteArray&, bool started) {
                    accounted(code == 0 && started, out);
                });
        else
            decideLost();
    }

    void queuedState(int i, const SlurmTaskState& q) {
        const bool pending = q.state == "PENDING" || q.state == "REQUEUED" || q.state == "REQUEUE_HOLD" ||
                             q.state == "REQUEUE_FED";
        RunReport r;
        if (pending) {
            r.event = RunReport::Event::Queued;
            r.reason = q.reason == "None" ? std::string() : q.reason;
            running_.erase(i);
        } else {
            r.event = RunReport::Event::Started;
            r.node = q.node;
            running_.insert(i);
        }
        // Only news is reported.
        const auto key = std::make_pair(static_cast<int>(r.event), r.node + "\n" + r.reason);
        if (lastSeen_[i] == key) return;
        lastSeen_[i] = key;
        say(i, r);
    }

    bool fromExitFile(int i) {
        const std::string path = slurmExitPath(toBytes(job_.tablePath), i + 1);
        std::optional<TaskExit> e;
        try {
            if (QFile::exists(toQ(path))) e = parseExitFile(pal::readFileBytes(path));
        } catch (const pal::IoError&) {
        }
        if (!e) return false;
        RunReport r;
        r.event = RunReport::Event::Exited;
        r.took = e->end >= e->start ? static_cast<double>(e->end - e->start) : 0.0;
        r.node = e->node;
        r.exitCode = e->code;
        say(i, r);
        return true;
    }

    void accounted(bool answered, const QByteArray& out) {
        if (!answered) {
            // Clusters without accounting answer "accounting storage is disabled".
            sacctWorks_ = false;
        } else {
            for (const auto& a : parseSacct(bytesOf(out), toBytes(jobId_))) {
                const int i = a.task - 1;
                if (i < 0 || i >= runs() || hasEndedRun(i) || !gone_.contains(i)) continue;
                if (a.state == "PENDING" || a.state == "RUNNING" || a.state == "COMPLETED") continue;
                RunReport r;
                if (!a.node.empty() && a.node != "None assigned") r.node = a.node;
                if (a.state == "CANCELLED") {
                    r.event = RunReport::Event::Cancelled;
                } else {
                    r.event = RunReport::Event::Failed;
                    r.reason = stateWords(a.state) + " (Slurm: " + a.state + ", exit code " + a.reason + ")";
                }
                say(i, r);
            }
        }
        decideLost();
    }

    static std::string stateWords(const std::string& state) {
        if (state == "TIMEOUT") return "time limit reached";
        if (state == "OUT_OF_MEMORY") return "out of memory";
        if (state == "NODE_FAIL") return "node failed";
        std::string w = state;
        for (char& c : w) c = c == '_' ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return w;
    }

    // A task that left the queue and wrote no exit file: one this back end
    // cancelled was cancelled; any other that wrote none within the grace
    // period vanished without an end state.
    void decideLost() {
        const double at = now();
        const std::string table = toBytes(job_.tablePath);
        for (auto it = gone_.begin(); it != gone_.end(); ++it) {
            const int i = it.key();
            if (hasEndedRun(i)) continue;
            RunReport r;
            if (cancelAsked_.count(i)) {
                r.event = RunReport::Event::Cancelled;
            } else if (at - it.value() >= kExitFileGrace) {
                r.event = RunReport::Event::Vanished;
                r.detail = "See " + slurmLogPath(table, i + 1);
            } else {
                continue;
            }
            say(i, r);
        }
        again();
    }

    const TableRunJob& job_;
    Listener& listener_;
    QObject* context_;
    std::vector<bool> ended_;           // reported as ended
    std::set<int> running_;             // seen running in the queue
    std::set<int> cancelAsked_;         // tasks this back end asked Slurm to cancel
    std::map<int, std::pair<int, std::string>> lastSeen_;
    QElapsedTimer clock_;
    QTimer poll_;
    std::string script_;
    QString jobId_;
    QHash<int, double> gone_;  // task index -> when it was first missing from the queue
    bool sacctWorks_ = true;
    bool detached_ = false;
    bool finished_ = false;
    bool cancelBeforeSubmission_ = false;
};

std::unique_ptr<RunBackend> makeSlurmBackend(const TableRunJob& job, RunBackend::Listener& listener, QObject* context) {
    return std::make_unique<SlurmBackend>(job, listener, context);
}

}  // namespace run
