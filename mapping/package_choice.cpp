#include "package_choice.h"

#include "script_names.h"

#include <algorithm>

namespace malvor {

std::string default_pad_name(std::string_view pin)
{
    return "P$" + std::string(pin);
}

PackageChoices::PackageChoices(const NetlistTables& tables,
                               const std::vector<NamedLibrary>& libraries,
                               const std::vector<MapRow>& rows)
    : tables_(tables), libraries_(libraries), rows_(rows)
{
    for (std::uint32_t r = 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        for (const auto& pin : row.pins)
            renamed_pins_.insert(pin.first, 0);
        if (row.component.ends_with('*')) {
            const auto prefix = std::string_view(row.component).substr(0, row.component.size() - 1);
            longest_prefix_ = std::max(longest_prefix_, prefix.size());
            by_prefix_.emplace(lower_ascii(prefix) + '\n' + lower_ascii(row.footprint), r);
        } else if (!row.component.empty())
            by_component_.emplace(lower_ascii(row.component), r);
        else if (!row.value.empty())
            by_footprint_value_.emplace(lower_ascii(row.footprint) + '\n' + row.value, r);
        else
            by_footprint_.emplace(lower_ascii(row.footprint), r);
    }
    choices_.resize(static_cast<std::size_t>(tables.component_count()) + 1);
    std::string key;
    for (Count k = 1; k <= tables.component_count(); ++k) {
        const auto component = tables.component(k);
        auto& choice = choices_[static_cast<std::size_t>(k)];
        std::string_view package = component.pack;
        std::size_t first = 0;
        std::size_t end = libraries.size();
        if (const MapRow* row = row_for(component, key)) {
            choice.row = static_cast<std::uint32_t>(row - rows.data());
            if (!row->package.empty())
                package = row->package;
            if (row->library != MapRow::any_library) {
                first = row->library;
                end = first + 1;
            }
        }
        choice.library = static_cast<std::uint32_t>(first);
        for (std::size_t l = first; l < end; ++l) {
            const auto found = libraries[l].library.find_package(package);
            if (found != EagleLibrary::none) {
                choice.library = static_cast<std::uint32_t>(l);
                choice.package = static_cast<std::uint32_t>(found);
                break;
            }
        }
        if (choice.row != none && !rows[choice.row].pins.empty())
            renaming_components_.insert(component.name, choice.row);
    }
}

std::string_view PackageChoices::node_pad(std::string_view component, std::string_view pin) const
{
    if (!renames_pins() || renamed_pins_.find(pin) == FoldedNameTable::none)
        return pin;
    const auto row = renaming_components_.find(component);
    return row == FoldedNameTable::none ? pin : renamed_pin(rows_[row], pin);
}

const MapRow* PackageChoices::row_for(const Component& component, std::string& key) const
{
    auto lookup = [&](const auto& table) -> const MapRow* {
        if (table.empty())
            return nullptr;
        auto found = table.find(key);
        return found == table.end() ? nullptr : &rows_[found->second];
    };
    if (!by_component_.empty()) {
        key = lower_ascii(component.name);
        if (auto row = lookup(by_component_))
            return row;
    }
    if (!by_prefix_.empty()) {
        // The longest prefix first; for one prefix, the row naming the footprint first.
        const auto name = lower_ascii(component.name);
        const auto footprint = lower_ascii(component.pack);
        for (auto size = std::min(name.size(), longest_prefix_) + 1; size-- > 0;) {
            for (bool any_footprint : {false, true}) {
                key.assign(name, 0, size);
                key += '\n';
                if (!any_footprint)
                    key += footprint;
                if (auto row = lookup(by_prefix_))
                    return row;
            }
        }
    }
    if (by_footprint_value_.empty() && by_footprint_.empty())
        return nullptr;
    key = lower_ascii(component.pack);
    if (!by_footprint_value_.empty()) {
        const auto size = key.size();
        key += '\n';
        key += component.value;
        if (auto row = lookup(by_footprint_value_))
            return row;
        key.resize(size);
    }
    return lookup(by_footprint_);
}

bool names_no_package(std::string_view footprint)
{
    return footprint.empty() || same_ignoring_ascii_case(footprint, "PATTERN") ||
           footprint == "This part has no 'Package' attribute";
}

std::string_view PackageChoices::package(Count k) const
{
    const auto& choice = of(k);
    if (choice.package != none)
        return libraries_[choice.library].library.package_names()[choice.package];
    if (choice.row != none && !rows_[choice.row].package.empty())
        return rows_[choice.row].package;
    return tables_.comp_pack(k);
}

std::string_view renamed_pin(const MapRow& row, std::string_view pin)
{
    for (const auto& [from, to] : row.pins)
        if (same_ignoring_ascii_case(from, pin))
            return to;
    return pin;
}

}  // namespace malvor
