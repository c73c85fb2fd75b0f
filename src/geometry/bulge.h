// A bulged polyline segment as an arc.
#pragma once

#include "geometry/vector.h"

namespace dxfprofile {

// The arc that replaces the chord from p1 to p2 with bulge b: its centre and
// radius, its start and end angle SA and EA (anticlockwise from SA to EA,
// each in [0, 360)) and the two mirrored angles, 360 minus the nudged SA and
// EA, the end one lowered by 360 when it exceeds the start one by more than
// 90.
struct BulgeArc {
    Point centre;
    double radius = 0.0;
    double mirroredStart = 0.0;
    double mirroredEnd = 0.0;
    double SA = 0.0;
    double EA = 0.0;
};

BulgeArc bulgeToArc(Point p1, Point p2, double b);

}  // namespace dxfprofile
