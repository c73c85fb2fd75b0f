#include "geometry/span_check.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "geometry/nudge.h"

namespace dxfprofile {
namespace {

constexpr double PI = std::numbers::pi;
constexpr double FULL_TURN = 2.0 * PI;
constexpr double INFINITE = std::numeric_limits<double>::infinity();
// The turn of the samples about an arc's centre may differ from the arc's own
// by rounding, never by anything near a full turn.
constexpr double TURN_SLACK = 1.0;

double distance(Point p, Point q) {
    return std::hypot(p.x - q.x, p.y - q.y);
}

// The signed angle that the samples sweep about centre, in radians.
double turnAbout(Point centre, std::span<const Point> samples) {
    double turn = 0.0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        double ax = samples[i - 1].x - centre.x;
        double ay = samples[i - 1].y - centre.y;
        double bx = samples[i].x - centre.x;
        double by = samples[i].y - centre.y;
        turn += std::atan2(ax * by - ay * bx, ax * bx + ay * by);
    }
    return turn;
}

// The angle of p about centre, counted anticlockwise from `from`, in [0, 2 pi).
double angleAlong(Point p, Point centre, double from) {
    double along = std::fmod(std::atan2(p.y - centre.y, p.x - centre.x) - from, FULL_TURN);
    return along < 0.0 ? along + FULL_TURN : along;
}

Point between(Point p, Point q, double s) {
    return Point{p.x + s * (q.x - p.x), p.y + s * (q.y - p.y)};
}

// Where the segment pq crosses the ray from centre at `angle`, as a fraction
// of the way from p to q; none (-1) when it does not.
double crossing(Point p, Point q, Point centre, double angle) {
    double ux = std::cos(angle);
    double uy = std::sin(angle);
    double fp = ux * (p.y - centre.y) - uy * (p.x - centre.x);
    double fq = ux * (q.y - centre.y) - uy * (q.x - centre.x);
    if (!((fp < 0.0 && fq > 0.0) || (fp > 0.0 && fq < 0.0))) return -1.0;
    double s = fp / (fp - fq);
    Point x = between(p, q, s);
    return ux * (x.x - centre.x) + uy * (x.y - centre.y) > 0.0 ? s : -1.0;
}

// The largest distance from a point of the segment pq to the arc, or a bound
// above it: the segment is cut where it crosses the rays through the arc's
// ends; on a piece among the arc's angles the distance is radial, elsewhere
// it is the distance to an end of the arc, both largest at a piece's end or
// (radially inwards) nearest the centre.
double segmentToArc(Point p, Point q, Point centre, double radius, double from, double sweep) {
    if (!(distanceToSegment(centre, p, q) > 0.0)) {
        // Through the centre: the distance changes no faster than the point.
        double dp = distanceToArc(p, centre, radius, from, sweep);
        double dq = distanceToArc(q, centre, radius, from, sweep);
        return 0.5 * (dp + dq + distance(p, q));
    }
    Point first{centre.x + radius * std::cos(from), centre.y + radius * std::sin(from)};
    Point last{centre.x + radius * std::cos(from + sweep),
               centre.y + radius * std::sin(from + sweep)};
    double cuts[4] = {0.0, crossing(p, q, centre, from), crossing(p, q, centre, from + sweep), 1.0};
    std::sort(cuts, cuts + 4);
    double worst = 0.0;
    for (int i = 0; i < 3; ++i) {
        if (cuts[i] < 0.0 || !(cuts[i] < cuts[i + 1])) continue;
        Point a = between(p, q, cuts[i]);
        Point b = between(p, q, cuts[i + 1]);
        if (angleAlong(between(a, b, 0.5), centre, from) <= sweep) {
            worst = std::max({worst, std::fabs(distance(a, centre) - radius),
                              std::fabs(distance(b, centre) - radius),
                              radius - distanceToSegment(centre, a, b)});
        } else {
            double toFirst = std::max(distance(a, first), distance(b, first));
            double toLast = std::max(distance(a, last), distance(b, last));
            worst = std::max(worst, std::min(toFirst, toLast));
        }
    }
    return worst;
}

double lineDeviation(const CurveSpan& span, std::span<const Point> samples) {
    Point a{narrowedLength(span.start.x), narrowedLength(span.start.y)};
    Point b{narrowedLength(span.end.x), narrowedLength(span.end.y)};
    double worst = std::max(distance(a, samples.front()), distance(b, samples.back()));
    for (Point p : samples) worst = std::max(worst, distanceToSegment(p, a, b));
    return worst;
}

double arcDeviation(const CurveSpan& span, std::span<const Point> samples) {
    Point c{narrowedLength(span.centre.x), narrowedLength(span.centre.y)};
    double r = narrowedLength(span.radius);
    double from = narrowedAngle(span.startAngle) * PI / 180.0;
    double to = narrowedAngle(span.endAngle) * PI / 180.0;
    double sweep = std::fmod(to - from, FULL_TURN);
    if (sweep < 0.0) sweep += FULL_TURN;
    if (!(sweep > 0.0)) return INFINITE;
    double expected = span.clockwise ? -sweep : sweep;
    if (!(std::fabs(turnAbout(c, samples) - expected) < TURN_SLACK)) return INFINITE;

    Point first{c.x + r * std::cos(from), c.y + r * std::sin(from)};
    Point last{c.x + r * std::cos(to), c.y + r * std::sin(to)};
    Point enter = span.clockwise ? last : first;
    Point leave = span.clockwise ? first : last;
    double worst = std::max(distance(enter, samples.front()), distance(leave, samples.back()));
    for (std::size_t i = 1; i < samples.size(); ++i) {
        worst = std::max(worst, segmentToArc(samples[i - 1], samples[i], c, r, from, sweep));
    }
    return worst;
}

double circleDeviation(const CurveSpan& span, std::span<const Point> samples) {
    Point c{narrowedLength(span.centre.x), narrowedLength(span.centre.y)};
    double r = narrowedLength(span.radius);
    if (!(std::fabs(std::fabs(turnAbout(c, samples)) - FULL_TURN) < TURN_SLACK)) return INFINITE;
    double worst = 0.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        worst = std::max(worst, std::fabs(distance(samples[i], c) - r));
        if (i > 0) worst = std::max(worst, r - distanceToSegment(c, samples[i - 1], samples[i]));
    }
    return worst;
}

}  // namespace

// The round trip through single precision goes through memory: g++ 12 at -O2
// has been seen to drop it once the caller's point is split into scalars and
// measure against the centre as computed instead of as the record holds it.
double narrowedLength(double value) {
    volatile float narrowed = static_cast<float>(nudge(value));
    return narrowed;
}

double narrowedAngle(double degrees) {
    volatile float narrowed = static_cast<float>(degrees);
    return narrowed;
}

double distanceToArc(Point p, Point centre, double radius, double from, double sweep) {
    double along = std::fmod(std::atan2(p.y - centre.y, p.x - centre.x) - from, FULL_TURN);
    if (along < 0.0) along += FULL_TURN;
    if (along <= sweep) return std::fabs(distance(p, centre) - radius);
    Point first{centre.x + radius * std::cos(from), centre.y + radius * std::sin(from)};
    Point last{centre.x + radius * std::cos(from + sweep),
               centre.y + radius * std::sin(from + sweep)};
    return std::min(distance(p, first), distance(p, last));
}

double degreesAround(Point centre, Point p) {
    double degrees = std::atan2(p.y - centre.y, p.x - centre.x) * (180.0 / PI);
    if (degrees < 0.0) degrees += 360.0;
    // Just below 360 narrows to 360 itself: say 0 instead.
    return narrowedAngle(degrees) < 360.0 ? degrees : 0.0;
}

CurveSpan arcSpan(Point centre, double radius, Point enter, Point leave, bool clockwise) {
    CurveSpan span;
    span.type = SPAN_ARC;
    span.centre = centre;
    span.radius = radius;
    span.clockwise = clockwise;
    Point narrowed{narrowedLength(centre.x), narrowedLength(centre.y)};
    double enterAngle = degreesAround(narrowed, enter);
    double leaveAngle = degreesAround(narrowed, leave);
    span.startAngle = clockwise ? leaveAngle : enterAngle;
    span.endAngle = clockwise ? enterAngle : leaveAngle;
    return span;
}

double spanDeviation(const CurveSpan& span, std::span<const Point> samples) {
    if (samples.empty()) return INFINITE;
    double deviation = INFINITE;
    if (span.type == SPAN_LINE) deviation = lineDeviation(span, samples);
    if (span.type == SPAN_ARC) deviation = arcDeviation(span, samples);
    if (span.type == SPAN_CIRCLE) deviation = circleDeviation(span, samples);
    // Values that are not finite never pass.
    if (std::isnan(deviation)) return INFINITE;
    // The curve lies that much farther off between the samples.
    return deviation + SAMPLE_FLATNESS;
}

}  // namespace dxfprofile
