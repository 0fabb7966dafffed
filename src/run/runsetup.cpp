#include "run/runsetup.h"
#include "shell/qtbytes.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
QString q(const std::string& s) { return toQ(s); }
std::string b(const QLineEdit* e) { return toBytes(e->text().trimmed()); }

QLineEdit* edit(const char* name, const QString& tip) {
    auto* e = new QLineEdit;
    e->setObjectName(QLatin1String(name));
    e->setToolTip(tip);
    e->setMaxLength(1000);
    return e;
}
}  // namespace

TRunSetupGroup::TRunSetupGroup(QWidget* parent) : QGroupBox(QStringLiteral("Table runs"), parent) {
    setObjectName(QStringLiteral("TableRuns"));
    ParallelRuns = new QSpinBox;
    ParallelRuns->setObjectName(QStringLiteral("ParallelRuns"));
    ParallelRuns->setRange(1, 256);
    ParallelRuns->setToolTip(QStringLiteral("How many runs of a table go at a time on this machine (%1 cores); "
                                            "1 runs them one after the other.")
                                 .arg(run::coreCount()));
    RunLocal = new QRadioButton(QStringLiteral("this machine"));
    RunLocal->setObjectName(QStringLiteral("RunLocal"));
    RunSlurm = new QRadioButton(QStringLiteral("a Slurm cluster"));
    RunSlurm->setObjectName(QStringLiteral("RunSlurm"));
    RunLocal->setChecked(true);
    auto* where = new QVBoxLayout;
    where->setContentsMargins(0, 0, 0, 0);
    where->addWidget(RunLocal);
    where->addWidget(RunSlurm);

    SlurmPartition = edit("SlurmPartition", QStringLiteral("Empty: the cluster's default partition"));
    SlurmTime = edit("SlurmTime", QStringLiteral("As sbatch --time takes it, for example 30 or 2:00:00; "
                                                 "empty: the partition's limit"));
    SlurmMemory = edit("SlurmMemory", QStringLiteral("As sbatch --mem takes it, for example 2G; empty: the default"));
    SlurmExtra = edit("SlurmExtra", QStringLiteral("More sbatch arguments, separated by blanks, for example "
                                                   "--account=lab --qos=short"));
    SlurmEngine = edit("SlurmEngine", QStringLiteral("KALVEX32.exe as the cluster's nodes find it; the files of "
                                                     "the table must be on a file system the nodes share"));

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Parallel runs"), ParallelRuns);
    form->addRow(QStringLiteral("Run tables on:"), where);
    form->addRow(QStringLiteral("Partition"), SlurmPartition);
    form->addRow(QStringLiteral("Time limit per run"), SlurmTime);
    form->addRow(QStringLiteral("Memory per run"), SlurmMemory);
    form->addRow(QStringLiteral("Extra sbatch arguments"), SlurmExtra);
    form->addRow(QStringLiteral("Engine path on the nodes"), SlurmEngine);
    connect(RunSlurm, &QRadioButton::toggled, this, &TRunSetupGroup::followChoice);
    followChoice();
}

void TRunSetupGroup::followChoice() {
    const bool slurm = RunSlurm->isChecked();
    for (QLineEdit* e : {SlurmPartition, SlurmTime, SlurmMemory, SlurmExtra, SlurmEngine}) e->setEnabled(slurm);
    ParallelRuns->setEnabled(!slurm);
}

void TRunSetupGroup::fill(const run::TableRunSettings& s, const QString& localEngine) {
    ParallelRuns->setValue(run::effectiveParallelRuns(s));
    (s.onSlurm ? RunSlurm : RunLocal)->setChecked(true);
    SlurmPartition->setText(q(s.slurm.partition));
    SlurmTime->setText(q(s.slurm.timeLimit));
    SlurmMemory->setText(q(s.slurm.memory));
    SlurmExtra->setText(q(s.slurm.extraArgs));
    SlurmEngine->setText(q(s.slurm.enginePath));
    SlurmEngine->setPlaceholderText(localEngine);
    followChoice();
}

run::TableRunSettings TRunSetupGroup::settings() const {
    run::TableRunSettings s;
    s.parallelRuns = ParallelRuns->value();
    s.onSlurm = RunSlurm->isChecked();
    s.slurm.partition = b(SlurmPartition);
    s.slurm.timeLimit = b(SlurmTime);
    s.slurm.memory = b(SlurmMemory);
    s.slurm.extraArgs = b(SlurmExtra);
    s.slurm.enginePath = b(SlurmEngine);
    return s;
}
