#pragma once
// A set of names, ignoring ASCII case as EAGLE does, each with a number: an open-addressing
// table of views, as compact as a lookup per node of a large netlist needs to be. The names'
// text must outlive the table.

#include <cstdint>
#include <string_view>
#include <vector>

namespace malvor {

class FoldedNameTable {
public:
    static constexpr std::uint32_t none = UINT32_MAX;

    explicit FoldedNameTable(std::size_t expected)
    {
        std::size_t size = 16;
        while (size < 2 * expected)
            size *= 2;
        slots_.resize(size);
    }

    // The number of the name, or `value` for a name not there before, which is added.
    std::uint32_t insert(std::string_view name, std::uint32_t value) { return insert(name, hash(name), value); }
    std::uint32_t insert(std::string_view name, std::uint64_t hash, std::uint32_t value)
    {
        name = name.substr(0, longest);
        auto& slot = find_slot(name, hash);
        if (slot.value == none) {
            slot = {name.data(), static_cast<std::uint32_t>(name.size()), value};
            if (++used_ * 2 > slots_.size())
                grow();
        }
        return slot.value;
    }

    std::uint32_t find(std::string_view name) const { return find(name, hash(name)); }

    // Names longer than this are not told apart beyond it: no netlist line comes near it.
    static constexpr std::size_t longest = UINT32_MAX;

    // Lookups in bulk: the hash of a name, a hint to fetch its first slot ahead of the
    // lookup, and the lookup with the hash; many lookups in flight hide the memory's latency.
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
    void prefetch(std::uint64_t hash) const { __builtin_prefetch(&slots_[first_slot(hash)]); }
    // The text of the name in the first slot, to fetch ahead of the comparison.
    void prefetch_name(std::uint64_t hash) const
    {
        __builtin_prefetch(slots_[first_slot(hash)].data);
    }
    std::uint32_t find(std::string_view name, std::uint64_t hash) const
    {
        return find_slot(name.substr(0, longest), hash).value;
    }

private:
    struct Slot {
        const char* data = nullptr;
        std::uint32_t size = 0;
        std::uint32_t value = none;
    };

    static char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

    // The table's size is a power of two.
    std::size_t first_slot(std::uint64_t hash) const
    {
        return static_cast<std::size_t>(hash & (slots_.size() - 1));
    }

    static bool same(const Slot& slot, std::string_view name)
    {
        if (slot.size != name.size())
            return false;
        for (std::size_t i = 0; i < name.size(); ++i)
            if (fold(slot.data[i]) != fold(name[i]))
                return false;
        return true;
    }

    const Slot& find_slot(std::string_view name, std::uint64_t hash) const
    {
        for (std::size_t i = first_slot(hash);; i = (i + 1) & (slots_.size() - 1))
            if (slots_[i].value == none || same(slots_[i], name))
                return slots_[i];
    }
    Slot& find_slot(std::string_view name, std::uint64_t hash)
    {
        return const_cast<Slot&>(static_cast<const FoldedNameTable&>(*this).find_slot(name, hash));
    }

    void grow()
    {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const auto& slot : old)
            if (slot.value != none)
                find_slot({slot.data, slot.size}, hash({slot.data, slot.size})) = slot;
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

}  // namespace malvor
