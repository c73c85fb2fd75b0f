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
// Between two neighbouring samples the curve strays at most this far from
// the chord, as tested at the quarter points of their parameter interval.
inline constexpr double SAMPLE_FLATNESS = CURVE_TOLERANCE / 20;

Point curvePoint(const ParametricCurve& curve, double t);

// Replaces `samples` with points of the curve in order, from its start to
// its end; each knot interval of a spline gets at least two pieces, a full
// turn of an ellipse at least sixteen. Returns CURVE_OK, CURVE_NOT_FINITE
// (a point that is not finite, the samples then empty) or CURVE_TOO_COMPLEX.
int sampleCurve(const ParametricCurve& curve, std::vector<Point>& samples);

}  // namespace dxfprofile
