// Mode 2 on arbitrary bytes as the DXF file: the ENTITIES section extractor,
// then the layer inventory on the SDXF file that it wrote.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dxfprofile::fuzzing::enterWorkspace();
    dxfprofile::fuzzing::checkExtract(data, size);
    return 0;
}
