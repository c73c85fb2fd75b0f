// The entity readers of the mode-3 scan. Each takes an entity's groups and
// appends its records to the entity table.
#pragma once

#include <cstdint>
#include <vector>

#include "dxf/entity_groups.h"

namespace dxfprofile {

enum class EntityOutcome {
    read,        // its records are appended
    tilted,      // it lies in a tilted plane: no record
    leftOut,     // a kind that gives no record
    outOfRange,  // a value is no finite number, or too large for a record
};

// The line of the value that made the last reader return outOfRange.
extern std::uint64_t valueFaultLine;

EntityOutcome readLineEntity(const EntityGroups& entity);
EntityOutcome readPointEntity(const EntityGroups& entity);
// CIRCLE and ARC.
EntityOutcome readCircleEntity(const EntityGroups& entity);
// LWPOLYLINE.
EntityOutcome readPolyline(const EntityGroups& entity);
// POLYLINE with its VERTEX entities: 2D polylines only; 3D polylines and
// meshes are left out.
EntityOutcome readHeavyPolyline(const EntityGroups& polyline,
                                const std::vector<EntityGroups>& vertices);

}  // namespace dxfprofile
