#include "preview/profile_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dxfprofile {
namespace {

// An angle in [0, 360).
double normalDegrees(double degrees) {
    double reduced = std::fmod(degrees, 360.0);
    return reduced < 0.0 ? reduced + 360.0 : reduced;
}

}  // namespace

double radians(double degrees) {
    return degrees * (std::numbers::pi / 180.0);
}

ArcGeometry arcGeometry(const ProfileRecord& record) {
    ArcGeometry arc;
    double centreX = record.values[0];
    double centreY = record.values[1];
    arc.radius = std::fabs(record.values[2]);
    double start = radians(record.values[5]);
    double end = radians(record.values[6]);
    arc.startX = centreX + arc.radius * std::cos(start);
    arc.startY = centreY + arc.radius * std::sin(start);
    arc.endX = centreX + arc.radius * std::cos(end);
    arc.endY = centreY + arc.radius * std::sin(end);
    arc.sweep = normalDegrees(record.values[6] - record.values[5]);
    if (arc.sweep == 0.0) arc.sweep = 360.0;
    return arc;
}

void Bounds::add(double x, double y) {
    if (empty) {
        minX = maxX = x;
        minY = maxY = y;
        empty = false;
        return;
    }
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
}

Bounds profileBounds(const Profile& profile) {
    Bounds bounds;
    for (int i = 0; i < profile.count; ++i) {
        const ProfileRecord& record = profile.records[i];
        const double* v = record.values;
        if (record.type == RECORD_LINE) {
            bounds.add(v[0], v[1]);
            bounds.add(v[2], v[3]);
        } else if (record.type == RECORD_POINT) {
            bounds.add(v[0], v[1]);
        } else if (record.type == RECORD_CIRCLE) {
            double r = std::fabs(v[2]);
            bounds.add(v[0] - r, v[1] - r);
            bounds.add(v[0] + r, v[1] + r);
        } else if (record.type == RECORD_ARC) {
            ArcGeometry arc = arcGeometry(record);
            bounds.add(arc.startX, arc.startY);
            bounds.add(arc.endX, arc.endY);
            // The axis directions that the arc passes reach furthest out.
            const double axisX[4] = {1.0, 0.0, -1.0, 0.0};
            const double axisY[4] = {0.0, 1.0, 0.0, -1.0};
            for (int k = 0; k < 4; ++k) {
                if (normalDegrees(90.0 * k - v[5]) <= arc.sweep) {
                    bounds.add(v[0] + arc.radius * axisX[k], v[1] + arc.radius * axisY[k]);
                }
            }
        }
    }
    return bounds;
}

}  // namespace dxfprofile
