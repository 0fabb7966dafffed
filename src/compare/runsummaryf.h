// TRunsCompareForm: every run of a table compared with one run (run 1 or a
// chosen one): runs x variables, each cell the largest relative difference,
// coloured by its status. A double click opens the band plot of that cell.
#pragma once
#include <QString>
#include <vector>

#include "compare/comparedlg.h"
#include "compare/runsummary.h"
#include "shell/docwindow.h"

class QComboBox;
class QLabel;
class QTableWidget;

namespace plot {
struct PlotDocument;
}

class TRunsCompareForm : public TDocWindow {
    Q_OBJECT
public:
    // runFiles[i]: run i's plot data ("" for none; element 0 unused).
    TRunsCompareForm(const QString& tableName, std::vector<QString> runFiles, const CompareRequest& request,
                     QWidget* parent = nullptr);

    // Compares every run with the base run again (a failure is shown).
    void setBaseRun(int run);
    const cmp::RunsSummary& summary() const { return summary_; }
    QTableWidget* table() const { return table_; }
    QComboBox* baseChoice() const { return base_; }
    void openCell(int row, int column);

    void copy() override;
    void Print(PrintContext& ctx) override;

signals:
    void plotRequested(const plot::PlotDocument& doc);

private:
    std::vector<QString> files_;
    CompareRequest request_;
    cmp::RunsSummary summary_;
    QComboBox* base_{nullptr};
    QLabel* note_{nullptr};
    QTableWidget* table_{nullptr};
};
