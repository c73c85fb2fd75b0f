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

// A value as the record holds it. The float is a variable of its own:
// g++ 12's vectorizer drops the narrowing of two neighbouring values that are
// widened again at once, and the check would see the exact centre.
double narrowed(double value) {
    volatile float held = static_cast<float>(value);
    return held;
}

bool isFinite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Every value of the ARC record is finite once narrowed. Its mirrored
// angles, 360 minus the nudged ones, are when SA and EA are.
bool heldInSinglePrecision(const BulgeArc& arc) {
    const double values[] = {arc.centre.x, arc.centre.y, arc.radius, arc.SA, arc.EA};
    for (double value : values) {
        if (!std::isfinite(narrowed(value))) return false;
    }
    return true;
}

// The exact arc runs between the vertices about the computed centre; the
// one nearer the start angle is where it starts.
Arc exactArc(const BulgeArc& arc, Point start, Point end) {
    double toStart = std::atan2(start.y - arc.centre.y, start.x - arc.centre.x);
    double toEnd = std::atan2(end.y - arc.centre.y, end.x - arc.centre.x);
    double given = arc.SA / DEG_PER_RAD;
    if (angleApart(given, toEnd) < angleApart(given, toStart)) std::swap(toStart, toEnd);
    return Arc{arc.centre, arc.radius, toStart, sweepBetween(toStart, toEnd)};
}

// Whether the chord lies within the tolerance of the arc, judged from the
// bulge itself where the computed arc is too large for double precision to
// place.
bool chordNearArc(const BulgeArc& arc, Point start, Point end, double b) {
    double sagitta = std::fabs(b) * (pointDistance(start, end) / 2);
    if (!(sagitta <= CURVE_TOLERANCE)) return false;
    // Up to a half circle the arc's middle and the chord's lie farthest
    // apart, by the sagitta; an arc of vertices that (nearly) coincide
    // shrinks to their point.
    if (std::fabs(b) <= 1.0 || !isFinite(arc.centre) || !std::isfinite(arc.radius)) return true;
    return segmentDeviation(exactArc(arc, start, end), start, end) <= CURVE_TOLERANCE;
}

}  // namespace

bool bulgeArcUnplaceable(const BulgeArc& arc, Point start, Point end, double b) {
    if (!isFinite(start) || !isFinite(end) || chordNearArc(arc, start, end, b)) return false;
    return heldInSinglePrecision(arc) && narrowed(arc.SA) == narrowed(arc.EA);
}

bool bulgeArcNeedsLine(const BulgeArc& arc, Point start, Point end, double b) {
    if (!isFinite(start) || !isFinite(end) || !chordNearArc(arc, start, end, b)) return false;
    if (!heldInSinglePrecision(arc)) return true;
    Arc exact = exactArc(arc, start, end);
    double narrowedFrom = narrowed(arc.SA);
    double narrowedTo = narrowed(arc.EA);
    Arc record{Point{narrowed(arc.centre.x), narrowed(arc.centre.y)}, narrowed(arc.radius),
               narrowedFrom * PI / 180.0, 0.0};
    record.sweep = sweepBetween(record.from, narrowedTo * PI / 180.0);
    // Equal narrowed angles leave the record's extent in doubt.
    return narrowedFrom == narrowedTo || arcDeviation(exact, record) > CURVE_TOLERANCE;
}

}  // namespace dxfprofile
