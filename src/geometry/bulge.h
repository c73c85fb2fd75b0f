// A bulged polyline segment as an arc.
#pragma once

#include "geometry/vector.h"

namespace dxfprofile {

// The arc that replaces the chord from p1 to p2 with bulge b: its centre and
// radius, its start and end angle SA and EA (anticlockwise from SA to EA,
// each in [0, 360)).
struct BulgeArc {
    Point centre;
    double radius = 0.0;
    double SA = 0.0;
    double EA = 0.0;
};

BulgeArc bulgeToArc(Point p1, Point p2, double b);

}  // namespace dxfprofile
