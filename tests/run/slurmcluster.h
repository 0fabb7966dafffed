// A one-node Slurm cluster for tests, started from the Debian packages in a
// temporary directory: its own munge key and socket, free ports, state and
// logs in the directory, SLURM_CONF pointing at its slurm.conf. The daemons run
// in the foreground as children that the kernel ends with the test process,
// however it ends. Needs root.
#pragma once
#include <QString>
#include <memory>
#include <vector>

class QProcess;

class LocalSlurmCluster {
public:
    explicit LocalSlurmCluster(const QString& dir);
    ~LocalSlurmCluster();

    // Starts munged, slurmctld and slurmd and waits until the node is idle.
    // False with the reason (and the daemons' logs) when it did not come up.
    bool start(QString& why);
    // Stops the daemons this object started.
    void stop();
    // The last lines of the daemons' logs.
    QString logs() const;
    QString node() const { return node_; }
    QString conf() const { return dir_ + QStringLiteral("/slurm.conf"); }

private:
    // Starts a daemon in the foreground as a child that dies with this process.
    bool daemon(const QString& name, const QStringList& args, QString& why);

    QString dir_;
    std::vector<std::unique_ptr<QProcess>> daemons_;
    QString node_;
    bool started_ = false;
};
