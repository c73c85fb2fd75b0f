#include "kinds/kind_table.h"

#include "entities/record_encoding.h"
#include "kinds/curve_reader.h"
#include "kinds/placed_shapes.h"

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

namespace {

KindResult readShapes(const EntityKind& kind, const EntityGroups& entity,
                      const std::vector<EntityGroups>& owned, std::uint32_t recordsBefore) {
    switch (kind.reader) {
        case KindReader::line:
            return readLineEntity(entity);
        case KindReader::point:
            return readPointEntity(entity);
        case KindReader::circle:
            return readCircleEntity(entity);
        case KindReader::polyline:
            return readPolyline(entity, recordsBefore);
        case KindReader::heavyPolyline:
            return readHeavyPolyline(entity, owned, recordsBefore);
        case KindReader::spline:
        case KindReader::ellipse:
        case KindReader::none:
            break;
    }
    return EntityOutcome::leftOut;
}

}  // namespace

KindResult readEntity(const EntityKind& kind, const EntityGroups& entity,
                      const std::vector<EntityGroups>& owned, CurveChain& chain,
                      std::uint32_t recordsBefore, const Placement& placement) {
    if (kind.reader == KindReader::spline) return readSplineEntity(entity, chain, placement);
    if (kind.reader == KindReader::ellipse) return readEllipseEntity(entity, chain, placement);
    KindResult read = readShapes(kind, entity, owned, recordsBefore);
    if (!isIdentity(placement)) placeShapes(read, placement, chain);
    return read;
}

void appendShapes(KindResult& read, EntityTable& table) {
    std::size_t appended = 0;
    for (const Shape& shape : read.shapes) {
        std::uint64_t faultLine = 0;
        if (appendShapeRecord(shape, table, faultLine) != 0) {
            read.outcome = EntityOutcome::outOfRange;
            read.faultLine = faultLine;
            break;
        }
        ++appended;
    }
    if (appended != read.shapes.size()) keepNotesBefore(read, appended);
}

void keepNotesBefore(KindResult& read, std::size_t appended) {
    // A line is noted once its record is appended, an arc before.
    std::size_t said = 0;
    std::size_t shape = 0;
    for (SegmentNote note : read.notes) {
        if (note == SegmentNote::seg && shape == appended) break;
        ++said;
        if (note == SegmentNote::bulge2) continue;
        if (shape++ == appended) break;
    }
    read.notes.resize(said);
}

}  // namespace dxfprofile
