#include "folded_name_table.h"

#include <cstring>

namespace malvor {

FoldedNameTable::FoldedNameTable(std::size_t expected)
{
    std::size_t size = 16;
    while (size < 2 * expected)
        size *= 2;
    slots_.assign(size, {0, 0, none});
    mask_ = size - 1;
}

std::uint64_t FoldedNameTable::short_name(std::string_view name)
{
    char folded[inline_size] = {};
    for (std::size_t i = 0; i < name.size(); ++i)
        folded[i] = fold(name[i]);
    std::uint64_t bytes;
    std::memcpy(&bytes, folded, sizeof bytes);
    return bytes;
}

std::string_view FoldedNameTable::stored_name(const Slot& slot) const
{
    if (slot.size <= inline_size)
        return {reinterpret_cast<const char*>(&slot.name), slot.size};
    return std::string_view(long_names_).substr(slot.name, slot.size);
}

std::size_t FoldedNameTable::find_slot(std::string_view name, std::uint64_t hash) const
{
    const bool is_short = name.size() <= inline_size;
    const std::uint64_t short_key = is_short ? short_name(name) : 0;
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
        const Slot& slot = slots_[i];
        if (slot.value == none)
            return i;
        if (slot.size != name.size())
            continue;
        if (is_short) {
            if (slot.name == short_key)
                return i;
            continue;
        }
        const char* stored = long_names_.data() + slot.name;
        std::size_t k = 0;
        while (k < name.size() && stored[k] == fold(name[k]))
            ++k;
        if (k == name.size())
            return i;
    }
}

std::uint32_t FoldedNameTable::insert(std::string_view name, std::uint64_t hash,
                                      std::uint32_t value)
{
    name = name.substr(0, UINT32_MAX);
    Slot& slot = slots_[find_slot(name, hash)];
    if (slot.value != none)
        return slot.value;
    if (name.size() <= inline_size) {
        slot = {short_name(name), static_cast<std::uint32_t>(name.size()), value};
    } else {
        slot = {long_names_.size(), static_cast<std::uint32_t>(name.size()), value};
        for (char c : name)
            long_names_ += fold(c);
    }
    if (++used_ * 2 > mask_ + 1)
        grow();
    return value;
}

void FoldedNameTable::grow()
{
    auto old = std::move(slots_);
    const std::size_t old_size = mask_ + 1;
    slots_.assign(2 * old_size, {0, 0, none});
    mask_ = 2 * old_size - 1;
    for (std::size_t i = 0; i < old_size; ++i) {
        const Slot& slot = old[i];
        if (slot.value == none)
            continue;
        const auto name = stored_name(slot);
        slots_[find_slot(name, hash(name))] = slot;
    }
}

}  // namespace malvor
