// Mode 2, the layers: the distinct layer names of the model-space entities
// of a section, in order of first appearance, and the layers file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dxfprofile {

// The distinct names in order of first appearance, with an open-addressing
// index over them. A name of at most 16 bytes is known by a key of three
// words, so that finding one costs a few word compares and no call.
class LayerList {
  public:
    bool contains(std::string_view name) const;
    // Adds `name` when it is new; true then.
    bool add(std::string_view name);
    const std::vector<std::string>& names() const { return names_; }

  private:
    // Two words of a name's bytes, taken so that names of at most 16 bytes
    // and of the same size differ in them, and the size.
    struct Key {
        std::uint64_t first = 0;
        std::uint64_t last = 0;
        std::uint64_t size = 0;
        bool operator==(const Key&) const = default;
    };
    static constexpr std::size_t KEYED = 16;  // longer names are compared whole too
    static Key keyOf(std::string_view name);
    static std::uint64_t hashOf(const Key& key, std::string_view name);
    // The slot that holds `name`, or the free slot where it would go.
    std::size_t slotOf(std::string_view name, const Key& key, std::uint64_t hash) const;
    void grow();

    std::vector<std::string> names_;
    std::vector<Key> keys_;  // of each name
    // Each slot: 1 + an index into names_; 0 when free.
    std::vector<std::uint32_t> slots_;
};

// Writes the layers file (one name per line) and prints its path and the
// names. Returns 0, or -1 when the layers file cannot be written.
int listLayers(const char* layersFilename, const LayerList& layers);

}  // namespace dxfprofile
