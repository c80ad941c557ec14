#pragma once
// Lines of a netlist's text: they end at CR, CR LF or LF, and nothing follows a final line end.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace malvor {

inline bool ends_line(char c)
{
    // One compare settles almost every byte; only control characters look further.
    return static_cast<unsigned char>(c) <= '\r' && (c == '\r' || c == '\n');
}

// The end of the line that starts at `start` (the position of its CR or LF, or the size).
inline std::size_t line_end(std::string_view text, std::size_t start)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    const char* p = text.data() + start;
    const char* end = text.data() + text.size();
    for (;;) {
        // Eight bytes at a time while none of them is a control character.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (((word - ones * 14) & ~word & ones * 0x80) != 0)
                break;
            p += 8;
        }
        const char* stop = end - p >= 8 ? p + 8 : end;
        for (; p != stop; ++p)
            if (ends_line(*p))
                return static_cast<std::size_t>(p - text.data());
        if (p == end)
            return text.size();
    }
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
