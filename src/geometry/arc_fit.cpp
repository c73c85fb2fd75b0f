#include "geometry/arc_fit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/span_check.h"

namespace dxfprofile {
namespace {

// Reaches tried from a sample before it counts as one that no span can leave.
constexpr std::size_t FIRST_REACH = 64;
constexpr int GOLDEN_STEPS = 24;
// How far back from the longest reach another end of a span is tried.
constexpr std::size_t MAX_BACK = 256;

struct Fitter {
    std::span<const Point> samples;
    std::vector<double> lengths;  // along the samples, from the first
    CurveSpan span;               // of the last successful try
    double deviation = 0.0;
};

double distance(Point p, Point q) {
    return std::hypot(p.x - q.x, p.y - q.y);
}

bool tryLine(Fitter& fitter, std::size_t s, std::size_t j) {
    CurveSpan span;
    span.type = SPAN_LINE;
    span.start = fitter.samples[s];
    span.end = fitter.samples[j];
    double deviation = spanDeviation(span, fitter.samples.subspan(s, j - s + 1));
    if (!(deviation <= FIT_TOLERANCE)) return false;
    fitter.span = span;
    fitter.deviation = deviation;
    return true;
}

// The circle through a and b whose arc between them lies `sag` beside the
// middle of the chord, on the left of a to b for a positive sag.
struct ChordCircle {
    Point middle;
    Point normal;       // unit, on the left of a to b
    double half = 0.0;  // half the chord

    Point centre(double sag, double& radius) const {
        double signedRadius = (sag * sag + half * half) / (2.0 * sag);
        radius = std::fabs(signedRadius);
        double offset = sag - signedRadius;
        return Point{middle.x + offset * normal.x, middle.y + offset * normal.y};
    }
};

double radialError(const Fitter& fitter, const ChordCircle& circle, double sag, std::size_t s,
                   std::size_t j) {
    double radius = 0.0;
    Point centre = circle.centre(sag, radius);
    double worst = 0.0;
    for (std::size_t k = s + 1; k < j; ++k) {
        worst = std::max(worst, std::fabs(distance(fitter.samples[k], centre) - radius));
    }
    return worst;
}

// The sag in [low, high] with the smallest radial error (golden section: the
// error falls, then rises, as the arc swings across the samples).
double bestSag(const Fitter& fitter, const ChordCircle& circle, double low, double high,
               std::size_t s, std::size_t j) {
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double x1 = high - ratio * (high - low);
    double x2 = low + ratio * (high - low);
    double e1 = radialError(fitter, circle, x1, s, j);
    double e2 = radialError(fitter, circle, x2, s, j);
    for (int step = 0; step < GOLDEN_STEPS; ++step) {
        if (e1 <= e2) {
            high = x2;
            x2 = x1;
            e2 = e1;
            x1 = high - ratio * (high - low);
            e1 = radialError(fitter, circle, x1, s, j);
        } else {
            low = x1;
            x1 = x2;
            e1 = e2;
            x2 = low + ratio * (high - low);
            e2 = radialError(fitter, circle, x2, s, j);
        }
    }
    return e1 <= e2 ? x1 : x2;
}

// An arc from sample s to sample j: first through the sample halfway along,
// then, when that misses by a little, swung to the least radial error.
bool tryArc(Fitter& fitter, std::size_t s, std::size_t j) {
    if (j < s + 2) return false;
    Point a = fitter.samples[s];
    Point b = fitter.samples[j];
    double chord = distance(a, b);
    if (!(chord > 0.0)) return false;
    ChordCircle circle{Point{0.5 * (a.x + b.x), 0.5 * (a.y + b.y)},
                       Point{-(b.y - a.y) / chord, (b.x - a.x) / chord}, 0.5 * chord};

    double halfway = 0.5 * (fitter.lengths[s] + fitter.lengths[j]);
    auto from = fitter.lengths.begin() + static_cast<std::ptrdiff_t>(s + 1);
    auto to = fitter.lengths.begin() + static_cast<std::ptrdiff_t>(j);
    std::size_t m =
        static_cast<std::size_t>(std::lower_bound(from, to, halfway) - fitter.lengths.begin());
    m = std::min(m, j - 1);
    Point pm = fitter.samples[m];
    double side =
        (pm.x - circle.middle.x) * circle.normal.x + (pm.y - circle.middle.y) * circle.normal.y;
    if (side == 0.0) return false;
    // The centre of the circle through a, pm and b lies `offset` along the normal.
    double toMiddle = std::pow(pm.x - circle.middle.x, 2.0) + std::pow(pm.y - circle.middle.y, 2.0);
    double offset = (toMiddle - circle.half * circle.half) / (2.0 * side);
    double radius = std::hypot(circle.half, offset);
    double sag = side > 0.0 ? offset + radius : offset - radius;

    double error = radialError(fitter, circle, sag, s, j);
    if (!(error <= 3.0 * FIT_TOLERANCE)) return false;
    if (error > 0.5 * FIT_TOLERANCE) {
        double low = sag - 2.0 * error;
        double high = sag + 2.0 * error;
        // Keep the arc on its side of the chord.
        if (sag > 0.0) low = std::max(low, 1e-6 * sag);
        if (sag < 0.0) high = std::min(high, 1e-6 * sag);
        double swung = bestSag(fitter, circle, low, high, s, j);
        if (radialError(fitter, circle, swung, s, j) < error) sag = swung;
    }
    Point centre = circle.centre(sag, radius);
    // Seen from a to b, an arc that bulges to the left turns clockwise.
    CurveSpan span = arcSpan(centre, radius, a, b, sag > 0.0);
    double deviation = spanDeviation(span, fitter.samples.subspan(s, j - s + 1));
    if (!(deviation <= FIT_TOLERANCE)) return false;
    fitter.span = span;
    fitter.deviation = deviation;
    return true;
}

bool tryReach(Fitter& fitter, std::size_t s, std::size_t j) {
    return tryLine(fitter, s, j) || tryArc(fitter, s, j);
}

// The farthest sample that one span from s reaches, found by doubling the
// reach and then halving the gap; 0 when there is none.
std::size_t longestReach(Fitter& fitter, std::size_t s, CurveSpan& span, double& deviation) {
    std::size_t last = fitter.samples.size() - 1;
    std::size_t good = 0;
    std::size_t bad = 0;
    for (std::size_t reach = 1;; reach *= 2) {
        std::size_t j = std::min(s + reach, last);
        if (tryReach(fitter, s, j)) {
            good = j;
            span = fitter.span;
            deviation = fitter.deviation;
            if (j == last) return good;
        } else if (good > 0 || reach >= FIRST_REACH || j == last) {
            bad = j;
            break;
        }
    }
    if (good == 0) return 0;
    while (bad - good > 1) {
        std::size_t j = good + (bad - good) / 2;
        if (tryReach(fitter, s, j)) {
            good = j;
            span = fitter.span;
            deviation = fitter.deviation;
        } else {
            bad = j;
        }
    }
    return good;
}

// The longest span from s may end where no span reaches far: a line that
// runs into a small fillet leaves the rest of the fillet to a span of its
// own. Ends a little earlier are tried too, and the one from which the next
// span reaches farthest is kept.
std::size_t betterEnd(Fitter& fitter, std::size_t s, std::size_t j, CurveSpan& span,
                      double& deviation) {
    std::size_t last = fitter.samples.size() - 1;
    if (j == last) return j;
    CurveSpan next;
    double nextDeviation = 0.0;
    std::size_t best = j;
    std::size_t bestReach = longestReach(fitter, j, next, nextDeviation);
    for (std::size_t back = 1; back < j - s && back <= MAX_BACK; back *= 2) {
        std::size_t end = j - back;
        std::size_t reach = longestReach(fitter, end, next, nextDeviation);
        if (reach > bestReach && tryReach(fitter, s, end)) {
            best = end;
            bestReach = reach;
            span = fitter.span;
            deviation = fitter.deviation;
        }
    }
    return best;
}

}  // namespace

int fitSpans(std::span<const Point> samples, bool keepTail, std::size_t spanLimit,
             std::vector<CurveSpan>& spans, double& worst, std::size_t& tailStart) {
    tailStart = samples.empty() ? 0 : samples.size() - 1;
    if (samples.size() < 2) return CURVE_OK;
    Fitter fitter;
    fitter.samples = samples;
    fitter.lengths.assign(samples.size(), 0.0);
    for (std::size_t k = 1; k < samples.size(); ++k) {
        fitter.lengths[k] = fitter.lengths[k - 1] + distance(samples[k - 1], samples[k]);
    }
    std::size_t s = 0;
    while (s + 1 < samples.size()) {
        CurveSpan span;
        double deviation = 0.0;
        std::size_t j = longestReach(fitter, s, span, deviation);
        if (j == 0) return CURVE_PRECISION;
        j = betterEnd(fitter, s, j, span, deviation);
        if (keepTail && j + 1 == samples.size()) break;
        spans.push_back(span);
        worst = std::max(worst, deviation);
        s = j;
        if (spans.size() > spanLimit) return CURVE_TOO_MANY_SPANS;
    }
    tailStart = s;
    return CURVE_OK;
}

bool fitCircle(std::span<const Point> samples, CurveSpan& span, double& deviation) {
    if (samples.size() < 3) return false;
    // Least squares on x² + y² + D x + E y + F about the mean of the samples.
    double n = static_cast<double>(samples.size());
    double mx = 0.0;
    double my = 0.0;
    for (Point p : samples) {
        mx += p.x / n;
        my += p.y / n;
    }
    double suu = 0.0, suv = 0.0, svv = 0.0, su3 = 0.0, sv3 = 0.0, suvv = 0.0, suuv = 0.0;
    for (Point p : samples) {
        double u = p.x - mx;
        double v = p.y - my;
        suu += u * u;
        suv += u * v;
        svv += v * v;
        su3 += u * u * u;
        sv3 += v * v * v;
        suvv += u * v * v;
        suuv += u * u * v;
    }
    double det = suu * svv - suv * suv;
    if (!(std::fabs(det) > 0.0)) return false;
    double d = (-(su3 + suvv) * svv + (suuv + sv3) * suv) / det;
    double e = (-(suuv + sv3) * suu + (su3 + suvv) * suv) / det;
    CurveSpan circle;
    circle.type = SPAN_CIRCLE;
    circle.centre = Point{mx - 0.5 * d, my - 0.5 * e};
    // The radius halfway between the nearest and the farthest sample, seen
    // from the centre as the record holds it.
    Point narrowed{narrowedLength(circle.centre.x), narrowedLength(circle.centre.y)};
    double nearest = distance(samples[0], narrowed);
    double farthest = nearest;
    for (Point p : samples) {
        nearest = std::min(nearest, distance(p, narrowed));
        farthest = std::max(farthest, distance(p, narrowed));
    }
    circle.radius = 0.5 * (nearest + farthest);
    double measured = spanDeviation(circle, samples);
    if (!(measured <= FIT_TOLERANCE)) return false;
    span = circle;
    deviation = measured;
    return true;
}

}  // namespace dxfprofile
