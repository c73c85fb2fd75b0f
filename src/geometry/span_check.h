// What a span becomes once its record values are narrowed to single
// precision, and how far that lies from the curve it stands for.
#pragma once

#include <span>

#include "geometry/curve_span.h"
#include "geometry/vector.h"

namespace dxfprofile {

// A coordinate or radius as the record holds it: nudged, then narrowed.
double narrowedLength(double value);
// An angle as the record holds it, in degrees: narrowed without the nudge.
double narrowedAngle(double degrees);

// The distance from p to the arc about centre that runs anticlockwise from
// the angle `from` through `sweep` (radians, sweep in [0, 2 pi]).
double distanceToArc(Point p, Point centre, double radius, double from, double sweep);

// The direction from centre to p in degrees, in [0, 360) also once narrowed.
double degreesAround(Point centre, Point p);

// The arc about centre with that radius from where a curve enters it to
// where it leaves it, its angles measured about the narrowed centre.
CurveSpan arcSpan(Point centre, double radius, Point enter, Point leave, bool clockwise);

// A bound above the largest distance between the narrowed record of `span`
// and the curve that `samples` trace in order, measured both ways: from each
// chord between neighbouring samples to the record (plus SAMPLE_FLATNESS, by
// which the curve may leave the chords), and between the ends of the record
// and the curve's; an arc and a circle must also turn about their centre as
// the samples do, so that the record follows the curve all along. Infinity
// when they do not, or when an arc's narrowed angles are equal.
double spanDeviation(const CurveSpan& span, std::span<const Point> samples);

}  // namespace dxfprofile
