// The blocks of a drawing: where each BLOCK's entities stand in the file and
// what they are on, read once from the BLOCKS section. The index holds names
// and places, never geometry: a reference reads its block's entities again
// from the file when it places them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bytes/line_source.h"
#include "dxf/entity_groups.h"
#include "dxf/group_reader.h"

namespace dxfprofile {

// Block flag 4: an external reference, whose entities are in another file.
inline constexpr int BLOCK_EXTERNAL = 4;
// A reference may place a block that places others up to this deep.
inline constexpr int MAX_BLOCK_NESTING = 16;

// What a block holds, once each in order of first appearance: an entity on
// `layer` ("0": the layer of the reference that places it), or a reference
// to the block `block` on `layer`.
struct BlockItem {
    std::string layer;
    std::string block;       // the block that a reference places
    bool reference = false;  // an INSERT
    bool geometry = false;   // an entity of a kind that gives records
};

struct BlockDefinition {
    std::string name;
    double base[3] = {0.0, 0.0, 0.0};  // its base point, BLOCK 10/20/30
    int flags = 0;                     // BLOCK 70
    std::uint64_t line = 0;            // of its BLOCK
    LineSource::Mark entities;         // the group 0 of its first entity (or ENDBLK)
    std::vector<BlockItem> items;
};

class BlockIndex {
  public:
    // The block named `name`, or nullptr.
    const BlockDefinition* find(std::string_view name) const;
    int indexOf(std::string_view name) const;
    const std::vector<BlockDefinition>& blocks() const { return blocks_; }
    // Whether a block holds an entity: references only matter then.
    bool holdsEntities() const { return holdsEntities_; }

    BlockDefinition& add(BlockDefinition definition);
    // An entity of the block at `block` in blocks(): see BlockItem.
    void noteItem(std::size_t block, const BlockItem& item);

  private:
    std::vector<BlockDefinition> blocks_;
    std::unordered_map<std::string, std::size_t> byName_;  // the first of each name
    std::unordered_map<std::string, bool> itemKeys_;       // block, layer and reference seen
    bool holdsEntities_ = false;
};

// Whether a reference places nothing wherever it stands: a scale of 0, or a
// plane that is not the plan view's.
bool placesNothing(const EntityGroups& insert);

// Reads the BLOCK definitions of a BLOCKS section into `index`; the reader
// stands after the section's name, and after the call after its (0, ENDSEC)
// pair. 1; 0 when the file ends first; -1 on a line that holds no group
// code or a failed read.
int readBlocksSection(GroupReader& reader, BlockIndex& index);

// Which blocks give something on one layer, through nesting too.
class BlockReach {
  public:
    BlockReach(const BlockIndex& index, std::string_view layer);
    // The block puts entities on the layer whatever layer places it.
    bool direct(std::size_t block) const { return (state_[block] & DIRECT) != 0; }
    // The block puts entities on the layer of the reference that places it.
    bool inherits(std::size_t block) const { return (state_[block] & INHERITS) != 0; }
    // Some of the entities it puts on the layer give records, when the
    // reference that places it is on the layer (`placedOnLayer`) or not.
    bool geometry(std::size_t block, bool placedOnLayer) const {
        return (state_[block] & GEOMETRY) != 0 ||
               (placedOnLayer && (state_[block] & INHERITED_GEOMETRY) != 0);
    }
    // Some block puts entities on the layer whatever layer places it.
    bool anyDirect() const { return anyDirect_; }
    // The block places itself, through others or directly.
    bool cyclic(std::size_t block) const { return (state_[block] & CYCLIC) != 0; }
    // How deep the references under the block go (1: it places no block),
    // up to a little more than MAX_BLOCK_NESTING.
    int nesting(std::size_t block) const { return depth_[block]; }

  private:
    static constexpr std::uint8_t DIRECT = 1, INHERITS = 2, GEOMETRY = 4, CYCLIC = 8, DONE = 16,
                                  BUSY = 32, INHERITED_GEOMETRY = 64;
    void visit(std::size_t block, int depth);

    const BlockIndex& index_;
    std::string layer_;
    std::vector<std::uint8_t> state_;
    std::vector<std::uint8_t> depth_;
    bool anyDirect_ = false;
};

}  // namespace dxfprofile
