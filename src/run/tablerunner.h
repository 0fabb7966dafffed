// TableRunner: runs the engine on every run deck of a table, below the windows.
// The table window and the command line both drive it and show what it
// reports. Two ways to run: child processes on this machine, at most N at a
// time in run order, or one Slurm job array. Nothing waits in a nested loop:
// the runner reports each change through signals.
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <memory>
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

class TableRunner : public QObject {
    Q_OBJECT
public:
    class Backend;
    explicit TableRunner(TableRunJob job, QObject* parent = nullptr);
    // Runs still going on this machine are ended (terminate, then kill); a
    // Slurm job goes on.
    ~TableRunner() override;

    // Starts the runs (this machine) or submits the job array (Slurm; the
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
    friend class LocalBackend;
    friend class SlurmBackend;
    void update(int index, const RunStatus& s);
    void setJobId(const QString& id) { jobId_ = id; }
    void setClusterMessage(const QString& text);
    void finishIfDone();
    void removeRunDecks();

    TableRunJob job_;
    std::vector<RunStatus> status_;
    std::unique_ptr<Backend> backend_;
    QElapsedTimer clock_;
    QString jobId_;
    QString clusterMessage_;
    int peak_ = 0;
    bool started_ = false;
    bool finished_ = false;
    bool detached_ = false;
};

class TableRunner::Backend {
public:
    virtual ~Backend() = default;
    virtual void start() = 0;
    virtual void cancelWaiting() = 0;
    virtual void stopRunning() = 0;
    virtual void detach() {}
    // Slurm leaves its bookkeeping files beside the table; this removes them.
    virtual void cleanUp() {}
};

}  // namespace run
