#include "reader/extrusion.h"

#include <cmath>
#include <cstdlib>

namespace dxfprofile {

Plane planeOf(const Extrusion& extrusion) {
    if (extrusion.x != 0.0 || extrusion.y != 0.0) return Plane::tilted;
    if (extrusion.z > 0.0) return Plane::upward;
    if (extrusion.z < 0.0) return Plane::flipped;
    return Plane::tilted;  // z of 0, or not a number
}

void takeExtrusionGroup(Extrusion& extrusion, std::string_view code, const char* value) {
    if (code == "210") extrusion.x = std::atof(value);
    if (code == "220") extrusion.y = std::atof(value);
    if (code == "230") extrusion.z = std::atof(value);
}

double foldDegrees(double angle) {
    double folded = std::fmod(angle, 360.0);
    if (folded < 0.0) folded += 360.0;
    // Never 360, and never -0, which would print as "-0.000000".
    if (folded >= 360.0 || folded == 0.0) folded = 0.0;
    return folded;
}

std::string_view groupCode(const char* line, std::size_t length) {
    std::string_view code(line, length);
    const char* blanks = " \t\r\n";
    std::size_t first = code.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = code.find_last_not_of(blanks);
    return code.substr(first, last - first + 1);
}

}  // namespace dxfprofile
