// Where a block reference puts the block's geometry: an affine map of the
// plane (and of the height of points) from block coordinates to world
// coordinates, built the way CAD programs draw a reference.
#pragma once

#include "geometry/vector.h"

namespace dxfprofile {

// x' = xx x + xy y + dx, y' = yx x + yy y + dy; the height of a point z' =
// zz z + dz.
struct Placement {
    double xx = 1.0;
    double xy = 0.0;
    double dx = 0.0;
    double yx = 0.0;
    double yy = 1.0;
    double dy = 0.0;
    double zz = 1.0;
    double dz = 0.0;
};

// Model space: everything stays where it is.
inline constexpr Placement IDENTITY_PLACEMENT{};

bool isIdentity(const Placement& placement);

// `inner` applied first, then `outer`: a reference inside a block.
Placement composePlacements(const Placement& outer, const Placement& inner);

Point placePoint(const Placement& placement, Point p);
// A direction or an axis: the linear part alone.
Point placeVector(const Placement& placement, Point v);
double placeHeight(const Placement& placement, double z);

// What a reference's values give.
inline constexpr int PLACEMENT_OK = 0;
inline constexpr int PLACEMENT_TILTED = 1;      // its plane is not the xy plane
inline constexpr int PLACEMENT_NOT_FINITE = 2;  // a value or the map is not finite
inline constexpr int PLACEMENT_DEGENERATE = 3;  // the map flattens the plane (a scale of 0)

// The values of one block reference (INSERT) and of its block.
struct InsertValues {
    // The block's base point (BLOCK 10, 20, 30).
    double baseX = 0.0;
    double baseY = 0.0;
    double baseZ = 0.0;
    // The insertion point (10, 20, 30), in the reference's own plane.
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    // Scale factors (41, 42, 43).
    double scaleX = 1.0;
    double scaleY = 1.0;
    double scaleZ = 1.0;
    double rotation = 0.0;  // 50, degrees anticlockwise
    // Distances between the columns and rows of an array (44, 45).
    double columnSpacing = 0.0;
    double rowSpacing = 0.0;
    // The normal of the reference's plane (210, 220, 230).
    double normalX = 0.0;
    double normalY = 0.0;
    double normalZ = 1.0;
};

// The placement of the copy in `column` and `row` of a reference: block
// coordinates moved by minus the base point, scaled, turned by the rotation,
// moved to the insertion point plus the column and row spacings along the
// turned axes (not scaled), all in the reference's plane, then taken to
// world coordinates. A normal along -z mirrors x and z (the arbitrary axis
// rule); any other normal but +z gives PLACEMENT_TILTED. Returns
// PLACEMENT_OK or the first fault, with `out` the identity on a fault.
int insertPlacement(const InsertValues& v, int column, int row, Placement& out);

// The linear part is a rotation with a uniform scale, mirrored or not,
// within a relative 1e-9: it takes circles to circles.
bool isSimilarity(const Placement& placement);
// The square root of the linear part's area factor.
double placementScale(const Placement& placement);
// The direction in degrees, in (-180, 180], that the x axis takes; exact for
// the axes.
double placementTurn(const Placement& placement);
// The linear part reverses the sense of turns.
bool mirrors(const Placement& placement);

}  // namespace dxfprofile
