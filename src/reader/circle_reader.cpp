// Circles and arcs: centre, radius and angles by group code.
#include "entities/entity_table.h"
#include "geometry/nudge.h"
#include "reader/extrusion.h"
#include "reader/readers.h"

namespace dxfprofile {

EntityOutcome readCircleEntity(const EntityGroups& entity) {
    bool isArc = entity.kind == "ARC";
    double centreX = realValue(entity, 10);
    double centreY = realValue(entity, 20);
    double radius = realValue(entity, 40);
    double startAngle = isArc ? realValue(entity, 50) : 0.0;
    double endAngle = isArc ? realValue(entity, 51) : 0.0;

    Plane plane = planeOf(extrusionOf(entity));
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
    float xcf = static_cast<float>(nudge(centreX));
    float ycf = static_cast<float>(nudge(centreY));
    float rf = static_cast<float>(nudge(radius));
    if (!isArc) {
        appendEntity(ENTITY_CIRCLE, {xcf, ycf, rf});
        return EntityOutcome::read;
    }
    float saf = static_cast<float>(360.0 - nudge(startAngle));
    float eaf = static_cast<float>(360.0 - nudge(endAngle));
    float difference = eaf - saf;
    if (difference > 90.0f) eaf = static_cast<float>(eaf - 360.0);
    appendEntity(ENTITY_ARC, {xcf, ycf, rf, eaf, saf, static_cast<float>(startAngle),
                              static_cast<float>(endAngle)});
    return EntityOutcome::read;
}

}  // namespace dxfprofile
