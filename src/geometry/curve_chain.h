// The curves of a layer joined end to end: consecutive SPLINE and ELLIPSE
// curves that meet become one contour, fitted as a whole, so that a hole
// drawn as six curves comes out as one circle.
#pragma once

#include <cstddef>
#include <vector>

#include "geometry/curve_span.h"
#include "geometry/ellipse.h"
#include "geometry/spline.h"
#include "geometry/vector.h"

namespace dxfprofile {

// More spans than this before a flush cannot go into a profile: the chain
// stops fitting and the flush reports CURVE_TOO_MANY_SPANS.
inline constexpr int MAX_CHAIN_SPANS = 64;
// A contour with more samples is fitted in parts as it grows.
inline constexpr std::size_t MAX_CONTOUR_SAMPLES = 1 << 16;

// For the closing note of a run, kept across flushes.
struct CurveStats {
    int splines = 0;                // SPLINE curves given to the chain
    int ellipses = 0;               // ELLIPSE curves given to the chain
    int leftOut = 0;                // of those, the curves that gave no span
    double largestDeviation = 0.0;  // of the spans handed out, narrowed
};

struct CurveChain {
    CurveStats stats;
    // The rest is the chain's own.
    std::vector<CurveSpan> spans;     // ready, in order
    std::vector<Point> samples;       // of the open contour, from its last span on
    std::vector<Point> curveSamples;  // of the curve being added
    bool contourOpen = false;
    bool contourWhole = false;  // samples still hold the whole contour
    bool overflow = false;
    int contourCurves = 0;
    std::size_t contourFirstSpan = 0;
    double contourWorst = 0.0;
    int contourStatus = CURVE_OK;
    int fittedCurves = 0;   // in the contours fitted since the last flush
    double worst = 0.0;     // of their spans
    int status = CURVE_OK;  // the first failure since the last flush
};

// Empties the chain, its statistics too.
void resetCurveChain(CurveChain& chain);

// Adds the next curve of the layer. A curve that starts more than
// CURVE_TOLERANCE from where the previous one ended begins a new contour.
// Returns CURVE_OK, or the fault that refuses the curve (see prepareSpline,
// prepareEllipse and sampleCurve), which leaves the contour as it was.
int addSplineCurve(CurveChain& chain, const SplineDefinition& spline);
int addEllipseCurve(CurveChain& chain, const EllipseDefinition& ellipse);

// Replaces `spans` with the spans of every curve added since the last flush,
// in order, and empties the chain (not its statistics). A contour that is
// closed and one circle within the tolerance gives a single circle. Returns
// CURVE_OK; CURVE_PRECISION when a contour could not be held in single
// precision (its curves give no span, the other contours' spans are handed
// out); CURVE_TOO_MANY_SPANS, with no spans at all, when there were more than
// MAX_CHAIN_SPANS.
int flushCurveChain(CurveChain& chain, std::vector<CurveSpan>& spans);

}  // namespace dxfprofile
