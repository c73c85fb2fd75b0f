// Points and vectors in the plane, in double precision.
#pragma once

namespace dxfprofile {

// The factor from radians to degrees of the angles of a polyline's arcs. It
// is slightly larger than 180/pi, and profiles depend on it; the curve fit
// and the checks of bulged segments work with 180/pi itself.
inline constexpr double DEG_PER_RAD = 57.29577957855229;

struct Point {
    double x = 0.0;
    double y = 0.0;
};

struct Vector {
    double x = 0.0;
    double y = 0.0;
    double len = 0.0;  // stored by the producer; never read
};

double pointDistance(Point p, Point q);
double vectorLength(Vector v);
// Direction from p to q in degrees, signed.
double directionDegrees(Point p, Point q);
// Direction from p to q in degrees, in [0, 360).
double angle360(Point p, Point q);
// The vector that leads from q to p, with its length.
Vector vectorBetween(Point p, Point q);
Vector unitVector(Vector v);
// p moved s times along v.
Point pointAlong(Point p, Vector v, double s);
// The distance from p to the nearest point of the segment from a to b.
double distanceToSegment(Point p, Point a, Point b);

}  // namespace dxfprofile
