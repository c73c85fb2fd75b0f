#include "dxf/section_layers.h"

namespace dxfprofile {

int collectSectionLayers(GroupReader& reader, NameSet& layers, SubEntityTest isSubEntity) {
    NewLayer wanted(layers);
    EntityHeads heads(reader, wanted, isSubEntity);
    heads.passOver(layers);
    EntityHead head;
    EntityGroups entity;
    for (;;) {
        HeadResult result = heads.next(head);
        if (result == HeadResult::sectionEnd) return 1;
        if (result == HeadResult::fileEnd) return 0;
        // A new name counts only for an entity in model space, which may
        // say otherwise anywhere in its groups.
        int read = readEntityGroups(reader, head, entity);
        if (read <= 0) return read;
        if (!inPaperSpace(entity)) layers.add(layerNameOf(head.layer));
    }
}

}  // namespace dxfprofile
