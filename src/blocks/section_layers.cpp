#include "blocks/section_layers.h"

#include "blocks/block_layers.h"
#include "dxf/entity_head.h"
#include "dxf/section_layers.h"
#include "kinds/kind_table.h"

namespace dxfprofile {

int collectPlacedLayers(GroupReader& reader, NameSet& layers, const BlockIndex& blocks,
                        bool& referenced) {
    if (!blocks.holdsEntities()) return collectSectionLayers(reader, layers, isSubEntity);
    EveryLayer everyLayer;
    EntityHeads heads(reader, everyLayer, isSubEntity);
    BlockLayerWalk walk(blocks, layers);
    EntityHead head;
    EntityGroups entity;
    for (;;) {
        HeadResult result = heads.next(head);
        if (result == HeadResult::sectionEnd) return 1;
        if (result == HeadResult::fileEnd) return 0;
        std::string_view layer = layerNameOf(head.layer);
        bool reference = head.kind == "INSERT";
        if (!reference && layers.contains(layer)) continue;
        // A new name counts only for an entity in model space, which may
        // say otherwise anywhere in its groups.
        int read = readEntityGroups(reader, head, entity);
        if (read <= 0) return read;
        if (inPaperSpace(entity)) continue;
        layers.add(layer);
        if (!reference) continue;
        referenced = true;
        if (placesNothing(entity)) continue;
        const EntityGroup* block = findGroup(entity, 2);
        walk.addReference(block != nullptr ? std::string_view(block->value) : "", layer);
    }
}

}  // namespace dxfprofile
