#include "core/tools/CubicSpline.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/common/MessageSink.h"
#include "core/tools/SplineMessages.h"

namespace kurvex {

namespace {

// Moves the element at `node` down the max-heap x[0..size).
void SiftDown(std::span<double> x, std::span<double> y, std::size_t node, std::size_t size) {
    const double movingX = x[node];
    const double movingY = y[node];
    for (;;) {
        std::size_t child = 2 * node + 1;
        if (child >= size) break;
        if (child + 1 < size && x[child + 1] > x[child]) ++child;
        if (!(movingX < x[child])) break;
        x[node] = x[child];
        y[node] = y[child];
        node = child;
    }
    x[node] = movingX;
    y[node] = movingY;
}

}  // namespace

void HeapSortXY(std::span<double> x, std::span<double> y) {
    if (x.size() != y.size()) throw std::invalid_argument("HeapSortXY: x and y differ in length");
    const std::size_t n = x.size();
    if (n < 2) return;
    for (std::size_t node = n; node-- > 0;) SiftDown(x, y, node, n);
    for (std::size_t last = n - 1; last > 0; --last) {
        std::swap(x[0], x[last]);
        std::swap(y[0], y[last]);
        SiftDown(x, y, 0, last);
    }
}

long double EndSlope(std::span<const double> x, std::span<const double> y, std::size_t first, std::size_t last,
                     std::size_t end) {
    long double slope = 0;
    long double ownTerm = 0;
    const long double xk = x[end];
    for (std::size_t i = first; i <= last; ++i) {
        if (i == end) continue;
        long double product = 1;
        for (std::size_t m = first; m <= last; ++m)
            if (m != i && m != end) product *= (xk - x[m]) / (static_cast<long double>(x[i]) - x[m]);
        slope += y[i] * product / (static_cast<long double>(x[i]) - xk);
        ownTerm += 1.0L / (xk - x[i]);
    }
    return slope + y[end] * ownTerm;
}

bool CubicSplineCoefficients(std::span<const double> x, std::span<const double> y,
                             std::vector<std::array<double, 3>>& coef) {
    if (x.size() != y.size()) throw std::invalid_argument("CubicSplineCoefficients: x and y differ in length");
    const std::size_t n = x.size();
    if (n < 2) return false;
    for (std::size_t i = 0; i + 1 < n; ++i)
        if (!(x[i] < x[i + 1])) return false;

    // 0-based: points 0..n−1, intervals 0..n−2, h[i] = x[i+1] − x[i].
    auto h = [&](std::size_t i) { return static_cast<long double>(x[i + 1]) - x[i]; };
    auto divided = [&](std::size_t i) { return (static_cast<long double>(y[i + 1]) - y[i]) / h(i); };
    const std::size_t window = std::min<std::size_t>(4, n);
    const long double firstSlope = EndSlope(x, y, 0, window - 1, 0);
    const long double lastSlope = EndSlope(x, y, n - window, n - 1, n - 1);
    const long double beta1 = 6 * (divided(0) - firstSlope) / h(0);
    const long double beta2 = -6 * (divided(n - 2) - lastSlope) / h(n - 2);

    // Tridiagonal elimination M_i = p_i·M_{i+1} + q_i.
    std::vector<long double> p(n - 1), q(n - 1), second(n);
    p[0] = -0.5L;
    q[0] = beta1 / 2;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const long double lambda = h(i) / (h(i - 1) + h(i));
        const long double mu = 1 - lambda;
        const long double d = 6 * (divided(i) - divided(i - 1)) / (h(i - 1) + h(i));
        const long double denominator = mu * p[i - 1] + 2;
        p[i] = -lambda / denominator;
        q[i] = (d - mu * q[i - 1]) / denominator;
    }
    second[n - 1] = (beta2 - q[n - 2]) / (p[n - 2] + 2);
    std::vector<std::array<double, 3>> rows(n - 1);
    for (std::size_t i = n - 1; i-- > 0;) {
        second[i] = p[i] * second[i + 1] + q[i];
        const long double c3 = (second[i + 1] - second[i]) / (6 * h(i));
        const long double c2 = second[i] / 2;
        const long double c1 = divided(i) - (c3 * h(i) + c2) * h(i);
        rows[i] = {static_cast<double>(c1), static_cast<double>(c2), static_cast<double>(c3)};
        for (double c : rows[i])
            if (!std::isfinite(c)) return false;
    }
    coef = std::move(rows);
    return true;
}

bool CubicSplineSetup(std::span<const double> x, std::span<const double> y, std::vector<std::array<double, 3>>& coef) {
    if (x.size() < 2) {
        ShowError(kTooFewPointsForCubicMessage);
        return false;
    }
    for (std::size_t i = 0; i + 1 < x.size(); ++i)
        if (x[i] >= x[i + 1]) {
            ShowError(kDuplicateXMessage);
            return false;
        }
    if (!CubicSplineCoefficients(x, y, coef)) {
        ShowError("計算エラー");  // overflow with extreme data
        return false;
    }
    return true;
}

double CubicSplineValue(std::span<const double> x, std::span<const double> y,
                        std::span<const std::array<double, 3>> coef, double t) {
    const std::size_t n = x.size();
    if (n < 2 || coef.size() + 1 != n) throw std::invalid_argument("CubicSplineValue: no spline");
    std::size_t interval = 0;
    if (!(t < x[0])) {
        // Number of points with x <= t; the scan over the sorted points gives the same interval.
        const std::size_t atOrBelow = static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), t) - x.begin());
        if (atOrBelow >= n || atOrBelow == 0) {
            interval = n - 2;  // t >= last x (or t is NaN): the last cubic
        } else {
            interval = atOrBelow - 1;
            if (t == x[interval]) return y[interval];
        }
    }
    const long double u = static_cast<long double>(t) - x[interval];
    const std::array<double, 3>& c = coef[interval];
    return static_cast<double>(((c[2] * u + c[1]) * u + c[0]) * u + y[interval]);
}

bool CubicSpline(SplineState& state, std::span<const double> x, std::span<const double> y) {
    if (x.size() != y.size()) throw std::invalid_argument("CubicSpline: x and y differ in length");
    std::vector<double> px, py;
    for (std::size_t k = 0; k < x.size(); ++k)
        if (x[k] >= state.RangeMin && x[k] <= state.RangeMax) {
            px.push_back(x[k]);
            py.push_back(y[k]);
        }
    HeapSortXY(px, py);
    std::vector<std::array<double, 3>> coef;
    if (!CubicSplineSetup(px, py, coef)) return false;
    state.CubicCoef = std::move(coef);
    state.CurveY.resize(state.CurveX.size());
    for (std::size_t k = 0; k < state.CurveX.size(); ++k)
        state.CurveY[k] = CubicSplineValue(px, py, state.CubicCoef, state.CurveX[k]);
    return true;
}

}  // namespace kurvex
