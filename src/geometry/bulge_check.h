// Whether a bulged polyline segment is better written as a LINE: an arc so
// flat that single precision cannot hold or place it.
#pragma once

#include "geometry/bulge.h"
#include "geometry/vector.h"

namespace dxfprofile {

// The arc of a bulged segment from start to end with bulge b, as bulgeToArc
// gives it. True when the segment is to be written as a LINE: its chord
// lies within CURVE_TOLERANCE of the arc, however small the bulge, and the
// ARC record cannot stand for the arc: a value is not finite once narrowed
// to single precision, the narrowed angles are equal, or the record (centre,
// radius and angles narrowed, without the nudge; the angles read as true
// degrees) lies farther than CURVE_TOLERANCE, either way, from the exact arc
// between the vertices. Where the record cannot hold the arc and the chord
// is not within the tolerance either, narrowing the record refuses it.
bool bulgeArcNeedsLine(const BulgeArc& arc, Point start, Point end, double b);

// True when an ARC record cannot stand for the arc of a segment whose chord
// lies farther than CURVE_TOLERANCE from it: the narrowed start and end
// angles are equal, so the record would be a whole circle or nothing (a
// bulge of 1e38 on a chord of 5 gives such an arc). The entity is refused.
bool bulgeArcUnplaceable(const BulgeArc& arc, Point start, Point end, double b);

}  // namespace dxfprofile
