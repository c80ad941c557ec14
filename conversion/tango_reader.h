#pragma once
// Reading a Tango netlist into the netlist tables.
//
// The input format: lines end at CR, CR LF or LF. A line that is exactly "[" starts a
// component block whose next three lines are the name, the package and the value. A line
// that is exactly "(" starts a net block: the next line is the net name, every following
// line is a node, up to a line that is exactly ")". Once the first component block has started,
// a line "(NAME" (a name without blank or tab, not ending in ")") starts a net named NAME just as
// the two lines "(" and "NAME" would. Every other line is skipped. A block cut short by the end
// of the file keeps what it has; a "[" or "(" that is the last line starts nothing.
//
// When every component block holds exactly five lines up to its "]", the fifth empty, and some
// fourth line is not empty, the netlist is in the gEDA layout: the value is the fourth line and
// the third (the device) is passed over.
//
// Net names longer than 8 characters become "Zel1", "Zel2", ... in file order, skipping any
// number whose name equals (ignoring ASCII case) a short net name of the same netlist.

#include "netlist_tables.h"

#include <string>

namespace malvor {

// The longest net name kept as it stands.
inline constexpr std::size_t longest_kept_net_name = 8;

// The bytes must be fewer than 2 GiB (see largest_netlist); the tables keep them.
NetlistTables read_tango(SourceBytes source);
NetlistTables read_tango(std::string bytes);

}  // namespace malvor
