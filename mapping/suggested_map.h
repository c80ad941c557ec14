#pragma once
// A package map for the next run: the rows of the map given, then a row for every footprint
// that no library holds and no row maps, in netlist order, filled with the best hint's package
// and library (and the pins to rename where it names its pads "P$N"). Where parts of different
// kinds share a footprint, each prefix of their names gets a row ("C*" with the footprint). A
// comment above each row names the package chosen and lists the other candidates; where the
// best hint is no package a row may name (short of a pad used, read as another package, of
// another kind), or there is none, the row stays a comment saying why, to be filled in. An
// empty footprint, or one no map cell can hold, gets no row.

#include "netlist_tables.h"
#include "package_choice.h"

#include <string>

namespace malvor {

std::string suggested_map(const NetlistTables& tables, const PackageChoices& choices);

}  // namespace malvor
