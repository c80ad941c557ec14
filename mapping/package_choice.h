#pragma once
// Which package, from which library, each component of a netlist gets, and the pad each of
// its pins is written as: its row of the package map decides where it has one, and the
// libraries are searched in the order given, the first that holds the package winning.

#include "eagle_library.h"
#include "folded_name_table.h"
#include "netlist_tables.h"
#include "package_map.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace malvor {

struct NamedLibrary {
    std::string name;  // as the script's "Use" statement names it
    EagleLibrary library;
};

// An empty footprint, or the text a netlist writer puts where a part has none (gEDA's
// "PATTERN", another tool's sentence): no package to look for, whatever the libraries hold.
bool names_no_package(std::string_view footprint);

class PackageChoices {
public:
    static constexpr std::uint32_t none = UINT32_MAX;

    struct Choice {
        std::uint32_t row = none;      // of the map, or none
        std::uint32_t library = 0;     // where the package is, or is written to be
        std::uint32_t package = none;  // in that library, or none when no library holds it
    };

    PackageChoices(const NetlistTables& tables, const std::vector<NamedLibrary>& libraries,
                   const std::vector<MapRow>& rows);

    const std::vector<NamedLibrary>& libraries() const { return libraries_; }
    const std::vector<MapRow>& rows() const { return rows_; }
    const Choice& of(Count k) const { return choices_[static_cast<std::size_t>(k)]; }
    // The package component k is written with: as its library spells it, or as the map or
    // the netlist names it when no library holds it.
    std::string_view package(Count k) const;
    bool renames_pins() const { return renamed_pins_.size() != 0; }
    // The pad a node's pin is written as: its component's row renames it, or it stays. Pins
    // that no row renames are let through before the component is looked up.
    std::string_view node_pad(std::string_view component, std::string_view pin) const;

private:
    const MapRow* row_for(const Component& component, std::string& key) const;

    const NetlistTables& tables_;
    const std::vector<NamedLibrary>& libraries_;
    const std::vector<MapRow>& rows_;
    std::unordered_map<std::string, std::uint32_t> by_component_;  // lower-case name
    // lower-case prefix (a component cell ending in "*"), LF, lower-case footprint or nothing
    std::unordered_map<std::string, std::uint32_t> by_prefix_;
    std::size_t longest_prefix_ = 0;
    std::unordered_map<std::string, std::uint32_t> by_footprint_;  // lower-case footprint
    // lower-case footprint, LF, value
    std::unordered_map<std::string, std::uint32_t> by_footprint_value_;
    std::vector<Choice> choices_;
    FoldedNameTable renamed_pins_{16};         // every pin some row renames
    FoldedNameTable renaming_components_{16};  // components whose row renames pins: the row
};

// The pad a pin is written as under `row`: renamed by its pins cell, or as it is.
std::string_view renamed_pin(const MapRow& row, std::string_view pin);

// A pin "N" fits a pad "P$N" too: EAGLE's own names for a package's pads.
std::string default_pad_name(std::string_view pin);

}  // namespace malvor
