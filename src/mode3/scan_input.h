// Where a layer scan's entities and blocks come from: a drawing's sections
// up to ENTITIES, the blocks file beside an SDXF file, and the note for
// references left out without it.
#pragma once

#include "blocks/block_index.h"
#include "dxf/group_reader.h"
#include "mode3/layer_scan.h"
#include "mode3/scan_run.h"

namespace dxfprofile {

// Passes over the sections of a drawing up to its ENTITIES section, indexing
// its BLOCKS section on the way; the source then stands at the line
// "ENTITIES". 0, or -1 (reported).
int findDrawingEntities(ScanRun& run, GroupReader& reader, BlockIndex& index);

// Indexes the blocks file that mode 2 wrote beside the SDXF file; false
// (warned) when it cannot be read whole.
bool indexBlocksFile(const BlockInput& blocks, BlockIndex& index);

// Notes the references on the layer that were left out for want of blocks.
void hintBlocks(const ScanRun& run, const BlockInput& blocks);

}  // namespace dxfprofile
