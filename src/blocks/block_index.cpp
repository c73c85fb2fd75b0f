#include "blocks/block_index.h"

#include <algorithm>

#include "dxf/entity_head.h"
#include "dxf/layer_name.h"
#include "kinds/extrusion.h"
#include "kinds/kind_table.h"

namespace dxfprofile {
namespace {

// The blocks that hold a layout's entities; no reference places them.
bool isLayoutBlock(std::string_view name) {
    auto startsWith = [&](std::string_view prefix) {
        if (name.size() < prefix.size()) return false;
        for (std::size_t at = 0; at < prefix.size(); ++at) {
            char c = name[at];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c != prefix[at]) return false;
        }
        return true;
    };
    return startsWith("*MODEL_SPACE") || startsWith("*PAPER_SPACE") || startsWith("$MODEL_SPACE") ||
           startsWith("$PAPER_SPACE");
}

std::string_view valueOf(const EntityGroups& entity, int code, std::string_view fallback) {
    const EntityGroup* group = findGroup(entity, code);
    return group != nullptr ? std::string_view(group->value) : fallback;
}

// Reaching deeper than this, a block is taken to give everything: its
// references then stop at the nesting limit.
constexpr int REACH_DEPTH = 64;

}  // namespace

const BlockDefinition* BlockIndex::find(std::string_view name) const {
    int at = indexOf(name);
    return at < 0 ? nullptr : &blocks_[static_cast<std::size_t>(at)];
}

int BlockIndex::indexOf(std::string_view name) const {
    auto found = byName_.find(std::string(name));
    return found == byName_.end() ? -1 : static_cast<int>(found->second);
}

BlockDefinition& BlockIndex::add(BlockDefinition definition) {
    byName_.emplace(definition.name, blocks_.size());
    blocks_.push_back(std::move(definition));
    return blocks_.back();
}

void BlockIndex::noteItem(std::size_t block, const BlockItem& item) {
    BlockDefinition& definition = blocks_[block];
    if (!isLayoutBlock(definition.name)) holdsEntities_ = true;
    std::string key = std::to_string(block);
    key.append(item.reference ? "\nR" : "\nE")
        .append(item.layer)
        .append(1, '\n')
        .append(item.block);
    auto [found, added] = itemKeys_.emplace(std::move(key), item.geometry);
    if (added) {
        definition.items.push_back(item);
        return;
    }
    if (!item.geometry || found->second) return;
    // The same place seen first through a kind without records.
    found->second = true;
    for (BlockItem& seen : definition.items) {
        if (seen.reference == item.reference && seen.layer == item.layer &&
            seen.block == item.block)
            seen.geometry = true;
    }
}

bool placesNothing(const EntityGroups& insert) {
    for (int code : {41, 42, 43}) {
        const EntityGroup* scale = findGroup(insert, code);
        if (scale != nullptr && realValue(insert, code) == 0.0) return true;
    }
    EntityValues values(insert);
    return planeOf(extrusionOf(values)) == Plane::tilted;
}

int readBlocksSection(GroupReader& reader, BlockIndex& index) {
    EntityGroups entity;
    std::size_t current = 0;
    bool inBlock = false;
    for (;;) {
        int result = readEntityStart(reader, entity);
        if (result <= 0) return result;
        if (entity.kind == "ENDSEC") return 1;
        result = readEntityRest(reader, entity);
        if (result <= 0) return result;
        if (entity.kind == "BLOCK") {
            BlockDefinition block;
            block.name = valueOf(entity, 2, valueOf(entity, 3, ""));
            block.base[0] = realValue(entity, 10);
            block.base[1] = realValue(entity, 20);
            block.base[2] = realValue(entity, 30);
            block.flags = integerValue(entity, 70);
            block.line = entity.line;
            block.entities = reader.source().here();
            current = index.blocks().size();
            index.add(std::move(block));
            inBlock = true;
        } else if (entity.kind == "ENDBLK") {
            inBlock = false;
        } else if (inBlock && !isSubEntity(entity.kind)) {
            BlockItem item;
            item.layer = layerNameOf(valueOf(entity, 8, "0"));
            // A reference that places nothing is on its layer all the same.
            item.reference = entity.kind == "INSERT" && !placesNothing(entity);
            if (item.reference) item.block = valueOf(entity, 2, "");
            item.geometry = kindOf(entity.kind).reader != KindReader::none;
            index.noteItem(current, item);
        }
    }
}

BlockReach::BlockReach(const BlockIndex& index, std::string_view layer)
    : index_(index),
      layer_(layer),
      state_(index.blocks().size(), 0),
      depth_(index.blocks().size(), 1) {
    for (std::size_t block = 0; block < state_.size(); ++block) {
        visit(block, 0);
        if (direct(block)) anyDirect_ = true;
    }
}

void BlockReach::visit(std::size_t block, int depth) {
    std::uint8_t& state = state_[block];
    if ((state & DONE) != 0) return;
    if ((state & BUSY) != 0) {
        state |= CYCLIC;
        return;
    }
    if (depth > REACH_DEPTH) {
        state = DIRECT | INHERITS | GEOMETRY | INHERITED_GEOMETRY | DONE;
        depth_[block] = MAX_BLOCK_NESTING + 2;
        return;
    }
    state |= BUSY;
    std::uint8_t found = 0;
    int deepest = 0;
    for (const BlockItem& item : index_.blocks()[block].items) {
        bool onLayer = item.layer == layer_;
        bool onZero = item.layer == "0";
        // A reference is on its own layer, as any entity.
        if (onLayer) found |= DIRECT;
        if (onZero) found |= INHERITS;
        if (!item.reference) {
            if (onLayer && item.geometry) found |= GEOMETRY;
            if (onZero && item.geometry) found |= INHERITED_GEOMETRY;
            continue;
        }
        int nested = index_.indexOf(item.block);
        if (nested < 0) continue;
        auto at = static_cast<std::size_t>(nested);
        visit(at, depth + 1);
        std::uint8_t below = state_[at];
        deepest = std::max(deepest, static_cast<int>(depth_[at]));
        if ((below & CYCLIC) != 0) found |= CYCLIC;
        if ((below & DIRECT) != 0 || (onLayer && (below & INHERITS) != 0)) found |= DIRECT;
        if (onZero && (below & INHERITS) != 0) found |= INHERITS;
        if ((below & GEOMETRY) != 0 || (onLayer && (below & INHERITED_GEOMETRY) != 0))
            found |= GEOMETRY;
        if (onZero && (below & INHERITED_GEOMETRY) != 0) found |= INHERITED_GEOMETRY;
    }
    depth_[block] = static_cast<std::uint8_t>(std::min(deepest + 1, MAX_BLOCK_NESTING + 2));
    state = static_cast<std::uint8_t>((state & ~BUSY) | found | DONE);
}

}  // namespace dxfprofile
