#include "run/slurmrunner.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <functional>

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

// The exit codes of a shell whose engine was ended by SIGTERM or SIGKILL.
bool endedBySignal(int code) { return code == 143 || code == 137 || code < 0; }

}  // namespace

class SlurmBackend : public TableRunner::Backend {
public:
    explicit SlurmBackend(TableRunner& r) : r_(r) {
        poll_.setSingleShot(true);
        QObject::connect(&poll_, &QTimer::timeout, &r_, [this] { look(); });
    }

    void start() override {
        const TableRunJob& job = r_.job();
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
            for (int t = 1; t <= r_.runs(); ++t) {
                QFile::remove(toQ(slurmExitPath(table, t)));
                QFile::remove(toQ(slurmLogPath(table, t)));
            }
            pal::replaceFile(script_, slurmScript(in));
        } catch (const pal::IoError& e) {
            refuse(QStringLiteral("The batch script of this table could not be written: ") + toQ(e.what()));
            return;
        }
        QFile::setPermissions(toQ(script_), QFile::permissions(toQ(script_)) | QFile::ExeOwner);
        for (int i = 0; i < r_.runs(); ++i) {
            RunStatus s = r_.status(i);
            s.reason = "submitting";
            r_.update(i, s);
        }
        run(QStringLiteral("sbatch"), sbatchArguments(job.slurmOptions, r_.runs(), script_),
            [this](int code, const QByteArray& out, const QByteArray& err, bool started) {
                submitted(code, out, err, started);
            });
    }

    void cancelWaiting() override {
        for (int i = 0; i < r_.runs(); ++i)
            if (r_.status(i).phase == RunPhase::Pending) cancelled_[i] = true;
        if (jobId_.isEmpty()) {
            cancelBeforeSubmission_ = true;
            return;
        }
        scancel(true);
    }

    void stopRunning() override {
        for (int i = 0; i < r_.runs(); ++i)
            if (!hasEnded(r_.status(i).phase)) cancelled_[i] = true;
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

    void cleanUp() override {
        const std::string table = toBytes(r_.job().tablePath);
        for (int t = 1; t <= r_.runs(); ++t) {
            QFile::remove(toQ(slurmExitPath(table, t)));
            // Slurm's log of a task that ended normally says nothing new.
            const QString log = toQ(slurmLogPath(table, t));
            if (r_.status(t - 1).phase == RunPhase::Done || QFile(log).size() == 0) QFile::remove(log);
        }
    }

private:
    using Done = std::function<void(int code, const QByteArray& out, const QByteArray& err, bool started)>;

    // Runs one of Slurm's commands without a shell and without waiting.
    void run(const QString& program, const std::vector<std::string>& args, Done done) {
        auto* p = new QProcess(&r_);
        p->setProgram(program);
        p->setArguments(qList(args));
        p->setWorkingDirectory(r_.job().workDir);
        auto reported = std::make_shared<bool>(false);
        QObject::connect(p, &QProcess::finished, &r_, [p, done, reported](int code, QProcess::ExitStatus how) {
            if (*reported) return;
            *reported = true;
            done(how == QProcess::NormalExit ? code : -1, p->readAllStandardOutput(), p->readAllStandardError(), true);
            p->deleteLater();
        });
        QObject::connect(p, &QProcess::errorOccurred, &r_, [p, done, reported](QProcess::ProcessError e) {
            if (e != QProcess::FailedToStart || *reported) return;
            *reported = true;
            done(-1, {}, p->errorString().toLocal8Bit(), false);
            p->deleteLater();
        });
        p->start();
    }

    // Nothing was submitted: every run ends as not started; no task needs a deck.
    void refuse(const QString& text) {
        emit r_.problem(text);
        for (int i = 0; i < r_.runs(); ++i) {
            RunStatus s = r_.status(i);
            s.phase = RunPhase::NotStarted;
            s.reason = "not submitted";
            s.ended = r_.elapsed();
            r_.update(i, s);
        }
        r_.finishIfDone();
    }

    void submitted(int code, const QByteArray& out, const QByteArray& err, bool started) {
        if (!started) {
            refuse(QStringLiteral("The table could not be submitted to Slurm: the command sbatch was not found (") +
                   QString::fromLocal8Bit(err) +
                   QStringLiteral("). Slurm's commands sbatch, squeue and scancel must be installed on this machine."));
            return;
        }
        const auto id = parseJobId(out.toStdString());
        if (code != 0 || !id) {
            const QString said = QString::fromLocal8Bit(err + out).trimmed();
            refuse(QStringLiteral("Slurm refused the job of this table (sbatch exit code %1):\n").arg(code) + said);
            return;
        }
        jobId_ = toQ(*id);
        r_.setJobId(jobId_);
        for (int i = 0; i < r_.runs(); ++i) {
            RunStatus s = r_.status(i);
            s.reason.clear();
            r_.update(i, s);
        }
        if (cancelBeforeSubmission_) scancel(false);
        look();
    }

    void scancel(bool pendingOnly) {
        run(QStringLiteral("scancel"), scancelArguments(jobId_.toStdString(), pendingOnly),
            [this](int code, const QByteArray& out, const QByteArray& err, bool started) {
                // A job that has already left the queue needs no cancelling.
                if (started && (code == 0 || err.contains("Invalid job id"))) return;
                emit r_.problem(QStringLiteral("Slurm did not cancel job %1: ").arg(jobId_) +
                                QString::fromLocal8Bit(err + out).trimmed());
            });
    }

    void look() {
        if (detached_ || r_.isFinished()) return;
        run(QStringLiteral("squeue"), squeueArguments(jobId_.toStdString()),
            [this](int code, const QByteArray& out, const QByteArray& err, bool started) {
                seen(code, out, err, started);
            });
    }

    void again() {
        if (!detached_ && !r_.isFinished()) poll_.start(r_.job().pollMs);
    }

    void seen(int code, const QByteArray& out, const QByteArray& err, bool started) {
        const QString said = QString::fromLocal8Bit(err).trimmed();
        // A job that ended long ago is no longer known: none of its tasks is queued.
        const bool forgotten = code != 0 && said.contains(QLatin1String("Invalid job id"));
        if (!started || (code != 0 && !forgotten)) {
            r_.setClusterMessage(QStringLiteral("squeue: ") + (said.isEmpty() ? QStringLiteral("no answer") : said));
            again();
            return;
        }
        r_.setClusterMessage(QString());
        const auto queued = forgotten ? std::vector<SlurmTaskState>{} : parseSqueue(out.toStdString(), jobId_.toStdString());
        QHash<int, SlurmTaskState> byTask;
        for (const auto& q : queued) byTask.insert(q.task - 1, q);
        const double now = r_.elapsed();
        bool missing = false;
        for (int i = 0; i < r_.runs(); ++i) {
            RunStatus s = r_.status(i);
            if (hasEnded(s.phase)) continue;
            if (byTask.contains(i)) {
                queuedState(i, s, byTask.value(i), now);
                gone_.remove(i);
            } else if (!fromExitFile(i, s, now)) {
                if (!gone_.contains(i)) gone_.insert(i, now);
                if (cancelled_.value(i)) {
                    s.phase = RunPhase::Cancelled;
                    s.ended = now;
                    r_.update(i, s);
                } else {
                    missing = true;
                }
            }
        }
        if (missing && sacctWorks_)
            run(QStringLiteral("sacct"), sacctArguments(jobId_.toStdString()),
                [this](int code, const QByteArray& out, const QByteArray&, bool started) {
                    accounted(code == 0 && started, out);
                });
        else
            decideLost();
    }

    void queuedState(int i, RunStatus s, const SlurmTaskState& q, double now) {
        const bool pending = q.state == "PENDING" || q.state == "REQUEUED" || q.state == "REQUEUE_HOLD" ||
                             q.state == "REQUEUE_FED";
        if (pending) {
            s.phase = RunPhase::Pending;
            s.reason = q.reason == "None" ? std::string() : q.reason;
        } else {
            if (s.phase != RunPhase::Running) s.started = now;
            s.phase = RunPhase::Running;
            s.reason.clear();
            s.node = q.node;
        }
        const RunStatus& old = r_.status(i);
        if (old.phase != s.phase || old.node != s.node || old.reason != s.reason) r_.update(i, s);
    }

    bool fromExitFile(int i, RunStatus s, double now) {
        const std::string path = slurmExitPath(toBytes(r_.job().tablePath), i + 1);
        std::optional<TaskExit> e;
        try {
            if (QFile::exists(toQ(path))) e = parseExitFile(pal::readFileBytes(path));
        } catch (const pal::IoError&) {
        }
        if (!e) return false;
        const double took = e->end >= e->start ? static_cast<double>(e->end - e->start) : 0.0;
        if (s.started < 0 || s.phase != RunPhase::Running) s.started = std::max(0.0, now - took);
        s.ended = s.started + took;
        s.node = e->node;
        s.exitCode = e->code;
        s.reason.clear();
        if (cancelled_.value(i) && endedBySignal(e->code))
            s.phase = RunPhase::Cancelled;
        else
            s.phase = e->code == 0 ? RunPhase::Done : RunPhase::Failed;
        r_.update(i, s);
        return true;
    }

    void accounted(bool answered, const QByteArray& out) {
        if (!answered) {
            // Clusters without accounting answer "accounting storage is disabled".
            sacctWorks_ = false;
        } else {
            for (const auto& a : parseSacct(out.toStdString(), jobId_.toStdString())) {
                const int i = a.task - 1;
                if (i < 0 || i >= r_.runs() || hasEnded(r_.status(i).phase) || !gone_.contains(i)) continue;
                if (a.state == "PENDING" || a.state == "RUNNING" || a.state == "COMPLETED") continue;
                RunStatus s = r_.status(i);
                s.ended = r_.elapsed();
                if (!a.node.empty() && a.node != "None assigned") s.node = a.node;
                if (a.state == "CANCELLED") {
                    s.phase = RunPhase::Cancelled;
                } else {
                    s.phase = RunPhase::Failed;
                    s.exitCode = -1;
                    s.reason = stateWords(a.state) + " (Slurm: " + a.state + ", exit code " + a.reason + ")";
                }
                r_.update(i, s);
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

    // A task that left the queue and wrote no exit file within the grace
    // period ended without an end state: lost.
    void decideLost() {
        const double now = r_.elapsed();
        const std::string table = toBytes(r_.job().tablePath);
        for (auto it = gone_.begin(); it != gone_.end(); ++it) {
            const int i = it.key();
            RunStatus s = r_.status(i);
            if (hasEnded(s.phase) || now - it.value() < kExitFileGrace) continue;
            s.phase = RunPhase::Lost;
            s.ended = now;
            s.reason = "the task left Slurm's queue without an exit code";
            s.detail = "See " + slurmLogPath(table, i + 1);
            r_.update(i, s);
        }
        r_.finishIfDone();
        again();
    }

    TableRunner& r_;
    QTimer poll_;
    std::string script_;
    QString jobId_;
    QHash<int, bool> cancelled_;
    QHash<int, double> gone_;  // task index -> when it was first missing from the queue
    bool sacctWorks_ = true;
    bool detached_ = false;
    bool cancelBeforeSubmission_ = false;
};

std::unique_ptr<TableRunner::Backend> makeSlurmBackend(TableRunner& runner) {
    return std::make_unique<SlurmBackend>(runner);
}

}  // namespace run
