// Mode 2, first half: the ENTITIES section of a DXF file copied into the
// SDXF file.
#pragma once

namespace dxfprofile {

// Copies from the first line holding "ENTITIES" through the next line holding
// "ENDSEC" from the open file `dxfInput` into `SDXF_filename` (derived from
// `inputPath`), then "EOF". Returns 0 when the SDXF file was written, -1
// when it cannot be written or the input ends before either line. The
// descriptor is left open.
int extractEntitiesSection(int dxfInput, const char* inputPath, char* SDXF_filename);

}  // namespace dxfprofile
