// The entity kinds that a profile takes, in one table: which reader reads
// each, whether it gives records of its own, and which kinds that follow it
// belong to it. A new kind is a row here and a reader.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "dxf/entity_groups.h"
#include "entities/entity_table.h"
#include "geometry/curve_chain.h"
#include "geometry/placement.h"
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
// sub-entities, curves go to `chain`, and `recordsBefore` is the layer's
// count of records so far. `placement` takes an entity of a block to where
// a reference puts it (placed_shapes.h); IDENTITY_PLACEMENT for model space,
// where nothing is placed.
KindResult readEntity(const EntityKind& kind, const EntityGroups& entity,
                      const std::vector<EntityGroups>& owned, CurveChain& chain,
                      std::uint32_t recordsBefore, const Placement& placement);

// Appends the records of the shapes that `read` gives to `table`, in order,
// through the record encoding. The first value out of range among them
// refuses the entity: `read` then says so, with only the notes said before
// it.
void appendShapes(KindResult& read, EntityTable& table);

// Cuts the notes of `read` to those said when the record of shape
// `appended` is refused: a line's note comes once its record is appended, an
// arc's before it is narrowed.
void keepNotesBefore(KindResult& read, std::size_t appended);

}  // namespace dxfprofile
