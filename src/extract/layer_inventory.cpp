#include "extract/layer_inventory.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/derive_path.h"
#include "io/output_file.h"
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
// index over them, so that finding a name costs a hash and one compare.
class LayerList {
  public:
    // Adds `name` when it is new; true then.
    bool add(std::string_view name) {
        if (2 * (names_.size() + 1) > slots_.size()) grow();
        std::uint64_t hash = hashOf(name);
        std::uint64_t tag = hash >> 32 << 32;
        std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            std::uint64_t entry = slots_[slot];
            if (entry == 0) {
                names_.emplace_back(name);
                slots_[slot] = tag | names_.size();
                return true;
            }
            if ((entry & ~INDEX) == tag && names_[(entry & INDEX) - 1] == name) return false;
        }
    }

    const std::vector<std::string>& names() const { return names_; }

  private:
    static constexpr std::uint64_t INDEX = 0xffffffffu;

    // Names are short: they are hashed eight bytes at a time.
    static std::uint64_t hashOf(std::string_view name) {
        auto mix = [](std::uint64_t hash, std::uint64_t bytes) {
            hash = (hash ^ bytes) * 0xff51afd7ed558ccdull;
            return hash ^ (hash >> 32);
        };
        const char* bytes = name.data();
        std::size_t size = name.size();
        std::uint64_t hash = mix(0x9e3779b97f4a7c15ull, size);
        for (; size >= 8; bytes += 8, size -= 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes, sizeof word);
            hash = mix(hash, word);
        }
        if (size >= 4) {
            std::uint32_t first;
            std::uint32_t last;
            std::memcpy(&first, bytes, sizeof first);
            std::memcpy(&last, bytes + size - 4, sizeof last);
            hash = mix(hash, std::uint64_t{first} << 32 | last);
        } else if (size > 0) {
            auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
            hash = mix(hash, std::uint64_t{byte(0)} << 16 | std::uint64_t{byte(size / 2)} << 8 |
                                 byte(size - 1));
        }
        return hash;
    }

    void grow() {
        std::vector<std::uint64_t> larger(slots_.empty() ? 64 : 2 * slots_.size(), 0);
        std::size_t mask = larger.size() - 1;
        for (std::uint64_t entry : slots_) {
            if (entry == 0) continue;
            std::size_t slot = hashOf(names_[(entry & INDEX) - 1]) & mask;
            while (larger[slot] != 0) slot = (slot + 1) & mask;
            larger[slot] = entry;
        }
        slots_.swap(larger);
    }

    std::vector<std::string> names_;
    // Each slot: the high half of a name's hash above 1 + its index into
    // names_; 0 when free.
    std::vector<std::uint64_t> slots_;
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
    for (;;) {
        if (sdxfSource.bulkSkip) {
            // Most entity heads are laid out alike and are read where they stand.
            if (!seekMarkedPiece(sdxfSource, scanMarkers)) break;
            std::string_view name;
            std::size_t afterName = 0;
            if (peekEntityLayer(sdxfSource, name, afterName)) {
                sdxfSource.position = afterName;
                note(name.substr(0, name.find('\0')));
                continue;
            }
        }
        if (!nextMarkedPiece(sdxfSource, scanMarkers, piece)) break;
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
