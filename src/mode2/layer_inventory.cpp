#include "mode2/layer_inventory.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "io/diagnostics.h"
#include "io/output_file.h"

namespace dxfprofile {
namespace {

// The run goes on without its layers file: a warning, not the failure line.
void warnUnwritten(const char* layersFilename) {
    if (failureNoted()) {
        printWarning("%s", failureText().c_str());
    } else {
        printWarning("cannot write %s", layersFilename);
    }
    clearFailure();
}

}  // namespace

int listLayers(const char* layersFilename, const LayerList& layers) {
    std::printf("\nOutput:%s", layersFilename);
    auto output = std::make_unique<OutputFile>();
    OutputFile& layersOutput = *output;
    if (openOutput(layersOutput, layersFilename) != 0) {
        std::printf("\ncan't open output file\n");
        warnUnwritten(layersFilename);
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
        warnUnwritten(layersFilename);
        status = -1;
    }
    for (const std::string& name : layers.names()) std::printf("\n%s", name.c_str());
    return status;
}

}  // namespace dxfprofile
