// A set of names (byte strings) in the order they were added: the layers
// that mode 2 has listed, which its search passes over.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace dxfprofile {

// The distinct names in order of first appearance, with an open-addressing
// index over them. A name of at most 16 bytes is known by a key of three
// words, so that finding one costs a few word compares and no call.
class NameSet {
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

// The words of a name's bytes, for its key and hash.
namespace nameWords {

inline std::uint64_t mix(std::uint64_t hash, std::uint64_t bytes) {
    hash = (hash ^ bytes) * 0xff51afd7ed558ccdull;
    return hash ^ (hash >> 32);
}

inline std::uint64_t word(const char* bytes) {
    std::uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

inline std::uint32_t halfWord(const char* bytes) {
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

}  // namespace nameWords

// The first and the last eight bytes (overlapping below 16), four below 8,
// three single bytes below 4: every byte of a short name is in one of them.
inline NameSet::Key NameSet::keyOf(std::string_view name) {
    const char* bytes = name.data();
    std::size_t size = name.size();
    Key key;
    key.size = size;
    if (size >= 8) {
        key.first = nameWords::word(bytes);
        key.last = nameWords::word(bytes + size - 8);
    } else if (size >= 4) {
        key.first = nameWords::halfWord(bytes);
        key.last = nameWords::halfWord(bytes + size - 4);
    } else if (size > 0) {
        auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
        key.first =
            std::uint64_t{byte(0)} << 16 | std::uint64_t{byte(size / 2)} << 8 | byte(size - 1);
    }
    return key;
}

inline std::uint64_t NameSet::hashOf(const Key& key, std::string_view name) {
    // The two words are multiplied side by side; the fold at the end does
    // the mixing for both.
    std::uint64_t hash =
        key.first * 0x9e3779b97f4a7c15ull ^ (key.last + key.size) * 0xff51afd7ed558ccdull;
    // The middle of a long name, eight bytes at a time.
    for (std::size_t at = 8; at + 8 < name.size(); at += 8)
        hash = nameWords::mix(hash, nameWords::word(name.data() + at));
    // Names that differ only in their last bytes differ in the high bytes of
    // a word: fold those into the low bits that pick the slot.
    hash ^= hash >> 29;
    hash *= 0xbf58476d1ce4e5b9ull;
    return hash ^ (hash >> 32);
}

inline std::size_t NameSet::slotOf(std::string_view name, const Key& key,
                                   std::uint64_t hash) const {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        std::uint32_t entry = slots_[slot];
        if (entry == 0) return slot;
        if (keys_[entry - 1] == key && (key.size <= KEYED || names_[entry - 1] == name))
            return slot;
    }
}

inline bool NameSet::contains(std::string_view name) const {
    if (slots_.empty()) return false;
    Key key = keyOf(name);
    return slots_[slotOf(name, key, hashOf(key, name))] != 0;
}

}  // namespace dxfprofile
