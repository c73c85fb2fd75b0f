// Mode 2, the layers: the distinct layer names of the model-space entities
// of a section, in order of first appearance, and the layers file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dxfprofile {

// The distinct names in order of first appearance, with an open-addressing
// index over them, so that finding a name costs a hash and one compare.
class LayerList {
  public:
    bool contains(std::string_view name) const;
    // Adds `name` when it is new; true then.
    bool add(std::string_view name);
    const std::vector<std::string>& names() const { return names_; }

  private:
    static std::uint64_t hashOf(std::string_view name);
    // The slot that holds `name`, or the free slot where it would go.
    std::size_t slotOf(std::string_view name, std::uint64_t hash) const;
    void grow();

    std::vector<std::string> names_;
    // Each slot: the high half of a name's hash above 1 + its index into
    // names_; 0 when free.
    std::vector<std::uint64_t> slots_;
};

// Writes the layers file (one name per line) and prints its path and the
// names. Returns 0, or -1 when the layers file cannot be written.
int listLayers(const char* layersFilename, const LayerList& layers);

}  // namespace dxfprofile
