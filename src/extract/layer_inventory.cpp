#include "extract/layer_inventory.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

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

// The distinct names in order of first appearance, with an open-addressing
// index over them, so that finding a name costs a hash and a compare or two.
class LayerList {
  public:
    // Adds `name` when it is new; true then.
    bool add(std::string_view name) {
        if (2 * (names_.size() + 1) > slots_.size()) grow();
        std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = hashOf(name) & mask;; slot = (slot + 1) & mask) {
            std::uint32_t entry = slots_[slot];
            if (entry == 0) {
                names_.emplace_back(name);
                slots_[slot] = static_cast<std::uint32_t>(names_.size());
                return true;
            }
            if (names_[entry - 1] == name) return false;
        }
    }

    const std::deque<std::string>& names() const { return names_; }

  private:
    // FNV-1a: names are short, and this is quick on short texts.
    static std::size_t hashOf(std::string_view name) {
        std::uint64_t hash = 14695981039346656037ull;
        for (char c : name) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        return static_cast<std::size_t>(hash ^ (hash >> 32));
    }

    void grow() {
        std::vector<std::uint32_t> larger(slots_.empty() ? 64 : 2 * slots_.size(), 0);
        std::size_t mask = larger.size() - 1;
        for (std::size_t index = 0; index < names_.size(); ++index) {
            std::size_t slot = hashOf(names_[index]) & mask;
            while (larger[slot] != 0) slot = (slot + 1) & mask;
            larger[slot] = static_cast<std::uint32_t>(index + 1);
        }
        slots_.swap(larger);
    }

    std::deque<std::string> names_;
    std::vector<std::uint32_t> slots_;  // 1 + index into names_, 0 for a free slot
};

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

    LayerList layerList;
    auto note = [&](std::string_view name) {
        if (!layerList.add(name)) return;
        writeOutput(layersOutput, name.data(), name.size());
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
    std::printf("\nFound %zu layers:", layerList.names().size());
    closeLineSource(sdxfSource);
    int status = 0;
    if (commitOutput(layersOutput) != 0) {
        std::printf("\nError: can't write output file %s\n", outputFilename);
        status = -1;
    }
    for (const std::string& name : layerList.names()) std::printf("\n%s", name.c_str());
    return status;
}

}  // namespace dxfprofile
