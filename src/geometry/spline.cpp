#include "geometry/spline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "geometry/curve_span.h"

namespace dxfprofile {
namespace {

bool finitePoint(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Clamped and uniform: degree + 1 zeros, 1 to count - degree - 1, then
// degree + 1 times count - degree.
std::size_t knotCount(int count, int degree) {
    return static_cast<std::size_t>(count) + static_cast<std::size_t>(degree) + 1;
}

std::vector<double> clampedUniformKnots(int count, int degree) {
    std::vector<double> knots;
    knots.reserve(knotCount(count, degree));
    for (int i = 0; i <= degree; ++i) knots.push_back(0.0);
    for (int i = 1; i < count - degree; ++i) knots.push_back(i);
    for (int i = 0; i <= degree; ++i) knots.push_back(count - degree);
    return knots;
}

int checkKnots(const std::vector<double>& knots, int count, int degree) {
    if (knots.size() != knotCount(count, degree)) return CURVE_BAD_KNOTS;
    for (std::size_t i = 0; i < knots.size(); ++i) {
        if (!std::isfinite(knots[i])) return CURVE_BAD_KNOTS;
        if (i > 0 && knots[i] < knots[i - 1]) return CURVE_BAD_KNOTS;
    }
    // The curve lives between knot number degree and knot number count, and
    // its last knot interval must not be empty: ezdxf cannot evaluate the end
    // of such a curve.
    if (!(knots[degree] < knots[count]) || !(knots[count - 1] < knots[count])) {
        return CURVE_BAD_KNOTS;
    }
    return CURVE_OK;
}

}  // namespace

int prepareSpline(const SplineDefinition& spline, SplineCurve& curve) {
    curve = SplineCurve{};
    int degree = spline.degree;
    if (degree < 1 || degree > MAX_SPLINE_DEGREE) return CURVE_BAD_DEGREE;
    if (spline.controlPoints.size() > static_cast<std::size_t>(MAX_SPLINE_POINTS)) {
        return CURVE_TOO_LARGE;
    }
    int count = static_cast<int>(spline.controlPoints.size());
    if (count < degree + 1) return CURVE_FEW_POINTS;
    for (Point p : spline.controlPoints) {
        if (!finitePoint(p)) return CURVE_NOT_FINITE;
    }
    if (!spline.weights.empty()) {
        if (spline.weights.size() != spline.controlPoints.size()) return CURVE_BAD_WEIGHTS;
        for (double w : spline.weights) {
            if (!std::isfinite(w) || !(w > 0.0)) return CURVE_BAD_WEIGHTS;
        }
    }
    if (!spline.knots.empty()) {
        int status = checkKnots(spline.knots, count, degree);
        if (status != CURVE_OK) return status;
    }
    Point first = spline.controlPoints[0];
    bool allEqual = std::all_of(spline.controlPoints.begin(), spline.controlPoints.end(),
                                [first](Point p) { return p.x == first.x && p.y == first.y; });
    if (allEqual) return CURVE_POINT;

    curve.degree = degree;
    curve.knots = spline.knots.empty() ? clampedUniformKnots(count, degree) : spline.knots;
    curve.controlPoints = spline.controlPoints;
    curve.weights = spline.weights.empty() ? std::vector<double>(curve.controlPoints.size(), 1.0)
                                           : spline.weights;
    curve.tStart = curve.knots[degree];
    curve.tEnd = curve.knots[count];
    return CURVE_OK;
}

Point splinePoint(const SplineCurve& curve, double t) {
    const int p = curve.degree;
    const int count = static_cast<int>(curve.controlPoints.size());
    const std::vector<double>& knots = curve.knots;
    // The span k with knots[k] <= t < knots[k + 1], degree <= k < count; at
    // the end of the range, the last span that is not empty.
    int k = count - 1;
    if (t < curve.tEnd) {
        t = std::max(t, curve.tStart);
        auto from = knots.begin() + p;
        k = static_cast<int>(std::upper_bound(from, knots.begin() + count, t) - knots.begin()) - 1;
    } else {
        t = curve.tEnd;
        while (k > p && !(knots[k] < knots[k + 1])) --k;
    }
    // Homogeneous control points (w x, w y, w) of the span.
    std::array<double, MAX_SPLINE_DEGREE + 1> dx{};
    std::array<double, MAX_SPLINE_DEGREE + 1> dy{};
    std::array<double, MAX_SPLINE_DEGREE + 1> dw{};
    for (int j = 0; j <= p; ++j) {
        int i = k - p + j;
        double w = curve.weights[i];
        dx[j] = curve.controlPoints[i].x * w;
        dy[j] = curve.controlPoints[i].y * w;
        dw[j] = w;
    }
    for (int r = 1; r <= p; ++r) {
        for (int j = p; j >= r; --j) {
            int i = k - p + j;
            double alpha = (t - knots[i]) / (knots[i + p - r + 1] - knots[i]);
            dx[j] = (1.0 - alpha) * dx[j - 1] + alpha * dx[j];
            dy[j] = (1.0 - alpha) * dy[j - 1] + alpha * dy[j];
            dw[j] = (1.0 - alpha) * dw[j - 1] + alpha * dw[j];
        }
    }
    return Point{dx[p] / dw[p], dy[p] / dw[p]};
}

}  // namespace dxfprofile
