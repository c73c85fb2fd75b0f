#include "geometry/placement.h"

#include <cmath>
#include <numbers>

namespace dxfprofile {
namespace {

constexpr double RAD_PER_DEG = std::numbers::pi / 180.0;
constexpr double DEG_PER_RADIAN = 180.0 / std::numbers::pi;
// A linear part whose area factor is smaller than this flattens the plane.
constexpr double SMALLEST_AREA = 1e-300;
// How far from conformal a similarity may be, relative to its size.
constexpr double SIMILAR = 1e-9;
// A normal this close to the z axis, relative to its z, lies along it (as
// the entities' own normals do).
constexpr double NORMAL_SLACK = 1e-12;

struct Turn {
    double c = 1.0;
    double s = 0.0;
};

// The cosine and sine of a rotation in degrees; exact for quarter turns, so
// that a block drawn along the axes stays on them.
Turn turnOf(double degrees) {
    double folded = std::fmod(degrees, 360.0);
    if (std::fmod(folded, 90.0) == 0.0) {
        constexpr Turn QUARTERS[] = {{1.0, 0.0}, {0.0, 1.0}, {-1.0, 0.0}, {0.0, -1.0}};
        int quarter = static_cast<int>(folded / 90.0);
        return QUARTERS[(quarter + 4) % 4];
    }
    double radians = folded * RAD_PER_DEG;
    return {std::cos(radians), std::sin(radians)};
}

double determinant(const Placement& placement) {
    return placement.xx * placement.yy - placement.xy * placement.yx;
}

bool allFinite(const Placement& p) {
    const double values[] = {p.xx, p.xy, p.dx, p.yx, p.yy, p.dy, p.zz, p.dz};
    for (double value : values) {
        if (!std::isfinite(value)) return false;
    }
    return true;
}

bool allFinite(const InsertValues& v) {
    const double values[] = {v.baseX,   v.baseY,    v.baseZ,         v.x,
                             v.y,       v.z,        v.scaleX,        v.scaleY,
                             v.scaleZ,  v.rotation, v.columnSpacing, v.rowSpacing,
                             v.normalX, v.normalY,  v.normalZ};
    for (double value : values) {
        if (!std::isfinite(value)) return false;
    }
    return true;
}

enum class Normal { up, down, tilted };

Normal normalOf(const InsertValues& v) {
    if (v.normalX == 0.0 && v.normalY == 0.0 && v.normalZ == 0.0) return Normal::up;
    double limit = NORMAL_SLACK * std::fabs(v.normalZ);
    if (!(std::fabs(v.normalX) <= limit && std::fabs(v.normalY) <= limit)) return Normal::tilted;
    return v.normalZ > 0.0 ? Normal::up : Normal::down;
}

}  // namespace

bool isIdentity(const Placement& placement) {
    const Placement& i = IDENTITY_PLACEMENT;
    const Placement& p = placement;
    return p.xx == i.xx && p.xy == i.xy && p.dx == i.dx && p.yx == i.yx && p.yy == i.yy &&
           p.dy == i.dy && p.zz == i.zz && p.dz == i.dz;
}

Placement composePlacements(const Placement& outer, const Placement& inner) {
    const Placement& o = outer;
    const Placement& i = inner;
    Placement p;
    p.xx = o.xx * i.xx + o.xy * i.yx;
    p.xy = o.xx * i.xy + o.xy * i.yy;
    p.dx = o.xx * i.dx + o.xy * i.dy + o.dx;
    p.yx = o.yx * i.xx + o.yy * i.yx;
    p.yy = o.yx * i.xy + o.yy * i.yy;
    p.dy = o.yx * i.dx + o.yy * i.dy + o.dy;
    p.zz = o.zz * i.zz;
    p.dz = o.zz * i.dz + o.dz;
    return p;
}

Point placePoint(const Placement& placement, Point p) {
    const Placement& m = placement;
    return {m.xx * p.x + m.xy * p.y + m.dx, m.yx * p.x + m.yy * p.y + m.dy};
}

Point placeVector(const Placement& placement, Point v) {
    const Placement& m = placement;
    return {m.xx * v.x + m.xy * v.y, m.yx * v.x + m.yy * v.y};
}

double placeHeight(const Placement& placement, double z) {
    return placement.zz * z + placement.dz;
}

int insertPlacement(const InsertValues& v, int column, int row, Placement& out) {
    out = IDENTITY_PLACEMENT;
    if (!allFinite(v)) return PLACEMENT_NOT_FINITE;
    Normal normal = normalOf(v);
    if (normal == Normal::tilted) return PLACEMENT_TILTED;
    Turn turn = turnOf(v.rotation);
    Placement p;
    p.xx = turn.c * v.scaleX;
    p.xy = -turn.s * v.scaleY;
    p.yx = turn.s * v.scaleX;
    p.yy = turn.c * v.scaleY;
    p.zz = v.scaleZ;
    // The array's offset turns with the block but keeps its size.
    double across = column * v.columnSpacing;
    double up = row * v.rowSpacing;
    p.dx = v.x + (across * turn.c - up * turn.s) - (p.xx * v.baseX + p.xy * v.baseY);
    p.dy = v.y + (across * turn.s + up * turn.c) - (p.yx * v.baseX + p.yy * v.baseY);
    p.dz = v.z - p.zz * v.baseZ;
    if (normal == Normal::down) {
        // Seen from above, the reference's plane has its x and z reversed.
        p.xx = -p.xx;
        p.xy = -p.xy;
        p.dx = -p.dx;
        p.zz = -p.zz;
        p.dz = -p.dz;
    }
    if (!allFinite(p) || !std::isfinite(determinant(p))) return PLACEMENT_NOT_FINITE;
    if (std::fabs(determinant(p)) < SMALLEST_AREA || p.zz == 0.0) return PLACEMENT_DEGENERATE;
    out = p;
    return PLACEMENT_OK;
}

bool isSimilarity(const Placement& placement) {
    const Placement& p = placement;
    double size = std::hypot(std::hypot(p.xx, p.xy), std::hypot(p.yx, p.yy));
    double limit = SIMILAR * size;
    if (mirrors(p)) return std::hypot(p.xx + p.yy, p.xy - p.yx) <= limit;
    return std::hypot(p.xx - p.yy, p.xy + p.yx) <= limit;
}

double placementScale(const Placement& placement) {
    return std::sqrt(std::fabs(determinant(placement)));
}

double placementTurn(const Placement& placement) {
    double c = placement.xx;
    double s = placement.yx;
    if (s == 0.0) return c < 0.0 ? 180.0 : 0.0;
    if (c == 0.0) return s > 0.0 ? 90.0 : -90.0;
    return std::atan2(s, c) * DEG_PER_RADIAN;
}

bool mirrors(const Placement& placement) {
    return determinant(placement) < 0.0;
}

}  // namespace dxfprofile
