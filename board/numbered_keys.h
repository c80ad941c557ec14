#pragma once
// Keys held once each and numbered, in one block of text with a table of numbers beside it: a
// routed board of thousands of parts names tens of thousands of contacts, and an update that
// held each as a string in each table it is looked up in would hold them several times over.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace malvor {

class NumberedKeys {
public:
    static constexpr std::uint32_t none = UINT32_MAX;

    // The key's number: the one it has, or the next one.
    std::uint32_t add(std::string_view key);
    // Its number, or none.
    std::uint32_t find(std::string_view key) const;
    std::string_view key(std::uint32_t number) const;
    std::uint32_t size() const { return static_cast<std::uint32_t>(starts_.size() - 1); }

private:
    std::size_t slot_of(std::string_view key) const;  // where it is, or the empty slot for it
    void grow();

    std::string text_;
    std::vector<std::uint32_t> starts_{0};  // key n is text_[starts_[n], starts_[n + 1])
    std::vector<std::uint32_t> slots_;      // number + 1 of the key there, 0 for none
};

}  // namespace malvor
