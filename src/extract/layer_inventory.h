// Mode 2, second half: the names of the layers of an SDXF file.
#pragma once

namespace dxfprofile {

// Writes the layers file beside `sdxfPath` (one distinct name per line, in
// order of first appearance) and prints the names. Returns 0, -1 when the
// layers file cannot be written, -2 when the SDXF file cannot be read.
int listLayers(const char* sdxfPath);

}  // namespace dxfprofile
