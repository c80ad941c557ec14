#include "suggested_map.h"

#include "folded_name_table.h"
#include "node_split.h"
#include "package_hints.h"
#include "script_names.h"
#include "shown_text.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace malvor {
namespace {

// The components of one footprint whose names start with the same letters.
struct Group {
    std::size_t footprint;
    std::string_view prefix;  // as its first component writes it
    PartKind kind;
    std::vector<std::string> pins;  // used by its components, lower case
};

struct Footprint {
    std::string_view name;
    std::vector<std::size_t> groups;
};

std::string joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

// A footprint a row can name: one that stands for no package (shared by unrelated parts), or
// one with a control character that a map cannot hold, is left to component rows.
bool fits_a_row(std::string_view footprint)
{
    return !names_no_package(footprint) && !has_control_character(footprint);
}

void sort_unique(std::vector<std::string>& pins)
{
    std::sort(pins.begin(), pins.end());
    pins.erase(std::unique(pins.begin(), pins.end()), pins.end());
}

// The row for `key` ("DIP8", or ",DIP8," / "C*,sm0805," under the full header) and the
// comment above it, from the best hint; commented out where no package may be named.
std::string row_text(PackageHints& hints, const std::vector<NamedLibrary>& libraries,
                     std::string_view footprint, const std::string& key,
                     const std::vector<std::string>& pins, PartKind kind)
{
    const auto found = hints.ranked(footprint, pins, kind);
    const std::string label = "# '" + std::string(footprint) + "'" +
                              (key.find('*') == std::string::npos
                                   ? std::string()
                                   : " for " + key.substr(0, key.find('*') + 1));
    if (found.empty())
        return label + ": no package of a close name; fill in package and library\n#" + key +
               ",,,\n";
    const auto& best = found.front();
    std::string comment = label + ": " + hints.text(best, pins.size());
    if (!best.usable())
        comment = label + ": none fits; " + hints.text(best, pins.size()) + ' ' +
                  hints.flaw(best, pins, kind);
    if (found.size() == 1) {
        comment += "; no other candidates";
    } else {
        comment += "; other candidates: ";
        for (std::size_t i = 1; i < found.size(); ++i)
            comment += (i == 1 ? "" : ", ") + hints.text(found[i], pins.size());
    }
    const auto& library = libraries[best.library].library;
    std::vector<std::string> renames;
    if (best.default_pads)
        for (const auto& pin : pins)
            if (library.find_pad(best.package, pin) == EagleLibrary::none)
                renames.push_back(pin + '=' + default_pad_name(pin));
    return comment + '\n' + (best.usable() ? "" : "#") + key + ',' + csv_field(hints.name(best)) +
           ',' + csv_field(libraries[best.library].name) + ',' + csv_field(joined(renames)) + '\n';
}

}  // namespace

std::string suggested_map(const NetlistTables& tables, const PackageChoices& choices)
{
    const auto& libraries = choices.libraries();
    std::vector<Footprint> footprints;
    std::vector<Group> groups;
    std::unordered_map<std::string, std::size_t> footprint_numbers;  // lower case
    std::unordered_map<std::string, std::size_t> group_numbers;      // footprint, LF, prefix
    std::vector<std::size_t> group_of(
        static_cast<std::size_t>(tables.component_count()) + 1, SIZE_MAX);
    for (Count k = 1; k <= tables.component_count(); ++k) {
        const auto& choice = choices.of(k);
        const auto [name, pack, value] = tables.component(k);
        if (choice.package != PackageChoices::none || choice.row != PackageChoices::none ||
            !fits_a_row(pack))
            continue;
        const auto footprint = lower_ascii(pack);
        auto [number, added] = footprint_numbers.try_emplace(footprint, footprints.size());
        if (added)
            footprints.push_back({pack, {}});
        const auto prefix = name_prefix(name);
        auto [group, new_group] = group_numbers.try_emplace(
            footprint + '\n' + lower_ascii(prefix), groups.size());
        if (new_group) {
            groups.push_back({number->second, prefix, kind_of_component(name, value, pack), {}});
            footprints[number->second].groups.push_back(group->second);
        }
        group_of[static_cast<std::size_t>(k)] = group->second;
    }
    if (!groups.empty()) {
        FoldedNameTable names(static_cast<std::size_t>(tables.component_count()));
        for (Count k = 1; k <= tables.component_count(); ++k)
            names.insert(tables.comp_name(k), static_cast<std::uint32_t>(k));
        NodeSplitter splitter(tables);
        for (Count row = 0; row < tables.node_line_count(); ++row) {
            const auto words = splitter.words(tables.node_line(row));
            if (words.pin.empty() || words.more)
                continue;
            const auto k = names.find(words.component);
            if (k != FoldedNameTable::none && group_of[k] != SIZE_MAX)
                groups[group_of[k]].pins.push_back(lower_ascii(words.pin));
        }
    }
    // Parts of different kinds on one footprint each get a row for their names' letters.
    auto mixed = [&](const Footprint& footprint) {
        return std::any_of(footprint.groups.begin(), footprint.groups.end(), [&](auto g) {
            return groups[g].kind != groups[footprint.groups.front()].kind;
        });
    };

    const bool full = !choices.rows().empty() ||
                      std::any_of(footprints.begin(), footprints.end(), mixed);
    std::vector<std::string> library_names;
    for (const auto& library : libraries)
        library_names.push_back(library.name);
    std::string text = full ? std::string(full_map_header) : "footprint,package,library,pins";
    text += '\n';
    for (const auto& row : choices.rows())
        text += map_row_text(row, library_names) + '\n';
    PackageHints hints(libraries);
    for (const auto& footprint : footprints) {
        const std::string cell = csv_field(footprint.name) + (full ? "," : "");
        if (mixed(footprint)) {
            for (auto g : footprint.groups) {
                auto& group = groups[g];
                sort_unique(group.pins);
                text += row_text(hints, libraries, footprint.name,
                                 csv_field(std::string(group.prefix) + '*') + ',' + cell,
                                 group.pins, group.kind);
            }
            continue;
        }
        std::vector<std::string> pins;
        for (auto g : footprint.groups)
            pins.insert(pins.end(), groups[g].pins.begin(), groups[g].pins.end());
        sort_unique(pins);
        text += row_text(hints, libraries, footprint.name, (full ? "," : "") + cell, pins,
                         groups[footprint.groups.front()].kind);
    }
    return text;
}

}  // namespace malvor
