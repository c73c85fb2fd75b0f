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
    std::string_view lastName;  // entities tend to come in runs of one layer
    auto note = [&](std::string_view name) {
        if (name == lastName && !layerList.empty()) return;
        auto found = known.find(name);
        if (found != known.end()) {
            lastName = *found;
            return;
        }
        layerList.emplace_back(name);
        known.insert(layerList.back());
        lastName = layerList.back();
        writeOutput(layersOutput, layerList.back().data(), layerList.back().size());
        writeOutput(layersOutput, "\n", 1);
    };
    const MarkerSet scanMarkers = makeMarkerSet({"ENDSEC", "AcDbEntity"});
    std::string_view piece;
    while (nextMarkedPiece(sdxfSource, scanMarkers, piece)) {
        if (textContains(piece.data(), piece.size(), "ENDSEC")) break;
        // Short group code and name lines are looked at where they stand.
        std::string_view code;
        std::string_view name;
        std::size_t afterCode = 0;
        std::size_t afterName = 0;
        if (sdxfSource.bulkSkip &&
            peekShortLine(sdxfSource, sdxfSource.position, code, afterCode)) {
            sdxfSource.position = afterCode;
            if ((code.empty() || code[0] != '8') &&
                !textContains(code.data(), code.size(), "  8")) {
                continue;
            }
            if (peekShortLine(sdxfSource, afterCode, name, afterName)) {
                sdxfSource.position = afterName;
                note(name.substr(0, name.find('\0')));
                continue;
            }
        } else {
            if (!nextLine(sdxfSource)) break;
            if (!lineContains(sdxfSource, "  8") && sdxfSource.lineBuffer[0] != '8') continue;
        }
        if (!nextLine(sdxfSource)) break;
        note(readLayerName());
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
