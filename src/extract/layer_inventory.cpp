#include "extract/layer_inventory.h"

#include <cstdio>
#include <cstring>

#include "io/output_file.h"

namespace dxfprofile {
namespace {

OutputFile layersOutput;

std::uint64_t mix(std::uint64_t hash, std::uint64_t bytes) {
    hash = (hash ^ bytes) * 0xff51afd7ed558ccdull;
    return hash ^ (hash >> 32);
}

std::uint64_t word(const char* bytes) {
    std::uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::uint32_t halfWord(const char* bytes) {
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace

// The first and the last eight bytes (overlapping below 16), four below 8,
// three single bytes below 4: every byte of a short name is in one of them.
LayerList::Key LayerList::keyOf(std::string_view name) {
    const char* bytes = name.data();
    std::size_t size = name.size();
    Key key;
    key.size = size;
    if (size >= 8) {
        key.first = word(bytes);
        key.last = word(bytes + size - 8);
    } else if (size >= 4) {
        key.first = halfWord(bytes);
        key.last = halfWord(bytes + size - 4);
    } else if (size > 0) {
        auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
        key.first =
            std::uint64_t{byte(0)} << 16 | std::uint64_t{byte(size / 2)} << 8 | byte(size - 1);
    }
    return key;
}

std::uint64_t LayerList::hashOf(const Key& key, std::string_view name) {
    std::uint64_t hash = mix(mix(mix(0x9e3779b97f4a7c15ull, key.size), key.first), key.last);
    // The middle of a long name, eight bytes at a time.
    for (std::size_t at = 8; at + 8 < name.size(); at += 8)
        hash = mix(hash, word(name.data() + at));
    // Names that differ only in their last bytes differ in the high bytes of
    // a word: fold those into the low bits that pick the slot.
    hash ^= hash >> 29;
    hash *= 0xbf58476d1ce4e5b9ull;
    return hash ^ (hash >> 32);
}

std::size_t LayerList::slotOf(std::string_view name, const Key& key, std::uint64_t hash) const {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        std::uint32_t entry = slots_[slot];
        if (entry == 0) return slot;
        if (keys_[entry - 1] == key && (key.size <= KEYED || names_[entry - 1] == name))
            return slot;
    }
}

bool LayerList::contains(std::string_view name) const {
    if (slots_.empty()) return false;
    Key key = keyOf(name);
    return slots_[slotOf(name, key, hashOf(key, name))] != 0;
}

bool LayerList::add(std::string_view name) {
    if (2 * (names_.size() + 1) > slots_.size()) grow();
    Key key = keyOf(name);
    std::size_t slot = slotOf(name, key, hashOf(key, name));
    if (slots_[slot] != 0) return false;
    names_.emplace_back(name);
    keys_.push_back(key);
    slots_[slot] = static_cast<std::uint32_t>(names_.size());
    return true;
}

void LayerList::grow() {
    std::vector<std::uint32_t> larger(slots_.empty() ? 64 : 2 * slots_.size(), 0);
    std::size_t mask = larger.size() - 1;
    for (std::uint32_t entry : slots_) {
        if (entry == 0) continue;
        std::size_t slot = hashOf(keys_[entry - 1], names_[entry - 1]) & mask;
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
