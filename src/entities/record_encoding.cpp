#include "entities/record_encoding.h"

#include <cmath>

#include "entities/entity_table.h"

namespace dxfprofile {
namespace {

// The record values narrowed so far, and the first that failed.
struct Narrowing {
    explicit Narrowing(const Shape& from) : shape(from) {}
    const Shape& shape;
    float values[ENTITY_VALUES] = {};
    int count = 0;
    bool failed = false;
    std::uint64_t faultLine = 0;
};

// Narrows `value`, made from the shape's value `index`, into the next
// record value.
void put(Narrowing& narrowing, double value, int index) {
    if (narrowing.failed) return;
    auto narrowed = static_cast<float>(value);
    if (index == narrowing.shape.unread || !std::isfinite(narrowed)) {
        narrowing.failed = true;
        narrowing.faultLine = narrowing.shape.lines[index];
        return;
    }
    narrowing.values[narrowing.count++] = narrowed;
}

// A coordinate or radius, nudged when the shape says so.
void putLength(Narrowing& narrowing, int index) {
    double value = narrowing.shape.values[index];
    put(narrowing, narrowing.shape.nudged ? nudge(value) : value, index);
}

void putArc(Narrowing& narrowing) {
    const Shape& shape = narrowing.shape;
    for (int i = 0; i < 3; ++i) putLength(narrowing, i);
    double mirroredStart = mirroredAngle(shape.values[3]);
    double mirroredEnd = mirroredAngle(shape.values[4]);
    if (shape.arcForm == ArcForm::bulge) mirroredEnd = lowerMirroredEnd(mirroredStart, mirroredEnd);
    put(narrowing, mirroredStart, 3);
    put(narrowing, mirroredEnd, 4);
    put(narrowing, shape.values[3], 3);
    put(narrowing, shape.values[4], 4);
    if (narrowing.failed || shape.arcForm == ArcForm::bulge) return;
    // An ARC entity's: the lowered mirrored end first.
    float saf = narrowing.values[3];
    narrowing.values[3] = lowerMirroredEnd(saf, narrowing.values[4]);
    narrowing.values[4] = saf;
}

constexpr std::uint16_t TYPE[] = {ENTITY_LINE, ENTITY_ARC, ENTITY_CIRCLE, ENTITY_POINT};
constexpr int LENGTHS[] = {4, 0, 3, 3};

}  // namespace

int appendShapeRecord(const Shape& shape, EntityTable& table, std::uint64_t& faultLine) {
    Narrowing narrowing(shape);
    auto kind = static_cast<int>(shape.kind);
    if (shape.kind == ShapeKind::arc) putArc(narrowing);
    for (int i = 0; i < LENGTHS[kind]; ++i) putLength(narrowing, i);
    if (narrowing.failed) {
        faultLine = narrowing.faultLine;
        return -1;
    }
    const float* v = narrowing.values;
    appendEntity(table, TYPE[kind], {v[0], v[1], v[2], v[3], v[4], v[5], v[6]});
    return 0;
}

}  // namespace dxfprofile
