// The layers of a section with its block references placed: the layers of
// its model-space entities and those that its references put entities on,
// in order of first appearance, as mode 2 lists them and mode 3 finds them.
#pragma once

#include "blocks/block_index.h"
#include "dxf/group_reader.h"
#include "dxf/name_set.h"

namespace dxfprofile {

// Adds to `layers` the layers of the section, from the next group of
// `reader` up to its (0, ENDSEC) pair; a reference adds its own layer, then
// those that its block reaches. While no block of `blocks` holds an entity,
// layer lines of listed layers are passed over where they stand; otherwise
// every head is read, for the references. `referenced` is set when model
// space holds a reference that was read. 1 at the section's end; 0 when the
// file ends first; -1 as readEntityGroups.
int collectPlacedLayers(GroupReader& reader, NameSet& layers, const BlockIndex& blocks,
                        bool& referenced);

}  // namespace dxfprofile
