// What one layer scan keeps from its start to its end, shared by the scan of
// the section and the placing of blocks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "blocks/block_index.h"
#include "dxf/entity_groups.h"
#include "dxf/group_reader.h"
#include "geometry/curve_chain.h"
#include "geometry/placement.h"
#include "kinds/curve_reader.h"
#include "mode3/left_out.h"
#include "mode3/record_tally.h"

namespace dxfprofile {

struct EntityTable;

// References to a block that gives nothing: missing, or in another file.
struct UnplacedBlock {
    std::string name;
    std::uint64_t line = 0;  // of the first reference
    int references = 0;
    bool external = false;
};

struct ScanRun {
    explicit ScanRun(EntityTable& records) : table(records) {}
    EntityTable& table;     // the layer's records
    const char* path = "";  // the SDXF file, for messages
    const char* layerName = "";
    std::FILE* messages = stdout;  // the messages that standard output shows
    bool layerFound = false;
    // The layer's curves, joined end to end until the next entity that
    // gives records of its own.
    CurveChain curveChain;
    CurveRecords curveRecords;
    LeftOut leftOut;
    RecordTally tally;
    // The blocks, when they can be read: their index, which of them reach
    // the layer, and where their entities are read again.
    const BlockIndex* blocks = nullptr;
    const BlockReach* reach = nullptr;
    LineSource* blockSource = nullptr;
    const char* blocksPath = "";
    std::vector<UnplacedBlock> unplaced;
    std::uint64_t placedEntities = 0;  // of the layer, placed by references
    int referencesLeftOut = 0;         // on the layer, without blocks to read
};

enum class Scan { goOn, failed, refused };

// Converts one entity of the layer, placed by `placement`, into records;
// `status` is set on failure. Sub-entities (a polyline's vertices) are read
// from `reader`.
Scan convertEntity(ScanRun& run, GroupReader& reader, const EntityGroups& entity, int& status,
                   const Placement& placement);

// Reports a value out of range of `kind` on `line`: the entity is refused.
void reportOutOfRange(const ScanRun& run, const std::string& kind, std::uint64_t line,
                      std::uint64_t faultLine);

}  // namespace dxfprofile
