#include "geometry/curve_chain.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "geometry/arc_fit.h"
#include "geometry/curve_sampler.h"

namespace dxfprofile {
namespace {

constexpr std::size_t SPAN_LIMIT = MAX_CHAIN_SPANS;

void fail(CurveChain& chain, int status) {
    if (status == CURVE_TOO_MANY_SPANS) {
        chain.overflow = true;
    } else if (chain.contourStatus == CURVE_OK) {
        chain.contourStatus = status;
    }
}

void checkOverflow(CurveChain& chain) {
    if (chain.spans.size() <= static_cast<std::size_t>(MAX_CHAIN_SPANS)) return;
    chain.overflow = true;
    chain.spans.clear();
    chain.contourFirstSpan = 0;
}

// Fits what the samples hold so far, keeping the last span open, and drops
// the samples before it.
void fitPart(CurveChain& chain) {
    std::size_t tail = 0;
    if (!chain.overflow && chain.contourStatus == CURVE_OK) {
        int status =
            fitSpans(chain.samples, true, SPAN_LIMIT, chain.spans, chain.contourWorst, tail);
        // One span still open across all the samples: close it here.
        if (status == CURVE_OK && tail == 0) {
            status =
                fitSpans(chain.samples, false, SPAN_LIMIT, chain.spans, chain.contourWorst, tail);
        }
        if (status != CURVE_OK) fail(chain, status);
        checkOverflow(chain);
    }
    if (chain.overflow || chain.contourStatus != CURVE_OK) tail = chain.samples.size() - 1;
    chain.samples.erase(chain.samples.begin(),
                        chain.samples.begin() + static_cast<std::ptrdiff_t>(tail));
    chain.contourWhole = false;
}

void endContour(CurveChain& chain) {
    if (!chain.contourOpen) return;
    chain.contourOpen = false;
    if (!chain.overflow && chain.contourStatus == CURVE_OK) {
        CurveSpan circle;
        double deviation = 0.0;
        Point first = chain.samples.front();
        Point last = chain.samples.back();
        bool closed = std::hypot(last.x - first.x, last.y - first.y) <= CURVE_TOLERANCE;
        if (chain.contourWhole && closed && fitCircle(chain.samples, circle, deviation)) {
            chain.spans.push_back(circle);
            chain.contourWorst = deviation;
        } else {
            std::size_t tail = 0;
            int status =
                fitSpans(chain.samples, false, SPAN_LIMIT, chain.spans, chain.contourWorst, tail);
            if (status != CURVE_OK) fail(chain, status);
        }
    }
    if (chain.contourStatus != CURVE_OK) {
        if (!chain.overflow) chain.spans.resize(chain.contourFirstSpan);
        if (chain.status == CURVE_OK) chain.status = chain.contourStatus;
        chain.stats.leftOut += chain.contourCurves;
    } else {
        chain.fittedCurves += chain.contourCurves;
        chain.worst = std::max(chain.worst, chain.contourWorst);
    }
    checkOverflow(chain);
    chain.samples.clear();
}

int addCurve(CurveChain& chain, const ParametricCurve& curve) {
    int status = sampleCurve(curve, chain.curveSamples);
    if (status != CURVE_OK) return status;
    const std::vector<Point>& added = chain.curveSamples;
    if (chain.contourOpen) {
        Point last = chain.samples.back();
        Point next = added.front();
        if (std::hypot(next.x - last.x, next.y - last.y) > CURVE_TOLERANCE) endContour(chain);
    }
    if (!chain.contourOpen) {
        chain.contourOpen = true;
        chain.contourWhole = true;
        chain.contourCurves = 0;
        chain.contourFirstSpan = chain.spans.size();
        chain.contourWorst = 0.0;
        chain.contourStatus = CURVE_OK;
        chain.samples.clear();
    }
    auto from = added.begin();
    if (!chain.samples.empty() && chain.samples.back().x == from->x &&
        chain.samples.back().y == from->y) {
        ++from;
    }
    chain.samples.insert(chain.samples.end(), from, added.end());
    ++chain.contourCurves;
    if (chain.samples.size() > MAX_CONTOUR_SAMPLES) fitPart(chain);
    return CURVE_OK;
}

}  // namespace

void resetCurveChain(CurveChain& chain) {
    chain = CurveChain{};
}

int addSplineCurve(CurveChain& chain, const SplineDefinition& spline) {
    ++chain.stats.splines;
    SplineCurve curve;
    int status = prepareSpline(spline, curve);
    if (status == CURVE_OK) status = addCurve(chain, ParametricCurve{&curve, nullptr});
    if (status != CURVE_OK) ++chain.stats.leftOut;
    return status;
}

int addEllipseCurve(CurveChain& chain, const EllipseDefinition& ellipse) {
    ++chain.stats.ellipses;
    EllipseCurve curve;
    int status = prepareEllipse(ellipse, curve);
    if (status == CURVE_OK) status = addCurve(chain, ParametricCurve{nullptr, &curve});
    if (status != CURVE_OK) ++chain.stats.leftOut;
    return status;
}

int flushCurveChain(CurveChain& chain, std::vector<CurveSpan>& spans) {
    endContour(chain);
    int status = chain.overflow ? CURVE_TOO_MANY_SPANS : chain.status;
    spans = chain.overflow ? std::vector<CurveSpan>{} : chain.spans;
    CurveStats stats = chain.stats;
    if (chain.overflow) {
        stats.leftOut += chain.fittedCurves;
    } else {
        stats.largestDeviation = std::max(stats.largestDeviation, chain.worst);
    }
    resetCurveChain(chain);
    chain.stats = stats;
    return status;
}

}  // namespace dxfprofile
