#include "kinds/curve_reader.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "entities/entity_table.h"
#include "entities/record_encoding.h"
#include "geometry/fit_points.h"
#include "geometry/nudge.h"
#include "geometry/placed_curves.h"
#include "kinds/extrusion.h"

namespace dxfprofile {

namespace {

// Control points that lie more than this apart in z leave the plane of the
// profile.
constexpr double FLAT = CURVE_TOLERANCE;

KindResult leftOut(int status) {
    KindResult result(EntityOutcome::leftOut);
    result.curveFault = status;
    return result;
}

}  // namespace

KindResult readSplineEntity(const EntityGroups& entity, CurveChain& chain,
                            const Placement& placement) {
    EntityValues values(entity);
    SplineDefinition spline;
    spline.degree = integerValue(entity, 71);
    spline.flags = integerValue(entity, 70);
    FitPointDefinition fit;
    std::vector<double> heights;     // z of each control point
    std::vector<double> fitHeights;  // and of each fit point
    bool hasY = false;
    bool hasZ = false;
    bool hasFitY = false;
    bool hasFitZ = false;
    for (const EntityGroup& group : entity.groups) {
        switch (group.code) {
            case 10:
                // One past the cap is enough to refuse the curve.
                if (spline.controlPoints.size() > static_cast<std::size_t>(MAX_SPLINE_POINTS))
                    break;
                spline.controlPoints.push_back({values.real(group), 0.0});
                heights.push_back(0.0);
                hasY = false;
                hasZ = false;
                break;
            case 20:
                if (!spline.controlPoints.empty() && !hasY) {
                    spline.controlPoints.back().y = values.real(group);
                    hasY = true;
                }
                break;
            case 30:
                if (!heights.empty() && !hasZ) {
                    heights.back() = values.real(group);
                    hasZ = true;
                }
                break;
            case 11:
                if (fit.fitPoints.size() > static_cast<std::size_t>(MAX_FIT_POINTS)) break;
                fit.fitPoints.push_back({values.real(group), 0.0});
                fitHeights.push_back(0.0);
                hasFitY = false;
                hasFitZ = false;
                break;
            case 21:
                if (!fit.fitPoints.empty() && !hasFitY) {
                    fit.fitPoints.back().y = values.real(group);
                    hasFitY = true;
                }
                break;
            case 31:
                if (!fitHeights.empty() && !hasFitZ) {
                    fitHeights.back() = values.real(group);
                    hasFitZ = true;
                }
                break;
            case 12:
                fit.startTangent.x = values.real(group);
                fit.hasStartTangent = true;
                break;
            case 22:
                fit.startTangent.y = values.real(group);
                break;
            case 13:
                fit.endTangent.x = values.real(group);
                fit.hasEndTangent = true;
                break;
            case 23:
                fit.endTangent.y = values.real(group);
                break;
            case 40:
                if (spline.knots.size() <= static_cast<std::size_t>(MAX_SPLINE_POINTS) * 2)
                    spline.knots.push_back(std::atof(group.value.c_str()));
                break;
            case 41:
                if (spline.weights.size() <= static_cast<std::size_t>(MAX_SPLINE_POINTS))
                    spline.weights.push_back(std::atof(group.value.c_str()));
                break;
            default:
                break;
        }
    }
    bool placed = !isIdentity(placement);
    // Flat where the curve lands: a block's heights scale with it.
    bool flat = true;
    for (double z : heights) {
        double spread = std::fabs(z - heights.front());
        if (placed) spread *= std::fabs(placement.zz);
        flat = flat && spread <= FLAT;
    }
    Plane plane = planeOf(extrusionOf(values));
    if (values.failed()) return refused(values);
    if (plane == Plane::tilted || !flat) return EntityOutcome::tilted;
    // Without control points, the curve through the fit points.
    if (spline.controlPoints.empty() && !fit.fitPoints.empty()) {
        if (placed) placeFitPoints(fit, placement);
        int status = interpolateFitPoints(fit, spline);
        if (status != CURVE_OK) {
            ++chain.stats.splines;
            ++chain.stats.leftOut;
            return leftOut(status);
        }
    } else if (placed) {
        placeSpline(spline, placement);
    }
    int status = addSplineCurve(chain, spline);
    return status == CURVE_OK ? EntityOutcome::read : leftOut(status);
}

KindResult readEllipseEntity(const EntityGroups& entity, CurveChain& chain,
                             const Placement& placement) {
    EntityValues values(entity);
    EllipseDefinition ellipse;
    ellipse.centre = {values.real(10), values.real(20)};
    ellipse.majorAxis = {values.real(11), values.real(21)};
    ellipse.ratio = values.real(40, 1.0);
    ellipse.startParameter = values.real(41, 0.0);
    ellipse.endParameter = values.real(42, 2 * M_PI);
    Plane plane = planeOf(extrusionOf(values));
    if (values.failed()) return refused(values);
    if (plane == Plane::tilted) return EntityOutcome::tilted;
    ellipse.normalDown = plane == Plane::flipped;
    // A definition that is no ellipse stays as it is, for the chain to refuse.
    if (!isIdentity(placement)) placeEllipse(ellipse, placement);
    int status = addEllipseCurve(chain, ellipse);
    return status == CURVE_OK ? EntityOutcome::read : leftOut(status);
}

int appendCurveRecords(CurveChain& chain, CurveRecords& curveRecords, EntityTable& table) {
    std::vector<CurveSpan> spans;
    int status = flushCurveChain(chain, spans);
    for (const CurveSpan& span : spans) {
        if (span.type == SPAN_LINE) {
            appendEntity(table, ENTITY_LINE,
                         {narrowedNudged(span.start.x), narrowedNudged(span.start.y),
                          narrowedNudged(span.end.x), narrowedNudged(span.end.y)});
            ++curveRecords.lines;
        } else if (span.type == SPAN_CIRCLE) {
            appendEntity(table, ENTITY_CIRCLE,
                         {narrowedNudged(span.centre.x), narrowedNudged(span.centre.y),
                          narrowedNudged(span.radius)});
            ++curveRecords.circles;
        } else {
            // As an ARC entity with that centre, radius and angles is held.
            auto saf = static_cast<float>(mirroredAngle(span.startAngle));
            auto eaf = static_cast<float>(mirroredAngle(span.endAngle));
            appendEntity(table, ENTITY_ARC,
                         {narrowedNudged(span.centre.x), narrowedNudged(span.centre.y),
                          narrowedNudged(span.radius), lowerMirroredEnd(saf, eaf), saf,
                          static_cast<float>(span.startAngle), static_cast<float>(span.endAngle)});
            ++curveRecords.arcs;
        }
    }
    return status;
}

}  // namespace dxfprofile
