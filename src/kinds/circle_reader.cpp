// Circles and arcs: centre, radius and angles by group code.
#include "entities/entity_table.h"
#include "entities/record_encoding.h"
#include "kinds/extrusion.h"
#include "kinds/readers.h"

namespace dxfprofile {

KindResult readCircleEntity(const EntityGroups& entity, EntityTable& table) {
    EntityValues values(entity);
    bool isArc = entity.kind == "ARC";
    double centreX = values.real(10);
    double centreY = values.real(20);
    double radius = values.real(40);
    double startAngle = isArc ? values.real(50) : 0.0;
    double endAngle = isArc ? values.real(51) : 0.0;
    Plane plane = planeOf(extrusionOf(values));
    if (values.failed()) return refused(values);
    if (plane == Plane::tilted) return EntityOutcome::tilted;
    if (plane == Plane::flipped) {
        // Seen from above, the entity's own plane is mirrored about the y
        // axis: the arc runs from 180 - end to 180 - start.
        centreX = -centreX;
        double worldStart = foldDegrees(180.0 - endAngle);
        double worldEnd = foldDegrees(180.0 - startAngle);
        // A full turn (0 to 360) must not fold into an arc of no length.
        if (worldEnd == worldStart && endAngle != startAngle) worldEnd = worldStart + 360.0;
        startAngle = worldStart;
        endAngle = worldEnd;
    }
    float xcf = values.narrow(nudge(centreX), values.lineOf(10));
    float ycf = values.narrow(nudge(centreY), values.lineOf(20));
    float rf = values.narrow(nudge(radius), values.lineOf(40));
    float saf = values.narrow(mirroredAngle(startAngle), values.lineOf(50));
    float eaf = values.narrow(mirroredAngle(endAngle), values.lineOf(51));
    float startf = values.narrow(startAngle, values.lineOf(50));
    float endf = values.narrow(endAngle, values.lineOf(51));
    if (values.failed()) return refused(values);
    if (!isArc) {
        appendEntity(table, ENTITY_CIRCLE, {xcf, ycf, rf});
        return EntityOutcome::read;
    }
    appendEntity(table, ENTITY_ARC, {xcf, ycf, rf, lowerMirroredEnd(saf, eaf), saf, startf, endf});
    return EntityOutcome::read;
}

}  // namespace dxfprofile
