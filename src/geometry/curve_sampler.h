// Points along a spline or an ellipse, dense enough to measure spans against.
#pragma once

#include <vector>

#include "geometry/curve_span.h"
#include "geometry/ellipse.h"
#include "geometry/spline.h"
#include "geometry/vector.h"

namespace dxfprofile {

// One of the two, the other left null.
struct ParametricCurve {
    const SplineCurve* spline = nullptr;
    const EllipseCurve* ellipse = nullptr;
};

// A curve that needs more samples is refused (CURVE_TOO_COMPLEX).
inline constexpr int MAX_CURVE_SAMPLES = 1 << 16;
Point curvePoint(const ParametricCurve& curve, double t);

// Replaces `samples` with points of the curve in order, from its start to
// its end. Between two neighbouring samples of a spline the curve stays
// within SAMPLE_FLATNESS of their chord, and the chord of the curve (its
// Bezier pieces bound it); an ellipse is cut into parameter steps short
// enough for its curvature to keep that, a full turn in at least sixteen. Returns CURVE_OK,
// CURVE_NOT_FINITE (a point that is not finite, the samples then empty) or CURVE_TOO_COMPLEX.
int sampleCurve(const ParametricCurve& curve, std::vector<Point>& samples);

}  // namespace dxfprofile
