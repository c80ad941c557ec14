// libFuzzer target: arbitrary bytes as an EAGLE library, read and checked against a few small
// fixed netlists, and the same bytes as a package map.
//
// Beyond "no crash", a library that reads must find each of its packages by its own name in
// any case, and every check must give problems in file order, each at a line of the netlist,
// whose message shows as one line without control characters; hints name library packages.
// A map that reads must read the same when its rows are written out again, and its rows
// take part in the check. A library that reads also gives a board for each netlist, with a
// map sending its components to the library's packages: the board must read as XML, every
// element's package must be copied into it, every contact must be a pad of its element's
// package, and no two parts may come closer than the gap.

#include "board_writer.h"
#include "close_names.h"
#include "eagle_library.h"
#include "netlist_check.h"
#include "package_choice.h"
#include "package_map.h"
#include "property.h"
#include "script_names.h"
#include "shown_text.h"
#include "tango_reader.h"

#include <pugixml.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Netlists of the packages and pads the seeds hold, one with nodes of every kind of problem.
const std::deque<malvor::NetlistTables>& netlists()
{
    static const std::deque<malvor::NetlistTables> all = [] {
        std::deque<malvor::NetlistTables> tables;
        for (const char* text :
             {"[\r\nR1\r\nR0805\r\n10k\r\n]\r\n[\r\nQ1\r\nsot23\r\nBC847\r\n]\r\n"
              "(\r\nGND\r\nR1-1\r\nQ1-E\r\nR1,1\r\nQ1-X\r\nR9-2\r\n)\r\n(\r\nN\r\nR1,2\r\n)\r\n",
              "[\r\nJ1\r\nUSB-B$1\r\nUSB\r\n]\r\n[\r\nj1\r\nJACK \"2'\" & co\r\n\x1b\r\n]\r\n"
              "(\r\nDM\r\nJ1-D-\r\nJ1,GND@1\r\nJ1-5-2\r\n)\r\n",
              "[\r\nU1\r\n\r\n\r\n]\r\n(\r\n\r\nU1-1\r\nU1-\r\n)\r\n"}) {
            tables.push_back(malvor::read_tango(std::string(text)));
        }
        return tables;
    }();
    return all;
}

// A map that reads is read again from its rows written out: the same rows, no errors.
std::vector<malvor::MapRow> map_rows(std::string_view bytes,
                                     const std::vector<std::string>& libraries)
{
    auto map = malvor::parse_package_map(bytes, libraries);
    if (!map.errors.empty())
        return {};
    std::string again(malvor::full_map_header);
    again += '\n';
    for (const auto& row : map.rows)
        again += malvor::map_row_text(row, libraries) + '\n';
    auto reread = malvor::parse_package_map(again, libraries);
    check(reread.errors.empty(), "a map written out reads", again);
    check(reread.rows.size() == map.rows.size(), "a map written out keeps its rows", again);
    for (std::size_t i = 0; i < map.rows.size(); ++i) {
        const auto &a = map.rows[i], &b = reread.rows[i];
        check(a.component == b.component && a.footprint == b.footprint && a.value == b.value &&
                  a.package == b.package && a.library == b.library && a.pins == b.pins,
              "a row written out reads the same", again);
    }
    return std::move(map.rows);
}

// "12.7" as 12700 micrometres; the board writes no other form.
std::int64_t micrometres(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const auto point = text.find('.');
    std::int64_t value = std::stoll(std::string(text.substr(0, point))) * 1000;
    if (point != std::string_view::npos) {
        std::string fraction(text.substr(point + 1));
        fraction.resize(3, '0');
        value += std::stoll(fraction);
    }
    return negative ? -value : value;
}

void check_board(std::string_view bytes, const malvor::NetlistTables& tables,
                 const std::vector<malvor::NamedLibrary>& libraries)
{
    const auto& library = libraries.front().library;
    std::vector<malvor::MapRow> rows;
    for (malvor::Count k = 1; k <= tables.component_count(); ++k) {
        malvor::MapRow row;
        row.component = tables.comp_name(k);
        const auto package = static_cast<std::size_t>(k - 1) % library.package_count();
        row.package = library.package_names()[package];
        row.library = 0;
        const auto pads = library.pad_names(package);
        std::size_t pad = 0;
        for (const char* pin : {"1", "2", "E", "X", "D-", "GND@1", "5-2"})
            if (!pads.empty())
                row.pins.emplace_back(pin, pads[pad++ % pads.size()]);
        if (!row.component.empty())
            rows.push_back(std::move(row));
    }
    const malvor::PackageChoices choices(tables, libraries, rows);
    const malvor::LibraryDrawings drawings(tables, choices, {bytes, bytes});
    const auto nets = malvor::board_nets(tables, choices);
    const auto placement = malvor::place_components(
        tables, choices, drawings, nets, malvor::PlacementUnit::micrometre);
    const auto board_bytes = malvor::eagle_board(tables, choices, drawings, nets, placement);

    pugi::xml_document document;
    check(document.load_buffer(
              board_bytes.data(), board_bytes.size(), pugi::parse_default & ~pugi::parse_eol),
          "the board reads as XML", board_bytes);
    const auto board = document.child("eagle").child("drawing").child("board");
    std::vector<malvor::Extent> placed;
    std::vector<std::string> element_packages;
    auto package_named = [&](const char* name) {
        return board.child("libraries")
            .child("library")
            .child("packages")
            .find_child_by_attribute("package", "name", name);
    };
    for (auto element : board.child("elements").children("element")) {
        const auto package = package_named(element.attribute("package").value());
        check(
            package, "an element's package is in the board", element.attribute("package").value());
        const std::string_view rot = element.attribute("rot").value();
        check(rot.empty() || rot == "R90" || rot == "R180" || rot == "R270",
              "an element is turned by quarter turns", board_bytes);
        const auto extent = malvor::package_extent(package);
        // A package with nothing to draw stands at the outline's corner, apart from nothing.
        if (extent == malvor::Extent{} && !package.child("pad") && !package.child("smd"))
            continue;
        const auto box = malvor::turned(extent, rot == "R90"    ? 1
                                                : rot == "R180" ? 2
                                                : rot == "R270" ? 3
                                                                : 0);
        const auto x = micrometres(element.attribute("x").value());
        const auto y = micrometres(element.attribute("y").value());
        placed.push_back({box.x1 + x, box.y1 + y, box.x2 + x, box.y2 + y});
    }
    for (std::size_t a = 0; a < placed.size(); ++a)
        for (std::size_t b = a + 1; b < placed.size(); ++b)
            check(placed[b].x1 >= placed[a].x2 + malvor::part_gap ||
                      placed[a].x1 >= placed[b].x2 + malvor::part_gap ||
                      placed[b].y1 >= placed[a].y2 + malvor::part_gap ||
                      placed[a].y1 >= placed[b].y2 + malvor::part_gap,
                  "parts stay apart", board_bytes);
    for (auto contact : board.child("signals").select_nodes("signal/contactref")) {
        const auto element =
            board.child("elements")
                .find_child_by_attribute(
                    "element", "name", contact.node().attribute("element").value());
        check(element, "a contact's element is on the board", board_bytes);
        const auto package = package_named(element.attribute("package").value());
        const std::string_view pad = contact.node().attribute("pad").value();
        bool found = false;
        for (auto child : package.children())
            found = found || ((std::string_view(child.name()) == "pad" ||
                               std::string_view(child.name()) == "smd") &&
                              child.attribute("name").value() == pad);
        check(found, "a contact is a pad of its element's package", board_bytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> names_given{"lib", "other"};
    const auto rows = map_rows(bytes, names_given);
    const auto read = malvor::read_eagle_library(bytes);
    if (read.error) {
        check(read.library.package_count() == 0, "a library that failed holds no packages");
        return 0;
    }
    const auto& library = read.library;
    const auto& names = library.package_names();
    check(names.size() == library.package_count(), "one name a package");
    for (std::size_t i = 0; i < names.size(); ++i) {
        check(library.find_package(names[i]) == i, "a package is found by its name", names[i]);
        check(library.find_package(malvor::lower_ascii(names[i])) == i,
              "a package is found ignoring case", names[i]);
    }

    const std::vector<malvor::NamedLibrary> libraries{{"lib", library}, {"other", library}};
    for (const auto& tables : netlists()) {
        const malvor::PackageChoices choices(tables, libraries, rows);
        auto report = malvor::check_netlist(tables, &choices);
        auto& problems = report.problems;
        std::size_t position = 0;
        for (const auto& problem : problems) {
            check(problem.position >= position, "problems in file order");
            position = problem.position;
            check(problem.position < tables.source().size() && problem.line >= 1,
                  "a problem at a line of the netlist");
            const auto message = report.message(problem);
            check(!message.empty(), "every problem has a message");
            const auto line = malvor::shown(message);
            check(!malvor::has_control_character(line), "a shown message has no control character",
                  line);
        }
    }
    if (!names.empty())
        for (const auto& tables : netlists())
            check_board(bytes, tables, libraries);
    if (!names.empty()) {
        for (const auto& close : malvor::close_names(names.front() + "x", names))
            check(close.index < names.size() && close.distance <= 2,
                  "hints are packages of the library within two edits", names.front());
    }
    return 0;
}
