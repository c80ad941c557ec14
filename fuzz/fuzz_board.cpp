// libFuzzer target: arbitrary bytes as an EAGLE board, read and brought up to a few small fixed
// netlists with a fixed library (hostile XML: deep nesting, huge or missing attributes,
// duplicate names, entities).
//
// Beyond "no crash": read in its own bytes, a board is the one read from a copy, or fails alike;
// a board that fails to read holds no document, and one that reads gives a
// change line for every change; the updated board reads as XML, keeps the same root, and, where
// the board's elements and signals have names of their own, is followed by no change when
// updated again with the same netlist.

#include "board_reader.h"
#include "board_update.h"
#include "checked_update.h"
#include "eagle_library.h"
#include "package_choice.h"
#include "property.h"
#include "script_names.h"
#include "tango_reader.h"

#include <pugixml.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

const std::string library_bytes =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<eagle version=\"6.3\"><drawing><layers>"
    "<layer number=\"1\" name=\"Top\" color=\"4\" fill=\"1\" visible=\"yes\" active=\"yes\"/>"
    "<layer number=\"100\" name=\"Extra\" color=\"4\" fill=\"1\" visible=\"yes\" active=\"yes\"/>"
    "</layers><library><packages>"
    "<package name=\"0603\"><smd name=\"1\" x=\"-0.8\" y=\"0\" dx=\"0.9\" dy=\"1\" layer=\"1\"/>"
    "<smd name=\"2\" x=\"0.8\" y=\"0\" dx=\"0.9\" dy=\"1\" layer=\"1\"/>"
    "<wire x1=\"-1\" y1=\"1\" x2=\"1\" y2=\"1\" width=\"0.1\" layer=\"100\"/></package>"
    "<package name=\"LED-3MM\"><pad name=\"A\" x=\"-1.27\" y=\"0\" drill=\"0.8\"/>"
    "<pad name=\"C\" x=\"1.27\" y=\"0\" drill=\"0.8\"/></package>"
    "</packages></library></drawing></eagle>\n";

const std::deque<malvor::NetlistTables>& netlists()
{
    static const std::deque<malvor::NetlistTables> all = [] {
        std::deque<malvor::NetlistTables> tables;
        for (const char* text :
             {"[\r\nR1\r\n0603\r\n10k\r\n]\r\n[\r\nR2\r\n0603\r\n1k\r\n]\r\n[\r\nD1\r\nLED-3MM\r\n"
              "RED\r\n]\r\n(\r\nVCC\r\nR1-1\r\nD1-A\r\n)\r\n(\r\nN$1\r\nD1-C\r\nR2-2\r\n)\r\n"
              "(\r\nGND\r\nR1-2\r\nR2-1\r\n)\r\n",
              "[\r\nr1\r\n0603\r\n4k7\r\n]\r\n[\r\nU1\r\n0603\r\n&amp;\r\n]\r\n"
              "(\r\nGND\r\nR1-1\r\nU1-2\r\n)\r\n(\r\nOTHER\r\nr1,2\r\nU1-1\r\n)\r\n"}) {
            tables.push_back(malvor::read_tango(std::string(text)));
        }
        return tables;
    }();
    return all;
}

const std::vector<malvor::NamedLibrary>& libraries()
{
    static const std::vector<malvor::NamedLibrary> all{
        {"misc", malvor::read_eagle_library(library_bytes).library}};
    return all;
}

// Whether every element and every signal has a name no other has, ignoring case.
bool names_of_their_own(pugi::xml_node board)
{
    for (const char* list : {"elements", "signals"}) {
        std::set<std::string> names;
        for (auto child : board.child(list).children())
            if (!names.insert(malvor::lower_ascii(child.attribute("name").value())).second)
                return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto first = malvor::read_eagle_board(bytes);
    const auto in_place = malvor::read_eagle_board_in_place(
        std::string(bytes), [&] { return std::string(bytes); });
    check(in_place.error == first.error && in_place.detail == first.detail,
          "read in place, the same error", first.detail + " / " + in_place.detail);
    check(!in_place.document == !first.document, "read in place, a document alike");
    if (first.document)
        check(malvor::board_document_bytes(*in_place.document) ==
                  malvor::board_document_bytes(*first.document),
              "read in place, the same document");
    if (!first.ok()) {
        check(!first.document, "a board that failed holds no document");
        return 0;
    }
    const bool unique = names_of_their_own(first.board);
    const std::vector<std::string> files{library_bytes};
    for (const auto& tables : netlists()) {
        auto board = malvor::read_eagle_board(bytes);
        const malvor::PackageChoices choices(tables, libraries(), {});
        const auto update = malvor::checked_update(tables, choices, files, std::move(board));
        if (update.refused)
            continue;
        for (const auto& change : update.changes)
            check(!malvor::change_line(change).empty(), "every change has a line");
        std::string out;
        malvor::write_updated_board(
            update, bytes, [&](std::string_view piece) { out.append(piece); });
        auto again = malvor::read_eagle_board(out);
        check(again.ok(), "the updated board reads as a board", out);
        if (!unique)
            continue;
        const auto second = malvor::checked_update(tables, choices, files, std::move(again));
        std::string lines;
        for (const auto& change : second.changes)
            lines += malvor::change_line(change) + '\n';
        check(second.changes.empty(), "updated once, a board follows its netlist", lines + out);
    }
    return 0;
}
