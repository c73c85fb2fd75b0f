// ELLIPSE curves: P(t) = centre + cos(t) * major + sin(t) * minor, where minor
// is the major axis turned a quarter turn about the normal and scaled by the
// ratio.
#pragma once

#include "geometry/vector.h"

namespace dxfprofile {

// The groups of an ELLIPSE as read: centre (10, 20), major axis end point
// relative to the centre (11, 21), ratio (40), start and end parameter (41,
// 42, radians) and whether the normal (210, 220, 230) points down.
struct EllipseDefinition {
    Point centre;
    Point majorAxis;
    double ratio = 1.0;
    double startParameter = 0.0;
    double endParameter = 0.0;
    // The normal is (0, 0, -1): the parameter runs clockwise seen from above.
    bool normalDown = false;
};

// A checked ellipse, ready to evaluate on [tStart, tEnd].
struct EllipseCurve {
    Point centre;
    Point majorAxis;
    Point minorAxis;
    double tStart = 0.0;  // in [0, 2 pi)
    double tEnd = 0.0;    // above tStart by at most a full turn
};

// Checks a definition and builds its curve: CURVE_OK, CURVE_NOT_FINITE or
// CURVE_BAD_ELLIPSE (zero major axis, ratio not above 0). Both parameters are
// folded into [0, 2 pi); an end at or below the start lies one turn later,
// so equal parameters (0 and 2 pi among them) give the full ellipse, and so
// does a span within 1e-9 of a full turn, or more than one.
int prepareEllipse(const EllipseDefinition& ellipse, EllipseCurve& curve);

Point ellipsePoint(const EllipseCurve& curve, double t);

}  // namespace dxfprofile
