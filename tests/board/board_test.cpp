// The board: package extents, the placement's properties, malvor-convert --board and --place.
#include "board_writer.h"
#include "command_run.h"
#include "package_extent.h"
#include "placement.h"
#include "placement_habits.h"
#include "script_names.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <sstream>

namespace malvor {
namespace {

using namespace testing_support;

TEST(PackageExtent, EveryElementWithItsSizeAndRotation)
{
    struct Case {
        const char* what;
        const char* package;
        Extent extent;
    };
    const Case cases[] = {
        // clang-format off
        {"nothing to measure", "", {}},
        {"texts do not count", R"(<text x="-9" y="9" size="5" layer="25">&gt;NAME</text><text x="9" size="5" layer="51">REF</text>)", {}},
        {"a wire with its width", R"(<wire x1="-1" y1="0" x2="1" y2="0.5" width="0.2" layer="21"/>)", {-1100, -100, 1100, 600}},
        {"a half circle counterclockwise passes below", R"(<wire x1="-1" y1="0" x2="1" y2="0" width="0" layer="21" curve="180"/>)", {-1000, -1000, 1000, 0}},
        {"a half circle clockwise passes above", R"(<wire x1="-1" y1="0" x2="1" y2="0" width="0.2" layer="21" curve="-180"/>)", {-1100, -100, 1100, 1100}},
        {"a three-quarter arc", R"(<wire x1="1" y1="0" x2="0" y2="-1" width="0" layer="21" curve="270"/>)", {-1000, -1000, 1000, 1000}},
        {"a circle", R"(<circle x="1" y="1" radius="2" width="0.5" layer="21"/>)", {-1250, -1250, 3250, 3250}},
        {"a rectangle turned about its middle", R"(<rectangle x1="0" y1="0" x2="4" y2="2" layer="51" rot="R90"/>)", {1000, -1000, 3000, 3000}},
        {"a polygon with an arc side", R"(<polygon width="0.2" layer="1"><vertex x="0" y="0"/><vertex x="2" y="0" curve="180"/><vertex x="0" y="0"/></polygon>)", {-100, -100, 2100, 1100}},
        {"an smd turned a quarter", R"(<smd name="1" x="0" y="0" dx="2" dy="1" layer="1" rot="R90"/>)", {-500, -1000, 500, 1000}},
        {"an smd turned 45 degrees", R"(<smd name="1" x="0" y="0" dx="2" dy="2" layer="1" rot="R45"/>)", {-1415, -1415, 1415, 1415}},
        {"a pad with EAGLE's ring", R"(<pad name="1" x="0" y="0" drill="0.8"/>)", {-654, -654, 654, 654}},
        {"a large drill's ring at most 20 mil", R"(<pad name="1" x="0" y="0" drill="3"/>)", {-2008, -2008, 2008, 2008}},
        {"a long pad", R"(<pad name="1" x="0" y="0" drill="0.4" diameter="1" shape="long"/>)", {-1000, -500, 1000, 500}},
        {"a long pad turned", R"(<pad name="1" x="0" y="0" drill="0.4" diameter="1" shape="long" rot="R90"/>)", {-500, -1000, 500, 1000}},
        {"an offset pad", R"(<pad name="1" x="0" y="0" drill="0.4" diameter="1" shape="offset"/>)", {-500, -500, 1500, 500}},
        {"an offset pad mirrored", R"(<pad name="1" x="0" y="0" drill="0.4" diameter="1" shape="offset" rot="MR0"/>)", {-1500, -500, 500, 500}},
        {"an offset pad turned back", R"(<pad name="1" x="0" y="0" drill="0.4" diameter="1" shape="offset" rot="R270"/>)", {-500, -1500, 500, 500}},
        {"a diameter below the ring the rules ask for", R"(<pad name="1" x="0" y="0" drill="2" diameter="1"/>)", {-1500, -1500, 1500, 1500}},
        {"a negative width or drill counts as positive", R"(<hole x="0" y="0" drill="-2"/><wire x1="0" y1="0" x2="0" y2="0" width="-4" layer="21"/>)", {-2000, -2000, 2000, 2000}},
        {"a hole", R"(<hole x="1" y="0" drill="3"/>)", {-500, -1500, 2500, 1500}},
        {"a frame and a dimension", R"(<frame x1="0" y1="0" x2="5" y2="4" columns="1" rows="1" layer="94"/><dimension x1="-1" y1="0" x2="0" y2="0" x3="0" y3="-2" layer="47"/>)", {-1000, -2000, 5000, 4000}},
        {"unreadable numbers count as 0", R"(<smd name="1" x="abc" y="1e999" dx="2" dy="nan" layer="1"/>)", {-1000, 0, 1000, 0}},
        {"a micrometre's fraction rounds outward", R"(<smd name="1" x="0.0004" y="0" dx="0.0001" dy="0.0001" layer="1"/>)", {0, -1, 1, 1}},
        // clang-format on
    };
    for (const auto& c : cases) {
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(
            (std::string("<package name=\"P\">") + c.package + "</package>").c_str()))
            << c.what;
        EXPECT_EQ(package_extent(document.child("package")), c.extent) << c.what;
    }
}

// Parts of random sizes in modules of eight, joined by small nets inside a module, a few between
// neighbouring modules, and a ground net over everything.
struct RandomBoard {
    std::vector<Extent> extents;
    PartNets nets;
};

// `catalogue`: the parts of a few packages only, as on real boards, where many are alike.
RandomBoard random_board(std::size_t parts, unsigned seed, bool catalogue = false)
{
    std::mt19937 random(seed);
    RandomBoard board;
    auto size = [&](int smallest, int largest) {
        return std::uniform_int_distribution<std::int64_t>(smallest, largest)(random);
    };
    for (std::size_t p = 0; p < parts; ++p) {
        // Mostly chip parts, some larger packages.
        const bool large = random() % 8 == 0;
        const auto w = large ? size(5000, 30000) : size(1000, 4000);
        const auto h = large ? size(5000, 20000) : size(500, 3000);
        const auto x = -size(0, static_cast<int>(w)), y = -size(0, static_cast<int>(h));
        board.extents.push_back({x, y, x + w, y + h});
        if (catalogue) {
            constexpr Extent packages[] = {{-800, -400, 800, 400},
                                           {-800, -400, 800, 400},
                                           {-1500, -700, 1500, 700},
                                           {-2500, -2000, 2500, 2000},
                                           {-1300, -1300, 11300, 1300}};
            board.extents.back() = packages[random() % 5];
        }
    }
    auto add_net = [&](std::vector<std::uint32_t> members) {
        board.nets.parts.insert(board.nets.parts.end(), members.begin(), members.end());
        board.nets.starts.push_back(static_cast<std::uint32_t>(board.nets.parts.size()));
    };
    for (std::size_t module = 0; module < parts; module += 8) {
        const auto end = std::min(parts, module + 8);
        for (int n = 0; n < 6; ++n) {
            std::vector<std::uint32_t> members;
            for (int m = 0; m < 2 + static_cast<int>(random() % 3); ++m)
                members.push_back(static_cast<std::uint32_t>(module + random() % (end - module)));
            add_net(members);
        }
        if (end < parts)
            add_net({static_cast<std::uint32_t>(end - 1), static_cast<std::uint32_t>(end)});
    }
    std::vector<std::uint32_t> ground(parts);
    std::iota(ground.begin(), ground.end(), 0);
    add_net(ground);
    // The parts in no order that follows the nets.
    std::vector<std::uint32_t> shuffled(parts);
    std::iota(shuffled.begin(), shuffled.end(), 0);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    for (auto& part : board.nets.parts)
        part = shuffled[part];
    return board;
}

// Where a part's extent, with its origin, lies as placed.
Extent placed_box(const Extent& extent, Point origin, int turns)
{
    const auto e = turned(
        Extent{std::min<std::int64_t>(extent.x1, 0), std::min<std::int64_t>(extent.y1, 0),
               std::max<std::int64_t>(extent.x2, 0), std::max<std::int64_t>(extent.y2, 0)},
        turns);
    return {e.x1 + origin.x, e.y1 + origin.y, e.x2 + origin.x, e.y2 + origin.y};
}

// The airwires over the parts' middles (as turned), each part's middle moved by `shift`.
double airwires(const RandomBoard& board, const Placement& placement,
                const std::vector<Point>& shift)
{
    std::vector<Point> points;
    for (auto part : board.nets.parts) {
        const auto box = placed_box(
            board.extents[part], placement.origins[part], placement.turns[part]);
        points.push_back(
            {(box.x1 + box.x2) / 2 + shift[part].x, (box.y1 + box.y2) / 2 + shift[part].y});
    }
    return airwire_length(points, board.nets.starts);
}

// The airwires against the same places given to the parts at random: median of five shuffles.
double shuffled_ratio(const RandomBoard& board, const Placement& placement, unsigned seed)
{
    const auto parts = board.extents.size();
    std::vector<Point> middles;
    for (std::size_t p = 0; p < parts; ++p) {
        const auto box = placed_box(board.extents[p], placement.origins[p], placement.turns[p]);
        middles.push_back({(box.x1 + box.x2) / 2, (box.y1 + box.y2) / 2});
    }
    std::mt19937 random(seed);
    std::vector<double> shuffled;
    for (int s = 0; s < 5; ++s) {
        auto order = middles;
        std::shuffle(order.begin(), order.end(), random);
        std::vector<Point> shift(parts);
        for (std::size_t p = 0; p < parts; ++p)
            shift[p] = {order[p].x - middles[p].x, order[p].y - middles[p].y};
        shuffled.push_back(airwires(board, placement, shift));
    }
    std::sort(shuffled.begin(), shuffled.end());
    return airwires(board, placement, std::vector<Point>(parts)) / shuffled[2];
}

// Every part inside the outline by the margin and no two closer than the gap.
void expect_apart_and_inside(const std::vector<Extent>& extents, const Placement& placement,
                             const std::string& what)
{
    std::vector<Extent> placed;
    for (std::size_t p = 0; p < extents.size(); ++p)
        placed.push_back(placed_box(extents[p], placement.origins[p], placement.turns[p]));
    const auto& outline = placement.outline;
    EXPECT_EQ(outline.x1, 0) << what;
    EXPECT_EQ(outline.y1, 0) << what;
    for (const auto& e : placed) {
        EXPECT_GE(e.x1, outline.x1 + outline_margin) << what;
        EXPECT_GE(e.y1, outline.y1 + outline_margin) << what;
        EXPECT_LE(e.x2, outline.x2 - outline_margin) << what;
        EXPECT_LE(e.y2, outline.y2 - outline_margin) << what;
    }
    // Sorted by left edge, a part meets only those starting before its right edge.
    std::sort(
        placed.begin(), placed.end(), [](const Extent& a, const Extent& b) { return a.x1 < b.x1; });
    for (std::size_t a = 0; a < placed.size(); ++a)
        for (std::size_t b = a + 1; b < placed.size() && placed[b].x1 < placed[a].x2 + part_gap;
             ++b)
            ASSERT_TRUE(placed[b].y1 >= placed[a].y2 + part_gap ||
                        placed[a].y1 >= placed[b].y2 + part_gap ||
                        placed[b].x1 >= placed[a].x2 + part_gap)
                << what << ": parts closer than the gap";
}

TEST(Placement, ApartInsideSquareDenseAndConnectedPartsNear)
{
    for (std::size_t parts : {0, 1, 2, 7, 20, 60, 500, 2000}) {
        for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
            // Seeds from 4 on: parts of a few packages.
            const bool catalogue = seed > 3;
            if (catalogue && parts > 500)
                continue;
            const std::string what = std::to_string(parts) + " parts, seed " + std::to_string(seed);
            const auto board = random_board(parts, seed, catalogue);
            const auto placement = place_parts(board.extents, board.nets);
            ASSERT_EQ(placement.origins.size(), parts) << what;
            ASSERT_EQ(placement.turns.size(), parts) << what;
            const auto again = place_parts(board.extents, board.nets);
            EXPECT_EQ(again.origins, placement.origins) << what;
            EXPECT_EQ(again.turns, placement.turns) << what;
            expect_apart_and_inside(board.extents, placement, what);
            if (parts < 20)
                continue;  // a few parts, a few ways to place them
            EXPECT_LE(shuffled_ratio(board, placement, seed), 0.75) << what;
            if (parts < 60)
                continue;  // the margin decides a small board's area
            double area = 0;
            for (const auto& e : board.extents)
                area += double(e.width() + part_gap) * double(e.height() + part_gap);
            const auto& outline = placement.outline;
            const double width = double(outline.width()), height = double(outline.height());
            EXPECT_LE(std::max(width, height) / std::min(width, height), 2.0) << what;
            EXPECT_LE(width * height, 2 * area) << what;
        }
    }
}

TEST(Placement, APartWiderThanAllOthersTogether)
{
    const std::vector<Extent> extents{
        {0, 0, 100000, 1000}, {0, 0, 1000, 1000}, {-500, 0, 500, 1000}};
    const auto placement = place_parts(extents, {});
    expect_apart_and_inside(extents, placement, "wide");
    EXPECT_EQ(placement.outline.width(), 104000);
}

TEST(Placement, AnExtentFarFromItsOriginCoversTheOrigin)
{
    const std::vector<Extent> extents{{10000, 10000, 12000, 11000}, {-500, -500, 500, 500}};
    const auto placement = place_parts(extents, {});
    for (std::size_t p = 0; p < extents.size(); ++p) {
        const auto& o = placement.origins[p];
        EXPECT_GE(o.x, outline_margin) << p;
        EXPECT_GE(o.y, outline_margin) << p;
    }
    expect_apart_and_inside(extents, placement, "far");
}

TEST(Placement, TurnsOfPointsAndExtents)
{
    const Point p{3, 1};
    const Point expected[] = {{3, 1}, {-1, 3}, {-3, -1}, {1, -3}};
    for (int turns = 0; turns < 4; ++turns)
        EXPECT_EQ(turned(p, turns), expected[turns]) << turns;
    EXPECT_EQ(turned(Extent{-1, -2, 4, 3}, 1), (Extent{-3, -1, 2, 4}));
    EXPECT_EQ(turned(Extent{-1, -2, 4, 3}, 2), (Extent{-4, -3, 1, 2}));
}

TEST(Placement, AirwiresOfEachNetASpanningTree)
{
    const std::vector<Point> points{{0, 0}, {3, 4}, {3, 0}, {0, 0}, {10, 0}, {7, 7}};
    EXPECT_DOUBLE_EQ(airwire_length(points, {0, 3, 3, 4, 6}), 7 + std::hypot(3.0, 7.0));
    EXPECT_DOUBLE_EQ(airwire_length({}, {0}), 0);
}

TEST(BoardText, MillimetresAndLatin1)
{
    EXPECT_EQ(millimetres(0), "0");
    EXPECT_EQ(millimetres(12700), "12.7");
    EXPECT_EQ(millimetres(-1), "-0.001");
    EXPECT_EQ(millimetres(-2540), "-2.54");
    EXPECT_EQ(millimetres(INT64_MIN), "-9223372036854775.808");
    EXPECT_EQ(utf8_text("R\xb5\xc3\xa9-\xe2\x82\xac\xed\xa0\x80\xc3"),
              "R\xc2\xb5\xc3\xa9-\xe2\x82\xac\xc3\xad\xc2\xa0\xc2\x80\xc3\x83");
}

const std::string board_data = MALVOR_TEST_DATA "/board/";

class Board : public testing::Test {
protected:
    std::vector<std::string> mixed() const
    {
        return {"--map",
                board_data + "mixed.csv",
                net,
                board_data + "ics.lbr",
                board_data + "power.lbr",
                board_data + "misc.lbr"};
    }

    TempFolder folder;
    std::string net = folder.write("Mixed.net", read_bytes(board_data + "mixed.net")).string();
    std::string brd = board_path(net);  // beside it, lower-cased as the system wants
};

// The package elements of a library file, by name.
std::map<std::string, std::string> packages_in(const pugi::xml_node& packages)
{
    std::map<std::string, std::string> texts;
    for (auto package : packages.children("package")) {
        std::ostringstream text;
        package.print(text, "", pugi::format_raw);
        texts[package.attribute("name").value()] = text.str();
    }
    return texts;
}

TEST_F(Board, EveryPackageCopiedEveryContactAPadOfIt)
{
    auto arguments = mixed();
    arguments.insert(arguments.begin(), "--board");
    const auto result = run_command(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, brd + "\n");
    EXPECT_EQ(result.err, "");
    const auto bytes = read_bytes(brd);
    EXPECT_EQ(run_command(arguments).status, 0);
    EXPECT_EQ(read_bytes(brd), bytes);  // the same input, the same bytes

    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(bytes.c_str()));
    EXPECT_TRUE(bytes.starts_with(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE eagle SYSTEM \"eagle.dtd\">\n<eagle version=\"6.3\">\n"));
    const auto board = document.child("eagle").child("drawing").child("board");
    std::vector<std::string> order;
    for (auto child : board.children())
        order.push_back(child.name());
    EXPECT_EQ(order, (std::vector<std::string>{"plain", "libraries", "attributes", "variantdefs",
                                               "classes", "elements", "signals"}));

    std::set<int> layers;
    for (auto layer : document.child("eagle").child("drawing").child("layers").children())
        layers.insert(layer.attribute("number").as_int());
    std::set<int> expected{1, 100};
    for (int number = 16; number <= 52; ++number)
        expected.insert(number);
    EXPECT_EQ(layers, expected);

    // Copied exactly, and only those used.
    std::map<std::string, std::map<std::string, std::string>> copied;
    for (auto library : board.child("libraries").children("library"))
        copied[library.attribute("name").value()] = packages_in(library.child("packages"));
    ASSERT_EQ(copied.size(), 3u);
    for (const char* name : {"ics", "power", "misc"}) {
        pugi::xml_document library;
        ASSERT_TRUE(library.load_file((board_data + name + ".lbr").c_str()));
        auto all =
            packages_in(library.child("eagle").child("drawing").child("library").child("packages"));
        EXPECT_EQ(copied[name], all) << name;  // the test libraries hold no unused package
    }

    std::map<std::string, std::string> package_of;
    for (auto element : board.child("elements").children("element")) {
        const std::string library = element.attribute("library").value();
        const std::string package = element.attribute("package").value();
        EXPECT_TRUE(copied[library].count(package)) << package;
        const std::string rot = element.attribute("rot").value();
        EXPECT_TRUE(rot.empty() || rot == "R90" || rot == "R180" || rot == "R270") << rot;
        package_of[element.attribute("name").value()] = library + "/" + package;
    }
    EXPECT_EQ(package_of.size(), 11u);
    EXPECT_EQ(package_of["U$1"], "ics/SO-8");
    EXPECT_EQ(package_of["3.3V_E"], "power/TO-220");

    std::map<std::string, std::vector<std::string>> signals;
    for (auto signal : board.child("signals").children("signal")) {
        auto& contacts = signals[signal.attribute("name").value()];
        for (auto contact : signal.children("contactref")) {
            const std::string element = contact.attribute("element").value();
            const std::string pad = contact.attribute("pad").value();
            const auto& [library, package] = [&] {
                auto whole = package_of.at(element);
                auto slash = whole.find('/');
                return std::pair(whole.substr(0, slash), whole.substr(slash + 1));
            }();
            EXPECT_NE(copied[library][package].find("name=\"" + pad + "\""), std::string::npos)
                << element << " " << pad;
            contacts.push_back(element + " " + pad);
        }
    }
    EXPECT_EQ(signals.size(), 9u);
    EXPECT_EQ(
        signals["GND"], (std::vector<std::string>{"U$1 P$1", "U2 7", "LCD 1.1", "3.3V_E GND@1",
                                                  "J1 -", "C1 2", "X1 6", "Q1 2"}));
    EXPECT_EQ(signals["DATA/1"], (std::vector<std::string>{"U2 4", "LCD 2.3"}));
    EXPECT_EQ(signals["$3V3"], (std::vector<std::string>{"3.3V_E OUT", "R1 1", "X1 2", "D1 A"}));
    EXPECT_TRUE(signals.count("!CS") && signals.count("/RESET") && signals.count("+5V"));

    int sides = 0;
    for (auto wire : board.child("plain").children("wire"))
        sides += wire.attribute("layer").as_int() == 20;
    EXPECT_EQ(sides, 4);
}

// A small board byte for byte: the form every reader gets.
TEST_F(Board, ASmallBoardByteForByte)
{
    auto netlist = folder.write(
        "small.net",
        "[\r\nR1\r\n0603\r\n1k & <2>\r\n]\r\n[\r\nD1\r\nLED-3MM\r\n\"R\xe9\"\r\n]\r\n(\r\nA_NET_OF_A_LONG_NAME\r\nR1-1\r\nD1-A\r\nr1,1\r\n)\r\n(\r\nLONE\r\nR1-2\r\n)\r\n");
    const auto result =
        run_command({"--board", "-o", "-", netlist.string(), board_data + "misc.lbr"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err,
              netlist.string() +
                  ":15: warning: node 'r1,1': the pin is twice in net 'A_NET_OF_A_LONG_NAME'\n" +
                  netlist.string() +
                  ":18: warning: net 'LONE' has 1 node; an EAGLE signal needs at least two\n");
    EXPECT_EQ(result.out, read_bytes(board_data + "small.brd"));
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"Mixed.net", "small.net"}));
}

TEST_F(Board, NotWrittenWhenEagleOrKicadWouldNotOpenItAsMeant)
{
    struct Case {
        const char* what;
        std::string netlist;
        std::string err;
    };
    auto part = [](const std::string& name, const std::string& package) {
        return "[\r\n" + name + "\r\n" + package + "\r\nV\r\n]\r\n";
    };
    const auto two = part("R1", "0603") + part("R2", "0603");
    const Case cases[] = {
        // clang-format off
        {"a package no library holds", two + part("U1", "SO-99"), "NET:13: package 'SO-99' of component 'U1' is not in the library\n"},
        {"a pad the package lacks", two + "(\r\nN\r\nR1-1\r\nR2-3\r\n)\r\n", "NET:14: node 'R2-3': package '0603' of component 'R2' has no pad '3'; its pads: '1', '2'\n"},
        {"a pad in two nets", two + "(\r\nN\r\nR1-1\r\nR2-1\r\n)\r\n(\r\nM\r\nR1-2\r\nr2,1\r\n)\r\n", "NET:19: node 'r2,1': the pin is already in an earlier net\n"},
        {"long names equal ignoring case", two + "(\r\nLONG_NAME_A\r\nR1-1\r\nR2-1\r\n)\r\n(\r\nlong_name_a\r\nR1-2\r\nR2-2\r\n)\r\n", "NET:17: net 'long_name_a' has the name of net 'LONG_NAME_A' (EAGLE ignores case)\n"},
        {"components equal ignoring case", two + part("r1", "0603"), "NET:12: component 'r1' has the name of component 'R1' (EAGLE ignores case)\n"},
        {"a control character", two + part("C\x1b", "0603"), "NET:12: component 'C\\x1B' holds a control character\n"},
        {"no package", two + part("C1", "PATTERN"), "NET:13: component 'C1' has no package\n"},
        {"harmless problems said as they are beside the others", two + "(\r\nN\r\nR1-1\r\n)\r\n(\r\nM\r\nR2-1\r\nR3-1\r\n)\r\n", "NET:12: net 'N' has 1 node; an EAGLE signal needs at least two\nNET:18: node 'R3-1' names component 'R3', which the netlist does not have\n"},
        // clang-format on
    };
    const auto old = folder.write("refused.brd", "old board");
    for (const auto& c : cases) {
        const auto netlist = folder.write("refused.net", c.netlist).string();
        auto result = run_command({"--board", netlist, board_data + "misc.lbr"});
        for (auto at = result.err.find(netlist); at != std::string::npos;
             at = result.err.find(netlist))
            result.err.replace(at, netlist.size(), "NET");
        EXPECT_EQ(result.status, 3) << c.what;
        EXPECT_EQ(result.out, "") << c.what;
        EXPECT_EQ(result.err, c.err) << c.what;
        EXPECT_EQ(read_bytes(old), "old board") << c.what;
    }
    EXPECT_EQ(
        folder.names(), (std::vector<std::string>{"Mixed.net", "refused.brd", "refused.net"}));
}

TEST_F(Board, ArgumentsThatDoNotGoTogether)
{
    const auto usage = run_command({"--help"}).out;
    struct Case {
        std::vector<std::string> arguments;
        std::string problem;
    };
    const Case cases[] = {
        {{"--board", "a.net"}, "missing LIBRARY"},
        {{"--board", "--check", "a.net", "a.lbr"}, "--board and --check do not go together"},
        {{"--board", "--place", "packed", "a.net", "a.lbr"}, "--place goes with a script"},
        {{"--place", "grid", "a.net", "a.lbr"}, "--place takes 'packed'"},
        {{"a.net", "a.lbr", "--place"}, "--place needs 'packed'"},
        {{"--list", "--place", "packed", "a.net"}, "--place goes with a script"},
    };
    for (const auto& c : cases) {
        const auto result = run_command(c.arguments);
        EXPECT_EQ(result.status, 2) << c.problem;
        EXPECT_EQ(result.err, "malvor-convert: " + c.problem + "\n" + usage) << c.problem;
    }
}

// --place packed: the script's parts where the board has them, on whole mil and apart; without
// it the fixed grid as ever.
TEST_F(Board, ThePackedPlacementForTheScript)
{
    auto arguments = mixed();
    arguments.insert(arguments.begin(), {"-o", "-", "--place", "packed"});
    const auto packed = run_command(arguments);
    ASSERT_EQ(packed.status, 0) << packed.err;
    arguments.erase(arguments.begin() + 2, arguments.begin() + 4);
    const auto grid = run_command(arguments);
    ASSERT_EQ(grid.status, 0);
    auto adds = [](const std::string& script) {
        std::vector<std::string> lines;
        std::istringstream in(script);
        for (std::string line; std::getline(in, line);)
            if (line.starts_with("Add "))
                lines.push_back(line.substr(line.find('(')));
        return lines;
    };
    EXPECT_EQ(adds(grid.out)[1], "( 1000 10000 );\r");
    const auto places = adds(packed.out);
    ASSERT_EQ(places.size(), 11u);
    EXPECT_EQ(std::set<std::string>(places.begin(), places.end()).size(), 11u);
    EXPECT_EQ(places[0], "( 1188 3980 );\r");  // U$1, SO-8
    // A turned part's Add names its orientation before the place, as the board's rot says.
    std::vector<std::string> turns;
    std::istringstream lines(packed.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("Add "))
            continue;
        const auto place = line.find(" ( ");
        const auto word = line.rfind(' ', place - 1);
        const auto last = line.substr(word + 1, place - word - 1);
        turns.push_back(last.starts_with("R") && last.find('@') == std::string::npos ? last : "");
    }
    EXPECT_EQ(turns, (std::vector<std::string>{"R90", "", "R270", "R180", "R180", "R90", "R90",
                                               "R180", "R90", "R270", "R180"}));
    // Every line but the Add and Name lines stays as it was.
    auto others = [](const std::string& script) {
        std::string kept;
        std::istringstream in(script);
        for (std::string line; std::getline(in, line);)
            if (!line.starts_with("Add ") && !line.starts_with("Name "))
                kept += line + "\n";
        return kept;
    };
    EXPECT_EQ(others(packed.out), others(grid.out));
}

}  // namespace
}  // namespace malvor
