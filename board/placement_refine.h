#pragma once
// The last polish of a small board's placement: parts trade places, move into free room and
// turn where that shortens the airwires, by a deterministic annealing on the packed result.
//
// The packing puts every part near where the nets want it, but it sees one part at a time and
// rows of the skyline decide much; moving parts afterwards with the exact airwires as the
// measure undoes what the packing cost. Worse moves are taken now and then early on, less and
// less, so that a few steps uphill can lead somewhere better; the chances are whole-number
// ratios drawn by a self-written generator, the same everywhere.

#include "placement.h"

#include <cstdint>
#include <vector>

namespace malvor {

struct RefineParts {
    std::vector<Extent> boxes;   // each part's extent with its origin, unturned
    std::vector<char> movable;   // of each part; the others stay where they are
    std::vector<char> obstacle;  // of each part: what others keep the gap from
    std::vector<char> on_edge;   // of each part: slides along the outline's side it stands on
    // Each net entry's pad from its part's origin, unturned (PartNets::offsets, filled in).
    std::vector<Point> offsets;
    // Pairs of a part's middle and a net entry's pad that should stay near, counting as a net
    // of this many times the weight (a decoupling capacitor and its IC's supply pin).
    struct Tie {
        std::uint32_t part = 0;
        std::uint32_t entry = 0;
    };
    std::vector<Tie> ties;
    std::int64_t tie_weight = 4;
    std::int64_t gap = part_gap;
    std::int64_t margin = outline_margin;
    std::uint32_t largest_net = 24;  // larger nets change little with one part: not measured
    std::uint64_t moves = 100000;    // tried in all
    std::uint64_t seed = 1;
};

// The placement with the movable parts moved, inside its outline and apart by the gap as
// before; never longer in the measured airwires than it was.
Placement refine_placement(const RefineParts& parts, const PartNets& nets, Placement placement);

}  // namespace malvor
