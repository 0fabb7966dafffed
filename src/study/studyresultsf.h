// TStudyResultsForm: the results of a table's runs, one row per run (run
// number, the table's variables, the chosen metrics, status), sortable by any
// column; copies as tab-separated text, exports CSV, keeps its metrics beside
// the table and asks for sensitivity plots.
#pragma once
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "shell/docwindow.h"
#include "study/collect.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace plot {
struct PlotDocument;
}

class TStudyResultsForm : public TDocWindow {
    Q_OBJECT
public:
    // files[i]: run i's plot data ("" for none); knownFailure[i]: why run i
    // did not end normally, when the table's last run said so.
    TStudyResultsForm(const QString& tablePath, table::TableData table, std::vector<std::string> files,
                      std::vector<std::optional<std::string>> knownFailure, QWidget* parent = nullptr);

    // Collects the metrics of the text ("LEVEL:max, ENERGY:final") from every
    // run and stores them beside the table. A bad text or a column the plot
    // data lacks is told and changes nothing; false then.
    bool collect(const QString& metricsText);
    const study::StudyResults& results() const { return results_; }
    // Stored result indices in the order the grid shows them.
    std::vector<std::size_t> shownOrder() const;

    // Adds the metric chosen in the column and metric boxes to the text.
    void AddBtnClick();
    void CollectBtnClick();
    // Writes the CSV of the rows as shown; false when the write failed (told).
    bool exportCsv(const QString& path);
    void ExportBtnClick();
    // The chosen metric against the chosen variable (one curve per value of
    // the second variable, when one is chosen).
    void PlotBtnClick();

    void copy() override;
    QString documentName() const override { return tablePath_; }

    QLineEdit* MetricsEdit{nullptr};
    QComboBox* ColumnChoice{nullptr};
    QComboBox* MetricChoice{nullptr};
    QLineEdit* AtEdit{nullptr};
    QTableWidget* Grid{nullptr};
    QComboBox* PlotMetric{nullptr};
    QComboBox* PlotX{nullptr};
    QComboBox* PlotBy{nullptr};
    QLabel* Note{nullptr};

signals:
    void plotRequested(const plot::PlotDocument& doc);

private:
    void fillGrid();
    QString tablePath_;
    table::TableData table_;
    std::vector<std::string> files_;
    std::vector<std::optional<std::string>> knownFailure_;
    study::StudyResults results_;
};
