#pragma once
// A placed and routed board brought up to date with its netlist, in two pure steps: the changes
// the netlist asks for, found by comparing the read board with the netlist's tables and package
// choices; then the changes applied to the board. The changes are what the converter and the
// window list, so that what is shown is what is written.
//
// Parts match elements by name, ignoring case, as EAGLE matches them; nets match signals by
// name. A signal whose name the netlist lost, and whose contacts lie mostly (more than half) in
// one new net, is that net renamed and keeps its wires, vias and polygons. Kept elements keep
// their place, rotation, texts and attributes; only their value and package follow the
// netlist. New parts go to the right of the board, packed by the placement; nothing else the
// board holds is touched.

#include "board_reader.h"
#include "board_writer.h"
#include "netlist_tables.h"
#include "package_choice.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace malvor {

struct BoardChange {
    enum class Kind {
        added,             // part: library, package, value, place, contacts
        removed,           // part; kept: the wires and vias of its signals, which stay
        value_changed,     // part: from -> to
        package_changed,   // part: from -> to ("LIBRARY/PACKAGE"), library, package
        net_renamed,       // net -> to_net
        net_added,         // net
        pad_connected,     // part, pad: to net
        pad_moved,         // part, pad: from net to to_net
        pad_disconnected,  // part, pad: from net
        net_removed,       // net: no contact and nothing routed left
        net_kept,          // net: no contact left, but kept for its `kept` wires and vias
    };
    Kind kind = Kind::added;
    std::string part;
    std::string pad;
    std::string net;
    std::string to_net;
    std::string from, to;
    std::size_t kept = 0;
    // Added and changed packages: the package as the board will name it, and where it comes
    // from when the board lacks it (PackageChoices' numbers).
    std::string library, package, value;
    std::uint32_t library_number = 0, package_number = 0;
    Point place;             // added: in micrometres
    std::uint8_t turns = 0;  // added: quarter turns counterclockwise, written as its rot
    std::vector<std::pair<std::string, std::string>> contacts;  // added: pad, net
};

// What the netlist changes on the board; nothing when the board already follows it. `nets` as
// board_nets gives them for the same tables and choices.
std::vector<BoardChange> board_changes(const ReadBoard& board, const NetlistTables& tables,
                                       const PackageChoices& choices,
                                       const LibraryDrawings& drawings, const BoardNets& nets);

// Applies changes found for this board; packages the board lacks are copied from `drawings`.
void apply_board_changes(ReadBoard& board, const std::vector<BoardChange>& changes,
                         const LibraryDrawings& drawings);

// "added R7: package R0805 from library rcl", "value of R1 changed: 10k -> 4k7", ...; names
// shown safely (shown_text.h).
std::string change_line(const BoardChange& change);
// "1 change", "4 changes", "no changes".
std::string change_count_line(std::size_t count);

}  // namespace malvor
