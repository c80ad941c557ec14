#include "netlist_tables.h"

#include <algorithm>
#include <charconv>

namespace malvor {

NetlistTables::NetlistTables() : own_names_(std::make_shared<std::deque<std::string>>()) {}

std::string entry_number(Count value)
{
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    std::string text(digits, end);
    if (value >= 0 && text.size() < 3)
        text.insert(0, 3 - text.size(), '0');
    return text;
}

std::string_view NetlistTables::component_cell(Count k, int field) const
{
    if (k < 1 || k > component_count())
        return {};
    return components_[static_cast<std::size_t>((k - 1) * 3 + field)];
}

std::string_view NetlistTables::sig_name(Count i) const
{
    if (i < 1 || i > s)
        return {};
    return nets_[static_cast<std::size_t>(i - 1)];
}

Count NetlistTables::node_count(Count i) const
{
    if (i < 1 || i > s)
        return 0;
    auto first = first_node_[static_cast<std::size_t>(i - 1)];
    auto next = i < s ? first_node_[static_cast<std::size_t>(i)] : nodes_.size();
    return static_cast<Count>(next - first);
}

std::string_view NetlistTables::sig_node(Count i, Count j) const
{
    if (j < 1 || j > node_count(i))
        return {};
    return nodes_[static_cast<std::size_t>(first_node_[static_cast<std::size_t>(i - 1)] + j - 1)];
}

std::pair<Count, Count> NetlistTables::node_position(Count row) const
{
    // The net holding a row is the last net whose first node is at or before it.
    auto after = std::upper_bound(first_node_.begin(), first_node_.end(),
                                  static_cast<std::uint64_t>(row));
    auto net = static_cast<Count>(after - first_node_.begin());
    return {net, row - static_cast<Count>(first_node_[static_cast<std::size_t>(net - 1)]) + 1};
}

std::string NetlistTables::component_entry(Count k) const
{
    std::string entry = entry_number(k);
    entry += "  :   ";
    entry += comp_name(k);
    entry += "   ";
    entry += comp_pack(k);
    entry += "   ";
    entry += comp_value(k);
    return entry;
}

std::string NetlistTables::node_entry(Count row) const
{
    auto [net, node] = node_position(row);
    std::string entry = entry_number(net);
    entry += '-';
    entry += entry_number(node);
    entry += "  :   ";
    entry += sig_name(net);
    entry += "   ";
    entry += nodes_[static_cast<std::size_t>(row)];
    return entry;
}

void NetlistTables::add_component(std::string_view name, std::string_view pack,
                                  std::string_view value)
{
    components_.insert(components_.end(), {name, pack, value});
    ++d;
}

void NetlistTables::start_net(std::string_view name)
{
    ++s;
    n = 1;
    nets_.push_back(name);
    first_node_.push_back(nodes_.size());
}

void NetlistTables::add_node(std::string_view line)
{
    if (n >= maxn)
        maxn = n + 1;
    maxs = std::max<Count>(1000, s);
    nodes_.push_back(line);
    ++n;
}

void NetlistTables::replace_sig_name(Count i, std::string name)
{
    own_names_->push_back(std::move(name));
    nets_[static_cast<std::size_t>(i - 1)] = own_names_->back();
}

}  // namespace malvor
