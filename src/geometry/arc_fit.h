// Lines and arcs through a curve's samples, as few as the tolerance allows.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "geometry/curve_span.h"
#include "geometry/vector.h"

namespace dxfprofile {

// The spans are fitted to this, so that the curve between the samples has
// room left within CURVE_TOLERANCE.
inline constexpr double FIT_TOLERANCE = 0.88 * CURVE_TOLERANCE;

// Appends the spans that follow samples from the first to the last, in
// order, each from the longest reach of samples that one line or one arc
// follows within FIT_TOLERANCE (a line where both do); raises `worst` to the
// largest deviation among them. With keepTail, the last span is not
// appended: tailStart is where it starts (otherwise the last sample).
// Returns CURVE_OK; CURVE_PRECISION when from some sample on no span keeps
// the tolerance once narrowed; CURVE_TOO_MANY_SPANS as soon as `spans` holds
// more than spanLimit.
int fitSpans(std::span<const Point> samples, bool keepTail, std::size_t spanLimit,
             std::vector<CurveSpan>& spans, double& worst, std::size_t& tailStart);

// One circle for a closed curve: true, with the span and its deviation,
// when it follows all the samples within FIT_TOLERANCE.
bool fitCircle(std::span<const Point> samples, CurveSpan& span, double& deviation);

}  // namespace dxfprofile
