// malvor-convert --update: boards written by --board, "routed" here as an editor saves them, then
// brought up to edited netlists; a board written by hand as EAGLE 9 saves them; files that are
// no board; backups; and every board written checked against EAGLE's document type.
#include "board_reader.h"
#include "board_update.h"
#include "checked_update.h"
#include "command_run.h"
#include "package_extent.h"
#include "script_names.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace malvor {
namespace {

using namespace testing_support;

const std::string data = MALVOR_TEST_DATA "/board/";

// The board against EAGLE's own document type, where xmllint is installed (scripts/test.sh
// installs it).
void expect_valid(const TempFolder& folder, const std::string& bytes, const std::string& what)
{
    if (std::system("xmllint --version >/dev/null 2>&1") != 0)
        return;
    const auto board = folder.write("dtd-check.brd", bytes);
    const auto command = "xmllint --noout --nowarning --dtdvalid '" + data + "eagle.dtd' '" +
                         board.string() + "' 2>'" + (folder / "dtd-check.txt").string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << what << ": not valid against eagle.dtd\n"
                                               << read_bytes(folder / "dtd-check.txt");
}

// Wires and vias on every signal of two contacts or more, a polygon on the first, one part
// turned and mirrored, one smashed: as an editor saves a routed board.
std::string routed(const std::string& bytes)
{
    pugi::xml_document document;
    document.load_string(
        bytes.c_str(), pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype);
    auto board = document.child("eagle").child("drawing").child("board");
    std::map<std::string, pugi::xml_node> elements;
    for (auto element : board.child("elements").children("element"))
        elements[element.attribute("name").value()] = element;
    bool first = true;
    for (auto signal : board.child("signals").children("signal")) {
        std::vector<pugi::xml_node> contacts;
        for (auto contact : signal.children("contactref"))
            contacts.push_back(elements[contact.attribute("element").value()]);
        for (std::size_t c = 1; c < contacts.size(); ++c) {
            auto wire = signal.append_child("wire");
            for (auto [name, from] : {std::pair{"x1", "x"}, {"y1", "y"}})
                wire.append_attribute(name) = contacts[c - 1].attribute(from).value();
            for (auto [name, from] : {std::pair{"x2", "x"}, {"y2", "y"}})
                wire.append_attribute(name) = contacts[c].attribute(from).value();
            wire.append_attribute("width") = "0.254";
            wire.append_attribute("layer") = c % 2 ? 1 : 16;
        }
        if (contacts.size() > 1) {
            auto via = signal.append_child("via");
            via.append_attribute("x") = contacts[0].attribute("x").value();
            via.append_attribute("y") = contacts[0].attribute("y").value();
            via.append_attribute("extent") = "1-16";
            via.append_attribute("drill") = "0.6";
        }
        if (first && contacts.size() > 1) {
            auto polygon = signal.append_child("polygon");
            polygon.append_attribute("width") = "0.3";
            polygon.append_attribute("layer") = 16;
            for (auto [x, y] : {std::pair{"0", "0"}, {"20", "0"}, {"20", "20"}})
                polygon.append_child("vertex").append_attribute("x") = x,
                polygon.last_child().append_attribute("y") = y;
            first = false;
        }
    }
    if (auto u1 = elements["U$1"]) {
        // The placement may have turned U1 already: the designer's turn replaces it.
        (u1.attribute("rot") ? u1.attribute("rot") : u1.append_attribute("rot")) = "MR90";
        u1.append_attribute("locked") = "yes";
    }
    if (auto q1 = elements["Q1"]) {
        q1.append_attribute("smashed") = "yes";
        auto value = q1.append_child("attribute");
        value.append_attribute("name") = "VALUE";
        value.append_attribute("value") = q1.attribute("value").value();
        value.append_attribute("x") = "1";
        value.append_attribute("y") = "2";
        value.append_attribute("size") = "1.27";
        value.append_attribute("layer") = 27;
    }
    std::ostringstream out;
    document.save(out, "", pugi::format_indent | pugi::format_no_declaration);
    return out.str();
}

std::string edited(std::string netlist,
                   const std::vector<std::pair<std::string, std::string>>& edits)
{
    for (const auto& [from, to] : edits) {
        const auto at = netlist.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            netlist.replace(at, from.size(), to);
    }
    return netlist;
}

struct Summary {
    std::map<std::string, std::string> places;    // element: x y rot
    std::map<std::string, std::string> packages;  // element: library/package value
    std::map<std::string, std::set<std::string>> contacts;
    std::map<std::string, std::size_t> routing;  // wires, vias, polygons of each signal
    std::vector<Extent> extents;                 // of the elements, where they lie
    std::map<std::string, std::size_t> extent_of;
};

Extent turned(const Extent& e, std::string_view rot)
{
    if (rot.starts_with("M"))
        rot.remove_prefix(1);
    if (rot == "R90")
        return {-e.y2, e.x1, -e.y1, e.x2};
    if (rot == "R180")
        return {-e.x2, -e.y2, -e.x1, -e.y1};
    if (rot == "R270")
        return {e.y1, -e.x2, e.y2, -e.x1};
    return e;
}

Summary summary(const std::string& bytes)
{
    Summary s;
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(bytes.c_str()));
    auto board = document.child("eagle").child("drawing").child("board");
    std::map<std::string, pugi::xml_node> packages;
    for (auto library : board.child("libraries").children("library"))
        for (auto package : library.child("packages").children("package"))
            packages[std::string(library.attribute("name").value()) + "/" +
                     package.attribute("name").value()] = package;
    for (auto element : board.child("elements").children("element")) {
        const std::string name = element.attribute("name").value();
        s.places[name] = std::string(element.attribute("x").value()) + " " +
                         element.attribute("y").value() + " " + element.attribute("rot").value();
        const auto package = std::string(element.attribute("library").value()) + "/" +
                             element.attribute("package").value();
        EXPECT_TRUE(packages.count(package)) << package << " not in the board";
        s.packages[name] = package + " " + element.attribute("value").value();
        auto e = turned(package_extent(packages[package]), element.attribute("rot").value());
        const auto x = micrometres_of(element, "x"), y = micrometres_of(element, "y");
        s.extent_of[name] = s.extents.size();
        s.extents.push_back({e.x1 + x, e.y1 + y, e.x2 + x, e.y2 + y});
    }
    for (auto signal : board.child("signals").children("signal")) {
        auto& contacts = s.contacts[signal.attribute("name").value()];
        auto& routing = s.routing[signal.attribute("name").value()];
        for (auto child : signal.children()) {
            if (std::string_view(child.name()) == "contactref")
                contacts.insert(std::string(child.attribute("element").value()) + "." +
                                child.attribute("pad").value());
            else
                ++routing;
        }
    }
    return s;
}

bool apart(const Extent& a, const Extent& b)
{
    return a.x2 <= b.x1 || b.x2 <= a.x1 || a.y2 <= b.y1 || b.y2 <= a.y1;
}

class Update : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* file : {"mixed.csv", "ics.lbr", "power.lbr", "misc.lbr"})
            folder.write(file, read_bytes(data + file));
        netlist = read_bytes(data + "mixed.net");
        folder.write("mixed.net", netlist);
        const auto written = run_command(board_arguments("mixed.net", "placed.brd"));
        ASSERT_EQ(written.status, 0) << written.err;
        placed = read_bytes(folder / "placed.brd");
        expect_valid(folder, placed, "--board");
        board = routed(placed);
        folder.write("routed.brd", board);
    }

    std::vector<std::string> board_arguments(const std::string& net, const std::string& output)
    {
        return {"--board",
                "-o",
                (folder / output).string(),
                "--map",
                (folder / "mixed.csv").string(),
                (folder / net).string(),
                (folder / "ics.lbr").string(),
                (folder / "power.lbr").string(),
                (folder / "misc.lbr").string()};
    }
    std::vector<std::string> update_arguments(const std::string& board_file, const std::string& net,
                                              std::vector<std::string> options = {})
    {
        std::vector<std::string> arguments{"--update", (folder / board_file).string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        for (const auto& more : {std::string("--map"), (folder / "mixed.csv").string(),
                                 (folder / net).string(), (folder / "ics.lbr").string(),
                                 (folder / "power.lbr").string(), (folder / "misc.lbr").string()})
            arguments.push_back(more);
        return arguments;
    }

    TempFolder folder;
    std::string netlist, placed, board;
};

TEST_F(Update, ItsOwnNetlistChangesNothingByteForByte)
{
    for (const char* file : {"placed.brd", "routed.brd"}) {
        const auto result = run_command(update_arguments(file, "mixed.net", {"-o", "-"}));
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "no changes\n");
        EXPECT_EQ(result.out, read_bytes(folder / file)) << file;
        // To a file: the board's own bytes too, though the ones it was parsed from are spent.
        const auto copied = run_command(
            update_arguments(file, "mixed.net", {"-o", (folder / "same.brd").string()}));
        EXPECT_EQ(copied.status, 0) << copied.err;
        EXPECT_EQ(copied.out, "no changes\n");
        EXPECT_EQ(read_bytes(folder / "same.brd"), read_bytes(folder / file)) << file;
    }
}

// Each change alone, then all together: the lines said, and the board that follows the netlist
// as a new board of it would, with the designer's places and tracks kept.
TEST_F(Update, EveryChangeAloneAndTogether)
{
    using Edits = std::vector<std::pair<std::string, std::string>>;
    const Edits value{{"BC847", "BC857"}};
    const Edits package{{"D1\r\nLED3", "D1\r\n0603"}};
    const Edits added{{"[\r\nR1\r\n", "[\r\nR9\r\n0603\r\n47k\r\n\r\n\r\n\r\n]\r\n[\r\nR1\r\n"},
                      {"Q1-2\r\n", "Q1-2\r\nR9-1\r\n"},
                      {"Q1-3\r\n", "Q1-3\r\nR9-2\r\n"}};
    const Edits removed{
        {"[\r\nJ1\r\nDCJACK\r\n5V\r\n\r\n\r\n\r\n]\r\n", ""}, {"J1--\r\n", ""}, {"J1-+\r\n", ""}};
    const Edits renamed{{"DATA/1", "DATA_B"}};
    const Edits moved{{"R1-2\r\n", ""}, {"R2-1\r\n", "R2-1\r\nR1-2\r\n"}};
    const Edits connected{{"(\r\n$3V3\r\n", "(\r\nEXTRA\r\nU2-2\r\nLCD-2.4\r\n)\r\n(\r\n$3V3\r\n"}};
    const Edits disconnected{{"X1-5\r\n", ""}};
    Edits together;
    for (const auto* edits : {&value, &package, &added, &removed, &renamed, &moved, &disconnected})
        together.insert(together.end(), edits->begin(), edits->end());
    struct Case {
        const char* what;
        Edits edits;
        std::vector<std::string> lines;
        std::set<std::string> touched;  // signals whose tracks may change hands
    };
    const Case cases[] = {
        {"value", value, {"value of Q1 changed: 'BC847' -> 'BC857'"}, {}},
        {"package",
         package,
         {"package of D1 changed: misc/LED-3MM -> misc/0603, kept at its place; wires that ended "
          "on its old pads stay",
          "pad D1.1 connected to net '$3V3'", "pad D1.2 connected to net 'N$7'",
          "pad D1.A disconnected from net '$3V3'", "pad D1.C disconnected from net 'N$7'"},
         {}},
        {"added", added, {"added R9: package '0603' from library 'misc'"}, {}},
        {"removed", removed, {"removed J1; 14 wires and vias of its signals stay"}, {}},
        {"renamed",
         renamed,
         {"net 'DATA/1' renamed to 'DATA_B', its wires, vias and polygons kept"},
         {"DATA/1"}},
        {"moved", moved, {"pad R1.2 moved from net '/RESET' to net 'N$7'"}, {}},
        {"connected",
         connected,
         {"net 'EXTRA' added", "pad U2.2 connected to net 'EXTRA'",
          "pad LCD.2.4 connected to net 'EXTRA'"},
         {}},
        {"disconnected", disconnected, {"pad X1.5 disconnected from net '/RESET'"}, {}},
        {"together",
         together,
         {"removed J1; 14 wires and vias of its signals stay",
          "added R9: package '0603' from library 'misc'", "value of Q1 changed: 'BC847' -> 'BC857'",
          "package of D1 changed: misc/LED-3MM -> misc/0603, kept at its place; wires that ended "
          "on its old pads stay",
          "net 'DATA/1' renamed to 'DATA_B', its wires, vias and polygons kept",
          "pad D1.1 connected to net '$3V3'", "pad D1.2 connected to net 'N$7'",
          "pad R1.2 moved from net '/RESET' to net 'N$7'", "pad D1.A disconnected from net '$3V3'",
          "pad X1.5 disconnected from net '/RESET'", "pad D1.C disconnected from net 'N$7'"},
         {"DATA/1"}},
    };
    const auto before = summary(board);
    std::int64_t outline_right = 0;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(board.c_str()));
    for (auto wire : document.select_nodes("//plain/wire[@layer='20']"))
        outline_right = std::max(
            {outline_right, micrometres_of(wire.node(), "x1"), micrometres_of(wire.node(), "x2")});
    ASSERT_GT(outline_right, 0);
    for (const auto& c : cases) {
        folder.write("edited.net", edited(netlist, c.edits));
        const auto result = run_command(update_arguments(
            "routed.brd", "edited.net", {"-o", (folder / "updated.brd").string()}));
        ASSERT_EQ(result.status, 0) << c.what << ": " << result.err;
        std::string expected;
        for (const auto& line : c.lines)
            expected += line + "\n";
        expected += change_count_line(c.lines.size()) + "\n";
        EXPECT_EQ(result.out, expected) << c.what;
        const auto updated = read_bytes(folder / "updated.brd");
        expect_valid(folder, updated, c.what);

        // The same netlist as a new board: its parts, packages, values and contacts.
        ASSERT_EQ(run_command(board_arguments("edited.net", "fresh.brd")).status, 0) << c.what;
        const auto fresh = summary(read_bytes(folder / "fresh.brd"));
        const auto after = summary(updated);
        EXPECT_EQ(after.packages, fresh.packages) << c.what;
        EXPECT_EQ(after.contacts, fresh.contacts) << c.what;
        for (const auto& [name, place] : after.places)
            if (before.places.count(name)) {
                EXPECT_EQ(place, before.places.at(name)) << c.what << ": " << name << " moved";
            }
        // Tracks stay: of every signal kept, and of a renamed one under its new name.
        for (const auto& [signal, routing] : before.routing) {
            if (c.touched.count(signal))
                continue;
            ASSERT_TRUE(after.routing.count(signal)) << c.what << ": " << signal << " gone";
            EXPECT_EQ(after.routing.at(signal), routing) << c.what << ": " << signal;
        }
        if (c.touched.count("DATA/1")) {
            EXPECT_EQ(after.routing.at("DATA_B"), before.routing.at("DATA/1")) << c.what;
        }
        // New parts right of the old outline, and apart from every other part.
        for (const auto& [name, at] : after.extent_of) {
            if (before.places.count(name))
                continue;
            EXPECT_GE(after.extents[at].x1, outline_right) << c.what << ": " << name;
            for (std::size_t other = 0; other < after.extents.size(); ++other)
                if (other != at) {
                    EXPECT_TRUE(apart(after.extents[at], after.extents[other]))
                        << c.what << ": " << name << " overlaps another part";
                }
        }
        // Brought up to date once, the board follows the netlist: no changes the second time.
        const auto again =
            run_command(update_arguments("updated.brd", "edited.net", {"--dry-run"}));
        EXPECT_EQ(again.out, "no changes\n") << c.what;
    }
}

// A designer's outline wider than the parts: added parts go right of the outline, not of the
// parts.
TEST_F(Update, AddedPartsRightOfAWiderOutline)
{
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(board.c_str()));
    std::int64_t right = 0;
    for (auto wire : document.select_nodes("//plain/wire[@layer='20']"))
        right =
            std::max({right, micrometres_of(wire.node(), "x1"), micrometres_of(wire.node(), "x2")});
    const auto wider = right + 100000;
    for (auto wire : document.select_nodes("//plain/wire[@layer='20']")) {
        for (const char* x : {"x1", "x2"}) {
            if (micrometres_of(wire.node(), x) == right)
                wire.node().attribute(x).set_value(millimetres(wider).c_str());
        }
    }
    std::ostringstream wide;
    document.save(wide);
    folder.write("wide.brd", wide.str());
    auto edited = netlist;
    edited.insert(edited.find("[\r\nR1\r\n"), "[\r\nR9\r\n0603\r\n47k\r\n\r\n\r\n\r\n]\r\n");
    folder.write("edited.net", edited);
    const auto result = run_command(
        update_arguments("wide.brd", "edited.net", {"-o", (folder / "updated.brd").string()}));
    ASSERT_EQ(result.status, 0) << result.err;
    pugi::xml_document updated;
    ASSERT_TRUE(updated.load_string(read_bytes(folder / "updated.brd").c_str()));
    const auto r9 = updated.select_node("//element[@name='R9']").node();
    ASSERT_TRUE(r9);
    EXPECT_GE(micrometres_of(r9, "x"), wider);
}

// A lost net whose contacts went half, not most, to one new net is no rename.
TEST_F(Update, HalfTheContactsInANewNetIsNoRename)
{
    auto edited = netlist;
    const std::string net = "DATA/1\r\nU2-4\r\n";
    edited.replace(edited.find(net), net.size(), "DATA_B\r\n");
    folder.write("edited.net", edited);
    const auto result = run_command(update_arguments("routed.brd", "edited.net", {"--dry-run"}));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.find("renamed"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("DATA_B"), std::string::npos) << result.out;
}

// A net the netlist lost, its pins in no net: its signal goes where nothing is routed on it,
// and stays, listed, where tracks are.
TEST_F(Update, ASignalLeftWithoutContacts)
{
    folder.write("lost.net", edited(netlist, {{"(\r\nDATA/0\r\nU2-3\r\nLCD-2.2\r\n)\r\n", ""}}));
    const std::string pads =
        "pad U2.3 disconnected from net 'DATA/0'\n"
        "pad LCD.2.2 disconnected from net 'DATA/0'\n";
    struct Case {
        const char* board;
        std::string out;
    };
    const Case cases[] = {
        {"placed.brd", pads + "net 'DATA/0' removed\n3 changes\n"},
        {"routed.brd",
         pads + "net 'DATA/0' has no contact left; kept for its 2 wires, vias and polygons\n"
                "3 changes\n"},
    };
    for (const auto& c : cases) {
        const auto result = run_command(
            update_arguments(c.board, "lost.net", {"-o", (folder / "updated.brd").string()}));
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, c.out) << c.board;
        const auto updated = summary(read_bytes(folder / "updated.brd"));
        EXPECT_EQ(updated.contacts.count("DATA/0"), c.out.find("removed") == std::string::npos)
            << c.board;
        expect_valid(folder, read_bytes(folder / "updated.brd"), c.board);
        // Listed once, when it loses its last contact.
        const auto again = run_command(update_arguments("updated.brd", "lost.net", {"--dry-run"}));
        EXPECT_EQ(again.out, "no changes\n") << c.board;
    }
}

// The XML of a board, element by element with every attribute in order, formatting aside.
std::string xml_of(const std::string& bytes)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(bytes.c_str()));
    std::ostringstream out;
    document.save(out, "", pugi::format_raw);
    return out.str();
}

// Written by hand as EAGLE 9 saves a board: smashed texts, attributes, variants, polygons,
// design rules, Fusion's synchronisation, a DRC approval, a package the designer changed.
TEST(UpdateEagleBoard, ItsOwnNetlistChangesNothingAndAValueOnlyTheValue)
{
    TempFolder folder;
    const auto board = read_bytes(data + "eagle9.brd");
    const auto netlist = read_bytes(data + "eagle9.net");
    folder.write("blink.brd", board);
    folder.write("blink.net", netlist);
    folder.write("misc.lbr", read_bytes(data + "misc.lbr"));
    const auto in = [&](const char* name) { return (folder / name).string(); };
    auto same = run_command({"--update", in("blink.brd"), in("blink.net"), in("misc.lbr")});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(same.out, "no changes\n");
    EXPECT_EQ(read_bytes(folder / "blink.brd"), board);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"blink.brd", "blink.net", "misc.lbr"}));

    auto changed = netlist;
    changed.replace(changed.find("RED"), 3, "GREEN");
    changed.replace(changed.find("10k"), 3, "22k");
    folder.write("blink.net", changed);
    const auto result = run_command(
        {"--update", in("blink.brd"), "-o", in("new.brd"), in("blink.net"), in("misc.lbr")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "value of R1 changed: '10k' -> '22k'\nvalue of D1 changed: 'RED' -> 'GREEN'\n"
              "2 changes\n");
    const auto updated = read_bytes(folder / "new.brd");
    expect_valid(folder, updated, "EAGLE 9 board updated");
    auto expected = xml_of(board);
    for (auto [from, to] : {std::pair{"value=\"10k\"", "value=\"22k\""},
                            {"value=\"RED\"", "value=\"GREEN\""},
                            {"value=\"RED\"", "value=\"GREEN\""}})
        expected.replace(expected.find(from), std::string_view(from).size(), to);
    EXPECT_EQ(xml_of(updated), expected);  // the smashed value too, and nothing else
}

TEST(UpdateRefused, FilesThatAreNoBoard)
{
    TempFolder folder;
    folder.write("blink.net", read_bytes(data + "eagle9.net"));
    folder.write("misc.lbr", read_bytes(data + "misc.lbr"));
    struct Case {
        const char* what;
        std::string bytes;
        std::string said;
    };
    const std::string xml = "<?xml version=\"1.0\"?>\n<eagle version=\"9\"><drawing>";
    const Case cases[] = {
        {"empty", "", "an empty file"},
        {"EAGLE 5", std::string("\x10\x00\x01\x02", 4),
         "a binary EAGLE board of version 5 or earlier; opening and saving it in EAGLE 6 or "
         "later converts it to the XML form that can be updated"},
        {"web page", "<!DOCTYPE html><html><body>board</body></html>",
         "a web page, not the board file: download the file itself rather than the page that "
         "shows it"},
        {"text", "just text",
         "not an XML file, so no EAGLE board: no element such as '<eagle>' in it"},
        {"schematic", xml + "<layers/><schematic/></drawing></eagle>",
         "an EAGLE schematic, not a board"},
        {"library", xml + "<layers/><library/></drawing></eagle>", "an EAGLE library, not a board"},
        {"other XML", "<svg/>", "an XML file, but no EAGLE board (no eagle/drawing/board)"},
        {"cut short", xml + "<layers/><board>",
         "cut short: the file ends at 2:44; expected the closing tags of the elements still open, up to '</eagle>'"},
        {"gzip", "\x1f\x8b\x08", "compressed (gzip), not a board: unpack it first"},
    };
    for (const auto& c : cases) {
        const auto board = folder.write("x.brd", c.bytes).string();
        const auto result = run_command(
            {"--update", board, (folder / "blink.net").string(), (folder / "misc.lbr").string()});
        EXPECT_EQ(result.status, 1) << c.what;
        EXPECT_EQ(result.out, "") << c.what;
        EXPECT_EQ(result.err, "malvor-convert: board '" + board + "' is " + c.said + "\n")
            << c.what;
        EXPECT_EQ(read_bytes(board), c.bytes) << c.what;
    }
    const auto missing = (folder / "missing.brd").string();
    const auto result = run_command(
        {"--update", missing, (folder / "blink.net").string(), (folder / "misc.lbr").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "malvor-convert: cannot read board '" + missing +
                              "': " + system_message(ENOENT) + "\n");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"blink.net", "misc.lbr", "x.brd"}));
}

// Parsed in its own bytes, a board is the board parsed from a copy; broken, it is described from
// the bytes as they were, not from the ones the parse changed.
TEST(UpdateReading, InPlaceAsFromACopy)
{
    const std::string xml = "<?xml version=\"1.0\"?>\n<eagle version=\"9\"><drawing>\n";
    const std::string boards[] = {
        read_bytes(data + "eagle9.brd"),
        xml + "<board/></drawing></eagle>",  // ends with the buffer, no line end
        xml +
            "<board><plain><text x=\"1\" y=\"2\">a &amp; b &lt;&#x41;</text></plain>"
            "</board></drawing></eagle>\r\n",
        xml +
            "<board>\n<elements><element name=\"R&amp;1\" value=\"a\nb\"/></elements>\n"
            "</board><x></y></drawing></eagle>",  // broken after escapes and line ends
        xml + "<board>\n<plain a=\"&amp;&amp;\"\n b=\"\n\"></plain>\n<signals",  // cut short
        xml + "<board>\n<plain a=\"&bad;\"></plain>\n</board><</drawing></eagle>",
        // A zero ends the document where it stands; a "<" last is a tag cut short.
        "<?xml version=\"1.0\"?>" + std::string(3, '\0') + "\n" + xml +
            "<board/></drawing></eagle>\n",
        xml + "<board/></drawing></eagle><",
        xml + "<board/></drawing>\n<",
    };
    for (const auto& bytes : boards) {
        const auto copied = read_eagle_board(bytes);
        const auto in_place = read_eagle_board_in_place(bytes, [&] { return bytes; });
        EXPECT_EQ(in_place.error, copied.error) << bytes;
        EXPECT_EQ(in_place.detail, copied.detail) << bytes;
        ASSERT_EQ(!in_place.document, !copied.document) << bytes;
        if (copied.document) {
            EXPECT_EQ(
                board_document_bytes(*in_place.document), board_document_bytes(*copied.document))
                << bytes;
        }
    }

    TempFolder folder;
    folder.write("blink.net", read_bytes(data + "eagle9.net"));
    folder.write("misc.lbr", read_bytes(data + "misc.lbr"));
    for (const auto& bytes : {boards[3], boards[4], boards[5]}) {
        const auto board = folder.write("x.brd", bytes).string();
        const auto result = run_command(
            {"--update", board, (folder / "blink.net").string(), (folder / "misc.lbr").string()});
        const auto copied = read_eagle_board(bytes);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "malvor-convert: board '" + board + "' is " + copied.error.message() +
                                  ": " + copied.detail + "\n");
    }
}

#ifndef _WIN32
// A board through a pipe cannot be read again: its bytes are kept for what needs them, the
// board written without changes and the trouble of a broken one.
TEST(UpdateReading, ABoardThroughAPipe)
{
    TempFolder folder;
    folder.write("blink.net", read_bytes(data + "eagle9.net"));
    folder.write("misc.lbr", read_bytes(data + "misc.lbr"));
    const auto pipe = (folder / "board.pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string broken =
        "<?xml version=\"1.0\"?>\n<eagle><drawing><board>\n<plain a=\"&amp;\">"
        "</x></board></drawing></eagle>";
    for (const auto& bytes : {read_bytes(data + "eagle9.brd"), broken}) {
        std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << bytes; });
        const auto result =
            run_command({"--update", pipe, "-o", "-", (folder / "blink.net").string(),
                         (folder / "misc.lbr").string()});
        writer.join();
        const auto copied = read_eagle_board(bytes);
        if (copied.ok()) {
            EXPECT_EQ(result.status, 0) << result.err;
            EXPECT_EQ(result.err, "no changes\n");
            EXPECT_EQ(result.out, bytes);
        } else {
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.err, "malvor-convert: board '" + pipe + "' is " +
                                      copied.error.message() + ": " + copied.detail + "\n");
        }
    }
}
#endif

TEST(UpdateRefused, WhatANewBoardRefusesNothingWritten)
{
    TempFolder folder;
    const auto board = read_bytes(data + "eagle9.brd");
    folder.write("blink.brd", board);
    folder.write("misc.lbr", read_bytes(data + "misc.lbr"));
    auto netlist = read_bytes(data + "eagle9.net");
    netlist.replace(netlist.find("LED-3MM"), 7, "LED-5MM");
    const auto net = folder.write("blink.net", netlist).string();
    const auto result = run_command(
        {"--update", (folder / "blink.brd").string(), net, (folder / "misc.lbr").string()});
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(
        result.err,
        net +
            ":19: package 'LED-5MM' of component 'D1' is not in the library; closest: 'LED-3MM' (LED, 2 pads)\n");
    EXPECT_EQ(read_bytes(folder / "blink.brd"), board);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"blink.brd", "blink.net", "misc.lbr"}));
}

// In place, EAGLE's backups: the board as it was at #1, older ones moved up to #9.
TEST(UpdateInPlace, BackupsAsEagleKeepsThem)
{
    TempFolder folder;
    folder.write("misc.lbr", read_bytes(data + "misc.lbr"));
    const auto netlist = read_bytes(data + "eagle9.net");
    const auto board = (folder / "blink.brd").string();
    folder.write("blink.brd", read_bytes(data + "eagle9.brd"));
    std::vector<std::string> versions{read_bytes(board)};
    for (int run = 1; run <= 11; ++run) {
        auto changed = netlist;
        changed.replace(changed.find("10k"), 3, std::to_string(run) + "k");
        const auto net = folder.write("blink.net", changed).string();
        auto dry =
            run_command({"--update", board, "--dry-run", net, (folder / "misc.lbr").string()});
        EXPECT_EQ(dry.status, 0);
        EXPECT_EQ(read_bytes(board), versions.back()) << "--dry-run writes nothing";
        const auto result = run_command({"--update", board, net, (folder / "misc.lbr").string()});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, dry.out);
        versions.push_back(read_bytes(board));
        EXPECT_NE(versions.back(), versions[versions.size() - 2]);
    }
    for (int number = 1; number <= 9; ++number)
        EXPECT_EQ(read_bytes(folder / ("blink.b#" + std::to_string(number))),
                  versions[versions.size() - 1 - static_cast<std::size_t>(number)])
            << number;
    EXPECT_EQ(folder.names().size(), 12u);  // the board, nine backups, netlist and library
    EXPECT_EQ(board_backup_path("a.b/board", 3), "a.b/board.b#3");
    EXPECT_EQ(board_backup_path("x.brd", 1), "x.b#1");
}

// The backup is the board's own file under a second name, made only once the new board is
// whole; a backup that cannot be moved leaves the board, the backups and the folder as they were.
TEST(UpdateInPlace, TheBoardItselfKeptAndAFailureChangesNothing)
{
    TempFolder folder;
    folder.write("misc.lbr", read_bytes(data + "misc.lbr"));
    auto netlist = read_bytes(data + "eagle9.net");
    netlist.replace(netlist.find("10k"), 3, "22k");
    const auto net = folder.write("blink.net", netlist).string();
    const auto original = read_bytes(data + "eagle9.brd");
    const auto board = folder.write("blink.brd", original).string();
    for (int number = 1; number <= 8; ++number)
        folder.write("blink.b#" + std::to_string(number), "backup " + std::to_string(number));
    // A backup #9 that no rename can replace: a folder with something in it.
    std::filesystem::create_directory(folder / "blink.b#9");
    folder.write("blink.b#9/inside", "x");
    const auto before = folder.names();
    const auto update = std::vector<std::string>{
        "--update", board, net, (folder / "misc.lbr").string()};

    auto failed = run_command(update);
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(
        failed.err.rfind(
            "malvor-convert: cannot write backup '" + (folder / "blink.b#8").string() + "': ", 0),
        0u)
        << failed.err;
    EXPECT_EQ(read_bytes(board), original);
    EXPECT_EQ(folder.names(), before);  // no new board left half-way
    for (int number = 1; number <= 8; ++number)
        EXPECT_EQ(read_bytes(folder / ("blink.b#" + std::to_string(number))),
                  "backup " + std::to_string(number));

    std::filesystem::remove_all(folder / "blink.b#9");
#ifndef _WIN32
    struct stat old_board {};
    ASSERT_EQ(::stat(board.c_str(), &old_board), 0);
#endif
    auto done = run_command(update);
    ASSERT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(read_bytes(folder / "blink.b#1"), original);
    EXPECT_NE(read_bytes(board), original);
    for (int number = 2; number <= 9; ++number)
        EXPECT_EQ(read_bytes(folder / ("blink.b#" + std::to_string(number))),
                  "backup " + std::to_string(number - 1));
#ifndef _WIN32
    struct stat backup {};
    ASSERT_EQ(::stat((folder / "blink.b#1").c_str(), &backup), 0);
    EXPECT_EQ(backup.st_ino, old_board.st_ino) << "the board itself, not a copy";
#endif
}

TEST(UpdateArguments, ThatDoNotGoTogether)
{
    const auto usage = run_command({"--help"}).out;
    EXPECT_NE(usage.find("--update BOARD"), std::string::npos);
    struct Case {
        std::vector<std::string> arguments;
        std::string problem;
    };
    const Case cases[] = {
        {{"--update"}, "--update needs the board's file name"},
        {{"--update", "a.brd", "a.net"}, "missing LIBRARY"},
        {{"--update", "a.brd", "--board", "a.net", "a.lbr"},
         "--update and --board do not go together"},
        {{"--dry-run", "a.net", "a.lbr"}, "--dry-run goes with --update"},
        {{"--update", "a.brd", "--dry-run", "-o", "b.brd", "a.net", "a.lbr"},
         "--dry-run writes nothing, so takes no -o"},
    };
    for (const auto& c : cases) {
        const auto result = run_command(c.arguments);
        EXPECT_EQ(result.status, 2) << c.problem;
        EXPECT_EQ(result.err, "malvor-convert: " + c.problem + "\n" + usage) << c.problem;
    }
}

}  // namespace
}  // namespace malvor
