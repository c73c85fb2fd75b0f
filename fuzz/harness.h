// What the fuzz targets share: a private working directory, the runs of the
// two jobs on one input, and the checks that every run must pass. A failed
// check aborts, so that libFuzzer and the corpus replay both report it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dxfprofile::fuzzing {

// Moves the process into a private temporary directory (removed at exit),
// once, and sends standard output to /dev/null. Paths given to the fuzzer
// (corpus, artifacts) must therefore be absolute.
void enterWorkspace();

// Mode 3 on `data` as the SDXF file, read from memory, and `layerName` as
// the layer. The scan runs four times: with the block search on whole
// blocks, with the block search on small reads (with and without the wide
// vectors), and piece by piece. All runs must agree: status, records and
// profile file.
void checkLayerScan(const std::uint8_t* data, std::size_t size, const char* layerName);

// Mode 2 on `data` as the DXF file, read from memory, with the SDXF file in
// memory; four times like checkLayerScan: status, SDXF bytes and layers
// must agree.
void checkExtract(const std::uint8_t* data, std::size_t size);

}  // namespace dxfprofile::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
