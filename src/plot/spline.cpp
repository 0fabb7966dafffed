#include "plot/spline.h"

#include <algorithm>
#include <cmath>

namespace plot {

bool Spline::SplineCoefficients(const std::vector<long double>& x, const std::vector<long double>& y) {
    const std::size_t n = std::min(x.size(), y.size());
    x_.assign(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n));
    y_.assign(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n));
    if (n < 2) return false;
    for (std::size_t i = 0; i + 1 < n; ++i)
        if (!(x_[i + 1] > x_[i]) || !std::isfinite(x_[i]) || !std::isfinite(x_[i + 1])) return false;
    b_.assign(n, 0);
    c_.assign(n, 0);
    d_.assign(n, 0);
    auto& b = b_;
    auto& c = c_;
    auto& d = d_;
    const auto& xs = x_;
    const auto& ys = y_;
    if (n == 2) {  // a straight line
        b[0] = b[1] = (ys[1] - ys[0]) / (xs[1] - xs[0]);
        return true;
    }
    const std::size_t m = n - 1;
    d[0] = xs[1] - xs[0];
    c[1] = (ys[1] - ys[0]) / d[0];
    for (std::size_t i = 1; i < m; ++i) {
        d[i] = xs[i + 1] - xs[i];
        b[i] = 2 * (d[i - 1] + d[i]);
        c[i + 1] = (ys[i + 1] - ys[i]) / d[i];
        c[i] = c[i + 1] - c[i];
    }
    // End conditions: the third derivatives of the cubics through the first and
    // the last four points (zero with three points).
    b[0] = -d[0];
    b[m] = -d[n - 2];
    c[0] = 0;
    c[m] = 0;
    if (n > 3) {
        c[0] = c[2] / (xs[3] - xs[1]) - c[1] / (xs[2] - xs[0]);
        c[m] = c[n - 2] / (xs[m] - xs[n - 3]) - c[n - 3] / (xs[n - 2] - xs[n - 4]);
        c[0] = c[0] * d[0] * d[0] / (xs[3] - xs[0]);
        c[m] = -c[m] * d[n - 2] * d[n - 2] / (xs[m] - xs[n - 4]);
    }
    for (std::size_t i = 1; i <= m; ++i) {
        const long double t = d[i - 1] / b[i - 1];
        b[i] -= t * d[i - 1];
        c[i] -= t * c[i - 1];
    }
    c[m] /= b[m];
    for (std::size_t k = m; k-- > 0;) c[k] = (c[k] - d[k] * c[k + 1]) / b[k];
    b[m] = (ys[m] - ys[n - 2]) / d[n - 2] + d[n - 2] * (c[n - 2] + 2 * c[m]);
    for (std::size_t i = 0; i < m; ++i) {
        b[i] = (ys[i + 1] - ys[i]) / d[i] - d[i] * (c[i + 1] + 2 * c[i]);
        d[i] = (c[i + 1] - c[i]) / d[i];
        c[i] = 3 * c[i];
    }
    c[m] = 3 * c[m];
    d[m] = d[n - 2];
    return true;
}

long double Spline::SplineValue(long double u) const {
    const std::size_t n = x_.size();
    if (n == 0) return 0;
    std::size_t i = 0, j = n;
    if (u >= x_[0]) {
        while (j > i + 1) {  // bisection for x[i] <= u < x[j]
            const std::size_t k = (i + j) / 2;
            if (u < x_[k]) j = k;
            else i = k;
        }
    }
    if (i >= n - 1 && n > 1 && u <= x_[n - 1]) i = n - 1;
    const long double dx = u - x_[i];
    return y_[i] + dx * (b_[i] + dx * (c_[i] + dx * d_[i]));
}

std::vector<std::pair<long double, long double>> smoothCurve(const std::vector<long double>& x, const std::vector<long double>& y) {
    std::vector<std::pair<long double, long double>> out;
    const std::size_t n = std::min(x.size(), y.size());
    if (n < 2) return out;
    std::vector<long double> xs(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n)), ys(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n));
    if (xs.back() < xs.front()) {
        std::reverse(xs.begin(), xs.end());
        std::reverse(ys.begin(), ys.end());
    }
    Spline s;
    if (!s.SplineCoefficients(xs, ys)) return out;
    const long double x1 = x.front(), xc = x[n - 1];
    out.emplace_back(x1, y.front());
    for (int i = 2; i <= 100; ++i) {
        const long double u = x1 + (xc - x1) * (i - 1) / 99;
        out.emplace_back(u, s.SplineValue(u));
    }
    return out;
}

}  // namespace plot
