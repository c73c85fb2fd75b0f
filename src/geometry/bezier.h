// A spline taken apart into the Bezier pieces of its knot intervals: a
// second way to evaluate it beside de Boor's algorithm, with pieces whose
// control points bound the curve.
#pragma once

#include <array>
#include <vector>

#include "geometry/spline.h"
#include "geometry/vector.h"

namespace dxfprofile {

// One knot interval of a spline as a (rational) Bezier curve on [0, 1], its
// control points in homogeneous coordinates (w x, w y, w). With every weight
// above 0 the curve lies in the convex hull of the points (x, y).
struct BezierPiece {
    int degree = 0;
    std::array<double, MAX_SPLINE_DEGREE + 1> x{};
    std::array<double, MAX_SPLINE_DEGREE + 1> y{};
    std::array<double, MAX_SPLINE_DEGREE + 1> w{};
};

// Replaces `pieces` with one piece per knot interval that is not empty, in
// order (the polar form of the spline at the interval's ends).
void splineBezierPieces(const SplineCurve& curve, std::vector<BezierPiece>& pieces);

// Control point i as a point of the plane.
Point bezierControl(const BezierPiece& piece, int i);

// The point at u in [0, 1] (de Casteljau).
Point bezierPoint(const BezierPiece& piece, double u);

// Cuts the piece at u = 1/2 into its two halves.
void splitBezier(const BezierPiece& piece, BezierPiece& first, BezierPiece& second);

// The largest distance from a control point to the segment between the end
// points: the whole piece lies that close to the segment, and the segment
// that close to the piece.
double bezierFlatness(const BezierPiece& piece);

}  // namespace dxfprofile
