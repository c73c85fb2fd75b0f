#include "kinds/kind_table.h"

#include "kinds/curve_reader.h"

namespace dxfprofile {
namespace {

const EntityKind KINDS[] = {
    {"LINE", KindReader::line, true, false},
    {"POINT", KindReader::point, true, false},
    {"CIRCLE", KindReader::circle, true, false},
    {"ARC", KindReader::circle, true, false},
    {"LWPOLYLINE", KindReader::polyline, true, false},
    {"POLYLINE", KindReader::heavyPolyline, true, true},
    {"SPLINE", KindReader::spline, false, false},
    {"ELLIPSE", KindReader::ellipse, false, false},
};

const EntityKind NO_KIND = {};

}  // namespace

const EntityKind& kindOf(std::string_view name) {
    for (const EntityKind& kind : KINDS) {
        if (kind.name == name) return kind;
    }
    return NO_KIND;
}

bool isSubEntity(std::string_view name) {
    return name == "VERTEX" || name == "SEQEND";
}

KindResult readEntity(const EntityKind& kind, const EntityGroups& entity,
                      const std::vector<EntityGroups>& owned, CurveChain& chain,
                      EntityTable& table) {
    switch (kind.reader) {
        case KindReader::line:
            return readLineEntity(entity, table);
        case KindReader::point:
            return readPointEntity(entity, table);
        case KindReader::circle:
            return readCircleEntity(entity, table);
        case KindReader::polyline:
            return readPolyline(entity, table);
        case KindReader::heavyPolyline:
            return readHeavyPolyline(entity, owned, table);
        case KindReader::spline:
            return readSplineEntity(entity, chain);
        case KindReader::ellipse:
            return readEllipseEntity(entity, chain);
        case KindReader::none:
            break;
    }
    return EntityOutcome::leftOut;
}

}  // namespace dxfprofile
