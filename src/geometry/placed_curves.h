// Curves carried through a placement: an affine map keeps B-splines (their
// control points move, knots and weights stay) and takes an ellipse to an
// ellipse.
#pragma once

#include "geometry/ellipse.h"
#include "geometry/fit_points.h"
#include "geometry/placement.h"
#include "geometry/spline.h"

namespace dxfprofile {

// The image of the ellipse: its centre placed, its principal axes found
// again from the placed conjugate semi-axes, its parameters shifted by as
// much, and its normal set so that the parameter runs the way the image
// does; a full ellipse stays full. Returns CURVE_OK, or the status of
// prepareEllipse for a definition that is no ellipse, which is then left as
// it was.
int placeEllipse(EllipseDefinition& ellipse, const Placement& placement);

void placeSpline(SplineDefinition& spline, const Placement& placement);

// The fit points placed and the end tangents turned with the linear part:
// the curve through them is interpolated afterwards.
void placeFitPoints(FitPointDefinition& fit, const Placement& placement);

}  // namespace dxfprofile
