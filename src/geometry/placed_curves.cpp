#include "geometry/placed_curves.h"

#include <cmath>
#include <numbers>

#include "geometry/curve_span.h"

namespace dxfprofile {
namespace {

constexpr double FULL_TURN = 2.0 * std::numbers::pi;

double dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}

Point combined(double a, Point u, double b, Point v) {
    return {a * u.x + b * v.x, a * u.y + b * v.y};
}

}  // namespace

int placeEllipse(EllipseDefinition& ellipse, const Placement& placement) {
    EllipseCurve curve;
    int status = prepareEllipse(ellipse, curve);
    if (status != CURVE_OK) return status;
    // P(t) = C + cos t U + sin t V goes to C' + cos t U' + sin t V'; with
    // t = s + t0 the axes A = cos t0 U' + sin t0 V' and B = -sin t0 U' +
    // cos t0 V' are at right angles when tan 2 t0 = 2 U'.V' / (|U'|^2 -
    // |V'|^2), and this t0 makes A the longer one.
    Point u = placeVector(placement, curve.majorAxis);
    Point v = placeVector(placement, curve.minorAxis);
    double t0 = 0.5 * std::atan2(2.0 * dot(u, v), dot(u, u) - dot(v, v));
    double c = std::cos(t0);
    double s = std::sin(t0);
    Point major = combined(c, u, s, v);
    Point minor = combined(-s, u, c, v);
    double majorLength = std::hypot(major.x, major.y);
    ellipse.centre = placePoint(placement, curve.centre);
    ellipse.majorAxis = major;
    ellipse.ratio = std::hypot(minor.x, minor.y) / majorLength;
    // B turns anticlockwise from A, or clockwise: the normal says which.
    ellipse.normalDown = major.x * minor.y - major.y * minor.x < 0.0;
    ellipse.startParameter = curve.tStart - t0;
    // The span as it was, so that a full turn stays one and a short arc
    // stays short.
    bool full = curve.tEnd == curve.tStart + FULL_TURN;
    ellipse.endParameter = ellipse.startParameter + (full ? FULL_TURN : curve.tEnd - curve.tStart);
    return CURVE_OK;
}

void placeSpline(SplineDefinition& spline, const Placement& placement) {
    for (Point& p : spline.controlPoints) p = placePoint(placement, p);
}

void placeFitPoints(FitPointDefinition& fit, const Placement& placement) {
    for (Point& p : fit.fitPoints) p = placePoint(placement, p);
    fit.startTangent = placeVector(placement, fit.startTangent);
    fit.endTangent = placeVector(placement, fit.endTangent);
}

}  // namespace dxfprofile
