// SPLINE and ELLIPSE: each curve goes to the layer's chain of curves, which
// turns consecutive curves into records when it is flushed.
#pragma once

#include "geometry/curve_chain.h"
#include "kinds/readers.h"

namespace dxfprofile {

// The status of the chain that made the last curve reader leave its curve
// out (a curve status, or CURVE_FIT_POINTS_ONLY).
extern int curveFault;
inline constexpr int CURVE_FIT_POINTS_ONLY = 100;

// read: the curve is in the chain; leftOut: it gives no record (curveFault
// says why); tilted; outOfRange.
EntityOutcome readSplineEntity(const EntityGroups& entity, CurveChain& chain);
EntityOutcome readEllipseEntity(const EntityGroups& entity, CurveChain& chain);

// Appends the records of the curves in the chain, in order, and counts them
// by type. Returns the chain's flush status.
int appendCurveRecords(CurveChain& chain);

// The records that curves gave in the run, by type.
struct CurveRecords {
    int lines = 0;
    int arcs = 0;
    int circles = 0;
};
extern CurveRecords curveRecords;

}  // namespace dxfprofile
