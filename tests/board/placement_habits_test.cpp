// What a designer does with connectors, decoupling capacitors, holes and empty packages, each
// on a small board made by hand.
#include "placement_habits.h"
#include "placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace malvor {
namespace {

TEST(PlacementHabits, RolesFromNamesAndPackages)
{
    struct Case {
        PartFacts part;
        PartRole role;
    };
    const Case cases[] = {
        {{"J3", "SOMETHING", true, true}, PartRole::connector},
        {{"p12", "0603", true, true}, PartRole::connector},
        {{"X1", "", true, true}, PartRole::connector},
        {{"CN2", "", true, true}, PartRole::connector},
        {{"CON1", "", true, true}, PartRole::connector},
        {{"JP1", "0603", true, true}, PartRole::ordinary},
        {{"PWR", "0603", true, true}, PartRole::ordinary},
        {{"K1", "PinHeader_2x05_P2.54mm_Vertical", true, true}, PartRole::connector},
        {{"TP1", "PinHeader_1x01_P2.54mm_Vertical", true, true}, PartRole::ordinary},
        {{"K2", "USB_B_Horizontal", true, true}, PartRole::connector},
        {{"K3", "BarrelJack_Horizontal", true, true}, PartRole::connector},
        {{"K4", "TerminalBlock_2P", true, true}, PartRole::connector},
        {{"R1", "0603", true, true}, PartRole::ordinary},
        {{"H1", "MountingHole_3.2mm", true, false}, PartRole::hole},
        {{"J9", "HEADER", true, false}, PartRole::hole},
        {{"FRAME", "", false, false}, PartRole::empty},
    };
    for (const auto& c : cases)
        EXPECT_EQ(part_role(c.part), c.role) << c.part.name << " " << c.part.package;
    for (auto name : {"GND", "agnd", "GND_D", "VSS", "0V"})
        EXPECT_TRUE(ground_net(name)) << name;
    for (auto name : {"VCC", "+5V", "N$1", "VSSIO_OK"})
        EXPECT_FALSE(ground_net(name)) << name;
}

// Net i joins the listed (part, offset) entries.
struct HandBoard {
    std::vector<Extent> extents;
    PartNets nets;
    PartHabits habits;

    std::uint32_t add(Extent extent, PartRole role = PartRole::ordinary)
    {
        extents.push_back(extent);
        habits.roles.push_back(role);
        return static_cast<std::uint32_t>(extents.size() - 1);
    }
    std::uint32_t net(std::initializer_list<std::pair<std::uint32_t, Point>> entries)
    {
        const auto first = static_cast<std::uint32_t>(nets.parts.size());
        for (const auto& [part, at] : entries) {
            nets.parts.push_back(part);
            nets.offsets.push_back(at);
        }
        nets.starts.push_back(static_cast<std::uint32_t>(nets.parts.size()));
        return first;
    }
};

Extent placed(const HandBoard& board, const Placement& placement, std::uint32_t p)
{
    const auto& e = board.extents[p];
    const auto box = turned(
        Extent{std::min<std::int64_t>(e.x1, 0), std::min<std::int64_t>(e.y1, 0),
               std::max<std::int64_t>(e.x2, 0), std::max<std::int64_t>(e.y2, 0)},
        placement.turns[p]);
    const auto& o = placement.origins[p];
    return {box.x1 + o.x, box.y1 + o.y, box.x2 + o.x, box.y2 + o.y};
}

// An IC with a few resistors around it, each joined to one of its pins.
HandBoard ic_with_resistors(int resistors)
{
    HandBoard board;
    const auto ic = board.add({-5000, -5000, 5000, 5000});
    for (int i = 0; i < resistors; ++i) {
        const auto r = board.add({-1000, -500, 1000, 500});
        board.net({{ic, {-5000 + 1000 * i, -5000}}, {r, {-800, 0}}});
    }
    return board;
}

void expect_no_overlap(const HandBoard& board, const Placement& placement)
{
    for (std::uint32_t a = 0; a < board.extents.size(); ++a) {
        for (std::uint32_t b = a + 1; b < board.extents.size(); ++b) {
            if (board.habits.roles[a] == PartRole::empty ||
                board.habits.roles[b] == PartRole::empty)
                continue;
            const auto e = placed(board, placement, a), f = placed(board, placement, b);
            EXPECT_TRUE(e.x2 + part_gap <= f.x1 || f.x2 + part_gap <= e.x1 ||
                        e.y2 + part_gap <= f.y1 || f.y2 + part_gap <= e.y1)
                << a << " and " << b;
        }
    }
}

TEST(PlacementHabits, ConnectorsOnTheEdgeTheirPadsInward)
{
    for (int connectors = 1; connectors <= 4; ++connectors) {
        auto board = ic_with_resistors(6);
        std::vector<std::uint32_t> added;
        for (int c = 0; c < connectors; ++c) {
            // A right-angled header: its pads along one long side of its body.
            const auto j = board.add({-6000, -1000, 6000, 7000}, PartRole::connector);
            board.net({{0, {5000, -4000 + 2000 * c}}, {j, {-2540, 0}}});
            board.net({{1 + static_cast<std::uint32_t>(c), {800, 0}}, {j, {2540, 0}}});
            added.push_back(j);
        }
        const auto placement = place_parts(board.extents, board.nets, board.habits);
        expect_no_overlap(board, placement);
        const auto& outline = placement.outline;
        const double mx = double(outline.x2) / 2, my = double(outline.y2) / 2;
        for (auto j : added) {
            const auto box = placed(board, placement, j);
            const bool on_edge = box.x1 == outline.x1 + outline_margin ||
                                 box.y1 == outline.y1 + outline_margin ||
                                 box.x2 == outline.x2 - outline_margin ||
                                 box.y2 == outline.y2 - outline_margin;
            EXPECT_TRUE(on_edge) << connectors << " connectors, part " << j;
            const auto pad = turned(Point{0, 0}, placement.turns[j]);
            const double px = double(placement.origins[j].x + pad.x) - mx;
            const double py = double(placement.origins[j].y + pad.y) - my;
            const double bx = double(box.x1 + box.x2) / 2 - mx,
                         by = double(box.y1 + box.y2) / 2 - my;
            EXPECT_LT(px * px + py * py, bx * bx + by * by)
                << connectors << " connectors: the pads of part " << j << " face outward";
        }
    }
}

// On the side nearest the part it joins, and beside it along that side.
TEST(PlacementHabits, AConnectorOnTheSideOfThePartsItJoins)
{
    for (std::uint32_t joined = 1; joined <= 8; ++joined) {
        auto board = ic_with_resistors(8);
        // A large display, each resistor also on a pin at its corner: where they end up is the
        // packing's, not the spread's.
        const auto display = board.add({0, 0, 40000, 25000});
        for (std::uint32_t r = 1; r <= 8; ++r)
            board.net({{r, {0, 0}}, {display, {1000 + 500 * std::int64_t{r}, 1000}}});
        const auto j = board.add({-2540, -1270, 2540, 1270}, PartRole::connector);
        board.net({{joined, {800, 0}}, {j, {0, 0}}});
        const auto placement = place_parts(board.extents, board.nets, board.habits);
        expect_no_overlap(board, placement);
        const auto& outline = placement.outline;
        // The packed parts' box, and the pin the connector joins.
        Extent packed = placed(board, placement, 0);
        for (std::uint32_t p = 1; p < j; ++p) {
            const auto b = placed(board, placement, p);
            packed = {std::min(packed.x1, b.x1), std::min(packed.y1, b.y1),
                      std::max(packed.x2, b.x2), std::max(packed.y2, b.y2)};
        }
        const auto pin = turned(Point{800, 0}, placement.turns[joined]);
        const double px = double(placement.origins[joined].x + pin.x);
        const double py = double(placement.origins[joined].y + pin.y);
        // Bottom, right, top, left: how far the pin is from each, which the connector touches.
        const double distance[] = {py - double(packed.y1), double(packed.x2) - px,
                                   double(packed.y2) - py, px - double(packed.x1)};
        const auto c = placed(board, placement, j);
        const bool touches[] = {c.y1 == outline_margin, c.x2 == outline.x2 - outline_margin,
                                c.y2 == outline.y2 - outline_margin, c.x1 == outline_margin};
        const auto nearest = std::min_element(distance, distance + 4) - distance;
        // Near a corner either side is as good: then beside the pin, within its own width.
        const double beside = std::hypot(std::max({double(c.x1) - px, px - double(c.x2), 0.0}),
                                         std::max({double(c.y1) - py, py - double(c.y2), 0.0}));
        EXPECT_TRUE(std::count(touches, touches + 4, true) > 0) << "joined to part " << joined;
        EXPECT_TRUE(touches[nearest] || beside <= 5080) << "joined to part " << joined;
    }
}

TEST(PlacementHabits, TheDecouplingCapacitorBesideItsIcsSupplyPin)
{
    auto board = ic_with_resistors(3);
    const Point supply{5000, 4000};
    std::uint32_t capacitors[5];
    for (auto& c : capacitors)
        c = board.add({-800, -400, 800, 400});
    // The other capacitors (on no ground) each on a pin of the IC beside the supply pin: they
    // crowd the place beside it.
    board.net({{capacitors[1], {-700, 0}}, {0, {5000, 3000}}});
    board.net({{capacitors[2], {-700, 0}}, {0, {5000, 2000}}});
    board.net({{capacitors[3], {-700, 0}}, {0, {4000, 5000}}});
    board.net({{capacitors[4], {-700, 0}}, {0, {3000, 5000}}});
    const auto pin = board.net({{0, supply}, {capacitors[0], {-700, 0}}, {3, {800, 0}}});
    board.net({{0, {-5000, 4000}}, {capacitors[0], {700, 0}}});
    const std::vector<std::string_view> net_names{"A", "B", "C", "D", "E", "F", "G", "VCC", "GND"};
    const std::vector<std::string_view> part_names{
        "U1", "R1", "R2", "R3", "C1", "C2", "C3", "C4", "C5"};
    const std::vector<std::uint32_t> pads{16, 2, 2, 2, 2, 2, 2, 2, 2};
    const auto found = decoupling_capacitors(board.nets, net_names, part_names, pads);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].capacitor, capacitors[0]);
    EXPECT_EQ(found[0].pin, pin);
    board.habits.decoupling = found;

    const auto placement = place_parts(board.extents, board.nets, board.habits);
    expect_no_overlap(board, placement);
    const auto at = turned(supply, placement.turns[0]);
    const double px = double(placement.origins[0].x + at.x),
                 py = double(placement.origins[0].y + at.y);
    auto distance = [&](std::uint32_t p) {
        const auto box = placed(board, placement, p);
        return std::hypot(double(box.x1 + box.x2) / 2 - px, double(box.y1 + box.y2) / 2 - py);
    };
    for (std::uint32_t p = 1; p < board.extents.size(); ++p) {
        if (p != capacitors[0] && board.extents[p] == board.extents[capacitors[0]]) {
            EXPECT_LT(distance(capacitors[0]), distance(p)) << p;
        }
    }
    EXPECT_LT(distance(capacitors[0]), 7000);  // beside the IC
}

TEST(PlacementHabits, HolesInTheCornersEmptyPackagesAtTheOutlinesCorner)
{
    for (int holes = 1; holes <= 4; ++holes) {
        auto board = ic_with_resistors(8);
        const auto empty = board.add({}, PartRole::empty);
        std::vector<std::uint32_t> added;
        for (int h = 0; h < holes; ++h)
            added.push_back(board.add({-1600, -1600, 1600, 1600}, PartRole::hole));
        const auto placement = place_parts(board.extents, board.nets, board.habits);
        expect_no_overlap(board, placement);
        const auto& outline = placement.outline;
        std::vector<std::pair<bool, bool>> corners;
        for (auto h : added) {
            const auto box = placed(board, placement, h);
            const bool left = box.x1 == outline.x1 + outline_margin;
            const bool right = box.x2 == outline.x2 - outline_margin;
            const bool bottom = box.y1 == outline.y1 + outline_margin;
            const bool top = box.y2 == outline.y2 - outline_margin;
            EXPECT_TRUE((left || right) && (bottom || top)) << holes << " holes, part " << h;
            corners.push_back({left, bottom});
        }
        std::sort(corners.begin(), corners.end());
        EXPECT_EQ(std::unique(corners.begin(), corners.end()), corners.end()) << holes;
        const auto& o = placement.origins[empty];
        EXPECT_GT(o.x, outline.x1);
        EXPECT_GT(o.y, outline.y1);
        EXPECT_LE(o.x, outline.x1 + outline_margin);
        EXPECT_LE(o.y, outline.y1 + outline_margin);
    }
}

}  // namespace
}  // namespace malvor
