#pragma once
// A set of names, ignoring ASCII case as EAGLE does, each with a number: an open-addressing
// table of the names in lower case. A large netlist looks up a name for every node, all over
// the table, so a name of up to 8 bytes (any reference designator) sits in its slot, and a
// lookup costs one slot: fetched ahead by a hint (`prefetch`) when lookups run in batches.
// Longer names live in one string beside the table.

#include "large_memory.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace malvor {

class FoldedNameTable {
public:
    static constexpr std::uint32_t none = UINT32_MAX;

    explicit FoldedNameTable(std::size_t expected);

    std::size_t size() const { return used_; }

    // The number of the name, or `value` for a name not there before, which is added.
    std::uint32_t insert(std::string_view name, std::uint32_t value)
    {
        return insert(name, hash(name), value);
    }
    std::uint32_t insert(std::string_view name, std::uint64_t hash, std::uint32_t value);
    std::uint32_t find(std::string_view name) const { return find(name, hash(name)); }
    std::uint32_t find(std::string_view name, std::uint64_t hash) const
    {
        return slots_[find_slot(name, hash)].value;
    }

    static std::uint64_t hash(std::string_view name)
    {
        std::uint64_t hash = 14695981039346656037u;
        for (char c : name)
            hash = (hash ^ static_cast<unsigned char>(fold(c))) * 1099511628211u;
        // Mixed so that every byte reaches every bit.
        hash ^= hash >> 33;
        hash *= 0xff51afd7ed558ccdu;
        hash ^= hash >> 33;
        return hash;
    }
    void prefetch(std::uint64_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }

private:
    static constexpr std::size_t inline_size = 8;
    struct Slot {
        std::uint64_t name;  // up to 8 bytes of the lower-case name, or its offset in long_names_
        std::uint32_t size;
        std::uint32_t value;
    };

    static char fold(char c)
    {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
    }
    // A short name in lower case, as its slot holds it.
    static std::uint64_t short_name(std::string_view name);
    std::string_view stored_name(const Slot& slot) const;

    std::size_t find_slot(std::string_view name, std::uint64_t hash) const;
    void grow();

    std::vector<Slot, LargeAllocator<Slot>> slots_;
    std::size_t mask_ = 0;  // the number of slots, a power of two, less one
    std::size_t used_ = 0;
    std::string long_names_;
};

}  // namespace malvor
