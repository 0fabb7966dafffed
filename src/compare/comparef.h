// TCompareForm: the result of a comparison of result files. Each file pair
// with its status; for plot data every variable with its status, largest
// differences, the X where the largest occurs and the first X outside the
// tolerance, sortable and copied as tab-separated text. A double click opens
// the band plot of a variable or the side-by-side comparison of a text file.
#pragma once
#include <QString>
#include <vector>

#include "compare/comparedlg.h"
#include "compare/filecompare.h"
#include "shell/docwindow.h"

class QLabel;
class QTableWidget;

namespace plot {
struct PlotDocument;
}

class TCompareForm : public TDocWindow {
    Q_OBJECT
public:
    // title: what is compared ("PUMP.DCK with its reference").
    TCompareForm(const QString& title, const CompareRequest& request, std::vector<cmp::FileResult> results,
                 QWidget* parent = nullptr);

    const std::vector<cmp::FileResult>& results() const { return results_; }
    QTableWidget* fileTable() const { return files_; }
    QTableWidget* variableTable() const { return variables_; }
    QLabel* header() const { return header_; }

    // The plot data file whose variables are listed (an index into results()).
    void showFile(int index);
    int shownFile() const { return shown_; }
    // Double click on a file row or a variable row.
    void openFile(int index);
    void openVariable(int row);

    // The selected rows of the list shown (all rows when none is selected) as
    // tab-separated text with a header line.
    QString tableText() const;
    void copy() override;
    void Print(PrintContext& ctx) override;

signals:
    void plotRequested(const plot::PlotDocument& doc);
    void textRequested(const QString& reference, const QString& candidate, const CompareRequest& request);

private:
    void fillFiles();
    QString headerText() const;

    CompareRequest request_;
    std::vector<cmp::FileResult> results_;
    QLabel* header_{nullptr};
    QTableWidget* files_{nullptr};
    QTableWidget* variables_{nullptr};
    int shown_ = -1;
};
