// The extrusion direction (groups 210, 220, 230) of a planar entity, and
// what it means for a flat profile.
#pragma once

#include <cstdint>
#include <string_view>

namespace dxfprofile {

struct Extrusion {
    double x = 0.0;
    double y = 0.0;
    double z = 1.0;
};

enum class Plane {
    upward,   // (0, 0, z > 0): coordinates are world coordinates
    flipped,  // (0, 0, z < 0): the entity's x axis is the world's -x
    tilted,   // anything else: the entity cannot lie in a flat profile
};

Plane planeOf(const Extrusion& extrusion);

// Takes the value of an extrusion group, when `code` is 210, 220 or 230.
void takeExtrusionGroup(Extrusion& extrusion, std::string_view code, const char* value);

// Folds an angle in degrees into [0, 360).
double foldDegrees(double angle);

// The group code of a code line: the line without its blanks and line end.
std::string_view groupCode(const char* line, std::size_t length);

}  // namespace dxfprofile
