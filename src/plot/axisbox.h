// TAxisBox: one axis' group of controls in the plot dialogs (format, minimum,
// maximum, linear/log, number of ticks; in Modify Plot also title and grid).
#pragma once
#include <QGroupBox>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

class TAxisBox : public QGroupBox {
    Q_OBJECT
public:
    // prefix names the controls ("X" gives XMinimum, XMaximum, XTicks, ...).
    TAxisBox(const QString& title, const QString& prefix, bool modifyControls, QWidget* parent = nullptr);

    QComboBox* style{nullptr};    // "F" or "E"
    QComboBox* digits{nullptr};   // "0".."9"
    QLineEdit* minimum{nullptr};
    QLineEdit* maximum{nullptr};
    QRadioButton* linear{nullptr};
    QRadioButton* log{nullptr};
    QLineEdit* ticks{nullptr};
    QLineEdit* title{nullptr};    // Modify Plot only
    QCheckBox* grid{nullptr};     // Modify Plot only

    // 1 fixed ("F"), 0 exponential ("E").
    std::uint8_t styleCode() const;
    void setStyleCode(std::uint8_t code);
    int digitCount() const;
    void setDigitCount(int d);
    // Enables or disables the range, scale, format and tick controls.
    void setAxisControlsEnabled(bool on);
};
