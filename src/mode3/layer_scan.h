// The mode-3 scan: one forward pass over an SDXF file for the entities of one
// layer, handing each to the reader of its kind.
#pragma once

#include <cstdio>

namespace dxfprofile {

class LineSource;
struct EntityTable;

// Where the blocks of the drawing are read.
struct BlockInput {
    // The drawing again, or the blocks file that mode 2 wrote; none: block
    // references are left out.
    LineSource* source = nullptr;
    const char* path = "";  // its name, for messages
    // The input is the drawing itself, not an SDXF file: its sections are
    // passed over up to ENTITIES, and its BLOCKS section indexed on the way.
    bool drawing = false;
    // The layers file that mode 2 wrote beside the SDXF file, for the
    // layers to suggest when the layer is not found; nullptr: none.
    const char* layersPath = nullptr;
};

// Scans the SDXF file that `sdxfInput` reads (`path` names it in messages)
// for the entities on `layerName`, into `table`, and writes its profile
// file. The run's
// messages ("\nseg", "\nProcessed 3 entities", ...) go to `messages`, the
// failure notes and reports to standard error; a line that holds no group
// code is reported by the group reader on standard output.
// Returns 0, or -1 (the file ends before its (0, ENDSEC)
// pair, or holds a line that should be a group code and is not), -2 (the
// file ends inside an entity of the layer before its coordinates), -4 (layer
// not found, or profile not written), -5 (more than 64 records).
int processLayer(LineSource& sdxfInput, const char* path, const char* layerName,
                 std::FILE* messages, EntityTable& table, const BlockInput& blocks = BlockInput{});

}  // namespace dxfprofile
