// The curve approximation on curves made of arbitrary bytes: splines and
// ellipses joined in one chain, as a layer's consecutive curves are. Every
// span handed out must be finite, of a known type, and no more than a layer
// can hold; a hostile curve must end quickly (libFuzzer's timeout).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "geometry/curve_chain.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dxfprofile;
    Bytes bytes(data, size);
    CurveChain chain;
    resetCurveChain(chain);
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
            addSplineCurve(chain, spline);
        } else {
            EllipseDefinition ellipse;
            ellipse.centre = {bytes.number(), bytes.number()};
            ellipse.majorAxis = {bytes.number(), bytes.number()};
            ellipse.ratio = bytes.number();
            ellipse.startParameter = bytes.number();
            ellipse.endParameter = bytes.number();
            ellipse.normalDown = bytes.byte() % 2 == 1;
            addEllipseCurve(chain, ellipse);
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
    return 0;
}
