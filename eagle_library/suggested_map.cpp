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

struct Footprint {
    std::string_view name;
    std::vector<std::string> pins;  // used by its components, lower case
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

}  // namespace

std::string suggested_map(const NetlistTables& tables, const PackageChoices& choices)
{
    const auto& libraries = choices.libraries();
    std::vector<Footprint> footprints;
    std::unordered_map<std::string, std::size_t> footprint_numbers;  // lower case
    std::vector<std::size_t> footprint_of(
        static_cast<std::size_t>(tables.component_count()) + 1, SIZE_MAX);
    for (Count k = 1; k <= tables.component_count(); ++k) {
        const auto& choice = choices.of(k);
        if (choice.package != PackageChoices::none || choice.row != PackageChoices::none ||
            !fits_a_row(tables.comp_pack(k)))
            continue;
        auto [number, added] = footprint_numbers.try_emplace(
            lower_ascii(tables.comp_pack(k)), footprints.size());
        if (added)
            footprints.push_back({tables.comp_pack(k), {}});
        footprint_of[static_cast<std::size_t>(k)] = number->second;
    }
    if (!footprints.empty()) {
        FoldedNameTable names(static_cast<std::size_t>(tables.component_count()));
        for (Count k = 1; k <= tables.component_count(); ++k)
            names.insert(tables.comp_name(k), static_cast<std::uint32_t>(k));
        NodeSplitter splitter(tables);
        for (Count row = 0; row < tables.node_line_count(); ++row) {
            const auto words = splitter.words(tables.node_line(row));
            if (words.pin.empty() || words.more)
                continue;
            const auto k = names.find(words.component);
            if (k != FoldedNameTable::none && footprint_of[k] != SIZE_MAX)
                footprints[footprint_of[k]].pins.push_back(lower_ascii(words.pin));
        }
    }

    const bool full = !choices.rows().empty();
    std::vector<std::string> library_names;
    for (const auto& library : libraries)
        library_names.push_back(library.name);
    std::string text = full ? std::string(full_map_header) : "footprint,package,library,pins";
    text += '\n';
    for (const auto& row : choices.rows())
        text += map_row_text(row, library_names) + '\n';
    PackageHints hints(libraries);
    for (auto& footprint : footprints) {
        auto& pins = footprint.pins;
        std::sort(pins.begin(), pins.end());
        pins.erase(std::unique(pins.begin(), pins.end()), pins.end());
        const auto found = hints.ranked(footprint.name, pins);
        const std::string key = (full ? "," : "") + csv_field(footprint.name) + (full ? "," : "");
        if (found.empty()) {
            text += "# '" + std::string(footprint.name) +
                    "': no package of a close name; fill in package and library\n#" + key + ",,,\n";
            continue;
        }
        const auto& best = found.front();
        const auto& library = libraries[best.library].library;
        std::string comment = "# '" + std::string(footprint.name) +
                              "': " + hints.text(best, pins.size());
        if (found.size() == 1) {
            comment += "; no other candidates";
        } else {
            comment += "; other candidates: ";
            for (std::size_t i = 1; i < found.size(); ++i)
                comment += (i == 1 ? "" : ", ") + hints.text(found[i], pins.size());
        }
        std::vector<std::string> renames;
        if (!best.fits) {
            comment += "; pins used: " + joined(pins) + "; " + pad_list(library, best.package);
        } else if (best.default_pads) {
            for (const auto& pin : pins)
                if (library.find_pad(best.package, pin) == EagleLibrary::none)
                    renames.push_back(pin + '=' + default_pad_name(pin));
        }
        text += comment + '\n' + key + ',' + csv_field(hints.name(best)) + ',' +
                csv_field(libraries[best.library].name) + ',' + csv_field(joined(renames)) + '\n';
    }
    return text;
}

}  // namespace malvor
