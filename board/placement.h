#pragma once
// Where the parts of a board go: side by side without overlapping, connected parts near each
// other, the whole roughly square.
//
// The parts are taken in an order that follows the nets (breadth first from the part with
// most pins, along the smaller nets first), then packed one after the other into the lowest
// free place of a skyline as wide as the square root of their area. Units are the caller's
// (micrometres for a board, mil for a script); everything is whole numbers, so that the same
// parts give the same places on every platform.

#include "package_extent.h"

#include <cstdint>
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

struct Placement {
    std::vector<Point> origins;  // where each part's origin goes
    Extent outline;              // the board: every part's extent, `margin` away, from (0, 0)
};

// `gap` and `margin` in the extents' units.
Placement place_parts(const std::vector<Extent>& extents, const PartNets& nets,
                      std::int64_t gap = part_gap, std::int64_t margin = outline_margin);

// The airwires of a board: for every net, the length of a minimum spanning tree over its
// points (net i's points are points[starts[i]] .. points[starts[i + 1] - 1]).
double airwire_length(const std::vector<Point>& points, const std::vector<std::uint32_t>& starts);

}  // namespace malvor
