#include "geometry/bulge_check.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "geometry/curve_span.h"
#include "geometry/span_check.h"

namespace dxfprofile {
namespace {

constexpr double PI = std::numbers::pi;
constexpr int ARC_SAMPLES = 128;

struct Arc {
    Point centre;
    double radius = 0.0;
    double from = 0.0;   // radians
    double sweep = 0.0;  // radians, anticlockwise
};

Point pointOn(const Arc& arc, double s) {
    double angle = arc.from + s * arc.sweep;
    return Point{arc.centre.x + arc.radius * std::cos(angle),
                 arc.centre.y + arc.radius * std::sin(angle)};
}

double distanceTo(Point p, const Arc& arc) {
    return distanceToArc(p, arc.centre, arc.radius, arc.from, arc.sweep);
}

// Both ways, at evenly spread points of each arc.
double arcDeviation(const Arc& exact, const Arc& narrowed) {
    double worst = 0.0;
    for (int i = 0; i <= ARC_SAMPLES; ++i) {
        double s = static_cast<double>(i) / ARC_SAMPLES;
        worst = std::max(worst, distanceTo(pointOn(exact, s), narrowed));
        worst = std::max(worst, distanceTo(pointOn(narrowed, s), exact));
    }
    return worst;
}

double segmentDeviation(const Arc& exact, Point start, Point end) {
    double worst = 0.0;
    for (int i = 0; i <= ARC_SAMPLES; ++i) {
        double s = static_cast<double>(i) / ARC_SAMPLES;
        Point along{start.x + s * (end.x - start.x), start.y + s * (end.y - start.y)};
        worst = std::max(worst, distanceTo(along, exact));
        worst = std::max(worst, distanceToSegment(pointOn(exact, s), start, end));
    }
    return worst;
}

double sweepBetween(double from, double to) {
    double sweep = std::fmod(to - from, 2.0 * PI);
    return sweep < 0.0 ? sweep + 2.0 * PI : sweep;
}

// How far apart two directions are, in radians, in [0, pi].
double angleApart(double a, double b) {
    double apart = std::fmod(std::fabs(a - b), 2.0 * PI);
    return apart > PI ? 2.0 * PI - apart : apart;
}

}  // namespace

bool bulgeArcNeedsLine(Point centre, double radius, double startAngle, double endAngle, Point start,
                       Point end) {
    if (!std::isfinite(start.x) || !std::isfinite(start.y) || !std::isfinite(end.x) ||
        !std::isfinite(end.y)) {
        return false;
    }
    if (!std::isfinite(centre.x) || !std::isfinite(centre.y) || !std::isfinite(radius) ||
        !std::isfinite(startAngle) || !std::isfinite(endAngle)) {
        return true;
    }
    // The exact arc runs between the vertices; the one nearer the start angle
    // is where it starts.
    double toStart = std::atan2(start.y - centre.y, start.x - centre.x);
    double toEnd = std::atan2(end.y - centre.y, end.x - centre.x);
    double given = startAngle / DEG_PER_RAD;
    if (angleApart(given, toEnd) < angleApart(given, toStart)) std::swap(toStart, toEnd);
    Arc exact{centre, radius, toStart, sweepBetween(toStart, toEnd)};

    float narrowedFrom = static_cast<float>(startAngle);
    float narrowedTo = static_cast<float>(endAngle);
    Arc narrowed{Point{static_cast<float>(centre.x), static_cast<float>(centre.y)},
                 static_cast<float>(radius), narrowedFrom * PI / 180.0, 0.0};
    narrowed.sweep = sweepBetween(narrowed.from, narrowedTo * PI / 180.0);
    // Equal narrowed angles leave the record's extent in doubt.
    bool recordFails = narrowedFrom == narrowedTo || !std::isfinite(narrowed.radius) ||
                       arcDeviation(exact, narrowed) > CURVE_TOLERANCE;
    return recordFails && segmentDeviation(exact, start, end) <= CURVE_TOLERANCE;
}

}  // namespace dxfprofile
