// The layers of a section: the distinct layer names of its model-space
// entities, in order of first appearance. Mode 2 lists them while it copies
// the section; a mode-3 run whose layer is absent looks among them for the
// layer the user may have meant.
#pragma once

#include "dxf/entity_head.h"
#include "dxf/name_set.h"

namespace dxfprofile {

// Adds to `layers` the layer of each entity of the section, from the next
// group of `reader` up to its (0, ENDSEC) pair, when the entity lies in
// model space. Layer lines of listed layers are passed over where they
// stand; an entity is read whole only when its layer is new. 1 at the
// section's end; 0 when the file ends first; -1 as readEntityGroups.
int collectSectionLayers(GroupReader& reader, NameSet& layers, SubEntityTest isSubEntity);

}  // namespace dxfprofile
