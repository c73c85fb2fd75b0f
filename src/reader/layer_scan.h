// The mode-3 scan: one forward pass over an SDXF file for the entities of one
// layer, handing each to the reader of its kind.
#pragma once

#include <cstdint>

namespace dxfprofile {

// Scans `path` for the entities on `layerName` and writes its profile file.
// Returns 0, or -1 (file cannot be opened, or ends before "ENDSEC"), -2 (the
// file ends while looking for an entity's geometry), -4 (layer not found, or
// profile not written), -5 (more than 64 records).
int processLayer(const char* path, const char* layerName);

// Entity readers report an entity that they leave out because it lies in a
// tilted plane; `kind` is its DXF name.
void reportTiltedEntity(const char* kind);

}  // namespace dxfprofile
