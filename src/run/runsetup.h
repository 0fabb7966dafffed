// TRunSetupGroup: the "Table runs" group of the setup dialog's engine page:
// parallel runs on this machine, this machine or a Slurm cluster, and the
// Slurm options. It edits a TableRunSettings value.
#pragma once
#include <QGroupBox>

#include "run/runsettings.h"

class QLineEdit;
class QRadioButton;
class QSpinBox;

class TRunSetupGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRunSetupGroup(QWidget* parent = nullptr);

    // localEngine is shown as the default of the engine path on the nodes.
    void fill(const run::TableRunSettings& s, const QString& localEngine);
    run::TableRunSettings settings() const;

    QSpinBox* ParallelRuns{nullptr};
    QRadioButton* RunLocal{nullptr};
    QRadioButton* RunSlurm{nullptr};
    QLineEdit* SlurmPartition{nullptr};
    QLineEdit* SlurmTime{nullptr};
    QLineEdit* SlurmMemory{nullptr};
    QLineEdit* SlurmExtra{nullptr};
    QLineEdit* SlurmEngine{nullptr};

private:
    void followChoice();
};
