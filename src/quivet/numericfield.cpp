#include "quivet/numericfield.h"

#include <algorithm>

#include <cmath>

#include "common/bytes.h"
#include "quivet/fieldnumber.h"

namespace quivet {

long double NumericField::toShown(long double si, int unitSystem) const {
    if (unitSystem != kEnglish || si == pal::kBlankValue || si == -pal::kBlankValue) return si;
    return (si + offset) * usableFactor();
}

long double NumericField::toSI(long double shown, int unitSystem) const {
    if (unitSystem != kEnglish) return shown;
    return shown / usableFactor() - offset;
}

const std::string& NumericField::unitText(int unitSystem) const {
    return unitSystem == kEnglish ? englishUnit : siUnit;
}

std::string NumericField::shownText(int unitSystem) const {
    return pal::FormatValue(format, toShown(value, unitSystem));
}

std::string NumericField::checkText(const std::string& text, int unitSystem) const {
    const auto number = parseFieldNumber(text);
    if (!number) return pal::trim(text).empty() ? "The input field is empty" : "Illegal character in input";
    long double lo = toShown(minimum, unitSystem);
    long double hi = toShown(maximum, unitSystem);
    if (lo > hi) std::swap(lo, hi);
    // Converted limits carry rounding noise; a number typed as the shown limit
    // must pass.
    const long double slack = unitSystem == kEnglish ? 1e-12L * std::max(std::fabs(lo), std::fabs(hi)) : 0;
    if (*number < lo - slack || *number > hi + slack)
        return "This parameter must be >= " + pal::FormatValue(format, lo) + " and <= " + pal::FormatValue(format, hi);
    return {};
}

}  // namespace quivet
