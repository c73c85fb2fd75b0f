// Mode 2: the ENTITIES section of a DXF file copied into the SDXF file, and
// the layers of its model-space entities listed on the way.
#pragma once

namespace dxfprofile {

class NameSet;
using LayerList = NameSet;

// Copies, from the open file `dxfInput`, the section whose (0, SECTION)
// pair is followed by (2, ENTITIES): from the line "ENTITIES" through the
// line "ENDSEC" of its (0, ENDSEC) pair, then "EOF", into `SDXF_filename`,
// and fills `layers`. Returns 0 when the SDXF file was written, -1 when it
// cannot be written, the input has no such section or ends inside it, or a
// line that should be a group code is not. The descriptor is left open.
int extractEntitiesSection(int dxfInput, const char* SDXF_filename, LayerList& layers);

}  // namespace dxfprofile
