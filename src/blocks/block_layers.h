// The layers that block references put entities on, for the layer list: an
// entity of a block on layer "0" is on the layer of the reference that
// places it, one on another layer stays on its own.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "blocks/block_index.h"
#include "dxf/name_set.h"

namespace dxfprofile {

class BlockLayerWalk {
  public:
    BlockLayerWalk(const BlockIndex& index, NameSet& layers) : index_(index), layers_(layers) {}

    // Adds to the list, in the order a walk of the block's entities meets
    // them, the layers that a reference to `block` on `layer` reaches. An
    // external or missing block adds none; nesting past the limit is cut.
    void addReference(std::string_view block, std::string_view layer);

  private:
    void walk(std::string_view block, std::string_view layer, int depth);

    const BlockIndex& index_;
    NameSet& layers_;
    // Each block and the layer that places it, walked once.
    std::unordered_set<std::string> walked_;
};

}  // namespace dxfprofile
