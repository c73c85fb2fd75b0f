#include "geometry/curve_sampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geometry/bezier.h"
#include "geometry/curve_span.h"

namespace dxfprofile {
namespace {

constexpr int MAX_DEPTH = 30;
constexpr int ELLIPSE_PIECES = 16;

struct Sampler {
    const ParametricCurve& curve;
    std::vector<Point>& samples;
    int status = CURVE_OK;
    // A bound on the length of the curve's second derivative: over a
    // parameter step h the curve leaves its chord by at most bend h^2 / 8.
    double bend = 0.0;
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
                distanceToSegment(q3, pa, pb) <= SAMPLE_FLATNESS &&
                sampler.bend * (b - a) * (b - a) / 8.0 <= SAMPLE_FLATNESS;
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

void push(Sampler& sampler, Point p) {
    if (!finitePoint(p)) sampler.status = CURVE_NOT_FINITE;
    if (sampler.samples.size() >= static_cast<std::size_t>(MAX_CURVE_SAMPLES)) {
        sampler.status = CURVE_TOO_COMPLEX;
    }
    if (sampler.status == CURVE_OK) sampler.samples.push_back(p);
}

// Adds the samples after the start of the piece up to its end: halves it
// until its control points lie within SAMPLE_FLATNESS of its chord, so that
// the samples bound the curve however its parameter runs.
void refineBezier(Sampler& sampler, const BezierPiece& piece, int depth) {
    if (sampler.status != CURVE_OK) return;
    if (bezierFlatness(piece) <= SAMPLE_FLATNESS || depth >= MAX_DEPTH) {
        push(sampler, bezierControl(piece, piece.degree));
        return;
    }
    BezierPiece first;
    BezierPiece second;
    splitBezier(piece, first, second);
    refineBezier(sampler, first, depth + 1);
    refineBezier(sampler, second, depth + 1);
}

void sampleSpline(Sampler& sampler, const SplineCurve& spline) {
    std::vector<BezierPiece> pieces;
    splineBezierPieces(spline, pieces);
    for (const BezierPiece& piece : pieces) {
        Point start = bezierControl(piece, 0);
        // The first piece, or one that starts apart from the last (a knot of
        // full multiplicity may break the curve).
        if (sampler.samples.empty() || sampler.samples.back().x != start.x ||
            sampler.samples.back().y != start.y) {
            push(sampler, start);
        }
        refineBezier(sampler, piece, 0);
        if (sampler.status != CURVE_OK) return;
    }
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
        sampleSpline(sampler, *curve.spline);
    } else {
        const EllipseCurve& ellipse = *curve.ellipse;
        double turns = (ellipse.tEnd - ellipse.tStart) / (2.0 * std::numbers::pi);
        int pieces = std::max(2, static_cast<int>(std::ceil(turns * ELLIPSE_PIECES)));
        sampler.bend = std::max(std::hypot(ellipse.majorAxis.x, ellipse.majorAxis.y),
                                std::hypot(ellipse.minorAxis.x, ellipse.minorAxis.y));
        samples.push_back(pointAt(sampler, ellipse.tStart));
        sampleInterval(sampler, ellipse.tStart, ellipse.tEnd, pieces);
    }
    if (sampler.status != CURVE_OK) samples.clear();
    return sampler.status;
}

}  // namespace dxfprofile
