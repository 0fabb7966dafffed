// TPlotRunsDlg: asks for the X and the Y column of Plot > Plot table runs...
#pragma once
#include <QDialog>

class QComboBox;

class TPlotRunsDlg : public QDialog {
public:
    // columns: the names of the plot data columns of the table's runs.
    TPlotRunsDlg(const QStringList& columns, QWidget* parent = nullptr);

    QComboBox* XColumn{nullptr};
    QComboBox* YColumn{nullptr};
};
