// Where the records of a profile lie in the drawing: the ends and sweep of
// an arc, and the box around everything a profile draws.
#pragma once

#include "preview/profile_reader.h"

namespace dxfprofile {

inline constexpr int RECORD_LINE = 101;
inline constexpr int RECORD_ARC = 102;
inline constexpr int RECORD_POINT = 103;
inline constexpr int RECORD_CIRCLE = 104;

double radians(double degrees);

// Where an ARC record runs: anticlockwise from the angle in value 6 to the
// angle in value 7 about the centre (value 1, value 2), radius value 3.
struct ArcGeometry {
    double startX, startY;
    double endX, endY;
    double radius;  // a negative radius is drawn as its magnitude
    double sweep;   // degrees, in (0, 360]; equal angles make a full circle
};

ArcGeometry arcGeometry(const ProfileRecord& record);

// The smallest box around everything the profile draws.
struct Bounds {
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
    bool empty = true;

    void add(double x, double y);
};

Bounds profileBounds(const Profile& profile);

}  // namespace dxfprofile
