// The extrusion direction (groups 210, 220, 230) of a planar entity, and
// what it means for a flat profile.
#pragma once

#include "dxf/entity_groups.h"

namespace dxfprofile {

struct Extrusion {
    double x = 0.0;
    double y = 0.0;
    double z = 1.0;
};

enum class Plane {
    upward,   // along +z: coordinates are world coordinates
    flipped,  // along -z: the entity's x axis is the world's -x
    tilted,   // anything else: the entity cannot lie in a flat profile
};

// The entity's extrusion, (0, 0, 1) for groups it does not have.
Extrusion extrusionOf(EntityValues& values);

// A normal within 1e-12 of the z axis counts as the z axis, and so does the
// normal (0, 0, 0), which some writers give for "none".
Plane planeOf(const Extrusion& extrusion);

// Folds an angle in degrees into [0, 360).
double foldDegrees(double angle);

}  // namespace dxfprofile
