#include "geometry/vector.h"

#include <algorithm>
#include <cmath>

namespace dxfprofile {

double vectorLength(Vector v) {
    return std::sqrt(std::pow(v.x, 2.0) + std::pow(v.y, 2.0));
}

double pointDistance(Point p, Point q) {
    return std::sqrt(std::pow(p.x - q.x, 2.0) + std::pow(p.y - q.y, 2.0));
}

double directionDegrees(Point p, Point q) {
    return std::atan2(q.y - p.y, q.x - p.x) * DEG_PER_RAD;
}

double angle360(Point p, Point q) {
    double a = directionDegrees(p, q);
    // Level with or below p: a full turn up, so that the fold turns the
    // positive x direction into 0 rather than 360.
    if (q.y - p.y <= 0.0) a = a + 360.0;
    return std::fmod(a, 360.0);
}

Vector vectorBetween(Point p, Point q) {
    Vector vOutput;
    vOutput.x = p.x - q.x;
    vOutput.y = p.y - q.y;
    vOutput.len = vectorLength(vOutput);
    return vOutput;
}

Vector unitVector(Vector v) {
    double length = vectorLength(v);
    Vector vOutput;
    vOutput.x = v.x / length;
    vOutput.y = v.y / length;
    vOutput.len = 1.0;
    return vOutput;
}

Point pointAlong(Point p, Vector v, double s) {
    Point pOutput;
    pOutput.x = s * v.x + p.x;
    pOutput.y = s * v.y + p.y;
    return pOutput;
}

double distanceToSegment(Point p, Point a, Point b) {
    double dx = b.x - a.x;
    double dy = b.y - a.y;
    double lengthSquared = dx * dx + dy * dy;
    double s = lengthSquared > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared : 0.0;
    s = std::clamp(s, 0.0, 1.0);
    return std::hypot(p.x - (a.x + s * dx), p.y - (a.y + s * dy));
}

}  // namespace dxfprofile
