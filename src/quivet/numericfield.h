// NumericField: the numbers of one numeric QUIVET field (value, limits, unit
// conversion, display format) and the rules that show, check and convert it.
// The value is kept in SI units, the units the deck is written in.
#pragma once
#include <optional>
#include <string>

#include "common/numtext.h"

namespace quivet {

constexpr int kSI = 1;
constexpr int kEnglish = 2;

struct NumericField {
    long double value = 0;    // SI
    long double minimum = 0;  // SI, as written in the descriptor
    long double maximum = 0;
    long double offset = 0;   // English = (SI + offset) * factor
    long double factor = 1;
    pal::LabelFormat format{1, 0};
    std::string siUnit;
    std::string englishUnit;

    // A factor of 0 cannot be divided by; such a field is shown unconverted.
    long double usableFactor() const { return factor == 0 ? 1 : factor; }
    long double toShown(long double si, int unitSystem) const;
    long double toSI(long double shown, int unitSystem) const;
    const std::string& unitText(int unitSystem) const;
    // The value as the box shows it ("inf" for the blank marker).
    std::string shownText(int unitSystem) const;
    // "" when text is a number within the limits, else the message to show.
    // The limits are converted to the units in force for the check and the message.
    std::string checkText(const std::string& text, int unitSystem) const;
};

}  // namespace quivet
