// The plot dialogs' way of refusing a bad number: a beep, the focus back in the
// field and its text selected, no words.
#pragma once
#include <optional>

class QLineEdit;

namespace plot {

// Reads a real number from the field. Mode 0 takes any number; mode 1 only one
// above lowerBound. A refused field is beeped, focused and selected.
std::optional<long double> ReadFloatField(QLineEdit* field, int mode, long double lowerBound);
// Refuses a field the same way.
void refuseField(QLineEdit* field);

}  // namespace plot
