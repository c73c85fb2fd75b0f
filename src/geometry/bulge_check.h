// Whether a bulged polyline segment is better written as a LINE: an arc so
// flat that single precision cannot place it.
#pragma once

#include "geometry/vector.h"

namespace dxfprofile {

// The arc of a bulged segment as the bulge conversion computes it: centre,
// radius, and angles in its degrees (DEG_PER_RAD), anticlockwise from
// startAngle to endAngle; start and end are the segment's vertices, in either
// order. True when the ARC record (centre, radius and angles narrowed to
// single precision, without the nudge; the angles read as true degrees) lies
// farther than CURVE_TOLERANCE, either way, from the exact arc between the
// vertices about that centre, while the straight segment lies within it.
// True as well when the arc's values are not finite (a bulge of 0,
// coincident vertices) but the vertices are.
bool bulgeArcNeedsLine(Point centre, double radius, double startAngle, double endAngle, Point start,
                       Point end);

}  // namespace dxfprofile
