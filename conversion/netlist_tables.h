#pragma once
// The in-memory form of one Tango netlist: components, nets and the nodes of every net.
//
// Every cell is a view into the netlist's own bytes (or into the store of replacement net
// names), so the tables cost a few words per line of the netlist, whatever the shape of its
// nets. Numbering is 1-based, as in the entry lines; index 0 is never a valid cell.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace malvor {

using Count = std::int64_t;

class NetlistTables {
public:
    // Counters as the reader leaves them (see tango_reader.h for their meaning after a read).
    Count d = 1;     // number the next component gets: components are 1 .. d - 1
    Count s = 0;     // number of nets: nets are 1 .. s
    Count n = 1;     // number the next node of the last net would get
    Count maxn = 1;  // one more than the largest node count of any net; 1 without node lines
    Count maxs = 1;  // 1 without node lines, else at least 1000 and at least the last net holding a node
    std::string_view rigo;  // the line the reader read last

    NetlistTables();

    Count component_count() const { return d - 1; }
    Count net_count() const { return s; }
    // All node lines of all nets, in file order: the rows of the node list.
    Count node_line_count() const { return static_cast<Count>(nodes_.size()); }

    // Cells; empty text outside the filled range, like a matrix cell never written.
    std::string_view comp_name(Count k) const { return component_cell(k, 0); }
    std::string_view comp_pack(Count k) const { return component_cell(k, 1); }
    std::string_view comp_value(Count k) const { return component_cell(k, 2); }
    std::string_view sig_name(Count i) const;
    std::string_view sig_node(Count i, Count j) const;
    Count node_count(Count i) const;

    // Entry lines as the result lists show them.
    std::string component_entry(Count k) const;
    // Row 0 .. node_line_count() - 1 of the node list.
    std::string node_entry(Count row) const;
    // The net number and node number of a node-list row.
    std::pair<Count, Count> node_position(Count row) const;

    // Building, in file order. The reader owns these steps.
    void add_component(std::string_view name, std::string_view pack, std::string_view value);
    void start_net(std::string_view name);
    void add_node(std::string_view line);
    // Replaces the name of net i by a text the tables keep themselves.
    void replace_sig_name(Count i, std::string name);
    // Hands the tables the bytes their cells point into, so they live as long as the tables.
    void keep_source(std::shared_ptr<const std::string> source) { source_ = std::move(source); }

private:
    std::string_view component_cell(Count k, int field) const;

    std::shared_ptr<const std::string> source_;
    std::shared_ptr<std::deque<std::string>> own_names_;  // deque: elements never move
    std::vector<std::string_view> components_;            // name, pack, value of each component
    std::vector<std::string_view> nets_;                  // net names
    std::vector<std::uint64_t> first_node_;               // index in nodes_ of each net's first node
    std::vector<std::string_view> nodes_;                 // node lines of all nets, net after net
};

// "001", "012", "1000": at least three digits.
std::string entry_number(Count value);

}  // namespace malvor
