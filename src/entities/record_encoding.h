// How a record holds what a reader computed: values nudged away from zero
// (geometry/nudge.h) and narrowed to single precision, and the ARC record's
// angles, for every kind that gives an ARC record.
#pragma once

#include <cstdint>

#include "entities/shape.h"
#include "geometry/nudge.h"

namespace dxfprofile {

struct EntityTable;

// Appends the record of `shape` to `table`: its values nudged where it says
// so, narrowed to single precision one by one in order. 0; -1 when a value
// cannot be read or narrowed, with `faultLine` its line and no record.
int appendShapeRecord(const Shape& shape, EntityTable& table, std::uint64_t& faultLine);

// A value as a curve's record holds it: nudged, then narrowed.
inline float narrowedNudged(double value) {
    return static_cast<float>(nudge(value));
}

// A mirrored angle of an ARC record: 360 minus the nudged angle.
inline double mirroredAngle(double degrees) {
    return 360.0 - nudge(degrees);
}

// The mirrored end angle of an ARC record, lowered by 360 when it exceeds
// the mirrored start by more than 90. They are compared in the precision
// given: a polyline's arcs in double, before they are narrowed; ARC
// entities and the arcs of curves in single precision, after.
template <typename Real>
Real lowerMirroredEnd(Real mirroredStart, Real mirroredEnd) {
    if (mirroredEnd - mirroredStart > static_cast<Real>(90))
        return static_cast<Real>(mirroredEnd - 360.0);
    return mirroredEnd;
}

}  // namespace dxfprofile
