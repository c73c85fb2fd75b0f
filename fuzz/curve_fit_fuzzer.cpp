// The curve approximation on curves made of arbitrary bytes: splines and
// ellipses joined in one chain, as a layer's consecutive curves are. Every
// span handed out must be finite, of a known type, and no more than a layer
// can hold; a hostile curve must end quickly (libFuzzer's timeout). The
// records are measured against the curves as de Boor's algorithm evaluates
// them (the fit samples their Bezier pieces instead), both ways: every point
// of the curves within the tolerance of a record and of the reported
// deviation, every point of the records near a point of the curves.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "geometry/curve_chain.h"
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

constexpr int INTERVAL_POINTS = 8;
constexpr int TURN_POINTS = 128;
constexpr int RECORD_POINTS = 16;
constexpr int FINE_INTERVAL_POINTS = 512;
constexpr int FINE_TURN_POINTS = 1 << 12;

// Points of the curve by the definitions' own evaluation, none when it is
// refused.
void splinePoints(const dxfprofile::SplineDefinition& spline, int perInterval,
                  std::vector<dxfprofile::Point>& out) {
    dxfprofile::SplineCurve curve;
    if (dxfprofile::prepareSpline(spline, curve) != dxfprofile::CURVE_OK) return;
    int count = static_cast<int>(curve.controlPoints.size());
    for (int k = curve.degree; k < count; ++k) {
        double a = curve.knots[k];
        double b = curve.knots[k + 1];
        if (!(a < b)) continue;
        for (int i = 0; i <= perInterval; ++i) {
            double t = i == perInterval ? b : a + (b - a) * i / perInterval;
            // The end of an interval before a break belongs to the interval.
            if (i == perInterval && k + 1 < count) t = std::nextafter(b, a);
            out.push_back(dxfprofile::splinePoint(curve, t));
        }
    }
}

void ellipsePoints(const dxfprofile::EllipseDefinition& ellipse, int perTurn,
                   std::vector<dxfprofile::Point>& out) {
    dxfprofile::EllipseCurve curve;
    if (dxfprofile::prepareEllipse(ellipse, curve) != dxfprofile::CURVE_OK) return;
    int n = static_cast<int>(std::ceil((curve.tEnd - curve.tStart) / (2 * M_PI) * perTurn));
    n = std::max(n, 4);
    for (int i = 0; i <= n; ++i) {
        out.push_back(dxfprofile::ellipsePoint(
            curve, i == n ? curve.tEnd : curve.tStart + (curve.tEnd - curve.tStart) * i / n));
    }
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

using Polylines = std::vector<std::vector<dxfprofile::Point>>;

// The curves that went into the chain, in order.
struct Curves {
    std::vector<dxfprofile::SplineDefinition> splines;
    std::vector<dxfprofile::EllipseDefinition> ellipses;
    std::vector<bool> isSpline;

    Polylines points(int perInterval, int perTurn) const {
        Polylines out;
        std::size_t spline = 0;
        std::size_t ellipse = 0;
        for (bool kind : isSpline) {
            out.emplace_back();
            if (kind) splinePoints(splines[spline++], perInterval, out.back());
            if (!kind) ellipsePoints(ellipses[ellipse++], perTurn, out.back());
        }
        return out;
    }
};

double toPolyline(const std::vector<dxfprofile::Point>& line, dxfprofile::Point q) {
    double nearest = INFINITY;
    for (std::size_t i = 0; i < line.size(); ++i) {
        std::size_t j = i + 1 < line.size() ? i + 1 : i;
        nearest = std::min(nearest, dxfprofile::distanceToSegment(q, line[i], line[j]));
    }
    return nearest;
}

// From a point of a record to the nearest chord of the curves' points: first
// coarse; where that is too far, again on many more points.
double recordToCurves(dxfprofile::Point q, const Polylines& coarse, const Curves& curves,
                      Polylines& fine) {
    double nearest = INFINITY;
    for (const auto& line : coarse) nearest = std::min(nearest, toPolyline(line, q));
    if (nearest <= dxfprofile::CURVE_TOLERANCE) return nearest;
    if (fine.empty()) fine = curves.points(FINE_INTERVAL_POINTS, FINE_TURN_POINTS);
    nearest = INFINITY;
    for (const auto& line : fine) nearest = std::min(nearest, toPolyline(line, q));
    return nearest;
}

void measure(const Curves& curves, const std::vector<dxfprofile::CurveSpan>& spans,
             double reported) {
    using namespace dxfprofile;
    std::vector<Record> records;
    for (const CurveSpan& span : spans) records.push_back(recordOf(span));
    Polylines coarse = curves.points(INTERVAL_POINTS, TURN_POINTS);
    for (const auto& line : coarse) {
        for (Point p : line) {
            double nearest = INFINITY;
            for (const Record& r : records) nearest = std::min(nearest, toRecord(r, p));
            if (nearest > CURVE_TOLERANCE + 1e-9) fail("a point of the curve beyond the tolerance");
            if (nearest > reported + 1e-9) fail("a reported deviation below the measured one");
        }
    }
    Polylines fine;
    for (const Record& r : records) {
        for (int i = 0; i <= RECORD_POINTS; ++i) {
            Point q = alongRecord(r, static_cast<double>(i) / RECORD_POINTS);
            if (recordToCurves(q, coarse, curves, fine) > CURVE_TOLERANCE + 1e-4)
                fail("a point of a record away from the curve");
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
        if (bytes.byte() % 2 == 0) {
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
