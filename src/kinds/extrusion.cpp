#include "kinds/extrusion.h"

#include <cmath>

namespace dxfprofile {

Extrusion extrusionOf(EntityValues& values) {
    Extrusion extrusion;
    extrusion.x = values.real(210, 0.0);
    extrusion.y = values.real(220, 0.0);
    extrusion.z = values.real(230, 1.0);
    return extrusion;
}

Plane planeOf(const Extrusion& extrusion) {
    if (extrusion.x == 0.0 && extrusion.y == 0.0 && extrusion.z == 0.0) return Plane::upward;
    double limit = 1e-12 * std::fabs(extrusion.z);
    // Not a number fails every comparison; a z of 0 beside an x or a y
    // leaves no room at all.
    if (!(std::fabs(extrusion.x) <= limit && std::fabs(extrusion.y) <= limit)) return Plane::tilted;
    return extrusion.z > 0.0 ? Plane::upward : Plane::flipped;
}

double foldDegrees(double angle) {
    double folded = std::fmod(angle, 360.0);
    if (folded < 0.0) folded += 360.0;
    // Never 360, and never -0, which would print as "-0.000000".
    if (folded >= 360.0 || folded == 0.0) folded = 0.0;
    return folded;
}

}  // namespace dxfprofile
