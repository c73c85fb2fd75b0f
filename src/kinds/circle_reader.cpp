// Circles and arcs: centre, radius and angles by group code.
#include "kinds/extrusion.h"
#include "kinds/readers.h"

namespace dxfprofile {

KindResult readCircleEntity(const EntityGroups& entity) {
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
    Shape shape;
    shape.kind = isArc ? ShapeKind::arc : ShapeKind::circle;
    const double found[] = {centreX, centreY, radius, startAngle, endAngle};
    const int codes[] = {10, 20, 40, 50, 51};
    for (int i = 0; i < SHAPE_VALUES; ++i) {
        shape.values[i] = found[i];
        shape.lines[i] = values.lineOf(codes[i]);
    }
    KindResult result(EntityOutcome::read);
    result.shapes.push_back(shape);
    return result;
}

}  // namespace dxfprofile
