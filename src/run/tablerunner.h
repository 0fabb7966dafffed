// TableRunner: runs the engine on every run deck of a table, below the windows.
// The table window (its status column and the progress window) and the command
// line all show what it reports. It decides: which runs start, at most
// job.parallel at a time in run order (one at a time is a limit of 1), and what
// each report of a back end means for a run's state. Its back ends only start,
// stop and report: child processes on this machine, or one Slurm job array.
// Nothing waits in a nested loop; every change is a signal.
//
// For a new kind of run list (a study of many tables), build a TableRunJob (run
// decks in, listings beside them) and follow runChanged/runEnded/finished.
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "run/runplan.h"
#include "run/runsettings.h"

namespace run {

struct TableRunJob {
    std::vector<std::string> decks;     // the run deck of run i + 1
    std::vector<std::string> listings;  // where its listing will be
    QString engine;                     // this machine's engine (Slurm: the nodes', when given)
    QString workDir;                    // the runs' working directory
    QString tablePath;                  // names the Slurm files beside the table
    int parallel = 1;                   // runs at a time on this machine
    bool slurm = false;
    SlurmOptions slurmOptions;
    int graceMs = 5000;                 // between terminate and kill
    int pollMs = 2000;                  // between two looks at the Slurm queue
};

// What a back end saw happen to one run.
struct RunReport {
    enum class Event {
        Queued,      // waits for a node (Slurm); reason says why, if known
        Started,     // runs (on node, where known)
        Exited,      // ended with exitCode, or by a signal (crashed)
        NotStarted,  // could not be started (reason)
        Failed,      // the cluster ended it without an exit code of its own (reason)
        Cancelled,   // the cluster cancelled it
        Vanished,    // left the cluster without an end state (detail: where its log is)
    };
    Event event = Event::Started;
    int exitCode = 0;
    bool crashed = false;
    double took = -1;  // seconds it ran, when the back end knows better than the runner's clock
    std::string node, reason, detail;
};

// A way of running runs. It starts what the runner hands it and reports; it
// never decides a run's state.
class RunBackend {
public:
    class Listener {
    public:
        virtual void report(int index, const RunReport& report) = 0;
        virtual void reportProblem(const QString& text) = 0;  // for the user (Slurm's own words)
        virtual void reportJobId(const QString& id) = 0;
        virtual void reportClusterMessage(const QString& text) = 0;  // "" when the trouble is over

    protected:
        ~Listener() = default;
    };
    virtual ~RunBackend() = default;
    // How many runs it takes at a time; the runner hands over no more.
    virtual int capacity() const = 0;
    // True when handed runs wait in a queue of their own (reported Queued).
    virtual bool queues() const = 0;
    // Starts these runs (this machine: each at once; Slurm: as one job array).
    virtual void start(const std::vector<int>& runs) = 0;
    // Handed runs that are not running yet are dropped.
    virtual void cancelQueued() = 0;
    // These runs end: terminated, then killed after the grace period.
    virtual void stop(const std::vector<int>& runs) = 0;
    // No more reports wanted; what runs goes on where it runs (Slurm).
    virtual void detach() {}
    // Every run has ended.
    virtual void finish(const std::vector<RunStatus>& runs) { (void)runs; }
};

std::unique_ptr<RunBackend> makeLocalBackend(const TableRunJob& job, RunBackend::Listener& listener, QObject* context);
std::unique_ptr<RunBackend> makeSlurmBackend(const TableRunJob& job, RunBackend::Listener& listener, QObject* context);

class TableRunner : public QObject, private RunBackend::Listener {
    Q_OBJECT
public:
    explicit TableRunner(TableRunJob job, QObject* parent = nullptr);
    // Runs still going on this machine are ended (terminate, then kill) without
    // waiting for them; a Slurm job goes on.
    ~TableRunner() override;

    // Starts the first runs (this machine) or submits the job array (Slurm; the
    // answer comes later: a refusal is reported through problem() and every
    // run ends as not started).
    void start();
    // Runs that have not started end now (Slurm: pending tasks are cancelled).
    void cancelWaiting();
    // Running runs are ended: terminated, then killed after the grace period
    // (Slurm: scancel on the job).
    void stopRunning();
    // Leaves a Slurm job to itself: no more looks at the queue, and nothing is
    // deleted, since its tasks still need their run decks.
    void detach();

    const TableRunJob& job() const { return job_; }
    bool active() const { return started_ && !finished_ && !detached_; }
    bool isFinished() const { return finished_; }
    int runs() const { return static_cast<int>(status_.size()); }
    const std::vector<RunStatus>& statuses() const { return status_; }
    const RunStatus& status(int index) const { return status_.at(static_cast<std::size_t>(index)); }
    int endedCount() const;
    int runningCount() const;
    int waitingCount() const;
    int peakRunning() const { return peak_; }
    double elapsed() const;  // seconds since start()
    QString jobId() const { return jobId_; }
    // The last trouble with the cluster's commands, while it lasts ("" when none).
    QString clusterMessage() const { return clusterMessage_; }

signals:
    void runChanged(int index);
    void runEnded(int index);
    // A message for the user (Slurm's own text included).
    void problem(const QString& text);
    void clusterMessageChanged();
    // Every run has ended; the run decks are gone.
    void finished();

private:
    // RunBackend::Listener
    void report(int index, const RunReport& report) override;
    void reportProblem(const QString& text) override { emit problem(text); }
    void reportJobId(const QString& id) override { jobId_ = id; }
    void reportClusterMessage(const QString& text) override;

    void handOver();
    void set(int index, const RunStatus& s);
    void finishIfDone();

    TableRunJob job_;
    std::vector<RunStatus> status_;
    std::unique_ptr<RunBackend> backend_;
    std::set<int> stopAsked_;  // runs the user asked to end
    QElapsedTimer clock_;
    QString jobId_;
    QString clusterMessage_;
    int next_ = 0;  // the first run not handed over yet
    int peak_ = 0;
    bool started_ = false;
    bool finished_ = false;
    bool detached_ = false;
};

}  // namespace run
