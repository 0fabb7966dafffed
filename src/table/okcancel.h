// The OK/Cancel row of the table dialogs: OK, any buttons between, Cancel, at
// the right; none of them is a default button, so Enter in an edit does not
// close the dialog.
#pragma once
#include <initializer_list>

class QHBoxLayout;
class QPushButton;
class QWidget;

struct OkCancelRow {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QHBoxLayout* row = nullptr;  // to be placed in the dialog's layout
};
OkCancelRow makeOkCancelRow(QWidget* dialog, std::initializer_list<QPushButton*> between = {});
