// The shapes of an entity of a block, carried to where a block reference
// places them.
#pragma once

#include "geometry/curve_chain.h"
#include "geometry/placement.h"
#include "kinds/readers.h"

namespace dxfprofile {

// Places the shapes of `read` in world coordinates. Lines and points stay
// exact shapes, and circles and arcs too when `placement` is a similarity.
// Otherwise an entity with a circle or an arc becomes curves in `chain`, all
// its shapes in order (lines as straight splines, circles and arcs as
// ellipses), and keeps no shape; a curve that gives nothing leaves it out
// with the curve's status. A placed value that single precision cannot hold
// refuses the entity on the line of the value it was made from; a shape
// with a value that could not be read stays as read, to be refused as it
// stands.
void placeShapes(KindResult& read, const Placement& placement, CurveChain& chain);

}  // namespace dxfprofile
