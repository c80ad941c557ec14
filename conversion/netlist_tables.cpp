#include "netlist_tables.h"

#include "lines.h"

#include <algorithm>
#include <charconv>

namespace malvor {

NetlistTables::NetlistTables() : source_(std::make_shared<const std::string>()) {}

NetlistTables::NetlistTables(std::shared_ptr<const std::string> source) : source_(std::move(source)) {}

std::string entry_number(Count value)
{
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    std::string text(digits, end);
    if (value >= 0 && text.size() < 3)
        text.insert(0, 3 - text.size(), '0');
    return text;
}

std::string_view NetlistTables::line(std::uint64_t start) const
{
    return line_at(*source_, static_cast<std::size_t>(start));
}

Component NetlistTables::component(Count k) const
{
    if (k < 1 || k > component_count())
        return {};
    // The name, package and value are three lines in a row.
    std::string_view text = *source_;
    auto start = static_cast<std::size_t>(components_[static_cast<std::size_t>(k - 1)]);
    Component fields;
    std::string_view* cells[] = {&fields.name, &fields.pack, &fields.value};
    for (auto* cell : cells) {
        auto end = line_end(text, start);
        *cell = text.substr(start, end - start);
        start = after_line_end(text, end);
    }
    return fields;
}

std::string_view NetlistTables::sig_name(Count i) const
{
    if (i < 1 || i > s)
        return {};
    auto cell = nets_[static_cast<std::size_t>(i - 1)];
    if ((cell & replaced_flag) != 0)
        return replaced_names_[static_cast<std::size_t>(cell & ~replaced_flag)].second;
    return line(cell);
}

std::size_t NetlistTables::sig_name_start(Count i) const
{
    if (i < 1 || i > s)
        return source_->size();
    auto cell = nets_[static_cast<std::size_t>(i - 1)];
    if ((cell & replaced_flag) != 0)
        return static_cast<std::size_t>(
            replaced_names_[static_cast<std::size_t>(cell & ~replaced_flag)].first);
    return static_cast<std::size_t>(cell);
}

Count NetlistTables::node_count(Count i) const
{
    if (i < 1 || i > s)
        return 0;
    auto first = first_node_[static_cast<std::size_t>(i - 1)];
    auto next = i < s ? first_node_[static_cast<std::size_t>(i)] : nodes_.size();
    return static_cast<Count>(next - first);
}

Count NetlistTables::first_node_row(Count i) const
{
    if (i < 1 || i > s)
        return node_line_count();
    return static_cast<Count>(first_node_[static_cast<std::size_t>(i - 1)]);
}

std::string_view NetlistTables::node_line(Count row) const
{
    if (row < 0 || row >= node_line_count())
        return {};
    return line(nodes_[static_cast<std::size_t>(row)]);
}

std::string_view NetlistTables::sig_node(Count i, Count j) const
{
    if (j < 1 || j > node_count(i))
        return {};
    return node_line(first_node_row(i) + j - 1);
}

std::pair<Count, Count> NetlistTables::node_position(Count row) const
{
    // The net holding a row is the last net whose first node is at or before it.
    auto net = static_cast<Count>(first_node_.upper_bound(static_cast<std::uint64_t>(row)));
    return {net, row - static_cast<Count>(first_node_[static_cast<std::size_t>(net - 1)]) + 1};
}

std::string NetlistTables::component_entry(Count k) const
{
    auto fields = component(k);
    std::string entry = entry_number(k);
    entry += "  :   ";
    entry += fields.name;
    entry += "   ";
    entry += fields.pack;
    entry += "   ";
    entry += fields.value;
    return entry;
}

std::string NetlistTables::node_entry(Count row) const
{
    if (row < 0 || row >= node_line_count())
        return {};
    auto [net, node] = node_position(row);
    std::string entry = entry_number(net);
    entry += '-';
    entry += entry_number(node);
    entry += "  :   ";
    entry += sig_name(net);
    entry += "   ";
    entry += node_line(row);
    return entry;
}

void NetlistTables::add_component(std::size_t name_line)
{
    components_.push_back(name_line);
    ++d;
}

void NetlistTables::start_net(std::size_t name_line)
{
    ++s;
    n = 1;
    nets_.push_back(name_line);
    first_node_.push_back(nodes_.size());
}

void NetlistTables::add_node(std::size_t start)
{
    if (n >= maxn)
        maxn = n + 1;
    maxs = std::max<Count>(1000, s);
    nodes_.push_back(start);
    ++n;
}

void NetlistTables::replace_sig_name(Count i, std::string name)
{
    auto start = nets_[static_cast<std::size_t>(i - 1)];
    nets_.set(static_cast<std::size_t>(i - 1), replaced_flag | replaced_names_.size());
    replaced_names_.emplace_back(start, std::move(name));
}

}  // namespace malvor
