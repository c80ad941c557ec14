#pragma once
// Writing the EAGLE script for the netlist held in the tables.
//
// The script selects the library ("Use"), sets the grid to mil, places every component on a
// grid of ten per row with "Add", "Name" and "Value", and declares every net with one
// "Signal" statement. Lines end in CR LF; "Grid Mil;" and every "Value" statement carry an
// extra LF before it; a long "Signal" statement breaks with "\", a lone CR and seven blanks.
// A node is written with its component and pin as two words (see node_split.h).
// Words from the netlist or the library name that hold a blank, a tab, ";" or "'" are
// written between apostrophes, so that EAGLE reads them as one word.

#include "netlist_tables.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace malvor {

// Receives the script in pieces, in order.
using ScriptSink = std::function<void(std::string_view)>;

// Characters of node text on one physical "Signal" line after which the statement breaks.
inline constexpr Count signal_line_limit = 90;

void write_eagle_script(const NetlistTables& tables, std::string_view eaglelib,
                        const ScriptSink& sink);

// With several libraries or a package map: "Use" names every library in order, every "Add"
// names its package as PACKAGE@LIBRARY (one word, quoted as a whole where either part needs
// it), and a node's pin may be written as another pad. Every other byte as above.
struct ScriptLibraries {
    std::vector<std::string> names;
    // The package of component k and the number of its library in `names`.
    std::function<std::pair<std::string_view, std::size_t>(Count k)> package_of;
    // The pad written for a node's pin; may be left empty when no pin is renamed.
    std::function<std::string_view(std::string_view component, std::string_view pin)> pad_of;
    // Where component k goes, in mil; may be left empty for the fixed grid.
    std::function<std::pair<long long, long long>(Count k)> place_of;
    // Component k's quarter turns counterclockwise (0-3), written as Add's orientation where
    // not 0; may be left empty.
    std::function<int(Count k)> turns_of;
};
void write_eagle_script(const NetlistTables& tables, const ScriptLibraries& libraries,
                        const ScriptSink& sink);
std::string eagle_script(const NetlistTables& tables, std::string_view eaglelib);

}  // namespace malvor
