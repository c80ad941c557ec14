#include "tango_reader.h"

#include "lines.h"
#include "script_names.h"

#include <charconv>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace malvor {
namespace {

// Hands out the lines of a text one after another, as their start positions.
class LineSource {
public:
    explicit LineSource(std::string_view text) : text_(text) {}

    bool at_end() const { return pos_ >= text_.size(); }

    // The next line; at the end, empty text at the end of the source.
    std::string_view next()
    {
        start_ = pos_;
        auto end = line_end(text_, pos_);
        pos_ = after_line_end(text_, end);
        return text_.substr(start_, end - start_);
    }
    // Where the line that next() gave last starts.
    std::size_t start() const { return start_; }
    // Where the next line starts, to come back to it.
    std::size_t position() const { return pos_; }
    void rewind(std::size_t position) { pos_ = position; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t start_ = 0;
};

// The counter k for which a name reads "Zel<k>" ignoring ASCII case (k written without
// leading zeros), or 0.
long long replacement_number(std::string_view name)
{
    if (name.size() < 4 || lower_ascii(name.substr(0, 3)) != "zel" || name[3] == '0')
        return 0;
    long long k = 0;
    auto digits = name.substr(3);
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), k);
    if (error != std::errc() || end != digits.data() + digits.size() || k <= 0)
        return 0;
    return k;
}

// Gives the long net names their replacements once all short names are known, so that no
// replacement takes the name of another net.
void replace_long_names(NetlistTables& tables, const std::vector<Count>& long_names,
                        const std::unordered_set<long long>& taken)
{
    long long counter = 1;
    for (Count net : long_names) {
        while (taken.count(counter) != 0)
            ++counter;
        tables.replace_sig_name(net, "Zel" + std::to_string(counter));
        ++counter;
    }
}

// "(N1": a net whose name stands on its opening line, as some Protel-style exports write it. A
// header line such as "(Rev.A)" ends in ")" and so stays text.
bool opens_named_net(std::string_view line)
{
    return line.size() > 1 && line[0] == '(' && line.back() != ')' &&
           line.find_first_of(" \t", 1) == std::string_view::npos;
}

// Which component layout a netlist has, known once all its blocks are read. gEDA and lepton
// write name, footprint, device, value and one empty line between "[" and "]"; every other
// writer puts the value on the third line. So the fourth line is the value only if every block
// has exactly that shape and some fourth line holds something.
class LayoutWatch {
public:
    // The lines of a component block after its "[" line, up to its "]" line (`closed`).
    void block(bool closed, std::size_t lines, bool fourth_empty, bool fifth_empty)
    {
        all_geda_ = all_geda_ && closed && lines == 5 && fifth_empty;
        some_fourth_ = some_fourth_ || !fourth_empty;
    }
    ComponentLayout layout() const
    {
        return all_geda_ && some_fourth_ ? ComponentLayout::geda : ComponentLayout::tango;
    }

private:
    bool all_geda_ = true;
    bool some_fourth_ = false;
};

}  // namespace

NetlistTables read_tango(std::string bytes)
{
    return read_tango(SourceBytes(std::move(bytes)));
}

NetlistTables read_tango(SourceBytes source)
{
    // The tables keep the bytes: their cells are positions in them.
    auto bytes = std::make_shared<const SourceBytes>(std::move(source));
    NetlistTables tables(bytes);
    LineSource lines(bytes->view());
    std::vector<Count> long_names;
    std::unordered_set<long long> taken;

    LayoutWatch layout;
    bool components_started = false;

    std::string_view rigo;
    auto starts_block = [&](std::string_view line) {
        return line == "[" || line == "(" || (components_started && opens_named_net(line));
    };
    while (!lines.at_end()) {
        rigo = lines.next();
        if (rigo == "[") {
            if (lines.at_end())
                break;
            components_started = true;
            // The name, package and value are the next three lines, read as the tables need them.
            auto name = lines.next();
            tables.add_component(lines.start());
            auto pack = lines.next();
            rigo = lines.next();
            // The rest of the block, looked at only for its layout. A line that starts a block
            // is left to the loop.
            bool closed = name != "]" && pack != "]" && rigo != "]";
            std::size_t count = 3;
            bool fourth_empty = true, fifth_empty = true;
            while (closed && !lines.at_end()) {
                const auto mark = lines.position();
                auto line = lines.next();
                if (starts_block(line)) {
                    lines.rewind(mark);
                    closed = false;
                    break;
                }
                rigo = line;
                if (line == "]")
                    break;
                if (++count == 4)
                    fourth_empty = line.empty();
                else if (count == 5)
                    fifth_empty = line.empty();
            }
            layout.block(closed && rigo == "]", count, fourth_empty, fifth_empty);
        } else if (starts_block(rigo)) {  // a net, as "[" was taken above
            auto name = rigo.substr(1);
            if (name.empty()) {
                if (lines.at_end())
                    break;
                name = rigo = lines.next();
                tables.start_net(lines.start());
            } else {
                tables.start_net(lines.start() + 1);
            }
            if (name.size() > longest_kept_net_name)
                long_names.push_back(tables.s);
            else if (auto k = replacement_number(name))
                taken.insert(k);
            while (!lines.at_end()) {
                rigo = lines.next();
                if (rigo == ")")
                    break;
                tables.add_node(lines.start());
            }
        }
    }
    tables.rigo = rigo;
    if (tables.component_count() > 0)
        tables.set_layout(layout.layout());

    replace_long_names(tables, long_names, taken);
    return tables;
}

}  // namespace malvor
