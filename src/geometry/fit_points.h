// SPLINE curves given by fit points alone: the cubic through them, built the
// way CAD programs build it, as control points and knots.
#pragma once

#include <vector>

#include "geometry/spline.h"
#include "geometry/vector.h"

namespace dxfprofile {

// Interpolation solves one equation per fit point: a curve with more is
// refused (CURVE_TOO_LARGE).
inline constexpr int MAX_FIT_POINTS = 2000;

// The groups of a SPLINE without control points: fit points (11, 21) and
// the start and end tangents (12, 22 and 13, 23), each of them optional.
struct FitPointDefinition {
    std::vector<Point> fitPoints;
    bool hasStartTangent = false;
    bool hasEndTangent = false;
    Point startTangent;
    Point endTangent;
};

// The cubic through the fit points, parameterised by chord length from 0 to
// 1, with interior knots at the parameters of the fit points (but the first
// and last inner one) and its end derivatives along the tangents, each as
// long as the fit points' polygon; a tangent not given (or of no length) is
// estimated from five neighbouring chords. Returns CURVE_OK,
// CURVE_FEW_POINTS (fewer than two), CURVE_TOO_LARGE, CURVE_NOT_FINITE,
// CURVE_POINT when all fit points are equal, or CURVE_BAD_KNOTS when the
// parameters allow no such cubic (a fit point repeated).
int interpolateFitPoints(const FitPointDefinition& fit, SplineDefinition& spline);

}  // namespace dxfprofile
