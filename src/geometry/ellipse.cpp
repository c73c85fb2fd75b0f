#include "geometry/ellipse.h"

#include <cmath>
#include <numbers>

#include "geometry/curve_span.h"

namespace dxfprofile {
namespace {

constexpr double FULL_TURN = 2.0 * std::numbers::pi;
// Writers round 2 pi either way: a span this close to a full turn is one.
constexpr double FULL_TURN_SLACK = 1e-9;

double foldParameter(double t) {
    double folded = std::fmod(t, FULL_TURN);
    if (folded < 0.0) folded += FULL_TURN;
    // A tiny negative value folds to 2 pi itself.
    return folded < FULL_TURN ? folded : 0.0;
}

}  // namespace

int prepareEllipse(const EllipseDefinition& ellipse, EllipseCurve& curve) {
    curve = EllipseCurve{};
    const double values[] = {ellipse.centre.x,    ellipse.centre.y, ellipse.majorAxis.x,
                             ellipse.majorAxis.y, ellipse.ratio,    ellipse.startParameter,
                             ellipse.endParameter};
    for (double v : values) {
        if (!std::isfinite(v)) return CURVE_NOT_FINITE;
    }
    if (ellipse.majorAxis.x == 0.0 && ellipse.majorAxis.y == 0.0) return CURVE_BAD_ELLIPSE;
    if (!(ellipse.ratio > 0.0)) return CURVE_BAD_ELLIPSE;

    curve.centre = ellipse.centre;
    curve.majorAxis = ellipse.majorAxis;
    // N x major with N = (0, 0, 1) turns the axis anticlockwise; with
    // (0, 0, -1), clockwise.
    double sign = ellipse.normalDown ? -1.0 : 1.0;
    curve.minorAxis = Point{-sign * ellipse.ratio * ellipse.majorAxis.y,
                            sign * ellipse.ratio * ellipse.majorAxis.x};
    curve.tStart = foldParameter(ellipse.startParameter);
    curve.tEnd = foldParameter(ellipse.endParameter);
    if (curve.tEnd <= curve.tStart) curve.tEnd += FULL_TURN;
    // The span as written, before the fold takes whole turns off it.
    double span = ellipse.endParameter - ellipse.startParameter;
    if (span >= FULL_TURN - FULL_TURN_SLACK ||
        curve.tEnd - curve.tStart >= FULL_TURN - FULL_TURN_SLACK)
        curve.tEnd = curve.tStart + FULL_TURN;
    return CURVE_OK;
}

Point ellipsePoint(const EllipseCurve& curve, double t) {
    double c = std::cos(t);
    double s = std::sin(t);
    return Point{curve.centre.x + c * curve.majorAxis.x + s * curve.minorAxis.x,
                 curve.centre.y + c * curve.majorAxis.y + s * curve.minorAxis.y};
}

}  // namespace dxfprofile
