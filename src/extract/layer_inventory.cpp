#include "extract/layer_inventory.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>

#include "cli/derive_path.h"
#include "entities/output_file.h"
#include "reader/line_source.h"

namespace dxfprofile {
namespace {

LineSource sdxfSource;
OutputFile layersOutput;

// The layer name whose first piece is in lineBuffer, its pieces joined up to
// the line end; the name ends at its line end (or at a NUL byte in it).
std::string readLayerName() {
    std::string name;
    for (;;) {
        std::string_view piece(sdxfSource.lineBuffer, sdxfSource.lineLength);
        bool ends = pieceEndsLine(sdxfSource);
        if (ends) piece.remove_suffix(1);
        name.append(piece);
        if (ends || !nextLine(sdxfSource)) break;
    }
    std::size_t nul = name.find('\0');
    if (nul != std::string::npos) name.resize(nul);
    return name;
}

}  // namespace

int listLayers(const char* sdxfPath) {
    char outputFilename[PATH_BUFFER];
    derivePath(outputFilename, sdxfPath, ".layers");
    std::printf("\nOutput:%s", outputFilename);
    if (openOutput(layersOutput, outputFilename) != 0) {
        std::printf("\ncan't open output file\n");
        return -1;
    }
    if (openLineSource(sdxfSource, sdxfPath) != 0) {
        commitOutput(layersOutput);
        std::printf("\ncan't open input file\n");
        return -2;
    }

    // Names in order of first appearance, and a set to find them at once.
    std::deque<std::string> layerList;  // stable, so the set may point into it
    std::unordered_set<std::string_view> known;
    const MarkerSet scanMarkers = makeMarkerSet({"ENDSEC", "AcDbEntity"});
    while (nextMarkedLine(sdxfSource, scanMarkers, nullptr)) {
        if (lineContains(sdxfSource, "ENDSEC")) break;
        if (!nextLine(sdxfSource)) break;
        if (!lineContains(sdxfSource, "  8") && sdxfSource.lineBuffer[0] != '8') continue;
        if (!nextLine(sdxfSource)) break;
        std::string name = readLayerName();
        if (known.count(name) != 0) continue;
        layerList.push_back(std::move(name));
        known.insert(layerList.back());
        writeOutput(layersOutput, layerList.back().data(), layerList.back().size());
        writeOutput(layersOutput, "\n", 1);
    }
    std::printf("\nFound %zu layers:", layerList.size());
    closeLineSource(sdxfSource);
    int status = 0;
    if (commitOutput(layersOutput) != 0) {
        std::printf("\nError: can't write output file %s\n", outputFilename);
        status = -1;
    }
    for (const std::string& name : layerList) std::printf("\n%s", name.c_str());
    return status;
}

}  // namespace dxfprofile
