#include "quivet/fileinput.h"

TFileInput::TFileInput(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
}
