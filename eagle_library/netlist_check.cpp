#include "netlist_check.h"

#include "close_names.h"
#include "node_split.h"
#include "script_names.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace malvor {
namespace {

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Names as EAGLE compares them: ignoring ASCII case.
struct FoldedHash {
    std::size_t operator()(std::string_view name) const
    {
        std::uint64_t hash = 14695981039346656037u;
        for (char c : name)
            hash = (hash ^ static_cast<unsigned char>(fold(c))) * 1099511628211u;
        return static_cast<std::size_t>(hash);
    }
};

struct FoldedEqual {
    bool operator()(std::string_view a, std::string_view b) const
    {
        return a.size() == b.size()
               && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return fold(x) == fold(y); });
    }
};

template <typename Value>
using FoldedMap = std::unordered_map<std::string_view, Value, FoldedHash, FoldedEqual>;

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

class Bits {
public:
    explicit Bits(std::size_t size) : words_((size + 63) / 64) {}
    bool test(std::size_t i) const { return (words_[i / 64] >> (i % 64) & 1) != 0; }
    void set(std::size_t i) { words_[i / 64] |= std::uint64_t{1} << (i % 64); }
    void reset(std::size_t i) { words_[i / 64] &= ~(std::uint64_t{1} << (i % 64)); }

private:
    std::vector<std::uint64_t> words_;
};

class Checker {
public:
    Checker(const NetlistTables& tables, const EagleLibrary& library)
        : tables_(tables), library_(library), source_(tables.source())
    {
    }

    std::vector<Problem> run()
    {
        check_components();
        check_nets();
        std::stable_sort(problems_.begin(), problems_.end(),
                         [](const Problem& a, const Problem& b) { return a.position < b.position; });
        return std::move(problems_);
    }

private:
    std::size_t position(std::string_view cell) const
    {
        return static_cast<std::size_t>(cell.data() - source_.data());
    }

    void report(std::size_t position, std::string message)
    {
        problems_.push_back({position, std::move(message)});
    }

    std::string package_hint(std::string_view package)
    {
        auto [cached, added] = hints_.try_emplace(lower_ascii(package));
        if (added) {
            auto close = close_names(package, library_.package_names());
            for (std::size_t i = 0; i < close.size(); ++i)
                cached->second += (i == 0 ? "; closest: " : ", ") + quoted(close[i]);
        }
        return cached->second;
    }

    void check_components()
    {
        const Count count = tables_.component_count();
        components_.reserve(static_cast<std::size_t>(count));
        package_of_.assign(static_cast<std::size_t>(count) + 1, EagleLibrary::none);
        first_pad_.assign(static_cast<std::size_t>(count) + 1, 0);
        for (Count k = 1; k <= count; ++k) {
            auto [name, pack, value] = tables_.component(k);
            auto [earlier, added] = components_.emplace(name, k);
            if (!added)
                report(position(name), "component " + quoted(name) + " has the name of component "
                                           + quoted(tables_.comp_name(earlier->second))
                                           + " (EAGLE ignores case)");
            auto package = library_.find_package(pack);
            if (package == EagleLibrary::none) {
                report(position(pack), "package " + quoted(pack) + " of component " + quoted(name)
                                           + " is not in the library" + package_hint(pack));
                continue;
            }
            package_of_[static_cast<std::size_t>(k)] = package;
            first_pad_[static_cast<std::size_t>(k)] = pads_;
            pads_ += library_.pad_count(package);
        }
    }

    void check_nets()
    {
        NodeSplitter splitter(tables_);
        FoldedMap<Count> nets;
        nets.reserve(static_cast<std::size_t>(tables_.net_count()));
        Bits used(pads_);
        Bits in_net(pads_);
        std::vector<std::size_t> net_pads;
        for (Count i = 1; i <= tables_.net_count(); ++i) {
            const auto name = tables_.sig_name(i);
            const auto name_line = tables_.sig_name_start(i);
            auto [earlier, added] = nets.emplace(name, i);
            if (!added)
                report(name_line, "net " + quoted(name) + " has the name of net "
                                      + quoted(tables_.sig_name(earlier->second))
                                      + " (EAGLE ignores case)");
            Count written = 0;
            const Count first = tables_.first_node_row(i);
            for (Count row = first; row < first + tables_.node_count(i); ++row) {
                auto node = tables_.node_line(row);
                if (node.empty())
                    continue;  // the script leaves it out
                ++written;
                auto pad = node_pad(node, splitter, name);
                if (pad == EagleLibrary::none)
                    continue;
                if (in_net.test(pad)) {
                    report(position(node), "node " + quoted(node) + ": the pin is twice in net "
                                               + quoted(name));
                } else {
                    if (used.test(pad))
                        report(position(node), "node " + quoted(node)
                                                   + ": the pin is already in an earlier net");
                    used.set(pad);
                    in_net.set(pad);
                    net_pads.push_back(pad);
                }
            }
            for (auto pad : net_pads)
                in_net.reset(pad);
            net_pads.clear();
            if (written < 2)
                report(name_line, "net " + quoted(name) + " has " + std::to_string(written)
                                      + (written == 1 ? " node" : " nodes")
                                      + "; an EAGLE signal needs at least two");
        }
    }

    // The number of the pad a node connects, among all pads of all components; none when
    // the node has a problem (reported here) or its component's package is unknown.
    std::size_t node_pad(std::string_view node, NodeSplitter& splitter, std::string_view net)
    {
        auto words = splitter.words(node);
        if (words.pin.empty() || words.more) {
            report(position(node), "node " + quoted(node) + " in net " + quoted(net)
                                       + " is not one component and one pin");
            return EagleLibrary::none;
        }
        auto component = components_.find(words.component);
        if (component == components_.end()) {
            report(position(node), "node " + quoted(node) + " names component "
                                       + quoted(words.component) + ", which the netlist does not have");
            return EagleLibrary::none;
        }
        auto k = static_cast<std::size_t>(component->second);
        auto package = package_of_[k];
        if (package == EagleLibrary::none)
            return EagleLibrary::none;
        auto pad = library_.find_pad(package, words.pin);
        if (pad == EagleLibrary::none) {
            report(position(node), "node " + quoted(node) + ": package "
                                       + quoted(library_.package_names()[package]) + " of component "
                                       + quoted(words.component) + " has no pad " + quoted(words.pin));
            return EagleLibrary::none;
        }
        return first_pad_[k] + pad;
    }

    const NetlistTables& tables_;
    const EagleLibrary& library_;
    std::string_view source_;
    std::vector<Problem> problems_;
    FoldedMap<Count> components_;
    std::vector<std::size_t> package_of_;  // per component
    std::vector<std::size_t> first_pad_;   // per component: its first pad's number
    std::size_t pads_ = 0;
    std::unordered_map<std::string, std::string> hints_;  // per lower-case unknown package
};

}  // namespace

std::vector<Problem> check_netlist(const NetlistTables& tables, const EagleLibrary& library)
{
    return Checker(tables, library).run();
}

void number_lines(std::string_view text, std::vector<Problem>& problems)
{
    std::size_t line = 1;
    std::size_t pos = 0;
    for (auto& problem : problems) {
        for (; pos < problem.position && pos < text.size(); ++pos) {
            // CR, LF and CR LF each end one line.
            if (text[pos] == '\r' || (text[pos] == '\n' && (pos == 0 || text[pos - 1] != '\r')))
                ++line;
        }
        problem.line = line;
    }
}

}  // namespace malvor
