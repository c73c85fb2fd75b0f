#include "geometry/fit_points.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "geometry/curve_span.h"

namespace dxfprofile {
namespace {

constexpr int DEGREE = 3;
// Rows of the system reach this far from the diagonal, pivoting included.
constexpr std::size_t BAND = 8;

Point minus(Point a, Point b) {
    return Point{a.x - b.x, a.y - b.y};
}

Point scaled(Point a, double s) {
    return Point{a.x * s, a.y * s};
}

double cross(Point a, Point b) {
    return a.x * b.y - a.y * b.x;
}

double length(Point a) {
    return std::hypot(a.x, a.y);
}

// The direction at an end, from the chords there and two chords continued
// beyond the end (q[1] the chord at the end, q[2] the next one).
Point estimatedTangent(Point q1, Point q2) {
    Point q0 = minus(scaled(q1, 2.0), q2);
    Point qm = minus(scaled(q0, 2.0), q1);
    double v1 = std::fabs(cross(qm, q0));
    double v2 = std::fabs(cross(q1, q2));
    // Along a straight run the chords beyond the end may turn back.
    if (!(v1 + v2 > 0.0)) return q1;
    double alpha = v1 / (v1 + v2);
    return Point{(1.0 - alpha) * q0.x + alpha * q1.x, (1.0 - alpha) * q0.y + alpha * q1.y};
}

// The four cubic basis functions not zero at u, and the first of them.
std::size_t basis(const std::vector<double>& knots, std::size_t count, double u,
                  std::array<double, DEGREE + 1>& n) {
    std::size_t k = DEGREE;
    while (k + 1 < count && !(u < knots[k + 1])) ++k;
    std::array<double, DEGREE + 1> left{};
    std::array<double, DEGREE + 1> right{};
    n[0] = 1.0;
    for (int j = 1; j <= DEGREE; ++j) {
        left[j] = u - knots[k + 1 - j];
        right[j] = knots[k + j] - u;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            double temp = n[r] / (right[r + 1] + left[j - r]);
            n[r] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        n[j] = saved;
    }
    return k - DEGREE;
}

// Solves the banded system in place (Gaussian elimination with partial
// pivoting); false when it is singular.
bool solve(std::vector<double>& a, std::vector<Point>& b, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        std::size_t last = std::min(size, i + BAND);
        std::size_t pivot = i;
        for (std::size_t r = i + 1; r < last; ++r) {
            if (std::fabs(a[r * size + i]) > std::fabs(a[pivot * size + i])) pivot = r;
        }
        if (!(std::fabs(a[pivot * size + i]) > 0.0)) return false;
        std::size_t end = std::min(size, i + 2 * BAND);
        if (pivot != i) {
            for (std::size_t c = i; c < end; ++c) std::swap(a[i * size + c], a[pivot * size + c]);
            std::swap(b[i], b[pivot]);
        }
        for (std::size_t r = i + 1; r < last; ++r) {
            double f = a[r * size + i] / a[i * size + i];
            if (f == 0.0) continue;
            for (std::size_t c = i; c < end; ++c) a[r * size + c] -= f * a[i * size + c];
            b[r] = minus(b[r], scaled(b[i], f));
        }
    }
    for (std::size_t i = size; i-- > 0;) {
        Point sum = b[i];
        for (std::size_t c = i + 1; c < std::min(size, i + 2 * BAND); ++c)
            sum = minus(sum, scaled(b[c], a[i * size + c]));
        b[i] = scaled(sum, 1.0 / a[i * size + i]);
    }
    return true;
}

}  // namespace

int interpolateFitPoints(const FitPointDefinition& fit, SplineDefinition& spline) {
    spline = SplineDefinition{};
    const std::vector<Point>& p = fit.fitPoints;
    if (p.size() > static_cast<std::size_t>(MAX_FIT_POINTS)) return CURVE_TOO_LARGE;
    for (Point q : p) {
        if (!std::isfinite(q.x) || !std::isfinite(q.y)) return CURVE_NOT_FINITE;
    }
    if (p.size() < 2) return CURVE_FEW_POINTS;
    // Chord-length parameters.
    std::size_t n = p.size() - 1;
    std::vector<double> t(n + 1, 0.0);
    for (std::size_t k = 1; k <= n; ++k) t[k] = t[k - 1] + length(minus(p[k], p[k - 1]));
    double total = t[n];
    if (!std::isfinite(total)) return CURVE_NOT_FINITE;
    if (!(total > 0.0)) return CURVE_POINT;
    for (double& u : t) u /= total;
    t[n] = 1.0;

    Point start = fit.startTangent;
    Point end = fit.endTangent;
    if (!fit.hasStartTangent || !(length(start) > 0.0)) {
        start = n < 2 ? minus(p[1], p[0]) : estimatedTangent(minus(p[1], p[0]), minus(p[2], p[1]));
    }
    if (!fit.hasEndTangent || !(length(end) > 0.0)) {
        end = n < 2 ? minus(p[1], p[0])
                    : scaled(estimatedTangent(minus(p[n - 1], p[n]), minus(p[n - 2], p[n - 1])),
                             -1.0);
    }
    if (!(length(start) > 0.0) || !(length(end) > 0.0)) return CURVE_FEW_POINTS;
    start = scaled(start, total / length(start));
    end = scaled(end, total / length(end));

    // Natural knots: four zeros, the inner parameters but the last, four ones.
    std::size_t count = n + 3;
    std::vector<double> knots(DEGREE + 1, 0.0);
    for (std::size_t k = 1; k < n; ++k) knots.push_back(t[k]);
    knots.insert(knots.end(), DEGREE + 1, 1.0);

    // One row per fit point, and one per end derivative after the first and
    // before the last.
    std::vector<double> a(count * count, 0.0);
    std::vector<Point> b(count);
    std::size_t row = 0;
    for (std::size_t k = 0; k <= n; ++k) {
        if (k == n) {
            a[row * count + count - 2] = -1.0;
            a[row * count + count - 1] = 1.0;
            b[row++] = scaled(end, (1.0 - knots[count - 1]) / DEGREE);
        }
        std::array<double, DEGREE + 1> values{};
        std::size_t first = basis(knots, count, t[k], values);
        for (int j = 0; j <= DEGREE; ++j) a[row * count + first + j] = values[j];
        b[row++] = p[k];
        if (k == 0) {
            a[row * count + 0] = -1.0;
            a[row * count + 1] = 1.0;
            b[row++] = scaled(start, knots[DEGREE + 1] / DEGREE);
        }
    }
    if (!solve(a, b, count)) return CURVE_BAD_KNOTS;
    spline.degree = DEGREE;
    spline.knots = knots;
    spline.controlPoints = b;
    return CURVE_OK;
}

}  // namespace dxfprofile
