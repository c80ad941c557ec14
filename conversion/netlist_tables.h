#pragma once
// The in-memory form of one Tango netlist: components, nets and the nodes of every net.
//
// The tables keep the netlist's own bytes and, for every cell, only where its line starts:
// a line is found again when it is asked for. So they cost 4 bytes per line of the netlist,
// whatever the shape of its nets. Numbering is 1-based, as in the entry lines; index 0 is
// never a valid cell.
//
// Short names kept from the program's first version:
//   d        number the next component gets (components are 1 .. d - 1)
//   s        number of the last net started; after a read, the number of nets
//   n        number the next node of the current net gets
//   maxn     column bound of the node matrix: one past the largest node count of any net
//   maxs     row bound of the node matrix: 1, or 1000 (or the last net holding a node) once a
//            node line is stored
//   rigo     ("line") the netlist line the reader read last
//   Zel<k>   the name the reader gives to a net whose name is too long
// and in the writer lun_rig ("line length"), the characters on the script line being written;
// in the window percorso ("path"), the working folder, and tangofile, eaglefile, eaglelib: the
// netlist path, the script path and the library name.

#include "offset_list.h"
#include "source_bytes.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace malvor {

using Count = std::int64_t;

// Where a component block holds the value: the third line after "[" (Tango as written by most
// programs), or the fourth, after the device (gEDA and lepton).
enum class ComponentLayout { tango, geda };

struct Component {
    std::string_view name;
    std::string_view pack;
    std::string_view value;
};

class NetlistTables {
public:
    // Counters as the reader leaves them.
    Count d = 1;     // number the next component gets: components are 1 .. d - 1
    Count s = 0;     // number of nets: nets are 1 .. s
    Count n = 1;     // number the next node of the last net would get
    Count maxn = 1;  // one more than the largest node count of any net; 1 without node lines
    Count maxs = 1;  // 1 without node lines, else 1000 or the last net holding a node if higher
    std::string_view rigo;  // the line the reader read last

    NetlistTables();
    // The source must be smaller than 2 GiB.
    explicit NetlistTables(std::shared_ptr<const SourceBytes> source);

    Count component_count() const { return d - 1; }
    Count net_count() const { return s; }
    // All node lines of all nets, in file order: the rows of the node list.
    Count node_line_count() const { return static_cast<Count>(nodes_.size()); }
    // The netlist's bytes: every cell read from the file is a view into them.
    std::string_view source() const { return text_; }

    // Cells; empty text outside the filled range, like a cell never written.
    Component component(Count k) const;
    std::string_view comp_name(Count k) const { return component(k).name; }
    std::string_view comp_pack(Count k) const { return component(k).pack; }
    std::string_view comp_value(Count k) const { return component(k).value; }
    std::string_view sig_name(Count i) const;
    // Where net i's name starts in the source, also for a replaced name.
    std::size_t sig_name_start(Count i) const;
    // Net i's name as the netlist writes it, before any replacement.
    std::string_view original_sig_name(Count i) const { return line(sig_name_start(i)); }
    std::string_view sig_node(Count i, Count j) const;
    Count node_count(Count i) const;
    // The node-list row of net i's first node, and the node line of any row.
    Count first_node_row(Count i) const;
    std::string_view node_line(Count row) const;

    // Entry lines as the result lists show them.
    std::string component_entry(Count k) const;
    // Row 0 .. node_line_count() - 1 of the node list.
    std::string node_entry(Count row) const;
    // The same entry lines appended to `out`, for callers that list many of them.
    void append_component_entry(std::string& out, Count k) const;
    void append_node_entry(std::string& out, Count row) const;
    void append_node_entry(std::string& out, Count net, Count node) const;
    // The net number and node number of a node-list row.
    std::pair<Count, Count> node_position(Count row) const;

    // Building, in file order, from the positions of lines in the source. A position at the
    // end of the source stands for a line the file does not have: empty text.
    void add_component(std::size_t name_line);
    void start_net(std::size_t name_line);
    void add_node(std::size_t start);
    // One layout for all components, known once the whole netlist is read.
    void set_layout(ComponentLayout layout) { layout_ = layout; }
    ComponentLayout layout() const { return layout_; }
    // Gives net i a name of the tables' own, in increasing net order.
    void replace_sig_name(Count i, std::string name);

private:
    std::string_view line(std::size_t start) const;

    std::shared_ptr<const SourceBytes> source_;
    std::string_view text_;
    ComponentLayout layout_ = ComponentLayout::tango;
    OffsetList components_;  // start of each component's name line
    OffsetList nets_;        // start of each net's name line, or a replaced name's index
                             // with replaced_flag set
    OffsetList first_node_;  // index in nodes_ of each net's first node
    OffsetList nodes_;       // start of every node line, net after net; the last node line
                             // before a later net's start has last_of_net_flag set
    // Replaced names with the start of the name line they replace; a deque grows without moving
    // the names that views point into.
    std::deque<std::pair<std::uint32_t, std::string>> replaced_names_;
    static constexpr std::uint32_t replaced_flag = std::uint32_t{1} << 31;
    static constexpr std::uint32_t last_of_net_flag = std::uint32_t{1} << 31;
};

// "001", "012", "1000": at least three digits.
std::string entry_number(Count value);

}  // namespace malvor
