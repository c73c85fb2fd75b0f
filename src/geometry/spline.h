// SPLINE curves as a drawing defines them by control points: checked, then
// evaluated as (rational) B-splines.
#pragma once

#include <vector>

#include "geometry/vector.h"

namespace dxfprofile {

// Work caps: a curve beyond them is refused, not approximated.
inline constexpr int MAX_SPLINE_DEGREE = 15;
inline constexpr int MAX_SPLINE_POINTS = 10000;

inline constexpr int SPLINE_CLOSED = 1;
inline constexpr int SPLINE_PERIODIC = 2;
inline constexpr int SPLINE_RATIONAL = 4;

// The groups of a SPLINE as read: degree (71), flags (70), knots (40),
// control points (10, 20), weights (41).
struct SplineDefinition {
    int degree = 0;
    // Closed and periodic change nothing: the curve is the one that the knots
    // and control points give. Rational neither: weights, when there are any,
    // make the curve rational.
    int flags = 0;
    std::vector<double> knots;  // none: clamped and uniform
    std::vector<Point> controlPoints;
    std::vector<double> weights;  // none: every weight 1
};

// A checked spline, ready to evaluate on [tStart, tEnd].
struct SplineCurve {
    int degree = 0;
    std::vector<double> knots;
    std::vector<Point> controlPoints;
    std::vector<double> weights;  // one per control point
    double tStart = 0.0;          // knots[degree]
    double tEnd = 0.0;            // knots[number of control points]
};

// Checks a definition and builds its curve. Returns CURVE_OK or the first
// fault found: CURVE_BAD_DEGREE, CURVE_TOO_LARGE, CURVE_FEW_POINTS,
// CURVE_NOT_FINITE, CURVE_BAD_WEIGHTS, CURVE_BAD_KNOTS, CURVE_POINT.
int prepareSpline(const SplineDefinition& spline, SplineCurve& curve);

// The point at parameter t, clamped to [tStart, tEnd] (de Boor's algorithm
// on homogeneous coordinates).
Point splinePoint(const SplineCurve& curve, double t);

}  // namespace dxfprofile
