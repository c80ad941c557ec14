#include "numbered_keys.h"

#include <functional>

namespace malvor {

std::size_t NumberedKeys::slot_of(std::string_view key) const
{
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = std::hash<std::string_view>{}(key)&mask;; slot = (slot + 1) & mask) {
        const auto held = slots_[slot];
        if (held == 0 || this->key(held - 1) == key)
            return slot;
    }
}

void NumberedKeys::grow()
{
    // At most half full, so that a search meets an empty slot soon.
    std::vector<std::uint32_t> bigger(slots_.empty() ? 64 : slots_.size() * 2, 0);
    slots_.swap(bigger);
    for (std::uint32_t number = 0; number < size(); ++number)
        slots_[slot_of(key(number))] = number + 1;
}

std::uint32_t NumberedKeys::add(std::string_view key)
{
    if ((size() + 1) * 2 > slots_.size())
        grow();
    const auto slot = slot_of(key);
    if (slots_[slot] != 0)
        return slots_[slot] - 1;
    const auto number = size();
    text_.append(key);
    starts_.push_back(static_cast<std::uint32_t>(text_.size()));
    slots_[slot] = number + 1;
    return number;
}

std::uint32_t NumberedKeys::find(std::string_view key) const
{
    if (slots_.empty())
        return none;
    const auto held = slots_[slot_of(key)];
    return held == 0 ? none : held - 1;
}

std::string_view NumberedKeys::key(std::uint32_t number) const
{
    return std::string_view(text_).substr(starts_[number], starts_[number + 1] - starts_[number]);
}

}  // namespace malvor
