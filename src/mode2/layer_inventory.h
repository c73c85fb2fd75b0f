// Mode 2, the layers: the distinct layer names of the model-space entities
// of a section, in order of first appearance, and the layers file.
#pragma once

#include "dxf/name_set.h"

namespace dxfprofile {

// The layers listed so far: names in order of first appearance.
using LayerList = NameSet;

// Writes the layers file (one name per line) and prints its path and the
// names. Returns 0, or -1 when the layers file cannot be written.
int listLayers(const char* layersFilename, const LayerList& layers);

}  // namespace dxfprofile
