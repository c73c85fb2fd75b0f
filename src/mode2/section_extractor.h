// Mode 2: the ENTITIES section of a DXF file copied into the SDXF file, and
// the layers of its model-space entities listed on the way; the BLOCKS
// section copied beside it when model space places blocks.
#pragma once

namespace dxfprofile {

class LineSource;
class NameSet;
class SectionOutput;
using LayerList = NameSet;

// Where the BLOCKS section goes, and whether it was written.
struct BlocksCopy {
    explicit BlocksCopy(SectionOutput& to) : output(to) {}
    SectionOutput& output;
    bool opened = false;
    bool written = false;
};

// Copies, from `input`, the section whose (0, SECTION) pair is followed by
// (2, ENTITIES): from the line "ENTITIES" through the line "ENDSEC" of its
// (0, ENDSEC) pair, CR LF as LF, then "EOF", into `sdxf`, which is opened
// once the section is found, and fills `layers`: the layers of model-space
// entities and, for a block reference, of the entities it places. A BLOCKS
// section before it is copied the same way into `blocks` (when given),
// which is committed only when model space holds a reference to a block
// that holds entities. Returns 0 when `sdxf` was committed, -1 when it
// cannot be written, the input has no such section or ends inside it, or a
// line that should be a group code is not (the message is printed, and
// noted for standard error with `path`, the name of the drawing).
int extractEntitiesSection(LineSource& input, const char* path, SectionOutput& sdxf,
                           LayerList& layers, BlocksCopy* blocks = nullptr);

}  // namespace dxfprofile
