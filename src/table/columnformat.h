// TColumnFormatDlg: the display format of one table column (automatic, fixed or
// exponent style and the number of digits), asked from the grid's context menu.
#pragma once
#include <QDialog>

#include "common/numtext.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

class TColumnFormatDlg : public QDialog {
    Q_OBJECT
public:
    explicit TColumnFormatDlg(QWidget* parent = nullptr);

    // The column's name and its format when the dialog opens.
    void setColumn(const QString& name, pal::LabelFormat format);
    // The chosen format; what the user left alone stays as the column had it.
    pal::LabelFormat format() const;

    void StyleBoxChange();
    void OKBtnClick();

    QLabel* NameLabel{nullptr};
    QComboBox* StyleBox{nullptr};  // "Automatic", "Fixed", "Exponent"
    QSpinBox* DigitsBox{nullptr};
    QLabel* Sample{nullptr};       // how a value looks in the chosen format
    QPushButton* OKBtn{nullptr};
    QPushButton* CancelBtn{nullptr};

private:
    pal::LabelFormat original_{2, 4};
    int originalRow_ = 0;
};
