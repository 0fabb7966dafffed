// The interpolating cubic spline that draws smoothed curves: coefficients with
// end conditions from the cubics through the first and the last four points.
#pragma once
#include <vector>

namespace plot {

class Spline {
public:
    // Fits the spline through (x[i], y[i]); x must increase strictly (false and
    // no spline otherwise, or with fewer than two points).
    bool SplineCoefficients(const std::vector<long double>& x, const std::vector<long double>& y);
    // The spline's value at u (the end cubics continue beyond the ends).
    long double SplineValue(long double u) const;

private:
    std::vector<long double> x_, y_, b_, c_, d_;
};

// A smoothed curve: 100 points evenly spread in x from the first to the last
// point (decreasing x is fitted in reverse). Empty when it cannot be fitted.
std::vector<std::pair<long double, long double>> smoothCurve(const std::vector<long double>& x, const std::vector<long double>& y);

}  // namespace plot
