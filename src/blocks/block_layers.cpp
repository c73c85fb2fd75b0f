#include "blocks/block_layers.h"

namespace dxfprofile {

void BlockLayerWalk::addReference(std::string_view block, std::string_view layer) {
    walk(block, layer, 1);
}

void BlockLayerWalk::walk(std::string_view block, std::string_view layer, int depth) {
    const BlockDefinition* definition = index_.find(block);
    if (definition == nullptr || (definition->flags & BLOCK_EXTERNAL) != 0) return;
    if (depth > MAX_BLOCK_NESTING) return;
    std::string key(block);
    key.append(1, '\n').append(layer);
    if (!walked_.insert(std::move(key)).second) return;
    for (const BlockItem& item : definition->items) {
        std::string_view itemLayer = item.layer == "0" ? layer : std::string_view(item.layer);
        // A reference's own layer comes before those of its block.
        layers_.add(itemLayer);
        if (item.reference) walk(item.block, itemLayer, depth + 1);
    }
}

}  // namespace dxfprofile
