#include "netlist_check.h"

#include "folded_name_table.h"
#include "large_memory.h"
#include "node_split.h"
#include "package_hints.h"
#include "script_names.h"
#include "shown_text.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace malvor {
namespace {

// Two marks for every pad, side by side so that a node costs one memory access: the pin is in
// a net so far, and it is in the net at hand.
class PinMarks {
public:
    static constexpr unsigned in_a_net = 1;
    static constexpr unsigned in_this_net = 2;

    explicit PinMarks(std::size_t pads) : words_((pads + 31) / 32) {}
    void make_room(std::size_t pad)
    {
        if (pad / 32 >= words_.size())
            words_.resize(pad / 32 + 1);
    }
    unsigned get(std::size_t pad) const { return words_[pad / 32] >> shift(pad) & 3; }
    void add(std::size_t pad, unsigned marks)
    {
        words_[pad / 32] |= std::uint64_t{marks} << shift(pad);
    }
    void prefetch(std::size_t pad) const { __builtin_prefetch(&words_[pad / 32]); }
    void end_net(std::size_t pad)
    {
        words_[pad / 32] &= ~(std::uint64_t{in_this_net} << shift(pad));
    }
    // The same for every pad: quicker than one by one for a net holding many of them.
    void end_net()
    {
        for (auto& word : words_)
            word &= 0x5555555555555555u;  // the in_a_net marks
    }
    std::size_t word_count() const { return words_.size(); }

private:
    static unsigned shift(std::size_t pad) { return static_cast<unsigned>(pad % 32 * 2); }

    std::vector<std::uint64_t, LargeAllocator<std::uint64_t>> words_;
};

// 16 bytes, as the nodes look them up all over. Pads are numbered in 32 bits: a netlist would
// need billions of pads to pass that, and then the pins beyond it go unchecked for being in
// two nets rather than the check failing.
struct ComponentPads {
    static constexpr std::uint32_t none = UINT32_MAX;
    // The number of its package's first pad among all pads; for a component naming a package
    // that no library holds, its number among those components.
    std::uint32_t first_pad = none;
    std::uint32_t package = none;
    std::uint32_t library = 0;
    std::uint32_t row = none;  // of the package map
};

using ComponentTable = std::vector<ComponentPads, LargeAllocator<ComponentPads>>;

// The node lines of all nets in row order, each split into words and its component looked up.
// The lookups land all over the component table, the components and the pin marks, so they run
// a batch at a time, each step fetching ahead what the next one needs: every hash and its slot
// first, then the components, then the pads and their marks.
class NodeLookups {
public:
    struct Node {
        std::string_view line;
        NodeWords words;
        std::uint64_t hash;
        std::uint32_t component;    // or FoldedNameTable::none
        std::size_t package;        // of the component, or EagleLibrary::none
        std::uint32_t library;      // of the package
        std::string_view pad_name;  // the pin as the map renames it
        bool has_pad;               // the package has the pin
        std::size_t pad;            // among all pads of all components, or EagleLibrary::none
    };

    NodeLookups(const NetlistTables& tables, const PackageChoices* choices,
                const FoldedNameTable& names, const ComponentTable& components,
                const PinMarks& marks)
        : tables_(tables),
          choices_(choices),
          splitter_(tables),
          names_(names),
          components_(components),
          marks_(marks)
    {
    }

    // Rows are asked for in increasing order.
    const Node& at(Count row)
    {
        if (row < start_ || row >= start_ + batch)
            fill(row);
        return nodes_[row - start_];
    }

private:
    static constexpr Count batch = 16;

    void fill(Count start)
    {
        start_ = start;
        const Count count = std::min(batch, tables_.node_line_count() - start);
        for (Count b = 0; b < count; ++b) {
            auto& node = nodes_[b];
            node.line = tables_.node_line(start + b);
            node.words = splitter_.words(node.line);
            node.hash = FoldedNameTable::hash(node.words.component);
            names_.prefetch(node.hash);
        }
        for (Count b = 0; b < count; ++b) {
            auto& node = nodes_[b];
            node.component = names_.find(node.words.component, node.hash);
            if (node.component != FoldedNameTable::none)
                __builtin_prefetch(&components_[node.component]);
        }
        for (Count b = 0; b < count; ++b)
            find_pad(nodes_[b]);
    }

    void find_pad(Node& node)
    {
        node.package = EagleLibrary::none;
        node.has_pad = false;
        node.pad = EagleLibrary::none;
        if (node.component == FoldedNameTable::none || node.words.pin.empty() || node.words.more)
            return;
        const auto [first_pad, package, library, row] = components_[node.component];
        node.pad_name = row == ComponentPads::none
                            ? node.words.pin
                            : renamed_pin(choices_->rows()[row], node.words.pin);
        if (package == ComponentPads::none)
            return;
        node.package = package;
        node.library = library;
        const auto pad = choices_->libraries()[library].library.find_pad(package, node.pad_name);
        node.has_pad = pad != EagleLibrary::none;
        if (node.has_pad && first_pad != ComponentPads::none) {
            node.pad = first_pad + pad;
            marks_.prefetch(node.pad);
        }
    }

    const NetlistTables& tables_;
    const PackageChoices* choices_;
    NodeSplitter splitter_;
    const FoldedNameTable& names_;
    const ComponentTable& components_;
    const PinMarks& marks_;
    Count start_ = -batch;
    Node nodes_[batch];
};

// Gives each problem its line number in one pass over `text`; the problems must be sorted.
void number_lines(std::string_view text, Problems& problems)
{
    std::size_t line = 1;
    std::size_t pos = 0;
    char before = '\0';
    for (auto& problem : problems) {
        // CR, LF and CR LF each end one line: count every CR and every LF not after a CR.
        const std::size_t end = std::min(problem.position, text.size());
        std::size_t ends = 0;
        for (; pos < end; ++pos) {
            const char c = text[pos];
            ends += static_cast<std::size_t>(c == '\r') +
                    static_cast<std::size_t>(c == '\n' && before != '\r');
            before = c;
        }
        line += ends;
        problem.line = line;
    }
}

class Checker {
public:
    Checker(const NetlistTables& tables, const PackageChoices* choices, CheckedOutput output)
        : tables_(tables),
          choices_(choices),
          output_(output),
          source_(tables.source()),
          component_names_(static_cast<std::size_t>(tables.component_count()))
    {
    }

    CheckReport run()
    {
        check_components();
        check_nets();
        report_unknown_packages();
        // Each pass finds its problems in file order; components written after nets, and
        // unknown packages, leave them to be sorted.
        auto before = [](const Problem& a, const Problem& b) { return a.position < b.position; };
        if (!std::is_sorted(report_.problems.begin(), report_.problems.end(), before))
            std::stable_sort(report_.problems.begin(), report_.problems.end(), before);
        return std::move(report_);
    }

private:
    std::size_t position(std::string_view cell) const
    {
        return static_cast<std::size_t>(cell.data() - source_.data());
    }

    void report(std::size_t position, std::initializer_list<std::string_view> pieces,
                bool harmless = false)
    {
        const std::size_t start = report_.messages.size();
        for (auto piece : pieces)
            report_.messages += piece;
        report_.problems.push_back({position, 0, start, report_.messages.size() - start, harmless});
    }

    // EAGLE would read a control character as part of the script: an ESC or a NUL inside a
    // name, a value or a node breaks the statement around it.
    void check_characters(std::size_t at, const char* what, std::string_view text)
    {
        if (has_control_character(text))
            report(at, {what, " '", text, "' holds a control character"});
    }

    // Reported once the nets are read, so that the hints can fit the pins the component uses.
    void report_unknown_packages()
    {
        if (unknown_.empty())
            return;
        const auto& libraries = choices_->libraries();
        PackageHints hints(libraries);
        std::unordered_map<std::string, std::string> texts;  // package, kind and pins
        std::vector<std::string> pins;
        for (const auto& [k, used] : unknown_) {
            pins.clear();
            for (auto pin : used)
                pins.push_back(lower_ascii(pin));
            std::sort(pins.begin(), pins.end());
            pins.erase(std::unique(pins.begin(), pins.end()), pins.end());
            const auto& choice = choices_->of(k);
            const auto package = choices_->package(k);
            std::string where = "is in none of the libraries";
            if (choice.row != PackageChoices::none &&
                choices_->rows()[choice.row].library != MapRow::any_library)
                where = "is not in library " + quoted(libraries[choice.library].name);
            else if (libraries.size() == 1)
                where = "is not in the library";
            const auto kind = kind_of_component(
                tables_.comp_name(k), tables_.comp_value(k), tables_.comp_pack(k));
            std::string key = lower_ascii(package) + static_cast<char>(kind);
            for (const auto& pin : pins)
                key += '\n' + pin;
            auto [hint, added] = texts.try_emplace(std::move(key));
            if (added)
                for (const auto& found : hints.ranked(package, pins, kind))
                    hint->second += (hint->second.empty() ? "; closest: " : ", ") +
                                    hints.text(found, pins.size());
            report(
                position(tables_.comp_pack(k)), {"package '", package, "' of component '",
                                                 tables_.comp_name(k), "' ", where, hint->second});
        }
    }

    void check_components()
    {
        const Count count = tables_.component_count();
        components_.assign(static_cast<std::size_t>(count) + 1, {});
        // A batch of names is hashed and its table slots fetched before they are entered.
        constexpr Count batch = 16;
        std::uint64_t hashes[batch];
        for (Count start = 1; start <= count; start += batch) {
            const Count end = std::min(count + 1, start + batch);
            for (Count k = start; k < end; ++k) {
                hashes[k - start] = FoldedNameTable::hash(tables_.comp_name(k));
                component_names_.prefetch(hashes[k - start]);
            }
            for (Count k = start; k < end; ++k)
                check_component(k, hashes[k - start]);
        }
    }

    void check_component(Count k, std::uint64_t hash)
    {
        auto [name, pack, value] = tables_.component(k);
        check_characters(position(name), "component", name);
        check_characters(position(pack), "package", pack);
        check_characters(position(value), "value", value);
        auto earlier = component_names_.insert(name, hash, static_cast<std::uint32_t>(k));
        if (earlier != k)
            report(position(name), {"component '", name, "' has the name of component '",
                                    tables_.comp_name(earlier), "' (EAGLE ignores case)"});
        // Without a library the map's packages do not count; a package a library holds
        // counts whatever its name.
        const auto* choice = choices_ ? &choices_->of(k) : nullptr;
        const bool found = choice && choice->package != PackageChoices::none;
        const bool none = !found && names_no_package(choice ? choices_->package(k) : pack);
        if (none)
            report(position(pack), {"component '", name, "' has no package"});
        if (!choice)
            return;
        auto& component = components_[static_cast<std::size_t>(k)];
        component.row = choice->row;
        if (!found) {
            if (!none) {  // a package to give hints for
                component.first_pad = static_cast<std::uint32_t>(unknown_.size());
                unknown_.emplace_back(k, std::vector<std::string_view>());
            }
            return;
        }
        component.package = choice->package;
        component.library = choice->library;
        const std::size_t pads =
            choices_->libraries()[choice->library].library.pad_count(choice->package);
        if (pads_ + pads < ComponentPads::none) {
            component.first_pad = static_cast<std::uint32_t>(pads_);
            pads_ += pads;
        }
    }

    void check_nets()
    {
        FoldedNameTable nets(static_cast<std::size_t>(tables_.net_count()));
        PinMarks marks(pads_);
        marks_ = &marks;
        // Sized ahead, as growing a large table costs more than the lookups.
        const auto rows = static_cast<std::size_t>(tables_.node_line_count());
        loose_pins_ = FoldedNameTable(choices_ ? std::min(rows, unknown_.size() * 4) : rows);
        std::vector<std::size_t> net_pads;  // those marked in the net, unless too many
        NodeLookups nodes(tables_, choices_, component_names_, components_, marks);
        for (Count i = 1; i <= tables_.net_count(); ++i) {
            const auto name = output_ == CheckedOutput::board ? tables_.original_sig_name(i)
                                                              : tables_.sig_name(i);
            const auto name_line = tables_.sig_name_start(i);
            check_characters(name_line, "net", name);
            auto earlier = nets.insert(name, static_cast<std::uint32_t>(i));
            if (earlier != i)
                report(name_line, {net_label(i), " has the name of ", net_label(earlier),
                                   " (EAGLE ignores case)"});
            const std::size_t name_problems = report_.problems.size();
            Count written = 0;
            const Count first = tables_.first_node_row(i);
            for (Count row = first; row < first + tables_.node_count(i); ++row) {
                const auto& looked_up = nodes.at(row);
                const auto node = looked_up.line;
                if (node.empty())
                    continue;  // the script leaves it out
                ++written;
                check_characters(position(node), "node", node);
                const auto pad = node_pad(looked_up);
                if (pad == EagleLibrary::none)
                    continue;
                const auto pin = marks.get(pad);
                if ((pin & PinMarks::in_this_net) != 0) {
                    report(position(node),
                           {"node '", node, "': the pin is twice in ", net_label(i)}, true);
                } else {
                    if (pin != 0)
                        report(position(node),
                               {"node '", node, "': the pin is already in an earlier net"});
                    marks.add(pad, PinMarks::in_a_net | PinMarks::in_this_net);
                    if (net_pads.size() <= marks.word_count())
                        net_pads.push_back(pad);
                }
            }
            if (net_pads.size() > marks.word_count()) {
                marks.end_net();
            } else {
                for (auto pad : net_pads)
                    marks.end_net(pad);
            }
            net_pads.clear();
            if (written < 2) {
                // On the name line, so before the problems of the (single) node.
                report(name_line,
                       {net_label(i), " has ", std::to_string(written),
                        written == 1 ? " node" : " nodes", "; an EAGLE signal needs at least two"},
                       true);
                auto& problems = report_.problems;
                std::rotate(problems.begin() + static_cast<std::ptrdiff_t>(name_problems),
                            problems.end() - 1, problems.end());
            }
        }
    }

    // "net 'GND'"; for a name that the script replaces, "net 'LONGNET_1' (written as 'Zel1')",
    // as the netlist line that a message points at holds the long name.
    std::string net_label(Count i) const
    {
        const auto name = tables_.sig_name(i);
        const auto original = tables_.original_sig_name(i);
        std::string label = "net " + quoted(original);
        if (original != name && output_ == CheckedOutput::script)
            label += " (written as " + quoted(name) + ")";
        return label;
    }

    // A pin of a component without a known package, numbered after all pads of the known ones
    // so that it is checked for being in two nets all the same.
    std::size_t loose_pin(std::uint32_t k, std::string_view pin)
    {
        const auto unknown = components_[k].first_pad;
        if (unknown != ComponentPads::none)
            unknown_[unknown].second.push_back(pin);
        // The component in five bytes of 7 bits each, all above ASCII so that case folding
        // leaves them alone: with a pin of up to three characters the key fits a table slot.
        loose_key_.clear();
        for (unsigned shift = 0; shift < 35; shift += 7)
            loose_key_ += static_cast<char>(0x80 | (k >> shift & 0x7f));
        loose_key_ += pin;
        const auto number = loose_pins_.insert(
            loose_key_, static_cast<std::uint32_t>(loose_pins_.size()));
        const std::size_t pad = pads_ + number;
        marks_->make_room(pad);
        return pad;
    }

    // The number of the pad a node connects among all pads of all components (pins of
    // components without a package after them), or none when the node has a problem
    // (reported here).
    std::size_t node_pad(const NodeLookups::Node& looked_up)
    {
        const auto node = looked_up.line;
        const auto& words = looked_up.words;
        if (words.pin.empty() || words.more) {
            report(position(node), {"node '", node, "' is not one component and one pin"});
            return EagleLibrary::none;
        }
        const auto k = looked_up.component;
        if (k == FoldedNameTable::none) {
            report(position(node), {"node '", node, "' names component '", words.component,
                                    "', which the netlist does not have"});
            return EagleLibrary::none;
        }
        if (looked_up.package != EagleLibrary::none && !looked_up.has_pad) {
            const auto& library = choices_->libraries()[looked_up.library].library;
            report(position(node),
                   {"node '", node, "': package '", library.package_names()[looked_up.package],
                    "' of component '", words.component, "' has no pad '", looked_up.pad_name,
                    "'; ", pad_list(library, looked_up.package)});
        }
        if (looked_up.package == EagleLibrary::none)
            return loose_pin(k, looked_up.pad_name);
        return looked_up.pad;
    }

    const NetlistTables& tables_;
    const PackageChoices* choices_;
    CheckedOutput output_;
    std::string_view source_;
    CheckReport report_;
    FoldedNameTable component_names_;
    ComponentTable components_;
    std::size_t pads_ = 0;
    // Components naming a package that no library holds, with the pins they use.
    std::vector<std::pair<Count, std::vector<std::string_view>>> unknown_;
    FoldedNameTable loose_pins_{16};  // component number and pin
    std::string loose_key_;
    PinMarks* marks_ = nullptr;
};

}  // namespace

CheckReport check_netlist(const NetlistTables& tables, const PackageChoices* choices,
                          CheckedOutput output)
{
    auto report = Checker(tables, choices, output).run();
    number_lines(tables.source(), report.problems);
    return report;
}

}  // namespace malvor
