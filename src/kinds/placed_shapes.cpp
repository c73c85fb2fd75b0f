#include "kinds/placed_shapes.h"

#include <cmath>
#include <numbers>

#include "geometry/placed_curves.h"
#include "kinds/extrusion.h"
#include "kinds/kind_table.h"

namespace dxfprofile {
namespace {

constexpr double RAD_PER_DEG = std::numbers::pi / 180.0;

bool narrows(double value) {
    return std::isfinite(static_cast<float>(value));
}

bool isRound(const Shape& shape) {
    return shape.kind == ShapeKind::arc || shape.kind == ShapeKind::circle;
}

void placeAt(Shape& shape, int index, const Placement& placement) {
    Point p = placePoint(placement, {shape.values[index], shape.values[index + 1]});
    shape.values[index] = p.x;
    shape.values[index + 1] = p.y;
}

// An arc runs anticlockwise from its start angle to its end angle; a
// mirrored one runs the other way, so its ends change places. The angles of
// a polyline's arcs are in its own degrees (DEG_PER_RAD), and turn by as
// many. An angle that no record can hold is left to refuse the entity.
void turnAngles(Shape& shape, const Placement& placement) {
    double start = shape.values[3];
    double end = shape.values[4];
    if (!narrows(start) || !narrows(end)) return;
    double turn = shape.arcForm == ArcForm::bulge
                      ? std::atan2(placement.yx, placement.xx) * DEG_PER_RAD
                      : placementTurn(placement);
    double placedStart = mirrors(placement) ? turn - end : start + turn;
    double placedEnd = mirrors(placement) ? turn - start : end + turn;
    placedStart = foldDegrees(placedStart);
    placedEnd = foldDegrees(placedEnd);
    // Whole turns must not fold into an arc of no length.
    if (placedEnd == placedStart && end != start && std::fmod(end - start, 360.0) == 0.0)
        placedEnd = placedStart + 360.0;
    shape.values[3] = placedStart;
    shape.values[4] = placedEnd;
}

void placeShape(Shape& shape, const Placement& placement) {
    if (shape.unread >= 0) return;
    placeAt(shape, 0, placement);
    if (shape.kind == ShapeKind::line) placeAt(shape, 2, placement);
    if (shape.kind == ShapeKind::point) shape.values[2] = placeHeight(placement, shape.values[2]);
    if (!isRound(shape)) return;
    shape.values[2] *= placementScale(placement);
    if (shape.kind == ShapeKind::arc) turnAngles(shape, placement);
}

// The longest a unit vector becomes under the linear part.
double largestStretch(const Placement& p) {
    double sum = p.xx * p.xx + p.xy * p.xy + p.yx * p.yx + p.yy * p.yy;
    double det = p.xx * p.yy - p.xy * p.yx;
    double spread = std::sqrt(std::fabs(sum * sum - 4.0 * det * det));
    return std::sqrt(0.5 * (sum + spread));
}

// The index of the first value of `shape` that a record could not hold once
// placed as a curve, or -1.
int firstUnheld(const Shape& shape, const Placement& placement) {
    if (shape.unread >= 0) return shape.unread;
    Shape placed = shape;
    placeAt(placed, 0, placement);
    if (shape.kind == ShapeKind::line) placeAt(placed, 2, placement);
    if (isRound(shape)) placed.values[2] = shape.values[2] * largestStretch(placement);
    constexpr int COUNTS[] = {4, 5, 3, 3};  // line, arc, circle, point
    int count = COUNTS[static_cast<int>(shape.kind)];
    for (int i = 0; i < count; ++i) {
        if (!narrows(placed.values[i])) return i;
    }
    return -1;
}

// The ellipse of a circle, or of an arc whose angles are in degrees (in a
// polyline's degrees for its arcs).
EllipseDefinition ellipseOf(const Shape& shape) {
    EllipseDefinition ellipse;
    ellipse.centre = {shape.values[0], shape.values[1]};
    ellipse.majorAxis = {shape.values[2], 0.0};
    if (shape.kind == ShapeKind::arc) {
        bool bulge = shape.arcForm == ArcForm::bulge;
        ellipse.startParameter =
            bulge ? shape.values[3] / DEG_PER_RAD : shape.values[3] * RAD_PER_DEG;
        ellipse.endParameter =
            bulge ? shape.values[4] / DEG_PER_RAD : shape.values[4] * RAD_PER_DEG;
    }
    return ellipse;
}

// One shape as a curve of the chain. A line of no length adds nothing.
int addShapeCurve(const Shape& shape, const Placement& placement, CurveChain& chain) {
    // No reader gives a point beside a circle or an arc.
    if (shape.kind == ShapeKind::point) return CURVE_OK;
    if (shape.kind == ShapeKind::line) {
        SplineDefinition line;
        line.degree = 1;
        line.controlPoints = {placePoint(placement, {shape.values[0], shape.values[1]}),
                              placePoint(placement, {shape.values[2], shape.values[3]})};
        Point a = line.controlPoints[0];
        Point b = line.controlPoints[1];
        if (a.x == b.x && a.y == b.y) return CURVE_OK;
        return addSplineCurve(chain, line);
    }
    EllipseDefinition ellipse = ellipseOf(shape);
    // One that is no ellipse stays as it is, for the chain to refuse.
    placeEllipse(ellipse, placement);
    return addEllipseCurve(chain, ellipse);
}

void placeAsCurves(KindResult& read, const Placement& placement, CurveChain& chain) {
    // A refused entity gives nothing, and neither does one that a record
    // could not hold once placed.
    if (read.outcome != EntityOutcome::read) {
        read.shapes.clear();
        return;
    }
    for (std::size_t i = 0; i < read.shapes.size(); ++i) {
        int unheld = firstUnheld(read.shapes[i], placement);
        if (unheld < 0) continue;
        read.outcome = EntityOutcome::outOfRange;
        read.faultLine = read.shapes[i].lines[unheld];
        keepNotesBefore(read, i);
        read.shapes.clear();
        return;
    }
    for (const Shape& shape : read.shapes) {
        int status = addShapeCurve(shape, placement, chain);
        if (status != CURVE_OK && read.outcome == EntityOutcome::read) {
            read.outcome = EntityOutcome::leftOut;
            read.curveFault = status;
        }
    }
    read.shapes.clear();
}

}  // namespace

void placeShapes(KindResult& read, const Placement& placement, CurveChain& chain) {
    bool round = false;
    for (const Shape& shape : read.shapes) round = round || isRound(shape);
    if (round && !isSimilarity(placement)) {
        placeAsCurves(read, placement, chain);
        return;
    }
    for (Shape& shape : read.shapes) placeShape(shape, placement);
}

}  // namespace dxfprofile
