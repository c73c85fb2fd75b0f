// The pieces that a curve becomes in the profile (lines, arcs, circles), the
// tolerance they keep, and the statuses of the curve operations.
#pragma once

#include "geometry/vector.h"

namespace dxfprofile {

// Every span stays this close to its curve, both ways, once its record values
// are narrowed to single precision.
inline constexpr double CURVE_TOLERANCE = 0.005;
// Between two neighbouring samples of a curve, the curve and their chord lie
// at most this far apart.
inline constexpr double SAMPLE_FLATNESS = CURVE_TOLERANCE / 20;

inline constexpr int CURVE_OK = 0;
inline constexpr int CURVE_BAD_DEGREE = 1;       // degree below 1 or above MAX_SPLINE_DEGREE
inline constexpr int CURVE_TOO_LARGE = 2;        // more control points than MAX_SPLINE_POINTS
inline constexpr int CURVE_FEW_POINTS = 3;       // fewer control points than degree + 1
inline constexpr int CURVE_BAD_KNOTS = 4;        // count, order, value or empty range
inline constexpr int CURVE_BAD_WEIGHTS = 5;      // count, value not finite or not above 0
inline constexpr int CURVE_NOT_FINITE = 6;       // a coordinate or parameter, or a point on it
inline constexpr int CURVE_POINT = 7;            // all control points equal: no extent
inline constexpr int CURVE_BAD_ELLIPSE = 8;      // zero major axis, ratio not above 0
inline constexpr int CURVE_TOO_COMPLEX = 9;      // needs more samples than MAX_CURVE_SAMPLES
inline constexpr int CURVE_PRECISION = 10;       // single precision cannot hold the tolerance
inline constexpr int CURVE_TOO_MANY_SPANS = 11;  // more than MAX_CHAIN_SPANS before a flush

inline constexpr int SPAN_LINE = 1;
inline constexpr int SPAN_ARC = 2;
inline constexpr int SPAN_CIRCLE = 3;

// One piece of a curve, in double precision. The record made from it holds
// each coordinate and the radius as float(nudge(v)) and each angle as
// float(angle).
struct CurveSpan {
    int type = 0;
    Point start;   // SPAN_LINE: where the line starts
    Point end;     // SPAN_LINE: where it ends
    Point centre;  // SPAN_ARC, SPAN_CIRCLE
    double radius = 0.0;
    // SPAN_ARC, in degrees in [0, 360): the arc runs anticlockwise from
    // startAngle to endAngle.
    double startAngle = 0.0;
    double endAngle = 0.0;
    // SPAN_ARC: the curve runs the arc clockwise, so it enters the arc at
    // endAngle and leaves it at startAngle.
    bool clockwise = false;
};

// A short text for a status, for messages ("knots out of order or not finite").
const char* curveStatusText(int status);

}  // namespace dxfprofile
