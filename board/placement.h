#pragma once
// Where the parts of a board go: side by side without overlapping, connected parts near each
// other, the whole roughly square, laid out as a designer would start.
//
// The parts' middles are first placed where the nets pull them (a quadratic placement over the
// nets, solved by conjugate gradients), then spread over a square by repeated halving so that
// they do not pile up, the two alternating with ever stronger pulls towards the spread places.
// Each part then takes the turn that brings its pins nearest their nets, the parts are packed
// into a skyline as near their spread places as it lets them, and parts of one size swap places
// where that shortens the airwires. On boards of up to 500 parts, an annealing then moves,
// turns and trades the packed parts and the connectors where the exact airwires shorten
// (placement_refine.h). Connectors go to the edge, holes to the corners. Units are
// the caller's (micrometres for a board, mil for a script); the places are whole numbers, and
// the arithmetic that decides them is the same on every platform (no library transcendentals).

#include "package_extent.h"

#include <cstdint>
#include <span>
#include <vector>

namespace malvor {

// The least distance between the extents of two parts, in micrometres, and between the parts
// and the board's outline.
inline constexpr std::int64_t part_gap = 1000;
inline constexpr std::int64_t outline_margin = 2000;

struct Point {
    std::int64_t x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

// The nets as lists of part numbers (0-based), one after the other: net i holds
// parts[starts[i]] .. parts[starts[i + 1] - 1]. A part may appear in a net more than once.
// `offsets`, where given, says where each entry's pad sits from its part's origin; else the
// part's middle stands for its pads.
struct PartNets {
    std::vector<std::uint32_t> starts{0};
    std::vector<std::uint32_t> parts;
    std::vector<Point> offsets;
};

// What a designer does with some parts, beyond keeping connected parts near each other.
enum class PartRole : std::uint8_t {
    ordinary,
    connector,  // on the board's edge, its pads towards the inside
    hole,       // a mounting hole: in a corner
    empty,      // nothing to draw: at the outline's corner, out of the packing
};

struct PartHabits {
    std::vector<PartRole> roles;  // of each part; empty when all are ordinary
    // A decoupling capacitor and the net entry of the IC's supply pin it serves: it stands
    // next to that pin.
    struct Decoupling {
        std::uint32_t capacitor = 0;
        std::uint32_t pin = 0;  // an index into PartNets::parts
    };
    std::vector<Decoupling> decoupling;
};

struct Placement {
    std::vector<Point> origins;       // where each part's origin goes
    std::vector<std::uint8_t> turns;  // each part's quarter turns counterclockwise, 0-3
    Extent outline;                   // the board: every part's extent, `margin` away, from (0, 0)
};

// `gap` and `margin` in the extents' units. A part covers its extent and its origin.
Placement place_parts(const std::vector<Extent>& extents, const PartNets& nets,
                      const PartHabits& habits, std::int64_t gap = part_gap,
                      std::int64_t margin = outline_margin);
inline Placement place_parts(const std::vector<Extent>& extents, const PartNets& nets,
                             std::int64_t gap = part_gap, std::int64_t margin = outline_margin)
{
    return place_parts(extents, nets, PartHabits{}, gap, margin);
}

// A point or an extent turned by quarter turns counterclockwise about the origin.
Point turned(Point point, int turns);
Extent turned(const Extent& extent, int turns);

// The airwires of a board: for every net, the length of a minimum spanning tree over its
// points (net i's points are points[starts[i]] .. points[starts[i + 1] - 1]).
double airwire_length(const std::vector<Point>& points, const std::vector<std::uint32_t>& starts);

// The length of a minimum spanning tree over the points (Prim's algorithm from the first one);
// reach is the caller's scratch space, so that measuring many nets allocates once.
double spanning_tree_length(std::span<const Point> points, std::vector<double>& reach);

}  // namespace malvor
