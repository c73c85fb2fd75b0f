// The entity readers of the mode-3 scan. Each takes an entity's groups,
// appends its records to the entity table and says how it went.
#pragma once

#include <cstdint>
#include <vector>

#include "dxf/entity_groups.h"

namespace dxfprofile {

struct EntityTable;

enum class EntityOutcome {
    read,        // its records are appended
    tilted,      // it lies in a tilted plane: no record
    leftOut,     // a kind that gives no record
    outOfRange,  // a value is no finite number, or too large for a record
};

// What the walk of a polyline did, segment by segment: a LINE record
// ("seg"), an arc ("bulge1", also when its values then refuse the entity),
// a bulge item passed over ("bulge2").
enum class SegmentNote : std::uint8_t { seg, bulge1, bulge2 };

struct KindResult {
    KindResult(EntityOutcome outcome = EntityOutcome::leftOut) : outcome(outcome) {}
    EntityOutcome outcome;
    std::uint64_t faultLine = 0;  // of the value that made it outOfRange
    int curveFault = 0;           // why a curve gave no record (a curve status)
    std::vector<SegmentNote> notes;
};

// The result of a reader whose `values` met one out of range.
KindResult refused(const EntityValues& values);

// Each appends the entity's records to `table`.
KindResult readLineEntity(const EntityGroups& entity, EntityTable& table);
KindResult readPointEntity(const EntityGroups& entity, EntityTable& table);
// CIRCLE and ARC.
KindResult readCircleEntity(const EntityGroups& entity, EntityTable& table);
// LWPOLYLINE.
KindResult readPolyline(const EntityGroups& entity, EntityTable& table);
// POLYLINE with its VERTEX entities: 2D polylines only; 3D polylines and
// meshes are left out.
KindResult readHeavyPolyline(const EntityGroups& polyline,
                             const std::vector<EntityGroups>& vertices, EntityTable& table);

}  // namespace dxfprofile
