// The entity readers of the mode-3 scan. Each takes an entity's groups and
// gives its shapes, in world coordinates and double precision, and says how
// it went; the record encoding turns the shapes into records.
#pragma once

#include <cstdint>
#include <vector>

#include "dxf/entity_groups.h"
#include "entities/shape.h"

namespace dxfprofile {

enum class EntityOutcome {
    read,        // its shapes are given
    tilted,      // it lies in a tilted plane: no record
    leftOut,     // a kind that gives no record
    outOfRange,  // a value is no finite number, or too large for a record
};

// What the walk of a polyline did, segment by segment: a line ("seg", said
// once its record is appended), an arc ("bulge1", said before its values are
// narrowed), a bulge item passed over ("bulge2").
enum class SegmentNote : std::uint8_t { seg, bulge1, bulge2 };

struct KindResult {
    KindResult(EntityOutcome outcome = EntityOutcome::leftOut) : outcome(outcome) {}
    EntityOutcome outcome;
    std::uint64_t faultLine = 0;  // of the value that made it outOfRange
    int curveFault = 0;           // why a curve gave no record (a curve status)
    // In order; when outOfRange, those made before the value out of range,
    // whose own values out of range come first.
    std::vector<Shape> shapes;
    std::vector<SegmentNote> notes;  // a line or an arc note for each shape
};

// The result of a reader whose `values` met one out of range.
KindResult refused(const EntityValues& values);

KindResult readLineEntity(const EntityGroups& entity);
KindResult readPointEntity(const EntityGroups& entity);
// CIRCLE and ARC.
KindResult readCircleEntity(const EntityGroups& entity);
// LWPOLYLINE. A closed polyline's walk repeats its closing segment until
// the layer's records, `recordsBefore` and its own, are over the limit.
KindResult readPolyline(const EntityGroups& entity, std::uint32_t recordsBefore);
// POLYLINE with its VERTEX entities: 2D polylines only; 3D polylines and
// meshes are left out.
KindResult readHeavyPolyline(const EntityGroups& polyline,
                             const std::vector<EntityGroups>& vertices,
                             std::uint32_t recordsBefore);

}  // namespace dxfprofile
