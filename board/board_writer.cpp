#include "board_writer.h"

#include "folded_name_table.h"
#include "node_split.h"
#include "placement_habits.h"

#include <pugixml.hpp>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_set>

namespace malvor {

struct LibraryDrawings::Parsed {
    pugi::xml_document document;
    pugi::xml_node layers;                 // the library's own layer list
    std::vector<pugi::xml_node> packages;  // by EagleLibrary's numbers
    std::vector<std::vector<Point>> pads;  // of each package, by EagleLibrary's numbers
};

LibraryDrawings::LibraryDrawings(const NetlistTables& tables, const PackageChoices& choices,
                                 const std::vector<std::string_view>& files)
{
    const auto& libraries = choices.libraries();
    std::vector<std::vector<char>> taken(libraries.size());  // by library, by package
    for (Count k = 1; k <= tables.component_count(); ++k) {
        const auto& choice = choices.of(k);
        if (choice.package == PackageChoices::none)
            continue;
        auto& packages = taken[choice.library];
        packages.resize(libraries[choice.library].library.package_count());
        if (choice.package < packages.size())
            packages[choice.package] = 1;
    }
    libraries_.resize(libraries.size());
    for (std::size_t l = 0; l < libraries.size() && l < files.size(); ++l) {
        if (taken[l].empty())
            continue;
        auto parsed = std::make_unique<Parsed>();
        // Attributes decoded as the library reader decodes them, so that the names agree; texts
        // (descriptions) kept.
        pugi::xml_document whole;
        whole.load_buffer(files[l].data(), files[l].size(),
                          pugi::parse_cdata | pugi::parse_escapes | pugi::parse_wconv_attribute);
        auto drawing = whole.child("eagle").child("drawing");
        const auto& library = libraries[l].library;
        parsed->packages.resize(library.package_count());
        // As the library reader numbers them: the first package of a name, ignoring case.
        for (auto package : drawing.child("library").child("packages").children("package")) {
            const auto number = library.find_package(package.attribute("name").value());
            if (number != EagleLibrary::none && !parsed->packages[number])
                parsed->packages[number] = package;
        }
        parsed->pads.resize(library.package_count());
        for (std::size_t number = 0; number < parsed->packages.size(); ++number) {
            auto& pads = parsed->pads[number];
            pads.resize(library.pad_count(number));
            std::vector<char> found(pads.size(), 0);
            for (auto contact : parsed->packages[number].children()) {
                const std::string_view kind = contact.name();
                if (kind != "pad" && kind != "smd")
                    continue;
                const auto pad = library.find_pad(number, contact.attribute("name").value());
                if (pad < pads.size() && !found[pad]) {
                    found[pad] = 1;
                    pads[pad] = {micrometres_of(contact, "x"), micrometres_of(contact, "y")};
                }
            }
        }
        // Only the layers and the packages some component takes are kept, copied out of the
        // library's tree, which goes: a library holds far more than a board takes from it, and
        // a board read next should not find it still held.
        parsed->layers = parsed->document.append_copy(drawing.child("layers"));
        for (std::size_t number = 0; number < parsed->packages.size(); ++number) {
            auto& package = parsed->packages[number];
            const bool take = number < taken[l].size() && taken[l][number];
            package = take ? parsed->document.append_copy(package) : pugi::xml_node();
        }
        libraries_[l] = std::move(parsed);
    }
}

LibraryDrawings::~LibraryDrawings() = default;

Extent LibraryDrawings::extent(std::uint32_t library, std::uint32_t package) const
{
    if (library >= libraries_.size() || !libraries_[library] ||
        package >= libraries_[library]->packages.size())
        return {};
    return package_extent(libraries_[library]->packages[package]);
}

Point LibraryDrawings::pad_position(std::uint32_t library, std::uint32_t package,
                                    std::uint32_t pad) const
{
    if (library >= libraries_.size() || !libraries_[library] ||
        package >= libraries_[library]->pads.size() ||
        pad >= libraries_[library]->pads[package].size())
        return {};
    return libraries_[library]->pads[package][pad];
}

pugi::xml_node LibraryDrawings::package_node(std::uint32_t library, std::uint32_t package) const
{
    if (library >= libraries_.size() || !libraries_[library] ||
        package >= libraries_[library]->packages.size())
        return {};
    return libraries_[library]->packages[package];
}

pugi::xml_node LibraryDrawings::layers(std::uint32_t library) const
{
    if (library >= libraries_.size() || !libraries_[library])
        return {};
    return libraries_[library]->layers;
}

std::string millimetres(std::int64_t micrometres)
{
    const bool negative = micrometres < 0;
    const auto magnitude = negative ? 0 - static_cast<std::uint64_t>(micrometres)
                                    : static_cast<std::uint64_t>(micrometres);
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 1000);
    if (auto fraction = magnitude % 1000) {
        std::string digits = std::to_string(1000 + fraction).substr(1);
        digits.erase(digits.find_last_not_of('0') + 1);
        text += '.' + digits;
    }
    return text;
}

std::string utf8_text(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = c < 0x80                ? 1
                             : c >= 0xc2 && c < 0xe0 ? 2
                             : c >= 0xe0 && c < 0xf0 ? 3
                             : c >= 0xf0 && c < 0xf5 ? 4
                                                     : 0;
        bool valid = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(bytes[i + k]) & 0xc0) == 0x80;
        if (valid && length >= 3) {  // neither overlong nor a surrogate nor past U+10FFFF
            const auto second = static_cast<unsigned char>(bytes[i + 1]);
            valid = !(c == 0xe0 && second < 0xa0) && !(c == 0xed && second >= 0xa0) &&
                    !(c == 0xf0 && second < 0x90) && !(c == 0xf4 && second >= 0x90);
        }
        if (valid) {
            text.append(bytes.substr(i, length));
            i += length;
        } else {
            text += static_cast<char>(0xc0 | c >> 6);
            text += static_cast<char>(0x80 | (c & 0x3f));
            ++i;
        }
    }
    return text;
}

BoardNets board_nets(const NetlistTables& tables, const PackageChoices& choices)
{
    BoardNets nets;
    FoldedNameTable components(static_cast<std::size_t>(tables.component_count()));
    for (Count k = 1; k <= tables.component_count(); ++k)
        components.insert(tables.comp_name(k), static_cast<std::uint32_t>(k));
    NodeSplitter splitter(tables);
    std::unordered_set<std::uint64_t> in_net;
    for (Count i = 1; i <= tables.net_count(); ++i) {
        in_net.clear();
        const Count first = tables.first_node_row(i);
        for (Count row = first; row < first + tables.node_count(i); ++row) {
            const auto line = tables.node_line(row);
            if (line.empty())
                continue;
            const auto words = splitter.words(line);
            if (words.pin.empty() || words.more)
                continue;
            const auto k = components.find(words.component);
            if (k == FoldedNameTable::none)
                continue;
            const auto& choice = choices.of(k);
            if (choice.package == PackageChoices::none)
                continue;
            const auto& library = choices.libraries()[choice.library].library;
            const auto pad = library.find_pad(
                choice.package, choices.node_pad(words.component, words.pin));
            if (pad == EagleLibrary::none)
                continue;
            if (in_net.insert(std::uint64_t{k} << 32 | pad).second)
                nets.contacts.push_back({k, static_cast<std::uint32_t>(pad)});
        }
        nets.starts.push_back(static_cast<std::uint32_t>(nets.contacts.size()));
    }
    return nets;
}

std::vector<Extent> component_extents(const NetlistTables& tables, const PackageChoices& choices,
                                      const LibraryDrawings& drawings)
{
    std::vector<Extent> extents(static_cast<std::size_t>(tables.component_count()));
    // Many components share a package: each is measured once.
    std::map<std::pair<std::uint32_t, std::uint32_t>, Extent> measured;
    for (Count k = 1; k <= tables.component_count(); ++k) {
        const auto& choice = choices.of(k);
        if (choice.package == PackageChoices::none)
            continue;
        auto [at, added] = measured.try_emplace({choice.library, choice.package});
        if (added)
            at->second = drawings.extent(choice.library, choice.package);
        extents[static_cast<std::size_t>(k - 1)] = at->second;
    }
    return extents;
}

Placement place_components(const NetlistTables& tables, const PackageChoices& choices,
                           const LibraryDrawings& drawings, const BoardNets& nets,
                           PlacementUnit unit)
{
    auto extents = component_extents(tables, choices, drawings);
    // The parts numbered from 0, each contact where its pad is.
    PartNets parts;
    parts.starts = nets.starts;
    for (const auto& [k, pad] : nets.contacts) {
        const auto& choice = choices.of(k);
        parts.parts.push_back(static_cast<std::uint32_t>(k - 1));
        parts.offsets.push_back(drawings.pad_position(choice.library, choice.package, pad));
    }
    // What a designer does with connectors, holes, empty packages and decoupling capacitors.
    PartHabits habits;
    const auto count = static_cast<std::size_t>(tables.component_count());
    std::vector<char> connected(count, 0);
    for (const auto& contact : nets.contacts)
        connected[static_cast<std::size_t>(contact.component - 1)] = 1;
    std::vector<std::string_view> part_names(count), net_names;
    std::vector<std::uint32_t> pad_counts(count, 0);
    for (Count k = 1; k <= tables.component_count(); ++k) {
        const auto p = static_cast<std::size_t>(k - 1);
        const auto& choice = choices.of(k);
        part_names[p] = tables.comp_name(k);
        std::string_view package;
        if (choice.package != PackageChoices::none) {
            const auto& library = choices.libraries()[choice.library].library;
            package = library.package_names()[choice.package];
            pad_counts[p] = static_cast<std::uint32_t>(library.pad_count(choice.package));
        }
        const bool drawn = extents[p] != Extent{} || pad_counts[p] > 0;
        habits.roles.push_back(part_role({part_names[p], package, drawn, connected[p] != 0}));
    }
    for (Count i = 1; i <= tables.net_count(); ++i)
        net_names.push_back(tables.original_sig_name(i));
    habits.decoupling = decoupling_capacitors(parts, net_names, part_names, pad_counts);
    if (unit == PlacementUnit::micrometre)
        return place_parts(extents, parts, habits);
    // 1 mil = 25.4 um, rounded outward.
    auto down = [](std::int64_t um) {
        const std::int64_t tenths = um * 10;
        return tenths / 254 - (tenths % 254 < 0 ? 1 : 0);
    };
    auto up = [&](std::int64_t um) { return -down(-um); };
    for (auto& extent : extents)
        extent = {down(extent.x1), down(extent.y1), up(extent.x2), up(extent.y2)};
    for (auto& offset : parts.offsets)
        offset = {down(offset.x), down(offset.y)};
    return place_parts(extents, parts, habits, up(part_gap), up(outline_margin));
}

// The board's XML tree, built element by element.
class BoardDocument {
public:
    BoardDocument(const NetlistTables& tables, const PackageChoices& choices,
                  const LibraryDrawings& drawings)
        : tables_(tables), choices_(choices), drawings_(drawings)
    {
    }

    std::string write(const BoardNets& nets, const Placement& placement);

private:
    void add_layers(pugi::xml_node drawing,
                    const std::set<std::pair<std::uint32_t, std::uint32_t>>& used);
    void add_outline(pugi::xml_node plain, const Extent& outline);

    const NetlistTables& tables_;
    const PackageChoices& choices_;
    const LibraryDrawings& drawings_;
    pugi::xml_document document_;
};

namespace {

struct LayerName {
    int number;
    const char* name;
    int color;
};

// The layers every EAGLE board has, with EAGLE's names and colours.
constexpr LayerName board_layers[] = {
    {1, "Top", 4},        {16, "Bottom", 1},     {17, "Pads", 2},      {18, "Vias", 2},
    {19, "Unrouted", 6},  {20, "Dimension", 15}, {21, "tPlace", 7},    {22, "bPlace", 7},
    {23, "tOrigins", 15}, {24, "bOrigins", 15},  {25, "tNames", 7},    {26, "bNames", 7},
    {27, "tValues", 7},   {28, "bValues", 7},    {29, "tStop", 7},     {30, "bStop", 7},
    {31, "tCream", 7},    {32, "bCream", 7},     {33, "tFinish", 6},   {34, "bFinish", 6},
    {35, "tGlue", 7},     {36, "bGlue", 7},      {37, "tTest", 7},     {38, "bTest", 7},
    {39, "tKeepout", 4},  {40, "bKeepout", 1},   {41, "tRestrict", 4}, {42, "bRestrict", 1},
    {43, "vRestrict", 2}, {44, "Drills", 7},     {45, "Holes", 7},     {46, "Milling", 3},
    {47, "Measures", 7},  {48, "Document", 7},   {49, "Reference", 7}, {50, "dxf", 7},
    {51, "tDocu", 7},     {52, "bDocu", 7},
};

void set_layer(pugi::xml_node layer, int number, const char* name, int color)
{
    layer.append_attribute("number") = number;
    layer.append_attribute("name") = name;
    layer.append_attribute("color") = color;
    layer.append_attribute("fill") = 1;
    layer.append_attribute("visible") = "yes";
    layer.append_attribute("active") = "yes";
}

void collect_layers(pugi::xml_node node, std::set<int>& layers)
{
    for (auto child : node.children()) {
        if (auto layer = child.attribute("layer"))
            layers.insert(layer.as_int());
        collect_layers(child, layers);
    }
}

// Writes into a string, as pugixml saves.
struct StringWriter : pugi::xml_writer {
    std::string bytes;
    void write(const void* data, std::size_t size) override
    {
        bytes.append(static_cast<const char*>(data), size);
    }
};

}  // namespace

void BoardDocument::add_layers(pugi::xml_node drawing,
                               const std::set<std::pair<std::uint32_t, std::uint32_t>>& used)
{
    std::set<int> numbers;
    for (const auto& [number, name, color] : board_layers)
        numbers.insert(number);
    // Layers the packages draw on beyond the board's, as their library defines them.
    std::map<int, pugi::xml_node> defined;
    for (const auto& [library, package] : used) {
        const auto& parsed = *drawings_.libraries_[library];
        collect_layers(parsed.packages[package], numbers);
        for (auto layer : parsed.layers.children("layer"))
            defined.try_emplace(layer.attribute("number").as_int(), layer);
    }
    auto layers = drawing.append_child("layers");
    for (int number : numbers) {
        auto standard = std::find_if(std::begin(board_layers), std::end(board_layers),
                                     [&](const LayerName& l) { return l.number == number; });
        if (standard != std::end(board_layers)) {
            set_layer(layers.append_child("layer"), number, standard->name, standard->color);
        } else if (auto found = defined.find(number); found != defined.end()) {
            layers.append_copy(found->second);
        } else {
            const std::string name = "Layer" + std::to_string(number);
            set_layer(layers.append_child("layer"), number, name.c_str(), 7);
        }
    }
}

void BoardDocument::add_outline(pugi::xml_node plain, const Extent& outline)
{
    const Point corners[] = {{outline.x1, outline.y1},
                             {outline.x2, outline.y1},
                             {outline.x2, outline.y2},
                             {outline.x1, outline.y2}};
    for (int side = 0; side < 4; ++side) {
        const Point from = corners[side], to = corners[(side + 1) % 4];
        auto wire = plain.append_child("wire");
        wire.append_attribute("x1") = millimetres(from.x).c_str();
        wire.append_attribute("y1") = millimetres(from.y).c_str();
        wire.append_attribute("x2") = millimetres(to.x).c_str();
        wire.append_attribute("y2") = millimetres(to.y).c_str();
        wire.append_attribute("width") = "0";
        wire.append_attribute("layer") = 20;
    }
}

std::string BoardDocument::write(const BoardNets& nets, const Placement& placement)
{
    auto declaration = document_.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "utf-8";
    document_.append_child(pugi::node_doctype).set_value("eagle SYSTEM \"eagle.dtd\"");
    auto eagle = document_.append_child("eagle");
    eagle.append_attribute("version") = "6.3";
    auto drawing = eagle.append_child("drawing");
    auto settings = drawing.append_child("settings");
    settings.append_child("setting").append_attribute("alwaysvectorfont") = "no";
    settings.append_child("setting").append_attribute("verticaltext") = "up";
    auto grid = drawing.append_child("grid");
    for (auto [name, value] : {std::pair{"distance", "50"},
                               {"unitdist", "mil"},
                               {"unit", "mil"},
                               {"style", "lines"},
                               {"multiple", "1"},
                               {"display", "no"},
                               {"altdistance", "25"},
                               {"altunitdist", "mil"},
                               {"altunit", "mil"}})
        grid.append_attribute(name) = value;

    const auto count = tables_.component_count();
    // The packages used, by library and package number, in that order.
    std::set<std::pair<std::uint32_t, std::uint32_t>> used;
    for (Count k = 1; k <= count; ++k)
        if (choices_.of(k).package != PackageChoices::none)
            used.insert({choices_.of(k).library, choices_.of(k).package});
    add_layers(drawing, used);

    auto board = drawing.append_child("board");
    add_outline(board.append_child("plain"), placement.outline);
    auto libraries = board.append_child("libraries");
    pugi::xml_node packages;
    std::uint32_t library_at = PackageChoices::none;
    for (const auto& [library, package] : used) {
        if (library != library_at) {
            library_at = library;
            auto added = libraries.append_child("library");
            added.append_attribute("name") = utf8_text(choices_.libraries()[library].name).c_str();
            packages = added.append_child("packages");
        }
        auto copy = packages.append_copy(drawings_.libraries_[library]->packages[package]);
        // A package written without a name is found by the empty name; its elements name it so.
        if (!copy.attribute("name"))
            copy.prepend_attribute("name") = "";
    }
    board.append_child("attributes");
    board.append_child("variantdefs");
    auto classes = board.append_child("classes");
    auto default_class = classes.append_child("class");
    for (auto [name, value] :
         {std::pair{"number", "0"}, {"name", "default"}, {"width", "0"}, {"drill", "0"}})
        default_class.append_attribute(name) = value;

    auto elements = board.append_child("elements");
    std::vector<std::string> element_names(static_cast<std::size_t>(count) + 1);
    for (Count k = 1; k <= count; ++k) {
        const auto& choice = choices_.of(k);
        if (choice.package == PackageChoices::none)
            continue;
        const auto name = utf8_text(tables_.comp_name(k));
        const auto& origin = placement.origins[static_cast<std::size_t>(k - 1)];
        auto element = elements.append_child("element");
        element.append_attribute("name") = name.c_str();
        element.append_attribute("library") =
            utf8_text(choices_.libraries()[choice.library].name).c_str();
        element.append_attribute("package") = drawings_.libraries_[choice.library]
                                                  ->packages[choice.package]
                                                  .attribute("name")
                                                  .value();
        element.append_attribute("value") = utf8_text(tables_.comp_value(k)).c_str();
        element.append_attribute("x") = millimetres(origin.x).c_str();
        element.append_attribute("y") = millimetres(origin.y).c_str();
        if (const auto turns = placement.turns.empty() ? 0 : placement.turns[k - 1])
            element.append_attribute("rot") = turns == 1 ? "R90" : turns == 2 ? "R180" : "R270";
        element_names[static_cast<std::size_t>(k)] = name;
    }

    auto signals = board.append_child("signals");
    for (Count i = 1; i <= tables_.net_count(); ++i) {
        auto signal = signals.append_child("signal");
        signal.append_attribute("name") = utf8_text(tables_.original_sig_name(i)).c_str();
        for (auto c = nets.starts[static_cast<std::size_t>(i - 1)];
             c < nets.starts[static_cast<std::size_t>(i)]; ++c) {
            const auto [k, pad] = nets.contacts[c];
            const auto& choice = choices_.of(k);
            auto contact = signal.append_child("contactref");
            contact.append_attribute("element") =
                element_names[static_cast<std::size_t>(k)].c_str();
            // As the copied package spells it.
            contact.append_attribute("pad") =
                choices_.libraries()[choice.library].library.pad_names(choice.package)[pad].c_str();
        }
    }

    StringWriter out;
    document_.save(out, "", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
    return std::move(out.bytes);
}

std::string eagle_board(const NetlistTables& tables, const PackageChoices& choices,
                        const LibraryDrawings& drawings, const BoardNets& nets,
                        const Placement& placement)
{
    return BoardDocument(tables, choices, drawings).write(nets, placement);
}

}  // namespace malvor
