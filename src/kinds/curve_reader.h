// SPLINE and ELLIPSE: each curve goes to the layer's chain of curves, which
// turns consecutive curves into records when it is flushed.
#pragma once

#include "geometry/curve_chain.h"
#include "geometry/placement.h"
#include "kinds/readers.h"

namespace dxfprofile {

struct EntityTable;

// read: the curve is in the chain; leftOut: it gives no record (curveFault
// says why: a curve status); tilted; outOfRange. The curve goes to the chain
// where `placement` puts it (nothing is done for IDENTITY_PLACEMENT).
KindResult readSplineEntity(const EntityGroups& entity, CurveChain& chain,
                            const Placement& placement);
KindResult readEllipseEntity(const EntityGroups& entity, CurveChain& chain,
                             const Placement& placement);

// The records that curves gave in the run, by type.
struct CurveRecords {
    int lines = 0;
    int arcs = 0;
    int circles = 0;
};

// Appends the records of the curves in the chain to `table`, in order, and counts them
// by type in `curveRecords`. Returns the chain's flush status.
int appendCurveRecords(CurveChain& chain, CurveRecords& curveRecords, EntityTable& table);

}  // namespace dxfprofile
