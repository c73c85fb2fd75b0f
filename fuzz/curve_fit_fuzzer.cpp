// The curve approximation on curves made of arbitrary bytes: splines (by
// control points or by fit points) and ellipses joined in one chain, as a layer's consecutive
// curves are. Every span handed out must be finite, of a known type, and no more than a layer can
// hold; a hostile curve must end quickly (libFuzzer's timeout). The records are measured against
// the curves as de Boor's algorithm evaluates them (the fit samples their Bezier pieces instead),
// both ways: every point of the curves within the tolerance of a record and of the reported
// deviation, every point of the records near a point of the curves.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "geometry/curve_chain.h"
#include "geometry/fit_points.h"
#include "geometry/span_check.h"
#include "harness.h"

namespace {

// Reads the bytes front to back; past their end everything reads as 0.
class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool empty() const { return at_ >= size_; }
    // A number: most often a small one, as drawings hold, sometimes any
    // double at all (not-a-number, infinities, huge, tiny).
    double number() {
        std::uint8_t kind = byte();
        if (kind < 200) return (kind - 100) / 4.0 + byte() / 1024.0;
        double value = 0;
        std::uint8_t raw[sizeof value];
        for (std::uint8_t& b : raw) b = byte();
        std::memcpy(&value, raw, sizeof value);
        return value;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

bool finite(dxfprofile::Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr int RECORD_POINTS = 16;
// The curves' points lie at most this far apart, up to a cap on their number
// and on the halvings; past either the records are not measured against them.
constexpr double POINT_STEP = 0.01;
constexpr std::size_t MAX_POINTS = 1 << 17;
constexpr int MAX_HALVINGS = 24;
constexpr int FIRST_PIECES = 64;

struct Polyline {
    std::vector<dxfprofile::Point> points;
    bool complete = true;
};

// Adds the points after f(a) up to f(b), pb = f(b).
template <class F>
void densify(const F& f, double a, double b, dxfprofile::Point pa, dxfprofile::Point pb, int depth,
             Polyline& out) {
    if (out.points.size() >= MAX_POINTS) {
        out.complete = false;
        return;
    }
    double m = 0.5 * (a + b);
    dxfprofile::Point pm = f(m);
    // The middle too: a curve may turn back between close ends.
    if (!(std::hypot(pb.x - pa.x, pb.y - pa.y) > POINT_STEP) &&
        !(std::hypot(pm.x - pa.x, pm.y - pa.y) > POINT_STEP)) {
        out.points.push_back(pm);
        out.points.push_back(pb);
        return;
    }
    if (depth >= MAX_HALVINGS) {
        out.complete = false;
        out.points.push_back(pb);
        return;
    }
    densify(f, a, m, pa, pm, depth + 1, out);
    densify(f, m, b, pm, pb, depth + 1, out);
}

template <class F>
void trace(const F& f, double a, double b, Polyline& out) {
    dxfprofile::Point pa = f(a);
    out.points.push_back(pa);
    for (int i = 1; i <= FIRST_PIECES; ++i) {
        double t = i == FIRST_PIECES ? b : a + (b - a) * i / FIRST_PIECES;
        dxfprofile::Point pb = f(t);
        densify(f, a + (b - a) * (i - 1) / FIRST_PIECES, t, pa, pb, 0, out);
        pa = pb;
    }
}

// Points of the curve by the definitions' own evaluation, none when it is
// refused. A knot interval's end before a break belongs to the interval.
void splinePoints(const dxfprofile::SplineDefinition& spline, Polyline& out) {
    dxfprofile::SplineCurve curve;
    if (dxfprofile::prepareSpline(spline, curve) != dxfprofile::CURVE_OK) return;
    int count = static_cast<int>(curve.controlPoints.size());
    for (int k = curve.degree; k < count; ++k) {
        double a = curve.knots[k];
        double b = curve.knots[k + 1];
        if (!(a < b)) continue;
        double end = k + 1 < count ? std::nextafter(b, a) : b;
        trace([&curve](double t) { return dxfprofile::splinePoint(curve, t); }, a, end, out);
    }
}

void ellipsePoints(const dxfprofile::EllipseDefinition& ellipse, Polyline& out) {
    dxfprofile::EllipseCurve curve;
    if (dxfprofile::prepareEllipse(ellipse, curve) != dxfprofile::CURVE_OK) return;
    trace([&curve](double t) { return dxfprofile::ellipsePoint(curve, t); }, curve.tStart,
          curve.tEnd, out);
}

// A span's record as the profile holds it.
struct Record {
    dxfprofile::CurveSpan span;
    dxfprofile::Point a, b, centre;
    double radius = 0, from = 0, sweep = 0;
};

Record recordOf(const dxfprofile::CurveSpan& span) {
    using namespace dxfprofile;
    Record r{span,
             {narrowedLength(span.start.x), narrowedLength(span.start.y)},
             {narrowedLength(span.end.x), narrowedLength(span.end.y)},
             {narrowedLength(span.centre.x), narrowedLength(span.centre.y)},
             narrowedLength(span.radius)};
    r.from = narrowedAngle(span.startAngle) * M_PI / 180;
    r.sweep = std::fmod(narrowedAngle(span.endAngle) * M_PI / 180 - r.from, 2 * M_PI);
    if (r.sweep < 0) r.sweep += 2 * M_PI;
    if (span.type == SPAN_CIRCLE) r.sweep = 2 * M_PI;
    return r;
}

double toRecord(const Record& r, dxfprofile::Point p) {
    using namespace dxfprofile;
    if (r.span.type == SPAN_LINE) return distanceToSegment(p, r.a, r.b);
    return distanceToArc(p, r.centre, r.radius, r.from, r.sweep);
}

dxfprofile::Point alongRecord(const Record& r, double u) {
    if (r.span.type == dxfprofile::SPAN_LINE) {
        return {r.a.x + u * (r.b.x - r.a.x), r.a.y + u * (r.b.y - r.a.y)};
    }
    double angle = r.from + u * r.sweep;
    return {r.centre.x + r.radius * std::cos(angle), r.centre.y + r.radius * std::sin(angle)};
}

// The curves that went into the chain, in order.
struct Curves {
    std::vector<dxfprofile::SplineDefinition> splines;
    std::vector<dxfprofile::EllipseDefinition> ellipses;
    std::vector<bool> isSpline;

    std::vector<Polyline> points() const {
        std::vector<Polyline> out;
        std::size_t spline = 0;
        std::size_t ellipse = 0;
        for (bool kind : isSpline) {
            out.emplace_back();
            if (kind) splinePoints(splines[spline++], out.back());
            if (!kind) ellipsePoints(ellipses[ellipse++], out.back());
        }
        return out;
    }
};

// Runs of points with their boxes, to pass over the far ones quickly.
constexpr std::size_t RUN = 32;
struct Box {
    double lowX = INF, lowY = INF, highX = -INF, highY = -INF;
};

std::vector<Box> boxesOf(const std::vector<dxfprofile::Point>& line) {
    std::vector<Box> boxes;
    for (std::size_t from = 0; from < line.size(); from += RUN) {
        Box box;
        for (std::size_t i = from; i <= std::min(line.size() - 1, from + RUN); ++i) {
            box.lowX = std::min(box.lowX, line[i].x);
            box.highX = std::max(box.highX, line[i].x);
            box.lowY = std::min(box.lowY, line[i].y);
            box.highY = std::max(box.highY, line[i].y);
        }
        boxes.push_back(box);
    }
    return boxes;
}

// The distance from q to the chords of the points, or anything above
// `limit` when it is larger.
double toPolyline(const std::vector<dxfprofile::Point>& line, const std::vector<Box>& boxes,
                  dxfprofile::Point q, double limit) {
    double nearest = INF;
    for (std::size_t run = 0; run < boxes.size(); ++run) {
        const Box& box = boxes[run];
        double dx = std::max({box.lowX - q.x, q.x - box.highX, 0.0});
        double dy = std::max({box.lowY - q.y, q.y - box.highY, 0.0});
        if (std::hypot(dx, dy) > std::min(limit, nearest)) continue;
        std::size_t from = run * RUN;
        std::size_t to = std::min(line.size() - 1, from + RUN);
        for (std::size_t i = from; i <= to; ++i) {
            std::size_t j = i < to ? i + 1 : i;
            nearest = std::min(nearest, dxfprofile::distanceToSegment(q, line[i], line[j]));
        }
    }
    return nearest;
}

void measure(const Curves& curves, const std::vector<dxfprofile::CurveSpan>& spans,
             double reported) {
    using namespace dxfprofile;
    std::vector<Record> records;
    records.reserve(spans.size());
    for (const CurveSpan& span : spans) records.push_back(recordOf(span));
    std::vector<Polyline> lines = curves.points();
    bool complete = true;
    std::size_t near = 0;  // the record nearest the last point
    double bound = std::min(CURVE_TOLERANCE, reported) + 1e-9;
    for (const Polyline& line : lines) {
        complete = complete && line.complete;
        for (Point p : line.points) {
            if (toRecord(records[near], p) <= bound) continue;
            double nearest = INF;
            for (std::size_t i = 0; i < records.size(); ++i) {
                double d = toRecord(records[i], p);
                if (d < nearest) {
                    nearest = d;
                    near = i;
                }
            }
            if (nearest > CURVE_TOLERANCE + 1e-9) fail("a point of the curve beyond the tolerance");
            if (nearest > reported + 1e-9) fail("a reported deviation below the measured one");
        }
    }
    if (!complete) return;
    std::vector<std::vector<Box>> boxes;
    boxes.reserve(lines.size());
    for (const Polyline& line : lines) boxes.push_back(boxesOf(line.points));
    for (const Record& r : records) {
        for (int i = 0; i <= RECORD_POINTS; ++i) {
            Point q = alongRecord(r, static_cast<double>(i) / RECORD_POINTS);
            double nearest = INF;
            for (std::size_t k = 0; k < lines.size(); ++k) {
                nearest = std::min(nearest,
                                   toPolyline(lines[k].points, boxes[k], q, 2 * CURVE_TOLERANCE));
            }
            // The chords of the points may cut a bend by a little.
            if (nearest > CURVE_TOLERANCE + 2e-4) fail("a point of a record away from the curve");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dxfprofile;
    Bytes bytes(data, size);
    CurveChain chain;
    resetCurveChain(chain);
    Curves curves;
    bool allAdded = true;
    for (int curve = 0; curve < 8 && !bytes.empty(); ++curve) {
        int kind = bytes.byte();
        if (kind % 4 == 3) {
            // A spline by fit points, interpolated as the reader does.
            FitPointDefinition fit;
            int points = bytes.byte() % 40;
            for (int i = 0; i < points; ++i)
                fit.fitPoints.push_back({bytes.number(), bytes.number()});
            int tangents = bytes.byte();
            fit.hasStartTangent = tangents % 2 == 1;
            fit.hasEndTangent = tangents / 2 % 2 == 1;
            fit.startTangent = {bytes.number(), bytes.number()};
            fit.endTangent = {bytes.number(), bytes.number()};
            SplineDefinition spline;
            if (interpolateFitPoints(fit, spline) != CURVE_OK) continue;
            allAdded = addSplineCurve(chain, spline) == CURVE_OK && allAdded;
            curves.splines.push_back(spline);
            curves.isSpline.push_back(true);
        } else if (kind % 2 == 0) {
            SplineDefinition spline;
            spline.degree = bytes.byte() % 20;
            spline.flags = bytes.byte() % 8;
            int points = bytes.byte() % 40;
            for (int i = 0; i < points; ++i)
                spline.controlPoints.push_back({bytes.number(), bytes.number()});
            int knots = bytes.byte() % 64;
            for (int i = 0; i < knots; ++i) spline.knots.push_back(bytes.number());
            int weights = bytes.byte() % 40;
            for (int i = 0; i < weights; ++i) spline.weights.push_back(bytes.number());
            allAdded = addSplineCurve(chain, spline) == CURVE_OK && allAdded;
            curves.splines.push_back(spline);
            curves.isSpline.push_back(true);
        } else {
            EllipseDefinition ellipse;
            ellipse.centre = {bytes.number(), bytes.number()};
            ellipse.majorAxis = {bytes.number(), bytes.number()};
            ellipse.ratio = bytes.number();
            ellipse.startParameter = bytes.number();
            ellipse.endParameter = bytes.number();
            ellipse.normalDown = bytes.byte() % 2 == 1;
            allAdded = addEllipseCurve(chain, ellipse) == CURVE_OK && allAdded;
            curves.ellipses.push_back(ellipse);
            curves.isSpline.push_back(false);
        }
    }
    std::vector<CurveSpan> spans;
    int status = flushCurveChain(chain, spans);
    if (status == CURVE_TOO_MANY_SPANS && !spans.empty()) fail("spans beyond the limit");
    if (spans.size() > static_cast<std::size_t>(MAX_CHAIN_SPANS))
        fail("more spans than a layer holds");
    for (const CurveSpan& span : spans) {
        if (span.type != SPAN_LINE && span.type != SPAN_ARC && span.type != SPAN_CIRCLE)
            fail("a span of no known type");
        if (!finite(span.start) || !finite(span.end) || !finite(span.centre) ||
            !std::isfinite(span.radius) || !std::isfinite(span.startAngle) ||
            !std::isfinite(span.endAngle))
            fail("a span that is not finite");
        if (!std::isfinite(static_cast<float>(span.radius)) ||
            !std::isfinite(static_cast<float>(span.centre.x)) ||
            !std::isfinite(static_cast<float>(span.start.x)))
            fail("a span that single precision cannot hold");
    }
    if (!std::isfinite(chain.stats.largestDeviation) ||
        chain.stats.largestDeviation > CURVE_TOLERANCE)
        fail("a deviation beyond the tolerance");
    if (status == CURVE_OK && allAdded && !spans.empty()) {
        measure(curves, spans, chain.stats.largestDeviation);
    }
    return 0;
}
