// TInput: the edit box of a numeric field or of a heading's text on a QUIVET
// form. A numeric box keeps its field's value in SI units and checks the text
// when it loses the focus.
#pragma once
#include <QLineEdit>
#include <optional>

#include "quivet/numericfield.h"

class TInput : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kTag = 21;  // the help key reads help from a box with this tag
    explicit TInput(QWidget* parent = nullptr);

    bool active = true;        // the box belongs to a row
    qint32 help = 0;
    bool numeric = false;      // a numeric box (a heading text is not checked)
    quivet::NumericField field;
    int shownUnits = quivet::kSI;  // the unit system the box shows

    // Changed by the user since the last read or write.
    bool edited() const { return edited_; }
    void setEdited(bool on) { edited_ = on; }
    // Text typed since the value was last taken from the box.
    bool typed() const { return typed_; }
    // Brings back a box's typed state when its row is shown again.
    void setTyped(bool on) { typed_ = on; }

    // Shows the value in the given unit system; the text then stands for the value.
    void showValue(int unitSystem);
    // The value in SI units: the typed text when there is one, else the kept value
    // (which is more exact than the shown digits). Empty when the text is no number.
    std::optional<long double> currentValue() const;
    // Keeps the typed number as the value (SI); false when it is no number.
    bool takeTypedValue();

    // A numeric box's tooltip: the value at full precision in the units shown,
    // as the box's digits may round it ("12.3456789 m2").
    QString fullValueText() const;

    // The check on leaving the box: on a bad number the message is shown, the text
    // selected and the focus given back. True when the text is accepted.
    bool Exit();

signals:
    // After each check: accepted or refused.
    void checked(bool accepted);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool edited_ = false;
    bool typed_ = false;
};
