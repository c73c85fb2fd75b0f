// Circles and arcs, which share the subclass marker "AcDbCircle".
#include <algorithm>
#include <cstdlib>

#include "entities/entity_table.h"
#include "geometry/nudge.h"
#include "reader/extrusion.h"
#include "reader/layer_scan.h"
#include "reader/line_source.h"
#include "reader/readers.h"

namespace dxfprofile {
namespace {

double readValue() {
    nextLine();
    return std::atof(lineSource.lineBuffer);
}

// Passes over the groups after the radius, as pairs, up to the arc's subclass
// marker (true) or the group 0 that ends the entity (false). Extrusion groups
// met on the way are kept.
bool arcSubclassFollows(Extrusion& extrusion) {
    for (;;) {
        if (!nextLine()) return false;
        bool whole = pieceEndsLine(lineSource);
        // The code is kept apart: reading the value overwrites lineBuffer.
        char codeText[PIECE_LENGTH + 1] = {};
        std::string_view found = groupCode(lineSource.lineBuffer, lineSource.lineLength);
        std::copy(found.begin(), found.end(), codeText);
        std::string_view code(codeText, found.size());
        if (whole && code == "100") return true;
        if (whole && code == "0") return false;
        if (!whole && !skipRestOfLine(lineSource)) return false;
        if (!nextLine()) return false;
        if (whole) takeExtrusionGroup(extrusion, code, lineSource.lineBuffer);
        if (!skipRestOfLine(lineSource)) return false;
    }
}

}  // namespace

void readCircleEntity() {
    nextLine();
    if (lineContains(lineSource, "39")) {
        nextLine();  // thickness value
        nextLine();  // code line of group 10
    }
    double centreX = readValue();
    nextLine();
    double centreY = readValue();
    nextLine();
    nextLine();  // centre z
    nextLine();
    double radius = readValue();

    Extrusion extrusion;
    bool isArc = arcSubclassFollows(extrusion);
    double startAngle = 0.0;
    double endAngle = 0.0;
    if (isArc) {
        nextLine();  // the arc's subclass name
        nextLine();
        startAngle = readValue();
        nextLine();
        endAngle = readValue();
    }

    Plane plane = planeOf(extrusion);
    if (plane == Plane::tilted) {
        reportTiltedEntity(isArc ? "ARC" : "CIRCLE");
        return;
    }
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
        return;
    }
    float saf = static_cast<float>(360.0 - nudge(startAngle));
    float eaf = static_cast<float>(360.0 - nudge(endAngle));
    float difference = eaf - saf;
    if (difference > 90.0f) eaf = static_cast<float>(eaf - 360.0);
    appendEntity(ENTITY_ARC, {xcf, ycf, rf, eaf, saf, static_cast<float>(startAngle),
                              static_cast<float>(endAngle)});
}

}  // namespace dxfprofile
