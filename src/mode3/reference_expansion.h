// Block references in the layer scan: a reference places its block's
// entities, read again from where the block stands, moved into the world
// by its placement, nested references too.
#pragma once

#include <string_view>

#include "mode3/scan_run.h"

namespace dxfprofile {

// Places the block of the reference `insert`, whose layer is `layer` (for
// entities of the block on layer "0"), inside `outer`, at the nesting
// `depth` (0 for a reference in the section). Entities that land on the
// run's layer are converted in block order, rows then columns; `status` is
// set on failure.
Scan expandReference(ScanRun& run, const EntityGroups& insert, std::string_view layer,
                     const Placement& outer, int depth, int& status);

// Warns of the references left out for their block: missing or external.
void printUnplaced(const ScanRun& run);

}  // namespace dxfprofile
