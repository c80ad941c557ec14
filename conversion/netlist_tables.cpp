#include "netlist_tables.h"

#include "lines.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace malvor {

namespace {

// Writes at least three digits at `out` (room for 24 characters) and returns the end.
char* put_number(char* out, Count value)
{
    if (value >= 0 && value < 1000) {
        out[0] = static_cast<char>('0' + value / 100);
        out[1] = static_cast<char>('0' + value / 10 % 10);
        out[2] = static_cast<char>('0' + value % 10);
        return out + 3;
    }
    return std::to_chars(out, out + 24, value).ptr;
}

void append_number(std::string& out, Count value)
{
    char digits[24];
    out.append(digits, static_cast<std::size_t>(put_number(digits, value) - digits));
}

}  // namespace

NetlistTables::NetlistTables() : source_(std::make_shared<const SourceBytes>()) {}

NetlistTables::NetlistTables(std::shared_ptr<const SourceBytes> source)
    : source_(std::move(source)), text_(source_->view())
{
}

std::string entry_number(Count value)
{
    std::string text;
    append_number(text, value);
    return text;
}

std::string_view NetlistTables::line(std::size_t start) const
{
    return line_at(text_, start);
}

Component NetlistTables::component(Count k) const
{
    if (k < 1 || k > component_count())
        return {};
    // The name, package and value are three lines in a row, or four with the device before the
    // value.
    std::string_view text = text_;
    auto start = static_cast<std::size_t>(components_[static_cast<std::size_t>(k - 1)]);
    auto next_line = [&] {
        auto end = line_end(text, start);
        auto line = text.substr(start, end - start);
        start = after_line_end(text, end);
        return line;
    };
    Component fields;
    fields.name = next_line();
    fields.pack = next_line();
    if (layout_ == ComponentLayout::geda)
        next_line();
    fields.value = next_line();
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
    auto r = static_cast<std::size_t>(row);
    const std::uint32_t start = nodes_[r] & ~last_of_net_flag;
    if ((nodes_[r] & last_of_net_flag) != 0 || r + 1 == nodes_.size())
        return line(start);
    // The next node line of the same net follows right after this one's line end.
    std::size_t end = nodes_[r + 1] & ~last_of_net_flag;
    if (text_[end - 1] == '\n' && end - 1 > start && text_[end - 2] == '\r')
        end -= 2;
    else
        end -= 1;
    return text_.substr(start, end - start);
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
    auto net = static_cast<Count>(first_node_.upper_bound(static_cast<std::uint32_t>(row)));
    return {net, row - static_cast<Count>(first_node_[static_cast<std::size_t>(net - 1)]) + 1};
}

std::string NetlistTables::component_entry(Count k) const
{
    std::string entry;
    append_component_entry(entry, k);
    return entry;
}

std::string NetlistTables::node_entry(Count row) const
{
    std::string entry;
    if (row >= 0 && row < node_line_count())
        append_node_entry(entry, row);
    return entry;
}

void NetlistTables::append_component_entry(std::string& out, Count k) const
{
    auto fields = component(k);
    append_number(out, k);
    out += "  :   ";
    out += fields.name;
    out += "   ";
    out += fields.pack;
    out += "   ";
    out += fields.value;
}

void NetlistTables::append_node_entry(std::string& out, Count row) const
{
    if (row < 0 || row >= node_line_count())
        return;
    auto [net, node] = node_position(row);
    append_node_entry(out, net, node);
}

void NetlistTables::append_node_entry(std::string& out, Count net, Count node) const
{
    if (node < 1 || node > node_count(net))
        return;
    const Count row = first_node_row(net) + node - 1;
    char head[64];
    char* end = put_number(head, net);
    *end++ = '-';
    end = put_number(end, node);
    std::memcpy(end, "  :   ", 6);
    out.append(head, static_cast<std::size_t>(end + 6 - head));
    out += sig_name(net);
    out += "   ";
    out += node_line(row);
}

void NetlistTables::add_component(std::size_t name_line)
{
    components_.push_back(static_cast<std::uint32_t>(name_line));
    ++d;
}

void NetlistTables::start_net(std::size_t name_line)
{
    if (!nodes_.empty())
        nodes_.set(nodes_.size() - 1, nodes_[nodes_.size() - 1] | last_of_net_flag);
    ++s;
    n = 1;
    nets_.push_back(static_cast<std::uint32_t>(name_line));
    first_node_.push_back(static_cast<std::uint32_t>(nodes_.size()));
}

void NetlistTables::add_node(std::size_t start)
{
    if (n >= maxn)
        maxn = n + 1;
    maxs = std::max<Count>(1000, s);
    nodes_.push_back(static_cast<std::uint32_t>(start));
    ++n;
}

void NetlistTables::replace_sig_name(Count i, std::string name)
{
    auto start = nets_[static_cast<std::size_t>(i - 1)];
    nets_.set(static_cast<std::size_t>(i - 1),
              replaced_flag | static_cast<std::uint32_t>(replaced_names_.size()));
    replaced_names_.emplace_back(start, std::move(name));
}

}  // namespace malvor
