#include "board_update.h"

#include "numbered_keys.h"
#include "package_extent.h"
#include "placement.h"
#include "script_names.h"
#include "shown_text.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace malvor {
namespace {

constexpr std::size_t none = static_cast<std::size_t>(-1);

using Kind = BoardChange::Kind;

std::string folded(std::string_view name)
{
    return lower_ascii(name);
}

// A contact as a key: element and pad, both ignoring case as EAGLE does.
std::string contact_key(std::string_view element, std::string_view pad)
{
    std::string key = folded(element);
    key += '\n';
    key += folded(pad);
    return key;
}

// The element a contact's key names.
std::string element_of_key(std::string_view key)
{
    return std::string(key.substr(0, key.find('\n')));
}

std::string package_key(std::string_view library, std::string_view package)
{
    return contact_key(library, package);
}

bool is_routing(std::string_view name)
{
    return name == "wire" || name == "via" || name == "polygon";
}

// The packages the board carries, by library and package name.
std::unordered_map<std::string, pugi::xml_node> board_packages(pugi::xml_node board)
{
    std::unordered_map<std::string, pugi::xml_node> packages;
    for (auto library : board.child("libraries").children("library"))
        for (auto package : library.child("packages").children("package"))
            packages.try_emplace(
                package_key(library.attribute("name").value(), package.attribute("name").value()),
                package);
    return packages;
}

// Where an element reaches on the board: its package's extent where it is not turned, else a
// square that holds the extent however it is turned or mirrored.
Extent placed_extent(pugi::xml_node element, const Extent& package)
{
    const auto x = micrometres_of(element, "x"), y = micrometres_of(element, "y");
    const std::string_view rot = element.attribute("rot").value();
    if (rot.empty() || rot == "R0")
        return {package.x1 + x, package.y1 + y, package.x2 + x, package.y2 + y};
    std::int64_t reach = 0;
    for (auto a : {package.x1, package.x2, package.y1, package.y2})
        reach = std::max(reach, a < 0 ? -a : a);
    reach = reach * 1415 / 1000 + 1;  // the corners' distance, rounded up
    return {x - reach, y - reach, x + reach, y + reach};
}

BoardChange change_of(BoardChange::Kind kind)
{
    BoardChange change;
    change.kind = kind;
    return change;
}

struct Signal {
    pugi::xml_node node;
    std::string name;
    std::uint32_t first = 0, end = 0;  // its contacts, each once, in BoardContacts
    std::size_t routing = 0;           // wires and vias

    bool no_contacts() const { return first == end; }
    std::size_t contacts() const { return end - first; }
};

// The contacts of all signals, one after another: a routed board has tens of thousands.
struct BoardContacts {
    std::vector<std::uint32_t> keys;  // numbered
    // The element and pad of each key, as the contact names them: the board's own texts, which
    // stay while the changes are found, rather than copies of them all.
    std::vector<const char*> parts;
    std::vector<const char*> pads;
};

constexpr std::uint32_t no_number = UINT32_MAX;

}  // namespace

std::vector<BoardChange> board_changes(const ReadBoard& read, const NetlistTables& tables,
                                       const PackageChoices& choices,
                                       const LibraryDrawings& drawings, const BoardNets& nets)
{
    const auto board = read.board;
    const auto count = static_cast<std::size_t>(tables.component_count());
    const auto packages = board_packages(board);

    // The board's elements, by name; a second element of a name is left as it is.
    std::vector<pugi::xml_node> elements;
    std::unordered_map<std::string, std::size_t> element_at;
    for (auto element : board.child("elements").children("element"))
        if (element_at.try_emplace(folded(element.attribute("name").value()), elements.size())
                .second)
            elements.push_back(element);

    // The parts and their elements.
    std::vector<std::string> names(count + 1);
    std::vector<std::size_t> element_of(count + 1, none);
    std::vector<char> element_kept(elements.size(), 0);
    for (std::size_t k = 1; k <= count; ++k) {
        names[k] = utf8_text(tables.comp_name(static_cast<Count>(k)));
        if (auto found = element_at.find(folded(names[k])); found != element_at.end()) {
            element_of[k] = found->second;
            element_kept[found->second] = 1;
        }
    }

    // The package each part is to have: the board's own where it holds one of the name.
    struct Wanted {
        std::string library, package;
        pugi::xml_node node;  // in the board, or in the library it is copied from
    };
    std::vector<Wanted> wanted(count + 1);
    for (std::size_t k = 1; k <= count; ++k) {
        const auto& choice = choices.of(static_cast<Count>(k));
        if (choice.package == PackageChoices::none)
            continue;
        auto& want = wanted[k];
        want.library = utf8_text(choices.libraries()[choice.library].name);
        want.node = drawings.package_node(choice.library, choice.package);
        want.package = want.node.attribute("name").value();
        if (auto held = packages.find(package_key(want.library, want.package));
            held != packages.end()) {
            want.node = held->second;
            want.package = held->second.attribute("name").value();
            want.library = held->second.parent().parent().attribute("name").value();
        }
    }

    // The signals and their contacts.
    std::vector<Signal> signals;
    std::unordered_map<std::string, std::size_t> signal_at;
    NumberedKeys keys;                         // the contacts of the board and of the netlist
    std::vector<std::uint32_t> old_signal_of;  // by key: a contact's first signal
    std::vector<std::uint32_t> seen_in;        // by key: the last signal that named it
    BoardContacts listed;                      // the signals' contacts
    std::size_t contactrefs = 0;
    for (auto node : board.child("signals").children("signal"))
        for ([[maybe_unused]] auto child : node.children("contactref"))
            ++contactrefs;
    listed.keys.reserve(contactrefs);
    listed.parts.reserve(contactrefs);
    listed.pads.reserve(contactrefs);
    for (auto node : board.child("signals").children("signal")) {
        const auto number = static_cast<std::uint32_t>(signals.size());
        const auto first = static_cast<std::uint32_t>(listed.keys.size());
        Signal signal{node, node.attribute("name").value(), first, first, 0};
        for (auto child : node.children()) {
            const std::string_view kind = child.name();
            if (kind == "contactref") {
                const char* part = child.attribute("element").value();
                const char* pad = child.attribute("pad").value();
                const auto key = keys.add(contact_key(part, pad));
                if (key == old_signal_of.size()) {
                    old_signal_of.push_back(number);
                    seen_in.push_back(no_number);
                }
                if (seen_in[key] == number)
                    continue;
                seen_in[key] = number;
                listed.keys.push_back(key);
                listed.parts.push_back(part);
                listed.pads.push_back(pad);
            } else if (kind == "wire" || kind == "via") {
                ++signal.routing;
            }
        }
        signal.end = static_cast<std::uint32_t>(listed.keys.size());
        signal_at.try_emplace(folded(signal.name), signals.size());
        signals.push_back(std::move(signal));
    }

    // The nets and their contacts.
    const auto net_count = static_cast<std::size_t>(tables.net_count());
    std::vector<std::string> net_names(net_count + 1);
    std::vector<std::uint32_t>().swap(seen_in);
    std::vector<std::uint32_t> net_of(keys.size(), no_number);  // by key: a contact's net
    auto pad_name = [&](const Contact& contact) -> const std::string& {
        const auto& choice = choices.of(contact.component);
        return choices.libraries()[choice.library].library.pad_names(choice.package)[contact.pad];
    };
    for (std::size_t i = 1; i <= net_count; ++i) {
        net_names[i] = utf8_text(tables.original_sig_name(static_cast<Count>(i)));
        for (auto c = nets.starts[i - 1]; c < nets.starts[i]; ++c) {
            const auto& contact = nets.contacts[c];
            const auto key = keys.add(
                contact_key(names[static_cast<std::size_t>(contact.component)], pad_name(contact)));
            if (key == net_of.size())
                net_of.push_back(static_cast<std::uint32_t>(i));
            else if (net_of[key] == no_number)
                net_of[key] = static_cast<std::uint32_t>(i);
        }
    }

    // Each net's signal: of its name, or one renamed to it.
    std::vector<std::size_t> signal_of_net(net_count + 1, none);
    std::vector<char> signal_used(signals.size(), 0);
    for (std::size_t i = 1; i <= net_count; ++i) {
        if (auto found = signal_at.find(folded(net_names[i])); found != signal_at.end()) {
            signal_of_net[i] = found->second;
            signal_used[found->second] = 1;
        }
    }
    std::vector<BoardChange> renamed;
    for (std::size_t s = 0; s < signals.size(); ++s) {
        if (signal_used[s] || signal_at.at(folded(signals[s].name)) != s ||
            signals[s].no_contacts())
            continue;
        std::map<std::size_t, std::size_t> in_net;
        for (auto c = signals[s].first; c < signals[s].end; ++c)
            if (const auto net = net_of[listed.keys[c]];
                net != no_number && signal_of_net[net] == none)
                ++in_net[net];
        for (const auto& [net, contacts] : in_net) {
            if (contacts * 2 > signals[s].contacts()) {
                signal_of_net[net] = s;
                signal_used[s] = 1;
                auto change = change_of(Kind::net_renamed);
                change.net = signals[s].name;
                change.to_net = net_names[net];
                renamed.push_back(std::move(change));
                break;
            }
        }
    }

    std::vector<BoardChange> parts, nets_added, pads, nets_left;

    // Removed elements; the routing of their signals stays.
    std::unordered_set<std::string> removed;
    for (std::size_t e = 0; e < elements.size(); ++e)
        if (!element_kept[e])
            removed.insert(folded(elements[e].attribute("name").value()));
    // The signals each removed element has contacts in, found in one pass over the contacts.
    std::unordered_map<std::string, std::set<std::size_t>> signals_of_removed;
    if (!removed.empty())
        for (std::size_t s = 0; s < signals.size(); ++s)
            for (auto c = signals[s].first; c < signals[s].end; ++c)
                if (auto element = element_of_key(keys.key(listed.keys[c])); removed.count(element))
                    signals_of_removed[element].insert(s);
    for (std::size_t e = 0; e < elements.size(); ++e) {
        if (element_kept[e])
            continue;
        auto change = change_of(Kind::removed);
        change.part = elements[e].attribute("name").value();
        for (auto s : signals_of_removed[folded(change.part)])
            change.kept += signals[s].routing;
        parts.push_back(std::move(change));
    }

    // Values and packages of the parts kept; the parts added, placed right of the board.
    std::vector<std::size_t> added;
    std::vector<BoardChange> values, package_changes;
    for (std::size_t k = 1; k <= count; ++k) {
        const auto& want = wanted[k];
        if (!want.node && want.package.empty())
            continue;  // no package: the check refuses such a netlist
        const auto value = utf8_text(tables.comp_value(static_cast<Count>(k)));
        const auto& choice = choices.of(static_cast<Count>(k));
        if (element_of[k] == none) {
            added.push_back(k);
            continue;
        }
        const auto element = elements[element_of[k]];
        if (value != element.attribute("value").value()) {
            auto change = change_of(Kind::value_changed);
            change.part = element.attribute("name").value();
            change.from = element.attribute("value").value();
            change.to = value;
            values.push_back(std::move(change));
        }
        const std::string library = element.attribute("library").value();
        const std::string package = element.attribute("package").value();
        if (package_key(library, package) != package_key(want.library, want.package)) {
            auto change = change_of(Kind::package_changed);
            change.part = element.attribute("name").value();
            change.from = library + "/" + package;
            change.to = want.library + "/" + want.package;
            change.library = want.library;
            change.package = want.package;
            change.library_number = choice.library;
            change.package_number = choice.package;
            package_changes.push_back(std::move(change));
        }
    }

    std::vector<std::size_t> added_change(count + 1, none);
    if (!added.empty()) {
        // To the right of everything on the board: its outline and its parts.
        bool any = false;
        Extent board_extent;
        auto take = [&](const Extent& e) {
            if (!any)
                board_extent = e;
            board_extent = {std::min(board_extent.x1, e.x1), std::min(board_extent.y1, e.y1),
                            std::max(board_extent.x2, e.x2), std::max(board_extent.y2, e.y2)};
            any = true;
        };
        std::optional<std::int64_t> bottom;
        for (auto wire : board.child("plain").children("wire")) {
            if (wire.attribute("layer").as_int() != 20)
                continue;
            const auto x1 = micrometres_of(wire, "x1"), y1 = micrometres_of(wire, "y1");
            const auto x2 = micrometres_of(wire, "x2"), y2 = micrometres_of(wire, "y2");
            take({std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)});
            bottom = std::min(bottom.value_or(INT64_MAX), std::min(y1, y2));
        }
        std::unordered_map<const void*, Extent> measured;
        for (auto element : elements) {
            auto held = packages.find(package_key(
                element.attribute("library").value(), element.attribute("package").value()));
            if (held == packages.end())
                continue;
            auto [at, fresh] = measured.try_emplace(held->second.internal_object());
            if (fresh)
                at->second = package_extent(held->second);
            take(placed_extent(element, at->second));
        }
        const Point corner{any ? board_extent.x2 : 0, bottom.value_or(any ? board_extent.y1 : 0)};

        std::vector<Extent> extents;
        std::vector<std::uint32_t> new_index(count + 1, UINT32_MAX);
        for (auto k : added) {
            new_index[k] = static_cast<std::uint32_t>(extents.size());
            extents.push_back(package_extent(wanted[k].node));
        }
        PartNets among;
        for (std::size_t i = 1; i <= net_count; ++i) {
            for (auto c = nets.starts[i - 1]; c < nets.starts[i]; ++c) {
                const auto& contact = nets.contacts[c];
                const auto part = new_index[static_cast<std::size_t>(contact.component)];
                if (part == UINT32_MAX)
                    continue;
                const auto& choice = choices.of(contact.component);
                among.parts.push_back(part);
                among.offsets.push_back(
                    drawings.pad_position(choice.library, choice.package, contact.pad));
            }
            among.starts.push_back(static_cast<std::uint32_t>(among.parts.size()));
        }
        const auto placement = place_parts(extents, among);
        for (auto k : added) {
            const auto& choice = choices.of(static_cast<Count>(k));
            auto change = change_of(Kind::added);
            change.part = names[k];
            change.library = wanted[k].library;
            change.package = wanted[k].package;
            change.value = utf8_text(tables.comp_value(static_cast<Count>(k)));
            change.library_number = choice.library;
            change.package_number = choice.package;
            const auto& origin = placement.origins[new_index[k]];
            change.place = {corner.x + origin.x, corner.y + origin.y};
            change.turns = placement.turns[new_index[k]];
            added_change[k] = parts.size();
            parts.push_back(std::move(change));
        }
    }

    // Contacts: each net's pads on its signal, and on no other.
    for (std::size_t i = 1; i <= net_count; ++i) {
        const auto target = signal_of_net[i];
        if (target == none) {
            auto change = change_of(Kind::net_added);
            change.net = net_names[i];
            nets_added.push_back(std::move(change));
        }
        for (auto c = nets.starts[i - 1]; c < nets.starts[i]; ++c) {
            const auto& contact = nets.contacts[c];
            const auto k = static_cast<std::size_t>(contact.component);
            const auto& pad = pad_name(contact);
            if (added_change[k] != none) {
                parts[added_change[k]].contacts.emplace_back(pad, net_names[i]);
                continue;
            }
            const auto key = keys.find(contact_key(names[k], pad));
            if (net_of[key] != i)
                continue;  // a pad named in two nets: the check refuses that
            const std::size_t old = key < old_signal_of.size() ? old_signal_of[key] : none;
            if (old != none && old == target)
                continue;
            auto change = change_of(old == none ? Kind::pad_connected : Kind::pad_moved);
            change.part = elements[element_of[k]].attribute("name").value();
            change.pad = pad;
            if (old == none) {
                change.net = net_names[i];
            } else {
                change.net = signals[old].name;
                change.to_net = net_names[i];
            }
            pads.push_back(std::move(change));
        }
    }
    // Contacts a board names for parts it lacks: those of parts added go where the netlist says.
    std::unordered_set<std::string> added_parts;
    for (auto k : added)
        added_parts.insert(folded(names[k]));
    for (std::size_t s = 0; s < signals.size(); ++s) {
        const auto& signal = signals[s];
        std::size_t left = 0;
        for (auto c = signal.first; c < signal.end; ++c) {
            const auto key = listed.keys[c];
            const auto element = element_of_key(keys.key(key));
            if (removed.count(element))
                continue;
            const auto net = net_of[key];
            if (net != no_number && signal_of_net[net] == s) {
                ++left;
                continue;
            }
            if (net != no_number && old_signal_of[key] == s && !added_parts.count(element))
                continue;  // said as moved
            auto change = change_of(Kind::pad_disconnected);
            change.part = listed.parts[c];
            change.pad = listed.pads[c];
            change.net = signal.name;
            pads.push_back(std::move(change));
        }
        // A signal the netlist lost: deleted once nothing is left on it, else listed once, when
        // it loses its last contact.
        if (signal_used[s] || left > 0)
            continue;
        std::size_t routing = 0;
        for (auto child : signal.node.children())
            routing += is_routing(child.name());
        if (routing && signal.no_contacts())
            continue;
        auto change = change_of(routing ? Kind::net_kept : Kind::net_removed);
        change.net = signal.name;
        change.kept = routing;
        nets_left.push_back(std::move(change));
    }

    std::vector<BoardChange> changes;
    for (auto* group :
         {&parts, &values, &package_changes, &renamed, &nets_added, &pads, &nets_left})
        for (auto& change : *group)
            changes.push_back(std::move(change));
    return changes;
}

namespace {

// The board's children in the order EAGLE's document type gives them.
constexpr std::string_view board_order[] = {
    "description", "fusionsync",       "fusionteam",  "plain",      "libraries", "attributes",
    "variantdefs", "classes",          "designrules", "autorouter", "groups",    "elements",
    "signals",     "mfgpreviewcolors", "errors"};

// The child of that name, made where the order puts it when there is none.
pugi::xml_node child_in_order(pugi::xml_node parent, const char* name)
{
    if (auto child = parent.child(name))
        return child;
    const auto at = std::find(std::begin(board_order), std::end(board_order), name);
    for (auto child : parent.children()) {
        const auto later = std::find(std::begin(board_order), std::end(board_order), child.name());
        if (later != std::end(board_order) && later > at)
            return parent.insert_child_before(name, child);
    }
    return parent.append_child(name);
}

// An attribute's value, the attribute added where the element lacks it.
void set_attribute(pugi::xml_node node, const char* name, const std::string& value)
{
    auto attribute = node.attribute(name);
    if (!attribute)
        attribute = node.append_attribute(name);
    attribute.set_value(value.c_str());
}

void collect_layers(pugi::xml_node node, std::set<int>& layers)
{
    // Packages are shallow; a hostile one is no deeper than the library reader let through.
    for (auto child : node.children()) {
        if (auto layer = child.attribute("layer"))
            layers.insert(layer.as_int());
        collect_layers(child, layers);
    }
}

class BoardEditor {
public:
    BoardEditor(ReadBoard& read, const LibraryDrawings& drawings)
        : board_(read.board), drawings_(drawings)
    {
        for (auto element : board_.child("elements").children("element"))
            elements_.try_emplace(folded(element.attribute("name").value()), element);
        for (auto signal : board_.child("signals").children("signal"))
            signals_.try_emplace(folded(signal.attribute("name").value()), signal);
    }

    pugi::xml_node element(const std::string& name) const
    {
        auto found = elements_.find(folded(name));
        return found == elements_.end() ? pugi::xml_node() : found->second;
    }
    pugi::xml_node signal(const std::string& name) const
    {
        auto found = signals_.find(folded(name));
        return found == signals_.end() ? pugi::xml_node() : found->second;
    }

    void rename_signal(const std::string& from, const std::string& to)
    {
        auto node = signal(from);
        if (!node)
            return;
        set_attribute(node, "name", to);
        signals_.erase(folded(from));
        signals_[folded(to)] = node;
    }

    void add_signal(const std::string& name)
    {
        auto node = child_in_order(board_, "signals").append_child("signal");
        node.append_attribute("name") = name.c_str();
        signals_[folded(name)] = node;
    }

    void remove_signal(const std::string& name)
    {
        if (auto node = signal(name)) {
            node.parent().remove_child(node);
            signals_.erase(folded(name));
        }
    }

    void remove_contact(const std::string& net, const std::string& part, const std::string& pad)
    {
        auto node = signal(net);
        const auto key = contact_key(part, pad);
        for (auto contact = node.child("contactref"); contact;) {
            auto next = contact.next_sibling("contactref");
            if (contact_key(
                    contact.attribute("element").value(), contact.attribute("pad").value()) == key)
                node.remove_child(contact);
            contact = next;
        }
    }

    void add_contact(const std::string& net, const std::string& part, const std::string& pad)
    {
        auto node = signal(net);
        if (!node)
            return;
        // After the contacts it holds, before its wires, as EAGLE writes them; once.
        const auto key = contact_key(part, pad);
        pugi::xml_node last;
        for (auto contact : node.children("contactref")) {
            if (contact_key(
                    contact.attribute("element").value(), contact.attribute("pad").value()) == key)
                return;
            last = contact;
        }
        auto contact = last ? node.insert_child_after("contactref", last)
                            : node.prepend_child("contactref");
        contact.append_attribute("element") = part.c_str();
        contact.append_attribute("pad") = pad.c_str();
    }

    // Contacts of removed elements, in every signal, in one pass.
    void remove_contacts_of(const std::unordered_set<std::string>& parts)
    {
        if (parts.empty())
            return;
        for (auto signal : board_.child("signals").children("signal"))
            for (auto contact = signal.child("contactref"); contact;) {
                auto next = contact.next_sibling("contactref");
                if (parts.count(folded(contact.attribute("element").value())))
                    signal.remove_child(contact);
                contact = next;
            }
    }

    void remove_element(const std::string& name)
    {
        if (auto node = element(name)) {
            node.parent().remove_child(node);
            elements_.erase(folded(name));
        }
    }

    // The package in the board, copied from its library when the board lacks it.
    void ensure_package(const BoardChange& change)
    {
        auto libraries = child_in_order(board_, "libraries");
        pugi::xml_node library;
        for (auto held : libraries.children("library"))
            if (folded(held.attribute("name").value()) == folded(change.library)) {
                library = held;
                break;
            }
        if (!library) {
            library = libraries.append_child("library");
            library.append_attribute("name") = change.library.c_str();
        }
        auto packages = library.child("packages");
        if (!packages) {
            auto description = library.child("description");
            packages = description ? library.insert_child_after("packages", description)
                                   : library.prepend_child("packages");
        }
        for (auto held : packages.children("package"))
            if (folded(held.attribute("name").value()) == folded(change.package))
                return;
        const auto source = drawings_.package_node(change.library_number, change.package_number);
        auto copy = packages.append_copy(source);
        if (!copy.attribute("name"))
            copy.prepend_attribute("name") = "";
        add_layers(copy, change.library_number);
    }

    void add_element(const BoardChange& change)
    {
        ensure_package(change);
        auto node = child_in_order(board_, "elements").append_child("element");
        node.append_attribute("name") = change.part.c_str();
        node.append_attribute("library") = change.library.c_str();
        node.append_attribute("package") = change.package.c_str();
        node.append_attribute("value") = change.value.c_str();
        node.append_attribute("x") = millimetres(change.place.x).c_str();
        node.append_attribute("y") = millimetres(change.place.y).c_str();
        if (change.turns != 0)
            node.append_attribute("rot") = change.turns == 1   ? "R90"
                                           : change.turns == 2 ? "R180"
                                                               : "R270";
        elements_[folded(change.part)] = node;
    }

private:
    // Layers a copied package draws on that the board does not list, as its library defines
    // them.
    void add_layers(pugi::xml_node package, std::uint32_t library)
    {
        std::set<int> used;
        collect_layers(package, used);
        auto layers = board_.parent().child("layers");
        if (!layers)
            layers = board_.parent().insert_child_before("layers", board_);
        std::map<int, pugi::xml_node> listed;
        for (auto layer : layers.children("layer"))
            listed.try_emplace(layer.attribute("number").as_int(), layer);
        for (int number : used) {
            if (listed.count(number))
                continue;
            pugi::xml_node defined;
            for (auto layer : drawings_.layers(library).children("layer"))
                if (layer.attribute("number").as_int() == number) {
                    defined = layer;
                    break;
                }
            auto after = listed.lower_bound(number);
            pugi::xml_node added;
            if (after != listed.end())
                added = defined ? layers.insert_copy_before(defined, after->second)
                                : layers.insert_child_before("layer", after->second);
            else
                added = defined ? layers.append_copy(defined) : layers.append_child("layer");
            if (!defined) {
                const auto name = "Layer" + std::to_string(number);
                added.append_attribute("number") = number;
                added.append_attribute("name") = name.c_str();
                added.append_attribute("color") = 7;
                added.append_attribute("fill") = 1;
                added.append_attribute("visible") = "yes";
                added.append_attribute("active") = "yes";
            }
            listed.emplace(number, added);
        }
    }

    pugi::xml_node board_;
    const LibraryDrawings& drawings_;
    std::unordered_map<std::string, pugi::xml_node> elements_;
    std::unordered_map<std::string, pugi::xml_node> signals_;
};

}  // namespace

void apply_board_changes(ReadBoard& read, const std::vector<BoardChange>& changes,
                         const LibraryDrawings& drawings)
{
    if (changes.empty())
        return;
    BoardEditor editor(read, drawings);
    // Contacts leave their signals under the signals' old names, before any is renamed.
    std::unordered_set<std::string> removed;
    for (const auto& change : changes) {
        if (change.kind == Kind::pad_disconnected || change.kind == Kind::pad_moved)
            editor.remove_contact(change.net, change.part, change.pad);
        else if (change.kind == Kind::removed)
            removed.insert(folded(change.part));
    }
    editor.remove_contacts_of(removed);
    for (const auto& change : changes) {
        if (change.kind == Kind::net_renamed)
            editor.rename_signal(change.net, change.to_net);
        else if (change.kind == Kind::net_removed)
            editor.remove_signal(change.net);
    }
    for (const auto& change : changes) {
        switch (change.kind) {
        case Kind::net_added:
            editor.add_signal(change.net);
            break;
        case Kind::removed:
            editor.remove_element(change.part);
            break;
        case Kind::value_changed:
            if (auto element = editor.element(change.part)) {
                set_attribute(element, "value", change.to);
                // A smashed value shows the element's value, or its own where it has one.
                for (auto attribute : element.children("attribute"))
                    if (folded(attribute.attribute("name").value()) == "value")
                        if (auto value = attribute.attribute("value"))
                            value.set_value(change.to.c_str());
            }
            break;
        case Kind::package_changed:
            if (auto element = editor.element(change.part)) {
                editor.ensure_package(change);
                set_attribute(element, "library", change.library);
                set_attribute(element, "package", change.package);
                // Fusion's references to the old package's library and 3D model no longer hold.
                element.remove_attribute("library_urn");
                element.remove_attribute("package3d_urn");
            }
            break;
        default:
            break;
        }
    }
    for (const auto& change : changes) {
        if (change.kind == Kind::added) {
            editor.add_element(change);
            for (const auto& [pad, net] : change.contacts)
                editor.add_contact(net, change.part, pad);
        } else if (change.kind == Kind::pad_connected) {
            editor.add_contact(change.net, change.part, change.pad);
        } else if (change.kind == Kind::pad_moved) {
            editor.add_contact(change.to_net, change.part, change.pad);
        }
    }
}

std::string change_line(const BoardChange& change)
{
    const auto part = shown(change.part);
    const auto pad = "pad " + shown(change.part) + "." + shown(change.pad);
    const auto net = "net '" + shown(change.net) + "'";
    const auto to_net = "net '" + shown(change.to_net) + "'";
    auto several = [](std::size_t n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    switch (change.kind) {
    case Kind::added:
        return "added " + part + ": package '" + shown(change.package) + "' from library '" +
               shown(change.library) + "'";
    case Kind::removed:
        return "removed " + part +
               (change.kept ? "; " + several(change.kept, "wire or via", "wires and vias") +
                                  " of its signals stay"
                            : std::string());
    case Kind::value_changed:
        return "value of " + part + " changed: '" + shown(change.from) + "' -> '" +
               shown(change.to) + "'";
    case Kind::package_changed:
        return "package of " + part + " changed: " + shown(change.from) + " -> " +
               shown(change.to) + ", kept at its place; wires that ended on its old pads stay";
    case Kind::net_renamed:
        return net + " renamed to '" + shown(change.to_net) +
               "', its wires, vias and polygons kept";
    case Kind::net_added:
        return net + " added";
    case Kind::pad_connected:
        return pad + " connected to " + net;
    case Kind::pad_moved:
        return pad + " moved from " + net + " to " + to_net;
    case Kind::pad_disconnected:
        return pad + " disconnected from " + net;
    case Kind::net_removed:
        return net + " removed";
    case Kind::net_kept:
        return net + " has no contact left; kept for its " +
               several(change.kept, "wire, via or polygon", "wires, vias and polygons");
    }
    return {};
}

std::string change_count_line(std::size_t count)
{
    if (count == 0)
        return "no changes";
    return std::to_string(count) + (count == 1 ? " change" : " changes");
}

}  // namespace malvor
