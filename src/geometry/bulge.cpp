#include "geometry/bulge.h"

#include <cmath>
#include <cstdio>

#include "geometry/trace.h"

namespace dxfprofile {

BulgeArc bulgeToArc(Point p1, Point p2, double b) {
    double c = pointDistance(p1, p2);
    double h = c / 2;
    double s = std::fabs(b * h);
    double r = (std::pow(s, 2.0) + std::pow(h, 2.0)) / (2 * s);
    if constexpr (traceGeometry) std::printf("\nr=%f", r);
    Point p3{(p1.x + p2.x) / 2, (p1.y + p2.y) / 2};
    if constexpr (traceGeometry) std::printf("\np3 %f %f", p3.x, p3.y);
    Vector v1 = b > 0 ? vectorBetween(p2, p1) : vectorBetween(p1, p2);
    if constexpr (traceGeometry) std::printf("\nv1 %f %f", v1.x, v1.y);
    Vector v2{-v1.y, v1.x, v1.len};
    v2 = unitVector(v2);
    if constexpr (traceGeometry) std::printf("\nv2 %f %f", v2.x, v2.y);
    Point p4 = pointAlong(p3, v2, r - s);
    if constexpr (traceGeometry) std::printf("\np4 %f %f", p4.x, p4.y);
    double SA = angle360(p4, p1);
    double EA = angle360(p4, p2);
    if constexpr (traceGeometry) std::printf("\nSA=%f\nEA=%f", SA, EA);
    if (b < 0) {
        double exchange = SA;
        SA = EA;
        EA = exchange;
    }
    BulgeArc arc;
    arc.centre = p4;
    arc.radius = r;
    arc.SA = SA;
    arc.EA = EA;
    return arc;
}

}  // namespace dxfprofile
