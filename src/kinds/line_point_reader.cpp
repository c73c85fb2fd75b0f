// Lines and points: their coordinates by group code.
#include "entities/entity_table.h"
#include "entities/record_encoding.h"
#include "kinds/readers.h"

namespace dxfprofile {

KindResult refused(const EntityValues& values) {
    KindResult result(EntityOutcome::outOfRange);
    result.faultLine = values.faultLine();
    return result;
}

namespace {

// A coordinate as a record holds it: nudged, narrowed to single precision.
float coordinate(EntityValues& values, int code) {
    return values.narrow(nudge(values.real(code)), values.lineOf(code));
}

}  // namespace

KindResult readLineEntity(const EntityGroups& entity, EntityTable& table) {
    EntityValues values(entity);
    float x1f = coordinate(values, 10);
    float y1f = coordinate(values, 20);
    float x2f = coordinate(values, 11);
    float y2f = coordinate(values, 21);
    if (values.failed()) return refused(values);
    appendEntity(table, ENTITY_LINE, {x1f, y1f, x2f, y2f});
    return EntityOutcome::read;
}

KindResult readPointEntity(const EntityGroups& entity, EntityTable& table) {
    EntityValues values(entity);
    float x1f = coordinate(values, 10);
    float y1f = coordinate(values, 20);
    float z1f = coordinate(values, 30);
    if (values.failed()) return refused(values);
    appendEntity(table, ENTITY_POINT, {x1f, y1f, z1f, 0.0f, 0.0f});
    return EntityOutcome::read;
}

}  // namespace dxfprofile
