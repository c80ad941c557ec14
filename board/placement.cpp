#include "placement.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <numeric>

namespace malvor {
namespace {

// Nets larger than this are not followed: a ground or supply net touches nearly every part, and
// following it would order the parts as the net lists them.
std::size_t largest_followed_net(std::size_t parts)
{
    return std::max<std::size_t>(16, static_cast<std::size_t>(2 * std::sqrt(double(parts))));
}

// The nets of every part, smaller nets first: for each part, its entries in the nets' list.
struct PartsNets {
    PartsNets(std::size_t count, const PartNets& nets)
        : nets_(nets), first(count + 1, 0), net_of_entry(nets.parts.size())
    {
        for (auto part : nets.parts)
            ++first[part + 1];
        std::partial_sum(first.begin(), first.end(), first.begin());
        of_part.resize(nets.parts.size());
        std::vector<std::uint32_t> filled(first.begin(), first.end() - 1);
        for (std::uint32_t i = 0; i + 1 < nets.starts.size(); ++i) {
            for (auto at = nets.starts[i]; at < nets.starts[i + 1]; ++at) {
                net_of_entry[at] = i;
                of_part[filled[nets.parts[at]]++] = at;
            }
        }
        for (std::size_t p = 0; p < count; ++p)
            std::stable_sort(
                of_part.begin() + first[p], of_part.begin() + first[p + 1],
                [&](auto a, auto b) { return size(net_of_entry[a]) < size(net_of_entry[b]); });
    }

    std::uint32_t size(std::uint32_t net) const
    {
        return nets_.starts[net + 1] - nets_.starts[net];
    }
    std::uint32_t pins(std::size_t part) const { return first[part + 1] - first[part]; }

    const PartNets& nets_;
    std::vector<std::uint32_t> first;  // of each part's entries in of_part, then the end
    std::vector<std::uint32_t> of_part;
    std::vector<std::uint32_t> net_of_entry;
};

// The parts breadth first along the nets, starting from the part with most pins; parts that
// no followed net reaches start again from the one with most pins left.
std::vector<std::uint32_t> part_order(std::size_t count, const PartsNets& graph,
                                      std::size_t followed)
{
    const auto& nets = graph.nets_;
    std::vector<std::uint32_t> by_pins(count);
    std::iota(by_pins.begin(), by_pins.end(), 0);
    std::stable_sort(by_pins.begin(), by_pins.end(),
                     [&](auto a, auto b) { return graph.pins(a) > graph.pins(b); });
    std::vector<char> queued(count, 0), expanded(nets.starts.size() - 1, 0);
    std::vector<std::uint32_t> order;
    order.reserve(count);
    std::deque<std::uint32_t> queue;
    for (auto start : by_pins) {
        if (queued[start])
            continue;
        queued[start] = 1;
        queue.push_back(start);
        while (!queue.empty()) {
            const auto part = queue.front();
            queue.pop_front();
            order.push_back(part);
            for (auto at = graph.first[part]; at < graph.first[part + 1]; ++at) {
                const auto net = graph.net_of_entry[graph.of_part[at]];
                if (expanded[net] || graph.size(net) > followed)
                    continue;
                expanded[net] = 1;
                for (auto n = nets.starts[net]; n < nets.starts[net + 1]; ++n) {
                    const auto other = nets.parts[n];
                    if (!queued[other]) {
                        queued[other] = 1;
                        queue.push_back(other);
                    }
                }
            }
        }
    }
    return order;
}

// The tops of the parts packed so far, left to right: segment i covers x from its own x to the
// next one's (the last to the width), at height y.
class Skyline {
public:
    explicit Skyline(std::int64_t width) : width_(width), segments_{{0, 0}} {}

    // The place for a box `w` by `h` on top of the skyline (its left x and its bottom) where
    // the skyline rises least and the box's point at `anchor` (from its lower left corner)
    // comes nearest to `near`; rising weighs four times as much, which keeps the board dense
    // and about square.
    Point best_place(std::int64_t w, std::int64_t h, Point anchor, Point near) const
    {
        Point best{0, 0};
        std::int64_t best_cost = std::numeric_limits<std::int64_t>::max();
        for (std::size_t i = 0; i < segments_.size(); ++i) {
            const std::int64_t x = segments_[i].x;
            if (x + w > width_ && i > 0)
                break;
            std::int64_t top = 0;
            for (std::size_t j = i; j < segments_.size() && segments_[j].x < x + w; ++j)
                top = std::max(top, segments_[j].y);
            const std::int64_t cost = 4 * (top + h) + std::abs(x + anchor.x - near.x) +
                                      std::abs(top + anchor.y - near.y);
            if (cost < best_cost) {
                best = {x, top};
                best_cost = cost;
            }
        }
        return best;
    }

    // Raises [x, x + w) to `top`.
    void raise(std::int64_t x, std::int64_t w, std::int64_t top)
    {
        const std::int64_t end = x + w;
        // The height that continues at `end`: that of the segment covering it.
        std::int64_t after = -1;
        auto i = std::lower_bound(segments_.begin(), segments_.end(), x,
                                  [](const Point& s, std::int64_t v) { return s.x < v; });
        auto j = i;
        for (; j != segments_.end() && j->x < end; ++j)
            after = j->y;
        if (after < 0 && i != segments_.begin())
            after = std::prev(i)->y;  // x lies inside the segment before
        const bool reaches_beyond = end < width_ && (j == segments_.end() || j->x > end);
        i = segments_.erase(i, j);
        i = segments_.insert(i, {x, top});
        if (reaches_beyond)
            segments_.insert(i + 1, {end, after});
    }

private:
    std::int64_t width_;
    std::vector<Point> segments_;
};

}  // namespace

Placement place_parts(const std::vector<Extent>& extents, const PartNets& nets, std::int64_t gap,
                      std::int64_t margin)
{
    Placement placement;
    const std::size_t count = extents.size();
    placement.origins.resize(count);
    double area = 0;
    std::int64_t widest = 0;
    for (const auto& extent : extents) {
        area += double(extent.width() + gap) * double(extent.height() + gap);
        widest = std::max(widest, extent.width() + gap);
    }
    // A skyline packs some nine tenths of its area: this width makes the board about square.
    const auto width = std::max(
        widest, static_cast<std::int64_t>(std::ceil(std::sqrt(area / 0.9))));
    Skyline skyline(width);
    const PartsNets graph(count, nets);
    const std::size_t followed = largest_followed_net(count);
    // Where a net's entry sits on its part, from the part's origin.
    auto offset = [&](std::uint32_t entry) {
        if (!nets.offsets.empty())
            return nets.offsets[entry];
        const auto& e = extents[nets.parts[entry]];
        return Point{(e.x1 + e.x2) / 2, (e.y1 + e.y2) / 2};
    };
    std::vector<char> placed(count, 0);
    Point last_middle{0, 0};
    for (auto part : part_order(count, graph, followed)) {
        const auto& extent = extents[part];
        const std::int64_t w = extent.width() + gap, h = extent.height() + gap;
        const Point shift{gap / 2 - extent.x1, gap / 2 - extent.y1};  // origin from lower left
        // The origin that puts its pins on the followed nets nearest the pins of the placed
        // parts on them, on average; without any, its middle beside the last part placed.
        std::int64_t sum_x = 0, sum_y = 0, pairs = 0;
        for (auto at = graph.first[part]; at < graph.first[part + 1]; ++at) {
            const auto entry = graph.of_part[at];
            const auto net = graph.net_of_entry[entry];
            if (graph.size(net) > followed)
                break;  // the larger nets come last
            const Point own = offset(entry);
            for (auto n = nets.starts[net]; n < nets.starts[net + 1]; ++n) {
                const auto other = nets.parts[n];
                if (placed[other] && other != part) {
                    const Point pin = offset(n);
                    sum_x += placement.origins[other].x + pin.x - own.x;
                    sum_y += placement.origins[other].y + pin.y - own.y;
                    ++pairs;
                }
            }
        }
        const Point near = pairs > 0 ? Point{sum_x / pairs, sum_y / pairs}
                                     : Point{last_middle.x - (extent.x1 + extent.x2) / 2,
                                             last_middle.y - (extent.y1 + extent.y2) / 2};
        const Point place = skyline.best_place(w, h, shift, near);
        skyline.raise(place.x, w, place.y + h);
        placement.origins[part] = {place.x + shift.x, place.y + shift.y};
        placed[part] = 1;
        last_middle = {place.x + w / 2, place.y + h / 2};
    }

    // The outline around the parts' own extents, from (0, 0).
    std::int64_t left = 0, bottom = 0, right = 0, top = 0;
    for (std::size_t p = 0; p < count; ++p) {
        const auto& [x, y] = placement.origins[p];
        const auto& extent = extents[p];
        if (p == 0 || x + extent.x1 < left)
            left = x + extent.x1;
        if (p == 0 || y + extent.y1 < bottom)
            bottom = y + extent.y1;
        if (p == 0 || x + extent.x2 > right)
            right = x + extent.x2;
        if (p == 0 || y + extent.y2 > top)
            top = y + extent.y2;
    }
    for (auto& origin : placement.origins) {
        origin.x += margin - left;
        origin.y += margin - bottom;
    }
    placement.outline = {0, 0, right - left + 2 * margin, top - bottom + 2 * margin};
    return placement;
}

double airwire_length(const std::vector<Point>& points, const std::vector<std::uint32_t>& starts)
{
    double total = 0;
    std::vector<double> reach;  // of each point not yet joined, to the tree
    for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
        const std::size_t first = starts[i], size = starts[i + 1] - first;
        if (size < 2)
            continue;
        reach.assign(size, std::numeric_limits<double>::infinity());
        std::size_t joined = 0;  // Prim's algorithm from the net's first point
        for (std::size_t step = 1; step < size; ++step) {
            const Point from = points[first + joined];
            reach[joined] = -1;
            std::size_t next = 0;
            double shortest = std::numeric_limits<double>::infinity();
            for (std::size_t k = 0; k < size; ++k) {
                if (reach[k] < 0)
                    continue;
                const Point to = points[first + k];
                reach[k] = std::min(
                    reach[k], std::hypot(double(to.x - from.x), double(to.y - from.y)));
                if (reach[k] < shortest) {
                    shortest = reach[k];
                    next = k;
                }
            }
            total += shortest;
            joined = next;
        }
    }
    return total;
}

}  // namespace malvor
