#include "dxf/name_set.h"

#include <cstring>

namespace dxfprofile {
bool NameSet::add(std::string_view name) {
    // At most a quarter of the slots in use: a look-up rarely probes twice.
    if (4 * (names_.size() + 1) > slots_.size()) grow();
    Key key = keyOf(name);
    std::size_t slot = slotOf(name, key, hashOf(key, name));
    if (slots_[slot] != 0) return false;
    names_.emplace_back(name);
    keys_.push_back(key);
    slots_[slot] = static_cast<std::uint32_t>(names_.size());
    return true;
}

void NameSet::grow() {
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

}  // namespace dxfprofile
