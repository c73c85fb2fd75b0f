// The hints of a run whose layer is not in the drawing: the drawing's layers
// that the user may have meant, because they differ from the given name only
// in letter case, in blanks at either end, or in how their letters are
// encoded. The layer is still matched exactly; these are only shown.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/group_reader.h"
#include "dxf/name_set.h"

namespace dxfprofile {

// The form in which two names that resemble each other are equal: decoded
// (UTF-8 when the bytes are UTF-8, Windows-1252 otherwise), \U+XXXX escapes
// replaced by their characters, blanks and tabs at either end removed, and
// the letters of ASCII and Windows-1252 in lower case.
std::u32string layerNameKey(std::string_view name);

// Whether `name` differs from `given` and resembles it.
bool resemblesLayerName(std::string_view given, std::string_view name);

// Adds the layers of the section that `reader` stands in to a set; returns
// as collectSectionLayers.
using LayerCollector = std::function<int(GroupReader& reader, NameSet& layers)>;

// The names of the layers of the ENTITIES section of `path`, an SDXF file
// or, with `drawing`, a drawing, as `collect` lists them, in order of first
// appearance, as mode 2 lists them; what was read before a fault, should
// the file hold one. For an SDXF file, the layers file `layersPath` that
// mode 2 wrote with it gives them instead, when it is there and no older.
std::vector<std::string> readLayerNames(const char* path, bool drawing,
                                        const LayerCollector& collect,
                                        const char* layersPath = nullptr);

// Notes the failure of a run whose layer `layerName` is not in `path`,
// with the resembling layers of the drawing.
void noteMissingLayer(const char* path, const char* layerName, bool drawing,
                      const LayerCollector& collect, const char* layersPath = nullptr);

}  // namespace dxfprofile
