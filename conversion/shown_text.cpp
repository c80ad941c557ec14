#include "shown_text.h"

#include <array>

namespace malvor {
namespace {

bool is_plain(unsigned char c)
{
    return (c >= 0x20 && c < 0x7f) || c == '\t';
}

// The length of the valid UTF-8 sequence at the start of `text` (2 to 4), or 0.
std::size_t sequence_length(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;  // the allowed range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;   // no overlong forms
        high = lead == 0xed ? 0x9f : 0xbf;  // no surrogates
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;  // up to U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xbf)
            return 0;
    return length;
}

bool is_c1(std::string_view sequence)
{
    return sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xc2 &&
           static_cast<unsigned char>(sequence[1]) < 0xa0;
}

void append_escaped(std::string& out, unsigned char c)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    out += "\\x";
    out += hex[c >> 4];
    out += hex[c & 15];
}

}  // namespace

void append_shown(std::string& out, std::string_view text)
{
    std::size_t plain_from = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (is_plain(c)) {
            ++pos;
            continue;
        }
        const std::size_t length = c < 0x80 ? 0 : sequence_length(text.substr(pos));
        if (length != 0 && !is_c1(text.substr(pos, length))) {
            pos += length;
            continue;
        }
        out.append(text, plain_from, pos - plain_from);
        for (std::size_t i = 0; i < (length != 0 ? length : 1); ++i)
            append_escaped(out, static_cast<unsigned char>(text[pos + i]));
        pos += length != 0 ? length : 1;
        plain_from = pos;
    }
    out.append(text, plain_from, text.size() - plain_from);
}

std::string quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

std::string shown(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    append_shown(out, text);
    return out;
}

bool has_control_character(std::string_view text)
{
    // Most names hold none of the bytes that may start one: a table finds them quickly.
    static constexpr auto may_start = [] {
        std::array<bool, 256> table{};
        for (int c = 0; c < 0x20; ++c)
            table[static_cast<std::size_t>(c)] = c != '\t';
        table[0x7f] = table[0xc2] = true;
        return table;
    }();
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (!may_start[c])
            continue;
        if (c != 0xc2)
            return true;
        if (pos + 1 < text.size() && static_cast<unsigned char>(text[pos + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[pos + 1]) < 0xa0)
            return true;
    }
    return false;
}

}  // namespace malvor
