// Controls the Plot Setup and Modify Plot dialogs build alike.
#pragma once

class QCheckBox;
class QGridLayout;
class QPushButton;
class QWidget;
class TStylePicker;

namespace plot {

// The look of a curve: the Line, Symbol and Color pickers and the Smoothing
// box, children of dialog, named as tests and help find them.
struct CurveLookControls {
    TStylePicker* line;
    TStylePicker* symbol;
    TStylePicker* color;
    QCheckBox* smoothing;
};
CurveLookControls makeCurveLookControls(QWidget* dialog);

// OK (the default button) and Cancel side by side in row `row` of grid, which
// stretches below them; row moves past them.
struct OkCancelButtons {
    QPushButton* ok;
    QPushButton* cancel;
};
OkCancelButtons addOkCancelButtons(QGridLayout* grid, int& row, QWidget* dialog);

}  // namespace plot
