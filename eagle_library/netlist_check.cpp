#include "netlist_check.h"

#include "close_names.h"
#include "folded_name_table.h"
#include "node_split.h"
#include "script_names.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace malvor {
namespace {

std::string quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

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
            : tables_(tables), library_(library), source_(tables.source()),
              component_names_(static_cast<std::size_t>(tables.component_count()))
    {
    }

    std::vector<Problem> run()
    {
        check_components();
        check_nets();
        std::stable_sort(
            problems_.begin(), problems_.end(),
            [](const Problem& a, const Problem& b) { return a.position < b.position; });
        return std::move(problems_);
    }

private:
    std::size_t position(std::string_view cell) const
    {
        return static_cast<std::size_t>(cell.data() - source_.data());
    }

    // A problem's message from its pieces, in one allocation: a large netlist may have many.
    void report(std::size_t position, std::initializer_list<std::string_view> pieces)
    {
        std::size_t size = 0;
        for (auto piece : pieces)
            size += piece.size();
        std::string message;
        message.reserve(size);
        for (auto piece : pieces)
            message += piece;
        problems_.push_back({position, std::move(message)});
    }

    const std::string& package_hint(std::string_view package)
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
        components_.assign(static_cast<std::size_t>(count) + 1, {0, EagleLibrary::none});
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
        auto earlier = component_names_.insert(name, hash, static_cast<std::uint32_t>(k));
        if (earlier != k)
            report(position(name), {"component '", name, "' has the name of component '",
                                    tables_.comp_name(earlier), "' (EAGLE ignores case)"});
        auto package = library_.find_package(pack);
        if (package == EagleLibrary::none) {
            report(position(pack), {"package '", pack, "' of component '", name,
                                    "' is not in the library", package_hint(pack)});
            return;
        }
        components_[static_cast<std::size_t>(k)] = {pads_, package};
        pads_ += library_.pad_count(package);
    }

    void check_nets()
    {
        auto pads = node_pads();
        FoldedNameTable nets(static_cast<std::size_t>(tables_.net_count()));
        Bits used(pads_);
        Bits in_net(pads_);
        std::vector<std::size_t> net_pads;
        for (Count i = 1; i <= tables_.net_count(); ++i) {
            const auto name = tables_.sig_name(i);
            const auto name_line = tables_.sig_name_start(i);
            auto earlier = nets.insert(name, static_cast<std::uint32_t>(i));
            if (earlier != i)
                report(name_line, {"net '", name, "' has the name of net '",
                                   tables_.sig_name(earlier), "' (EAGLE ignores case)"});
            Count written = 0;
            const Count first = tables_.first_node_row(i);
            for (Count row = first; row < first + tables_.node_count(i); ++row) {
                const auto pad = pads[static_cast<std::size_t>(row)];
                if (pad == empty_node)
                    continue;  // the script leaves it out
                ++written;
                if (pad == no_pad)
                    continue;
                if (in_net.test(pad)) {
                    auto node = tables_.node_line(row);
                    report(position(node),
                           {"node '", node, "': the pin is twice in net '", name, "'"});
                } else {
                    if (used.test(pad)) {
                        auto node = tables_.node_line(row);
                        report(position(node),
                               {"node '", node, "': the pin is already in an earlier net"});
                    }
                    used.set(pad);
                    in_net.set(pad);
                    net_pads.push_back(pad);
                }
            }
            for (auto pad : net_pads)
                in_net.reset(pad);
            net_pads.clear();
            if (written < 2)
                report(name_line,
                       {"net '", name, "' has ", std::to_string(written),
                        written == 1 ? " node" : " nodes", "; an EAGLE signal needs at least two"});
        }
    }

    // Pad numbers of nodes are kept in 32 bits: a netlist would need billions of pads to
    // pass that, and then the pins beyond it go unchecked rather than the check failing.
    using NodePad = std::uint32_t;
    static constexpr NodePad no_pad = UINT32_MAX;
    static constexpr NodePad empty_node = UINT32_MAX - 1;

    // For every node line, the number of the pad it connects among all pads of all
    // components: none when the node has a problem (reported here) or its component's
    // package is unknown, empty_node for an empty line. The lookups run a batch at a time,
    // fetching what the next step needs ahead, as the nodes of a large netlist name
    // components all over the tables.
    std::unique_ptr<NodePad[]> node_pads()
    {
        constexpr std::size_t batch = 16;
        NodeSplitter splitter(tables_);
        const auto rows = static_cast<std::size_t>(tables_.node_line_count());
        // Every row is written below, so the memory is not cleared first.
        std::unique_ptr<NodePad[]> pads(new NodePad[rows]);
        struct Pending {
            std::string_view node;
            NodeWords words;
            std::uint64_t hash;
            std::uint32_t component;
        } pending[batch];
        for (std::size_t start = 0; start < rows; start += batch) {
            const std::size_t count = std::min(batch, rows - start);
            for (std::size_t b = 0; b < count; ++b) {
                auto& p = pending[b];
                p.node = tables_.node_line(static_cast<Count>(start + b));
                p.words = splitter.words(p.node);
                p.hash = FoldedNameTable::hash(p.words.component);
                component_names_.prefetch(p.hash);
            }
            for (std::size_t b = 0; b < count; ++b)
                component_names_.prefetch_name(pending[b].hash);
            for (std::size_t b = 0; b < count; ++b) {
                auto& p = pending[b];
                p.component = component_names_.find(p.words.component, p.hash);
                if (p.component != FoldedNameTable::none)
                    __builtin_prefetch(&components_[p.component]);
            }
            for (std::size_t b = 0; b < count; ++b) {
                auto& p = pending[b];
                if (p.node.empty()) {
                    pads[start + b] = empty_node;
                    continue;
                }
                auto pad = node_pad(p.node, p.words, p.component);
                pads[start + b] = pad < empty_node ? static_cast<NodePad>(pad) : no_pad;
            }
        }
        return pads;
    }

    std::size_t node_pad(std::string_view node, const NodeWords& words, std::uint32_t k)
    {
        if (words.pin.empty() || words.more) {
            report(position(node), {"node '", node, "' is not one component and one pin"});
            return EagleLibrary::none;
        }
        if (k == FoldedNameTable::none) {
            report(position(node), {"node '", node, "' names component '", words.component,
                                    "', which the netlist does not have"});
            return EagleLibrary::none;
        }
        auto [first_pad, package] = components_[k];
        if (package == EagleLibrary::none)
            return EagleLibrary::none;
        auto pad = library_.find_pad(package, words.pin);
        if (pad == EagleLibrary::none) {
            report(position(node),
                   {"node '", node, "': package '", library_.package_names()[package],
                    "' of component '", words.component, "' has no pad '", words.pin, "'"});
            return EagleLibrary::none;
        }
        return first_pad + pad;
    }

    const NetlistTables& tables_;
    const EagleLibrary& library_;
    std::string_view source_;
    std::vector<Problem> problems_;
    struct ComponentPads {
        std::size_t first_pad;  // the number of its package's first pad among all pads
        std::size_t package;
    };
    FoldedNameTable component_names_;
    std::vector<ComponentPads> components_;
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
    char before = '\0';
    for (auto& problem : problems) {
        // CR, LF and CR LF each end one line: count every CR and every LF not after a CR.
        const std::size_t end = std::min(problem.position, text.size());
        std::size_t ends = 0;
        for (; pos < end; ++pos) {
            const char c = text[pos];
            ends += static_cast<std::size_t>(c == '\r')
                    + static_cast<std::size_t>(c == '\n' && before != '\r');
            before = c;
        }
        line += ends;
        problem.line = line;
    }
}

}  // namespace malvor
