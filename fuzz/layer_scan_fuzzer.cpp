// Mode 3 on arbitrary bytes as the SDXF file, for the layer "0" that most
// drawings use.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dxfprofile::fuzzing::enterWorkspace();
    dxfprofile::fuzzing::checkLayerScan(data, size, "0");
    return 0;
}
