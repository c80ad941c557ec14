#pragma once
// A set of names, ignoring ASCII case as EAGLE does, each with a number: an open-addressing
// table over a copy of the names in lower case. A large netlist looks up a name for every
// node, all over the table, so it is kept compact and looked up in batches: the hash first,
// a hint to fetch the slot and the name ahead, then the lookup.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace malvor {

class FoldedNameTable {
public:
    static constexpr std::uint32_t none = UINT32_MAX;

    explicit FoldedNameTable(std::size_t expected);

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
    // The name in the first slot, once that slot has arrived.
    void prefetch_name(std::uint64_t hash) const
    {
        __builtin_prefetch(names_.data() + slots_[hash & mask_].offset);
    }

private:
    struct Slot {
        std::uint64_t offset;  // of the lower-case name in names_
        std::uint32_t size;
        std::uint32_t value;
    };
    struct Release {
        void operator()(Slot* slots) const;
    };

    static char fold(char c)
    {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
    }

    std::size_t find_slot(std::string_view name, std::uint64_t hash) const;
    void allocate(std::size_t size);
    void grow();

    std::unique_ptr<Slot[], Release> slots_;
    std::size_t mask_ = 0;  // the number of slots, a power of two, less one
    std::size_t used_ = 0;
    std::string names_;
};

}  // namespace malvor
