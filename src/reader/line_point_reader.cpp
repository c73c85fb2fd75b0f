// Lines and points: their coordinates by group code.
#include "entities/entity_table.h"
#include "geometry/nudge.h"
#include "reader/readers.h"

namespace dxfprofile {
namespace {

// A coordinate as a record holds it: nudged, narrowed to single precision.
float coordinate(const EntityGroups& entity, int code) {
    return static_cast<float>(nudge(realValue(entity, code)));
}

}  // namespace

EntityOutcome readLineEntity(const EntityGroups& entity) {
    float x1f = coordinate(entity, 10);
    float y1f = coordinate(entity, 20);
    float x2f = coordinate(entity, 11);
    float y2f = coordinate(entity, 21);
    appendEntity(ENTITY_LINE, {x1f, y1f, x2f, y2f});
    return EntityOutcome::read;
}

EntityOutcome readPointEntity(const EntityGroups& entity) {
    float x1f = coordinate(entity, 10);
    float y1f = coordinate(entity, 20);
    float z1f = coordinate(entity, 30);
    appendEntity(ENTITY_POINT, {x1f, y1f, z1f, 0.0f, 0.0f});
    return EntityOutcome::read;
}

}  // namespace dxfprofile
