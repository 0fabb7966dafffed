#include "slurmcluster.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString program(const QString& name) {
    const QString p = QStandardPaths::findExecutable(name, {"/usr/sbin", "/usr/bin", "/sbin", "/bin"});
    return p.isEmpty() ? name : p;
}

// A TCP port nobody listens on now.
int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

// Runs a command to its end; its output when it succeeded.
bool runCommand(const QString& prog, const QStringList& args, QString& output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program(prog), args);
    if (!p.waitForStarted(10000)) {
        output = prog + ": " + p.errorString();
        return false;
    }
    p.waitForFinished(30000);
    output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString tail(const QString& file, int lines) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("(no %1)\n").arg(file);
    const QStringList all = QString::fromLocal8Bit(f.readAll()).split('\n');
    return all.mid(std::max<qsizetype>(0, all.size() - lines)).join('\n') + '\n';
}

}  // namespace

bool LocalSlurmCluster::daemon(const QString& name, const QStringList& args, QString& why) {
    auto p = std::make_unique<QProcess>();
    p->setProgram(program(name));
    p->setArguments(args);
    p->setStandardOutputFile(dir_ + "/" + name + ".console");
    p->setStandardErrorFile(dir_ + "/" + name + ".console", QIODevice::Append);
    p->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    p->start();
    if (!p->waitForStarted(10000)) {
        why = name + " did not start: " + p->errorString() + "\n" + logs();
        return false;
    }
    daemons_.push_back(std::move(p));
    return true;
}

LocalSlurmCluster::LocalSlurmCluster(const QString& dir) : dir_(dir) {
    node_ = QSysInfo::machineHostName().section('.', 0, 0);
}

LocalSlurmCluster::~LocalSlurmCluster() { stop(); }

bool LocalSlurmCluster::start(QString& why) {
    if (::geteuid() != 0) {
        why = QStringLiteral("the Slurm test starts its daemons as root (as in CI); this user is not root");
        return false;
    }
    const QString d = dir_;
    for (const char* sub : {"munge", "state", "spool"}) QDir(d).mkpath(QLatin1String(sub));
    QFile::setPermissions(d + "/munge", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    {
        QFile key(d + "/munge/munge.key");
        QFile random(QStringLiteral("/dev/urandom"));
        if (!key.open(QIODevice::WriteOnly) || !random.open(QIODevice::ReadOnly)) {
            why = QStringLiteral("cannot write the munge key");
            return false;
        }
        key.write(random.read(1024));
    }
    QFile::setPermissions(d + "/munge/munge.key", QFile::ReadOwner);
    const QString socket = d + "/munge/munge.sock";
    QString out;
    started_ = true;
    if (!daemon("munged", {"--foreground", "--force", "--socket=" + socket, "--key-file=" + d + "/munge/munge.key",
                           "--log-file=" + d + "/munge/munged.log", "--pid-file=" + d + "/munge/munged.pid",
                           "--seed-file=" + d + "/munge/munged.seed"},
                why))
        return false;
    QElapsedTimer wait;
    wait.start();
    while (!QFile::exists(socket) && wait.elapsed() < 10000) QThread::msleep(50);
    const int ctld = freePort(), slurmd = freePort();
    QFile conf(this->conf());
    if (!conf.open(QIODevice::WriteOnly)) {
        why = QStringLiteral("cannot write slurm.conf");
        return false;
    }
    const int cpus = std::max(1, QThread::idealThreadCount());
    conf.write(QStringLiteral("ClusterName=palumarotest\n"
                              "SlurmctldHost=%1(127.0.0.1)\n"
                              "SlurmctldPort=%2\nSlurmdPort=%3\n"
                              "SlurmUser=root\nSlurmdUser=root\n"
                              "AuthType=auth/munge\nCredType=cred/munge\nAuthInfo=socket=%4\n"
                              "StateSaveLocation=%5/state\nSlurmdSpoolDir=%5/spool\n"
                              "SlurmctldPidFile=%5/slurmctld.pid\nSlurmdPidFile=%5/slurmd.pid\n"
                              "SlurmctldLogFile=%5/slurmctld.log\nSlurmdLogFile=%5/slurmd.log\n"
                              "ProctrackType=proctrack/linuxproc\nTaskPlugin=task/none\n"
                              "SchedulerType=sched/backfill\nSelectType=select/cons_tres\nSelectTypeParameters=CR_Core\n"
                              "ReturnToService=2\nMpiDefault=none\nJobCompType=jobcomp/none\n"
                              "NodeName=%1 NodeAddr=127.0.0.1 CPUs=%6 RealMemory=2000 State=UNKNOWN\n"
                              "PartitionName=debug Nodes=%1 Default=YES MaxTime=INFINITE State=UP\n")
                   .arg(node_)
                   .arg(ctld)
                   .arg(slurmd)
                   .arg(socket, d)
                   .arg(cpus)
                   .toLocal8Bit());
    conf.close();
    qputenv("SLURM_CONF", this->conf().toLocal8Bit());
    if (!daemon("slurmctld", {"-D"}, why) || !daemon("slurmd", {"-D"}, why)) return false;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60000) {
        if (runCommand("sinfo", {"--noheader", "--format=%t"}, out) && out.trimmed() == QLatin1String("idle")) return true;
        QThread::msleep(300);
    }
    why = "the node did not become idle within a minute (sinfo: " + out.trimmed() + ")\n" + logs();
    return false;
}

void LocalSlurmCluster::stop() {
    if (!started_) return;
    started_ = false;
    // slurmd first, munged last.
    for (auto it = daemons_.rbegin(); it != daemons_.rend(); ++it) {
        (*it)->terminate();
        if (!(*it)->waitForFinished(10000)) {
            (*it)->kill();
            (*it)->waitForFinished(2000);
        }
    }
    daemons_.clear();
}

QString LocalSlurmCluster::logs() const {
    return "--- munged.log\n" + tail(dir_ + "/munge/munged.log", 20) + "--- slurmctld.log\n" +
           tail(dir_ + "/slurmctld.log", 40) + "--- slurmd.log\n" + tail(dir_ + "/slurmd.log", 40) +
           "--- console\n" + tail(dir_ + "/munged.console", 10) + tail(dir_ + "/slurmctld.console", 10) +
           tail(dir_ + "/slurmd.console", 10);
}
