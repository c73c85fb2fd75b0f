// Mode 3 with the layer name taken from the input: its first line (without
// the line end) names the layer, the rest is the SDXF file.
#include <algorithm>
#include <cstring>

#include "harness.h"
#include "io/output_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dxfprofile::fuzzing::enterWorkspace();
    const std::uint8_t* lineEnd = std::find(data, data + size, '\n');
    std::size_t nameLength = static_cast<std::size_t>(lineEnd - data);
    // The command line takes names of at most 251 characters.
    if (nameLength + std::strlen(".txt") >= dxfprofile::PATH_BUFFER) return 0;
    char layerName[dxfprofile::PATH_BUFFER] = {};
    std::memcpy(layerName, data, nameLength);
    std::size_t rest = lineEnd == data + size ? size : nameLength + 1;
    dxfprofile::fuzzing::checkLayerScan(data + rest, size - rest, layerName);
    return 0;
}
