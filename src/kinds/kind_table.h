// The entity kinds that a profile takes, in one table: which reader reads
// each, whether it gives records of its own, and which kinds that follow it
// belong to it. A new kind is a row here and a reader.
#pragma once

#include <string_view>
#include <vector>

#include "dxf/entity_groups.h"
#include "geometry/curve_chain.h"
#include "kinds/readers.h"

namespace dxfprofile {

enum class KindReader { none, line, point, circle, polyline, heavyPolyline, spline, ellipse };

struct EntityKind {
    std::string_view name;
    KindReader reader = KindReader::none;
    // Records of its own, which end the chain of curves before it; a curve
    // joins the chain instead.
    bool givesRecords = false;
    // The VERTEX entities up to a SEQEND that follow it are its own.
    bool ownsVertices = false;
};

// The row of `name`; a kind without one is read by no reader.
const EntityKind& kindOf(std::string_view name);

// VERTEX and SEQEND: they belong to the entity before them, never stand
// alone.
bool isSubEntity(std::string_view name);

// Reads `entity` with the reader of its kind; `owned` holds its
// sub-entities, records go to `table` and curves to `chain`.
KindResult readEntity(const EntityKind& kind, const EntityGroups& entity,
                      const std::vector<EntityGroups>& owned, CurveChain& chain,
                      EntityTable& table);

}  // namespace dxfprofile
