#pragma once
// Lines of a netlist's text: they end at CR, CR LF or LF, and nothing follows a final line end.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace malvor {

inline std::uint64_t byte_swapped(std::uint64_t word)
{
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i, word >>= 8)
        swapped = (swapped << 8) | (word & 0xff);
    return swapped;
}

inline bool ends_line(char c)
{
    // One compare settles almost every byte; only bytes up to CR (13) look further.
    return static_cast<unsigned char>(c) <= '\r' && (c == '\r' || c == '\n');
}

// The end of the line that starts at `start` (the position of its CR or LF, or the size).
inline std::size_t line_end(std::string_view text, std::size_t start)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    const char* p = text.data() + start;
    const char* end = text.data() + text.size();
    // Eight bytes at a time: a mask marks every byte below 14 (and, rarely, a byte above a
    // marked one); each marked byte is checked, from the first one up.
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if constexpr (std::endian::native != std::endian::little)
            word = byte_swapped(word);
        for (auto marked = (word - ones * 14) & ~word & ones * 0x80; marked != 0;
             marked &= marked - 1) {
            const char* c = p + std::countr_zero(marked) / 8;
            if (ends_line(*c))
                return static_cast<std::size_t>(c - text.data());
        }
        p += 8;
    }
    for (; p != end; ++p)
        if (ends_line(*p))
            return static_cast<std::size_t>(p - text.data());
    return text.size();
}

// The start of the line after the one that ends at `end`.
inline std::size_t after_line_end(std::string_view text, std::size_t end)
{
    if (end >= text.size())
        return text.size();
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
        return end + 2;
    return end + 1;
}

inline std::string_view line_at(std::string_view text, std::size_t start)
{
    return text.substr(start, line_end(text, start) - start);
}

}  // namespace malvor
