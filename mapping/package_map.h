#pragma once
// The package map: a CSV file (RFC 4180 fields, UTF-8 with or without BOM, CR LF or LF) whose
// rows say which EAGLE package, from which library and with which pad names, a component or a
// footprint gets. Empty lines and lines starting with "#" are skipped; the first other line
// names the columns, in any order: component, footprint, value, package, library, pins.
//
// A row applies to one component (`component`), or to every component of a footprint
// (`footprint`), narrowed to one value when its `value` cell is not empty. Names compare
// ignoring ASCII case, values exactly. A row with a component applies to that component only,
// whatever its footprint cell says. A component cell ending in "*" applies to every component
// whose name starts with what comes before it ("C*": C1, C12), narrowed to one footprint when
// the footprint cell is not empty. The most specific row decides: the component's own, then
// the longest prefix (with its footprint before without), then footprint and value, then
// footprint. A quoted field closes on its own line: a line end inside a
// name could only break the script.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace malvor {

struct MapRow {
    static constexpr std::size_t any_library = static_cast<std::size_t>(-1);

    std::size_t line = 0;
    std::string component;
    std::string footprint;
    std::string value;
    std::string package;                                    // empty: the footprint itself
    std::size_t library = any_library;                      // among the libraries given
    std::vector<std::pair<std::string, std::string>> pins;  // PIN, PAD
};

struct MapError {
    std::size_t line;
    std::string message;
};

struct PackageMap {
    std::vector<MapRow> rows;
    std::vector<MapError> errors;  // in line order; the rows are of no use when there are any
};

// `libraries`: the names a `library` cell may give (compared ignoring ASCII case).
PackageMap parse_package_map(std::string_view bytes, const std::vector<std::string>& libraries);

// The map's rows as a map file again, under a header of all columns; `libraries` names them.
std::string map_row_text(const MapRow& row, const std::vector<std::string>& libraries);
inline constexpr std::string_view full_map_header =
    "component,footprint,value,package,library,pins";

// A field as CSV writes it: in double quotes when it holds a comma, a quote, or starts with "#"
// or a blank.
std::string csv_field(std::string_view text);

}  // namespace malvor
