#include "mode2/layer_inventory.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "io/output_file.h"

namespace dxfprofile {

int listLayers(const char* layersFilename, const LayerList& layers) {
    std::printf("\nOutput:%s", layersFilename);
    auto output = std::make_unique<OutputFile>();
    OutputFile& layersOutput = *output;
    if (openOutput(layersOutput, layersFilename) != 0) {
        std::printf("\ncan't open output file\n");
        return -1;
    }
    for (const std::string& name : layers.names()) {
        writeOutput(layersOutput, name.data(), name.size());
        writeOutput(layersOutput, "\n", 1);
    }
    std::printf("\nFound %zu layers:", layers.names().size());
    int status = 0;
    if (commitOutput(layersOutput) != 0) {
        std::printf("\nError: can't write output file %s\n", layersFilename);
        status = -1;
    }
    for (const std::string& name : layers.names()) std::printf("\n%s", name.c_str());
    return status;
}

}  // namespace dxfprofile
