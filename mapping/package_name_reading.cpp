#include "package_name_reading.h"

#include "script_names.h"

#include <algorithm>
#include <array>
#include <string>

namespace malvor {
namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool is_letter(char c)
{
    return c >= 'a' && c <= 'z';
}

bool is_separator(char c)
{
    return c == '-' || c == '_' || c == '.' || c == ' ' || c == '/';
}

enum class Shape : std::uint8_t {
    counted,   // the pin count follows: DIL08, SOIC-8, TQFP32
    outlined,  // the number names the outline: SOT23 (then maybe "-5" pins), TO92, DO41
    plain,     // no number: SMA, DPAK
    header,    // rows x columns: 2X20
};

struct Family {
    std::string_view alias;
    std::string_view family;
    Shape shape;
    std::uint16_t size = 0;  // of a plain family naming an outline: DPAK is TO252
};

constexpr std::array<Family, 31> families = {{
    {"dil", "dil", Shape::counted},     {"dip", "dil", Shape::counted},
    {"pdip", "dil", Shape::counted},    {"so", "so", Shape::counted},
    {"soic", "so", Shape::counted},     {"sop", "so", Shape::counted},
    {"tssop", "tssop", Shape::counted}, {"ssop", "ssop", Shape::counted},
    {"msop", "msop", Shape::counted},   {"qfn", "qfn", Shape::counted},
    {"dfn", "dfn", Shape::counted},     {"tqfp", "tqfp", Shape::counted},
    {"lqfp", "lqfp", Shape::counted},   {"plcc", "plcc", Shape::counted},
    {"sil", "sil", Shape::counted},     {"sip", "sil", Shape::counted},
    {"sot", "sot", Shape::outlined},    {"to", "to", Shape::outlined},
    {"do", "do", Shape::outlined},      {"sod", "sod", Shape::outlined},
    {"dpak", "to", Shape::plain, 252},  {"d2pak", "to", Shape::plain, 263},
    {"sma", "sma", Shape::plain},       {"smb", "smb", Shape::plain},
    {"smc", "smc", Shape::plain},       {"pinheader", "header", Shape::header},
    {"pinhd", "header", Shape::header}, {"header", "header", Shape::header},
    {"hdr", "header", Shape::header},   {"conn", "header", Shape::header},
    {"con", "header", Shape::header},
}};

// Words before a chip size or a family that say the kind: C0805, RES0603, CHIPLED_0805.
constexpr std::array<std::pair<std::string_view, PartKind>, 10> kind_words = {{
    {"c", PartKind::capacitor},
    {"cap", PartKind::capacitor},
    {"r", PartKind::resistor},
    {"res", PartKind::resistor},
    {"m", PartKind::melf},
    {"l", PartKind::inductor},
    {"ind", PartKind::inductor},
    {"led", PartKind::led},
    {"chipled", PartKind::led},
    {"d", PartKind::diode},
}};

// Chip sizes: the inch code and the metric code of each.
constexpr std::array<std::pair<std::uint16_t, std::uint16_t>, 8> chip_sizes = {{
    {402, 1005},
    {603, 1608},
    {805, 2012},
    {1206, 3216},
    {1210, 3225},
    {1812, 4532},
    {2010, 5025},
    {2512, 6332},
}};

// Component names' letters before the number.
constexpr std::array<std::pair<std::string_view, PartKind>, 19> name_kinds = {{
    {"c", PartKind::capacitor},   {"r", PartKind::resistor},   {"l", PartKind::inductor},
    {"d", PartKind::diode},       {"led", PartKind::led},      {"q", PartKind::transistor},
    {"t", PartKind::transistor},  {"u", PartKind::ic},         {"ic", PartKind::ic},
    {"j", PartKind::connector},   {"p", PartKind::connector},  {"x", PartKind::connector},
    {"con", PartKind::connector}, {"cn", PartKind::connector}, {"y", PartKind::crystal},
    {"xtal", PartKind::crystal},  {"f", PartKind::fuse},       {"sw", PartKind::switch_},
    {"fb", PartKind::ferrite},
}};

// Lower case, without gEDA's "sm" and separators; a separator between two digits stays as "-"
// ("SOT23-5" keeps its pin count apart). What follows the number that ends a reading is not
// read: KiCad's measures ("_3.9x4.9mm_P1.27mm", "_1608Metric") say nothing.
std::string compact(std::string_view name)
{
    std::string lower = lower_ascii(name);
    if (lower.size() > 2 && lower.starts_with("sm") && (is_digit(lower[2]) || lower[2] == '/'))
        lower.erase(0, lower[2] == '/' ? 3 : 2);
    std::string text;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        if (!is_separator(lower[i])) {
            text += lower[i];
            continue;
        }
        std::size_t next = i;
        while (next < lower.size() && is_separator(lower[next]))
            ++next;
        if (!text.empty() && is_digit(text.back()) && next < lower.size() && is_digit(lower[next]))
            text += '-';
        i = next - 1;
    }
    return text;
}

// The number at `at`, moving past it; 0 when there is none. Large numbers stop growing.
std::uint32_t number(std::string_view text, std::size_t& at, std::size_t* digits = nullptr)
{
    std::uint32_t value = 0;
    const std::size_t start = at;
    for (; at < text.size() && is_digit(text[at]); ++at)
        value = std::min<std::uint32_t>(
            value * 10 + static_cast<std::uint32_t>(text[at] - '0'), 65535);
    if (digits)
        *digits = at - start;
    return value;
}

void skip_dash(std::string_view text, std::size_t& at)
{
    if (at < text.size() && text[at] == '-')
        ++at;
}

// A chip size (inch or metric code, four digits), a header's rows and columns, or an LED's
// diameter at `at` (KiCad puts a "D" before it: LED_D5.0mm).
PackageReading sized(std::string_view text, std::size_t at, PartKind kind)
{
    PackageReading reading;
    if (kind == PartKind::led && at + 1 < text.size() && text[at] == 'd' && is_digit(text[at + 1]))
        ++at;
    std::size_t digits = 0;
    const auto value = number(text, at, &digits);
    if (digits == 4) {
        for (auto [inch, metric] : chip_sizes)
            if (value == inch || value == metric) {
                reading.family = "chip";
                reading.size = inch;
                reading.kind = kind;
                return reading;
            }
    }
    if (digits != 0 && at + 1 < text.size() && text[at] == 'x' && is_digit(text[at + 1])) {
        ++at;
        const auto columns = number(text, at);
        if (value != 0 && columns != 0) {
            reading.family = "header";
            reading.size = static_cast<std::uint16_t>(value);
            reading.pins =
                static_cast<std::uint16_t>(std::min<std::uint32_t>(value * columns, 65535));
        }
        return reading;
    }
    if (kind == PartKind::led && value != 0) {
        reading.family = "led";
        reading.size = static_cast<std::uint16_t>(value);
        reading.kind = kind;
    }
    return reading;
}

std::string_view first_word(const Family& family)
{
    return family.alias;
}

std::string_view first_word(const std::pair<std::string_view, PartKind>& entry)
{
    return entry.first;
}

template <typename Table>
auto longest_prefix(std::string_view text, const Table& table)
{
    auto best = table.end();
    for (auto entry = table.begin(); entry != table.end(); ++entry) {
        const std::string_view word = first_word(*entry);
        if (text.starts_with(word) &&
            (best == table.end() || word.size() > first_word(*best).size()))
            best = entry;
    }
    return best;
}

}  // namespace

std::string_view kind_name(PartKind kind)
{
    constexpr std::array<std::string_view, 14> names = {
        "",           "capacitor", "resistor",  "MELF",    "inductor", "LED",    "diode",
        "transistor", "IC",        "connector", "crystal", "fuse",     "switch", "ferrite bead"};
    return names[static_cast<std::size_t>(kind)];
}

PackageReading read_package_name(std::string_view name)
{
    const std::string text = compact(name);
    const std::string_view view = text;
    std::size_t at = 0;
    PackageReading reading;
    // A word for the kind may come first: C0805, LED_0805, KiCad's D_SOD-123.
    PartKind kind = PartKind::none;
    auto family = longest_prefix(view, families);
    if (family == families.end()) {
        const auto word = longest_prefix(view, kind_words);
        if (word == kind_words.end())
            return sized(view, 0, PartKind::none);
        at = word->first.size();
        kind = word->second;
        family = longest_prefix(view.substr(at), families);
        if (family == families.end())
            return sized(view, at, kind);
    }
    at += family->alias.size();
    switch (family->shape) {
    case Shape::counted:
        skip_dash(view, at);
        reading.pins = static_cast<std::uint16_t>(number(view, at));
        if (reading.pins != 0)
            reading.family = family->family == "so" && at < view.size() && view[at] == 'w'
                                 ? "sow"
                                 : family->family;
        break;
    case Shape::outlined:
        skip_dash(view, at);
        reading.size = static_cast<std::uint16_t>(number(view, at));
        if (reading.size != 0) {
            reading.family = family->family;
            // SOT23-5: the pins; DO41-10 and TO220-3 measure or count otherwise.
            if (family->family == "sot" && at + 1 < view.size() && view[at] == '-') {
                ++at;
                reading.pins = static_cast<std::uint16_t>(number(view, at));
            }
        }
        break;
    case Shape::plain:
        reading.family = family->family;
        reading.size = family->size;
        break;
    case Shape::header:
        skip_dash(view, at);
        return sized(view, at, PartKind::none);
    }
    if (!reading.family.empty())
        reading.kind = kind;
    return reading;
}

ReadingMatch compare_readings(const PackageReading& footprint, const PackageReading& package,
                              std::size_t pads)
{
    if (footprint.family.empty() || package.family.empty())
        return ReadingMatch::unknown;
    if (footprint.family != package.family || footprint.size != package.size)
        return ReadingMatch::other;
    if (footprint.pins != 0 &&
        (package.pins != 0 ? package.pins != footprint.pins : pads < footprint.pins))
        return ReadingMatch::other;
    return ReadingMatch::same;
}

PartKind kind_of_description(std::string_view description)
{
    const std::string text = lower_ascii(description);
    bool seen[14] = {};
    for (std::size_t at = 0; at < text.size();) {
        if (!is_letter(text[at])) {
            ++at;
            continue;
        }
        auto end = at;
        while (end < text.size() && is_letter(text[end]))
            ++end;
        const std::string_view word = std::string_view(text).substr(at, end - at);
        at = end;
        if (word.find("melf") != std::string_view::npos)
            seen[static_cast<int>(PartKind::melf)] = true;
        else if (word.starts_with("capacitor"))
            seen[static_cast<int>(PartKind::capacitor)] = true;
        else if (word.starts_with("inductor"))
            seen[static_cast<int>(PartKind::inductor)] = true;
        else if (word == "led" || word == "leds")
            seen[static_cast<int>(PartKind::led)] = true;
        else if (word.starts_with("resistor"))
            seen[static_cast<int>(PartKind::resistor)] = true;
        else if (word.starts_with("diode"))
            seen[static_cast<int>(PartKind::diode)] = true;
    }
    // A MELF resistor is a MELF, a light-emitting diode an LED.
    for (auto kind : {PartKind::melf, PartKind::capacitor, PartKind::inductor, PartKind::led,
                      PartKind::resistor, PartKind::diode})
        if (seen[static_cast<int>(kind)])
            return kind;
    return PartKind::none;
}

std::string_view name_prefix(std::string_view component)
{
    std::size_t letters = 0;
    while (letters < component.size() && is_letter(static_cast<char>(component[letters] | 0x20)))
        ++letters;
    return component.substr(0, letters);
}

PartKind kind_of_component(std::string_view name, std::string_view value,
                           std::string_view footprint)
{
    if (auto kind = read_package_name(footprint).kind; kind != PartKind::none)
        return kind;
    const auto prefix = lower_ascii(name_prefix(name));
    for (auto [letters, kind] : name_kinds)
        if (prefix == letters)
            return kind;
    // 100n, 4.7u, 22pF a capacitor; 10uH an inductor; 10k, 4R7, 1M a resistor.
    std::size_t at = 0;
    while (at < value.size() && (is_digit(value[at]) || value[at] == '.'))
        ++at;
    if (at == 0 || at == value.size())
        return PartKind::none;
    auto rest = value.substr(at);
    char unit = rest[0];
    std::size_t after = 1;
    if (rest.starts_with("\xC2\xB5") || rest.starts_with("\xCE\xBC")) {
        unit = 'u';
        after = 2;
    }
    while (after < rest.size() && is_digit(rest[after]))
        ++after;
    const char more = after < rest.size() ? lower_ascii(rest.substr(after, 1))[0] : '\0';
    if (unit == 'p' || unit == 'n' || unit == 'u' || unit == 'F')
        return more == 'h' ? PartKind::inductor : PartKind::capacitor;
    if (unit == 'k' || unit == 'K' || unit == 'M' || unit == 'R' || unit == 'r')
        return PartKind::resistor;
    return PartKind::none;
}

}  // namespace malvor
