// The refinement of a packed placement, on boards whose start is legal but poor: parts in a
// grid in an order that ignores the nets, some fixed, connectors on the outline's sides.
#include "placement_refine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace malvor {
namespace {

struct Start {
    RefineParts parts;
    PartNets nets;
    Placement placement;
};

// `count` parts in rows with room between them, each in the place of a random other as far as
// the nets go; one in `fixed_every` fixed; `connectors` of them on the outline's sides.
Start grid_start(std::size_t count, unsigned seed, std::size_t fixed_every, int connectors)
{
    std::mt19937 random(seed);
    auto size = [&](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(random);
    };
    Start start;
    auto& parts = start.parts;
    const std::int64_t pitch = 12000, margin = parts.margin;
    std::size_t columns = 1;
    while (columns * columns < count)
        ++columns;
    const std::int64_t side = std::int64_t(columns) * pitch + 2 * margin + 2 * pitch;
    start.placement.outline = {0, 0, side, side};
    for (std::size_t p = 0; p < count; ++p) {
        const bool large = p % 7 == 3;
        const auto w = large ? size(5000, 9000) : size(1000, 4000);
        const auto h = large ? size(3000, 9000) : size(500, 3000);
        const auto x = -size(0, w), y = -size(0, h);
        parts.boxes.push_back({x, y, x + w, y + h});
        const bool fixed = fixed_every > 0 && p % fixed_every == fixed_every - 1;
        parts.movable.push_back(!fixed);
        parts.obstacle.push_back(1);
        parts.on_edge.push_back(0);
        const auto column = std::int64_t(p % columns), row = std::int64_t(p / columns);
        const Point middle{
            margin + pitch + pitch / 2 + column * pitch, margin + pitch + pitch / 2 + row * pitch};
        const auto turns = static_cast<int>(random() % 4);
        const auto b = turned(parts.boxes.back(), turns);
        start.placement.origins.push_back(
            {middle.x - (b.x1 + b.x2) / 2, middle.y - (b.y1 + b.y2) / 2});
        start.placement.turns.push_back(static_cast<std::uint8_t>(turns));
    }
    // Connectors flush with the bottom and the left side, their pads (along the upper long
    // side) inward.
    for (int c = 0; c < connectors; ++c) {
        parts.boxes.push_back({-4000, -1000, 4000, 1000});
        parts.movable.push_back(0);
        parts.obstacle.push_back(1);
        parts.on_edge.push_back(1);
        const auto along = margin + pitch + std::int64_t(c / 2) * 2 * pitch;
        start.placement.origins.push_back(c % 2 == 0 ? Point{along, margin + 1000}
                                                     : Point{margin + 1000, along});
        start.placement.turns.push_back(c % 2 == 0 ? 0 : 3);
    }
    const auto all = parts.boxes.size();
    // Nets of two to four parts, mostly among neighbours in a shuffled order: the places are
    // far from what the nets want.
    std::vector<std::uint32_t> order(all);
    for (std::uint32_t p = 0; p < all; ++p)
        order[p] = p;
    std::shuffle(order.begin(), order.end(), random);
    for (std::size_t i = 0; i + 1 < all; ++i) {
        const int members = 2 + static_cast<int>(random() % 3);
        for (int m = 0; m < members; ++m) {
            const auto p = order[std::min(all - 1, i + static_cast<std::size_t>(m))];
            const auto& b = parts.boxes[p];
            start.nets.parts.push_back(p);
            // A connector's pads along the long side it turns inward; another part's on its
            // left or right end.
            const bool left = random() % 2 == 0;
            if (parts.on_edge[p])
                parts.offsets.push_back({size(-3500, 3500), 800});
            else
                parts.offsets.push_back({left ? b.x1 + (b.x2 - b.x1) / 8 : b.x2 - (b.x2 - b.x1) / 8,
                                         (b.y1 + b.y2) / 2});
        }
        start.nets.starts.push_back(static_cast<std::uint32_t>(start.nets.parts.size()));
    }
    start.nets.offsets = parts.offsets;
    parts.seed = seed;
    parts.moves = 400 * all;
    return start;
}

Extent placed_box(const Start& start, const Placement& placement, std::size_t p)
{
    const auto b = turned(start.parts.boxes[p], placement.turns[p]);
    const auto& o = placement.origins[p];
    return {b.x1 + o.x, b.y1 + o.y, b.x2 + o.x, b.y2 + o.y};
}

// The airwires that the refinement measures, worked out apart from it: every net's pads as
// turned and placed, and each tie as a net of its part's middle and the pin, counted its weight.
double measured(const Start& start, const Placement& placement)
{
    std::vector<Point> points;
    std::vector<std::uint32_t> starts{0};
    auto pad = [&](std::uint32_t entry) {
        const auto p = start.nets.parts[entry];
        const auto at = turned(start.parts.offsets[entry], placement.turns[p]);
        return Point{placement.origins[p].x + at.x, placement.origins[p].y + at.y};
    };
    for (std::size_t net = 0; net + 1 < start.nets.starts.size(); ++net) {
        for (auto at = start.nets.starts[net]; at < start.nets.starts[net + 1]; ++at)
            points.push_back(pad(at));
        starts.push_back(static_cast<std::uint32_t>(points.size()));
    }
    for (const auto& tie : start.parts.ties) {
        const auto box = placed_box(start, placement, tie.part);
        for (std::int64_t w = 0; w < start.parts.tie_weight; ++w) {
            points.push_back({(box.x1 + box.x2) / 2, (box.y1 + box.y2) / 2});
            points.push_back(pad(tie.entry));
            starts.push_back(static_cast<std::uint32_t>(points.size()));
        }
    }
    return airwire_length(points, starts);
}

void expect_legal(const Start& start, const Placement& placement, const std::string& what)
{
    const auto& outline = placement.outline;
    const auto m = start.parts.margin, g = start.parts.gap;
    const auto count = start.parts.boxes.size();
    for (std::size_t p = 0; p < count; ++p) {
        const auto e = placed_box(start, placement, p);
        EXPECT_TRUE(e.x1 >= outline.x1 + m && e.y1 >= outline.y1 + m && e.x2 <= outline.x2 - m &&
                    e.y2 <= outline.y2 - m)
            << what << ": part " << p << " outside";
        for (std::size_t q = p + 1; q < count; ++q) {
            const auto f = placed_box(start, placement, q);
            EXPECT_TRUE(e.x2 + g <= f.x1 || f.x2 + g <= e.x1 || e.y2 + g <= f.y1 ||
                        f.y2 + g <= e.y1)
                << what << ": parts " << p << " and " << q << " closer than the gap";
        }
    }
}

TEST(PlacementRefine, LegalShorterAndTheSameEachTime)
{
    struct Case {
        std::size_t parts;
        std::size_t fixed_every;
        int connectors;
    };
    const Case cases[] = {{2, 0, 0},  {12, 0, 0},  {30, 5, 0},  {30, 0, 4},
                          {80, 9, 3}, {150, 0, 6}, {150, 4, 2}, {300, 11, 8}};
    for (const auto& c : cases) {
        for (unsigned seed : {1u, 2u, 3u}) {
            const std::string what =
                std::to_string(c.parts) + " parts, fixed every " + std::to_string(c.fixed_every) +
                ", " + std::to_string(c.connectors) + " connectors, seed " + std::to_string(seed);
            const auto start = grid_start(c.parts, seed, c.fixed_every, c.connectors);
            expect_legal(start, start.placement, what + " (the start)");
            const auto refined = refine_placement(start.parts, start.nets, start.placement);
            expect_legal(start, refined, what);
            const auto again = refine_placement(start.parts, start.nets, start.placement);
            EXPECT_EQ(again.origins, refined.origins) << what;
            EXPECT_EQ(again.turns, refined.turns) << what;
            EXPECT_EQ(refined.outline, start.placement.outline) << what;
            const double before = measured(start, start.placement);
            const double after = measured(start, refined);
            EXPECT_LE(after, before * (1 + 1e-12)) << what;
            // A start in an order the nets ignore leaves much to gain.
            if (c.parts >= 12) {
                EXPECT_LT(after, 0.7 * before) << what;
            }
            for (std::size_t p = 0; p < start.parts.boxes.size(); ++p) {
                if (start.parts.movable[p] || start.parts.on_edge[p])
                    continue;
                EXPECT_EQ(refined.origins[p], start.placement.origins[p]) << what << ", " << p;
                EXPECT_EQ(refined.turns[p], start.placement.turns[p]) << what << ", " << p;
            }
        }
    }
}

// Connectors stay on a side of the outline, their pads towards the inside.
TEST(PlacementRefine, ConnectorsStayOnTheEdgeFacingInward)
{
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        const auto start = grid_start(40, seed, 0, 6);
        const auto refined = refine_placement(start.parts, start.nets, start.placement);
        const auto& outline = refined.outline;
        const auto m = start.parts.margin;
        for (std::size_t p = 0; p < start.parts.boxes.size(); ++p) {
            if (!start.parts.on_edge[p])
                continue;
            const auto box = placed_box(start, refined, p);
            const bool sides[] = {box.y1 == outline.y1 + m, box.x2 == outline.x2 - m,
                                  box.y2 == outline.y2 - m, box.x1 == outline.x1 + m};
            const auto side = std::find(sides, sides + 4, true) - sides;
            ASSERT_LT(side, 4) << "seed " << seed << ", connector " << p << " off the edge";
            // The middle of its pads lies inward of the body's middle.
            static constexpr Point inward[] = {{0, 1}, {-1, 0}, {0, -1}, {1, 0}};
            std::int64_t sx = 0, sy = 0, pads = 0;
            for (std::size_t at = 0; at < start.nets.parts.size(); ++at) {
                if (start.nets.parts[at] != p)
                    continue;
                const auto pad = turned(start.parts.offsets[at], refined.turns[p]);
                sx += refined.origins[p].x + pad.x;
                sy += refined.origins[p].y + pad.y;
                ++pads;
            }
            if (pads == 0)
                continue;
            const Point middle{(box.x1 + box.x2) / 2, (box.y1 + box.y2) / 2};
            const auto out = (sx / pads - middle.x) * inward[side].x +
                             (sy / pads - middle.y) * inward[side].y;
            EXPECT_GT(out, 0) << "seed " << seed << ", connector " << p << " faces outward";
        }
    }
}

// A part tied to a pin (a decoupling capacitor to its IC's supply) ends up beside it.
TEST(PlacementRefine, ATiedPartBesideItsPin)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        auto start = grid_start(30, seed, 0, 0);
        // The tie: the last part to the first net entry of a part fixed in the grid.
        const auto entry = start.nets.starts[3];
        const auto ic = start.nets.parts[entry];
        start.parts.movable[ic] = 0;
        const auto capacitor = static_cast<std::uint32_t>(start.parts.boxes.size() - 1);
        if (capacitor == ic)
            continue;
        start.parts.ties.push_back({capacitor, entry});
        start.parts.tie_weight = 8;
        const auto refined = refine_placement(start.parts, start.nets, start.placement);
        expect_legal(start, refined, "seed " + std::to_string(seed));
        const auto pin = turned(start.parts.offsets[entry], refined.turns[ic]);
        const Point at{refined.origins[ic].x + pin.x, refined.origins[ic].y + pin.y};
        const auto box = placed_box(start, refined, capacitor);
        const auto dx = std::max({box.x1 - at.x, at.x - box.x2, std::int64_t{0}});
        const auto dy = std::max({box.y1 - at.y, at.y - box.y2, std::int64_t{0}});
        EXPECT_LT(std::max(dx, dy), 8000) << "seed " << seed;
    }
}

// Two parts in a narrow outline, one fixed: the other, long, can only stand upright, and turns
// so that its pad, at one end, meets the fixed part's.
TEST(PlacementRefine, APadTurnedTowardsItsNet)
{
    for (const int start_turns : {1, 3}) {
        Start start;
        start.parts.boxes = {{-1000, -1000, 1000, 1000}, {-10000, -500, 10000, 500}};
        start.parts.movable = {0, 1};
        start.parts.obstacle = {1, 1};
        start.parts.on_edge = {0, 0};
        // The fixed part's pad on its top; the other's at its right end, unturned.
        start.nets = {{0, 2}, {0, 1}, {}};
        start.parts.offsets = {{0, 1000}, {10000, 0}};
        start.nets.offsets = start.parts.offsets;
        start.placement.outline = {0, 0, 8000, 60000};
        start.placement.origins = {{4000, 5000}, {4000, 40000}};
        start.placement.turns = {0, static_cast<std::uint8_t>(start_turns)};
        start.parts.moves = 20000;
        const auto refined = refine_placement(start.parts, start.nets, start.placement);
        expect_legal(start, refined, "two parts");
        // Above the fixed part, its pad down: a quarter turn clockwise.
        EXPECT_EQ(refined.turns[1], 3) << start_turns;
        EXPECT_LT(measured(start, refined), 5000) << start_turns;
    }
}

}  // namespace
}  // namespace malvor
