#include "extract/layer_inventory.h"

#include <cstdio>
#include <cstring>

#include "io/output_file.h"

namespace dxfprofile {
namespace {

constexpr std::uint64_t INDEX = 0xffffffffu;

OutputFile layersOutput;

}  // namespace

// Names are short: they are hashed eight bytes at a time.
std::uint64_t LayerList::hashOf(std::string_view name) {
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

std::size_t LayerList::slotOf(std::string_view name, std::uint64_t hash) const {
    std::uint64_t tag = hash >> 32 << 32;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        std::uint64_t entry = slots_[slot];
        if (entry == 0) return slot;
        if ((entry & ~INDEX) == tag && names_[(entry & INDEX) - 1] == name) return slot;
    }
}

bool LayerList::contains(std::string_view name) const {
    return !slots_.empty() && slots_[slotOf(name, hashOf(name))] != 0;
}

bool LayerList::add(std::string_view name) {
    if (2 * (names_.size() + 1) > slots_.size()) grow();
    std::uint64_t hash = hashOf(name);
    std::size_t slot = slotOf(name, hash);
    if (slots_[slot] != 0) return false;
    names_.emplace_back(name);
    slots_[slot] = (hash >> 32 << 32) | names_.size();
    return true;
}

void LayerList::grow() {
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

int listLayers(const char* layersFilename, const LayerList& layers) {
    std::printf("\nOutput:%s", layersFilename);
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
