// The tolerance of a comparison of two runs: a new value differs from the
// reference where |new - ref| > max(abs, rel * |ref|).
#pragma once
#include <algorithm>
#include <cmath>
#include <string>

namespace cmp {

struct Tolerance {
    double abs = 1e-6;
    double rel = 1e-3;

    double allowed(double ref) const { return std::max(abs, rel * std::fabs(ref)); }
    // NaN is never within tolerance.
    bool outside(double ref, double value) const { return !(std::fabs(value - ref) <= allowed(ref)); }
};

// |value - ref| / |ref|; infinite where the reference is 0 and the value is not.
inline double relativeDifference(double ref, double value) {
    const double d = std::fabs(value - ref);
    if (d == 0) return 0;
    return ref != 0 ? d / std::fabs(ref) : HUGE_VAL;
}

// A number as the comparison reports it: "1.2346E-03", "0", "inf".
std::string numberText(double v, int digits = 5);

}  // namespace cmp
