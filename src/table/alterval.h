// TAlterValuesDlg: fills a range of runs of one table variable with a series of
// values (first value and last value, increment or multiplier) or clears them.
#pragma once
#include <QDialog>
#include <QPointer>

#include "table/tabledata.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TTableForm;

class TAlterValuesDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAlterValuesDlg(QWidget* parent = nullptr);

    void setTable(TTableForm* table) { table_ = table; }

    void FormActivate();
    void ClearValuesClick();
    void SetValuesClick();
    void LastIncBoxMouseDown();  // pops up the series-mode menu
    void LastValue1Click();
    void Increment1Click();
    void Multiplier1Click();
    void OKBtnClick();
    void Button1Click();  // Apply
    // Applies the dialog to the table; true when applied, false when a field was
    // refused (it is selected) or there is no table.
    [[nodiscard]] bool FillTable();

    table::SeriesMode seriesMode() const { return mode_; }

    QLineEdit* FirstRunEdit{nullptr};
    QLineEdit* LastRunEdit{nullptr};
    QRadioButton* ClearValues{nullptr};
    QRadioButton* SetValues{nullptr};
    QListWidget* VarList{nullptr};
    QLabel* FirstValueLabel{nullptr};
    QLineEdit* FirstValueEdit{nullptr};
    QPushButton* LastIncBox{nullptr};
    QLineEdit* SecondEdit{nullptr};
    QPushButton* OKBtn{nullptr};
    QPushButton* ApplyBtn{nullptr};
    QPushButton* CancelBtn{nullptr};

private:
    void setMode(table::SeriesMode m);
    void showValueControls();

    QPointer<TTableForm> table_;
    table::SeriesMode mode_ = table::SeriesMode::Increment;
};
