// A one-node Slurm cluster for tests, started from the Debian packages in a
// temporary directory: its own munge key and socket, free ports, state and
// logs in the directory, SLURM_CONF pointing at its slurm.conf. Needs root.
#pragma once
#include <QString>

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
    QString dir_;
    QString node_;
    bool started_ = false;
};
