#include "geometry/curve_sampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geometry/curve_span.h"

namespace dxfprofile {
namespace {

constexpr int MAX_DEPTH = 30;
constexpr int SPLINE_PIECES = 2;
constexpr int ELLIPSE_PIECES = 16;

struct Sampler {
    const ParametricCurve& curve;
    std::vector<Point>& samples;
    int status = CURVE_OK;
};

bool finitePoint(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

Point pointAt(Sampler& sampler, double t) {
    Point p = curvePoint(sampler.curve, t);
    if (!finitePoint(p)) sampler.status = CURVE_NOT_FINITE;
    return p;
}

// Adds the samples after pa up to pb, the curve between parameters a and b
// with pm at their middle.
void refine(Sampler& sampler, double a, double b, Point pa, Point pm, Point pb, int depth) {
    if (sampler.status != CURVE_OK) return;
    double m = 0.5 * (a + b);
    Point q1 = pointAt(sampler, 0.5 * (a + m));
    Point q3 = pointAt(sampler, 0.5 * (m + b));
    if (sampler.status != CURVE_OK) return;
    bool flat = distanceToSegment(q1, pa, pb) <= SAMPLE_FLATNESS &&
                distanceToSegment(pm, pa, pb) <= SAMPLE_FLATNESS &&
                distanceToSegment(q3, pa, pb) <= SAMPLE_FLATNESS;
    if (flat || depth >= MAX_DEPTH) {
        if (sampler.samples.size() >= static_cast<std::size_t>(MAX_CURVE_SAMPLES)) {
            sampler.status = CURVE_TOO_COMPLEX;
            return;
        }
        sampler.samples.push_back(pb);
        return;
    }
    refine(sampler, a, m, pa, q1, pm, depth + 1);
    refine(sampler, m, b, pm, q3, pb, depth + 1);
}

void sampleInterval(Sampler& sampler, double a, double b, int pieces) {
    for (int i = 0; i < pieces && sampler.status == CURVE_OK; ++i) {
        double from = a + (b - a) * i / pieces;
        double to = i + 1 == pieces ? b : a + (b - a) * (i + 1) / pieces;
        Point pa = sampler.samples.back();
        Point pm = pointAt(sampler, 0.5 * (from + to));
        Point pb = pointAt(sampler, to);
        refine(sampler, from, to, pa, pm, pb, 0);
    }
}

}  // namespace

Point curvePoint(const ParametricCurve& curve, double t) {
    if (curve.spline != nullptr) return splinePoint(*curve.spline, t);
    return ellipsePoint(*curve.ellipse, t);
}

int sampleCurve(const ParametricCurve& curve, std::vector<Point>& samples) {
    samples.clear();
    Sampler sampler{curve, samples};
    if (curve.spline != nullptr) {
        const SplineCurve& spline = *curve.spline;
        samples.push_back(pointAt(sampler, spline.tStart));
        int count = static_cast<int>(spline.controlPoints.size());
        for (int k = spline.degree; k < count && sampler.status == CURVE_OK; ++k) {
            if (spline.knots[k] < spline.knots[k + 1]) {
                sampleInterval(sampler, spline.knots[k], spline.knots[k + 1], SPLINE_PIECES);
            }
        }
    } else {
        const EllipseCurve& ellipse = *curve.ellipse;
        double turns = (ellipse.tEnd - ellipse.tStart) / (2.0 * std::numbers::pi);
        int pieces = std::max(2, static_cast<int>(std::ceil(turns * ELLIPSE_PIECES)));
        samples.push_back(pointAt(sampler, ellipse.tStart));
        sampleInterval(sampler, ellipse.tStart, ellipse.tEnd, pieces);
    }
    if (sampler.status != CURVE_OK) samples.clear();
    return sampler.status;
}

}  // namespace dxfprofile
