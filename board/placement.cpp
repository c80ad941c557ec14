#include "placement.h"

#include "placement_refine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <limits>
#include <numeric>

namespace malvor {

Point turned(Point point, int turns)
{
    switch (turns & 3) {
    case 1:
        return {-point.y, point.x};
    case 2:
        return {-point.x, -point.y};
    case 3:
        return {point.y, -point.x};
    default:
        return point;
    }
}

Extent turned(const Extent& extent, int turns)
{
    const Point a = turned(Point{extent.x1, extent.y1}, turns);
    const Point b = turned(Point{extent.x2, extent.y2}, turns);
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

namespace {

// Rounds half away from zero, as every C library does.
std::int64_t whole(double v)
{
    return static_cast<std::int64_t>(std::llround(v));
}

constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

// Nets of more parts than this take no part in choosing turns and swaps: a ground net's
// spanning tree hardly changes when one part moves.
constexpr std::uint32_t local_net = 24;

// The moves of the refinement a board may take in all, over its few best tries.
constexpr std::size_t refine_moves = 800000;

struct Vector2 {
    double x = 0, y = 0;
};

// For every part, its entries in the nets' list, and for every entry its net.
struct PartsNets {
    PartsNets(std::size_t count, const PartNets& nets)
        : first(count + 1, 0), of_part(nets.parts.size()), net_of_entry(nets.parts.size())
    {
        for (auto part : nets.parts)
            ++first[part + 1];
        std::partial_sum(first.begin(), first.end(), first.begin());
        std::vector<std::uint32_t> filled(first.begin(), first.end() - 1);
        for (std::uint32_t i = 0; i + 1 < nets.starts.size(); ++i) {
            for (auto at = nets.starts[i]; at < nets.starts[i + 1]; ++at) {
                net_of_entry[at] = i;
                of_part[filled[nets.parts[at]]++] = at;
            }
        }
    }

    std::vector<std::uint32_t> first;  // of each part's entries in of_part, then the end
    std::vector<std::uint32_t> of_part;
    std::vector<std::uint32_t> net_of_entry;
};

// The parts breadth first along the smaller nets, from the part with most entries: a start
// for the global placement that already keeps most neighbours near.
std::vector<std::uint32_t> part_order(std::size_t count, const PartNets& nets,
                                      const PartsNets& graph)
{
    std::vector<std::uint32_t> by_pins(count);
    std::iota(by_pins.begin(), by_pins.end(), 0);
    auto pins = [&](std::uint32_t p) { return graph.first[p + 1] - graph.first[p]; };
    std::stable_sort(
        by_pins.begin(), by_pins.end(), [&](auto a, auto b) { return pins(a) > pins(b); });
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
                if (expanded[net] || nets.starts[net + 1] - nets.starts[net] > local_net)
                    continue;
                expanded[net] = 1;
                for (auto n = nets.starts[net]; n < nets.starts[net + 1]; ++n) {
                    if (!queued[nets.parts[n]]) {
                        queued[nets.parts[n]] = 1;
                        queue.push_back(nets.parts[n]);
                    }
                }
            }
        }
    }
    return order;
}

// The point at distance `d` along a Hilbert curve over a 2^bits square.
Point hilbert_point(std::uint64_t d, int bits)
{
    std::int64_t x = 0, y = 0;
    for (std::int64_t s = 1; s < (std::int64_t{1} << bits); s *= 2) {
        const std::int64_t rx = 1 & static_cast<std::int64_t>(d / 2);
        const std::int64_t ry = 1 & static_cast<std::int64_t>(d ^ static_cast<std::uint64_t>(rx));
        if (ry == 0) {
            if (rx == 1) {
                x = s - 1 - x;
                y = s - 1 - y;
            }
            std::swap(x, y);
        }
        x += s * rx;
        y += s * ry;
        d /= 4;
    }
    return {x, y};
}

// The quadratic wire length of the nets as a symmetric matrix: the off-diagonal weights in
// rows (entries stand for -weight), the diagonal apart, as anchors are added to it.
struct Springs {
    std::vector<std::uint32_t> row_start;
    std::vector<std::uint32_t> column;
    std::vector<double> weight;
    std::vector<double> diagonal;
    std::vector<double> pins_x, pins_y;  // what the pins' offsets add to either side
};

struct Spring {
    std::uint32_t a, b;
    double weight;
    Vector2 from, to;  // the pins on a and b, from their middles
};

Springs springs_of(std::size_t size, const std::vector<Spring>& list)
{
    Springs springs;
    springs.pins_x.assign(size, 0);
    springs.pins_y.assign(size, 0);
    springs.diagonal.assign(size, 0);
    springs.row_start.assign(size + 1, 0);
    for (const auto& s : list) {
        springs.diagonal[s.a] += s.weight;
        springs.diagonal[s.b] += s.weight;
        // The pins pull the middles apart by their offsets.
        springs.pins_x[s.a] += s.weight * (s.to.x - s.from.x);
        springs.pins_x[s.b] += s.weight * (s.from.x - s.to.x);
        springs.pins_y[s.a] += s.weight * (s.to.y - s.from.y);
        springs.pins_y[s.b] += s.weight * (s.from.y - s.to.y);
        ++springs.row_start[s.a + 1];
        ++springs.row_start[s.b + 1];
    }
    std::partial_sum(springs.row_start.begin(), springs.row_start.end(), springs.row_start.begin());
    springs.column.resize(2 * list.size());
    springs.weight.resize(2 * list.size());
    std::vector<std::uint32_t> filled(springs.row_start.begin(), springs.row_start.end() - 1);
    for (const auto& s : list) {
        springs.column[filled[s.a]] = s.b;
        springs.weight[filled[s.a]++] = s.weight;
        springs.column[filled[s.b]] = s.a;
        springs.weight[filled[s.b]++] = s.weight;
    }
    return springs;
}

// Solves (springs + anchors) x = anchors * target by conjugate gradients with the diagonal as
// preconditioner, from x as it is. Sums run in a fixed order: the same bits everywhere.
void solve(const Springs& springs, const std::vector<double>& pins,
           const std::vector<double>& anchor, const std::vector<double>& target,
           std::vector<double>& x, int iterations)
{
    const std::size_t n = x.size();
    std::vector<double> r(n), z(n), p(n), q(n), d(n);
    auto product = [&](const std::vector<double>& v, std::vector<double>& out) {
        for (std::size_t i = 0; i < n; ++i) {
            double sum = (springs.diagonal[i] + anchor[i]) * v[i];
            for (auto k = springs.row_start[i]; k < springs.row_start[i + 1]; ++k)
                sum -= springs.weight[k] * v[springs.column[k]];
            out[i] = sum;
        }
    };
    for (std::size_t i = 0; i < n; ++i)
        d[i] = springs.diagonal[i] + anchor[i];
    product(x, q);
    double target_norm = 0, rz = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double b = anchor[i] * target[i] + pins[i];
        r[i] = b - q[i];
        z[i] = d[i] > 0 ? r[i] / d[i] : 0;
        p[i] = z[i];
        rz += r[i] * z[i];
        target_norm += b * b;
    }
    for (int step = 0; step < iterations; ++step) {
        double rr = 0;
        for (std::size_t i = 0; i < n; ++i)
            rr += r[i] * r[i];
        if (rr <= 1e-10 * target_norm || rz <= 0)
            break;
        product(p, q);
        double pq = 0;
        for (std::size_t i = 0; i < n; ++i)
            pq += p[i] * q[i];
        if (pq <= 0)
            break;
        const double alpha = rz / pq;
        double next_rz = 0;
        for (std::size_t i = 0; i < n; ++i) {
            x[i] += alpha * p[i];
            r[i] -= alpha * q[i];
            z[i] = d[i] > 0 ? r[i] / d[i] : 0;
            next_rz += r[i] * z[i];
        }
        const double beta = next_rz / rz;
        rz = next_rz;
        for (std::size_t i = 0; i < n; ++i)
            p[i] = z[i] + beta * p[i];
    }
}

struct Region {
    double x1, y1, x2, y2;
};

// Spreads the parts over the region: halves it across its longer side, the parts on either
// side of their median going to the halves in proportion to their area, down to one part a
// region, which gets the region's middle. The order of the parts along each cut is kept.
void spread(std::uint32_t* first, std::uint32_t* last, Region region, const std::vector<double>& x,
            const std::vector<double>& y, const std::vector<double>& area, std::vector<Vector2>& to)
{
    const auto count = last - first;
    if (count == 0)
        return;
    if (count == 1) {
        to[*first] = {(region.x1 + region.x2) / 2, (region.y1 + region.y2) / 2};
        return;
    }
    const bool across_x = region.x2 - region.x1 >= region.y2 - region.y1;
    const auto& along = across_x ? x : y;
    std::uint32_t* middle = first + count / 2;
    std::nth_element(first, middle, last, [&](std::uint32_t a, std::uint32_t b) {
        return along[a] < along[b] || (along[a] == along[b] && a < b);
    });
    double low = 0, all = 0;
    for (auto* p = first; p != last; ++p) {
        all += area[*p];
        if (p < middle)
            low += area[*p];
    }
    const double share = all > 0 ? low / all : 0.5;
    Region a = region, b = region;
    if (across_x)
        a.x2 = b.x1 = region.x1 + share * (region.x2 - region.x1);
    else
        a.y2 = b.y1 = region.y1 + share * (region.y2 - region.y1);
    spread(first, middle, a, x, y, area, to);
    spread(middle, last, b, x, y, area, to);
}

// The tops of the parts packed so far, left to right: segment i covers x from its own x to the
// next one's (the last to the width), at height y.
class Skyline {
public:
    Skyline(std::int64_t width, std::int64_t empty_tenths)
        : width_(width), empty_tenths_(empty_tenths), segments_{{0, 0}}
    {
    }

    // The lower left corner for a box `w` by `h` resting on the skyline nearest `want`, among
    // the places near it; the area left empty below the box counts against a place.
    Point place(std::int64_t w, std::int64_t h, Point want) const
    {
        const std::int64_t limit = std::max<std::int64_t>(0, width_ - w);
        want.x = std::clamp<std::int64_t>(want.x, 0, limit);
        const auto at = segment_at(want.x);
        const std::size_t from = at > window ? at - window : 0;
        const std::size_t to = std::min(segments_.size(), at + window + 1);
        Point best{0, 0};
        std::int64_t best_cost = std::numeric_limits<std::int64_t>::max();
        auto consider = [&](std::int64_t x) {
            x = std::clamp<std::int64_t>(x, 0, limit);
            std::int64_t top = 0;
            const auto begin = segment_at(x);
            for (auto j = begin; j < segments_.size() && segments_[j].x < x + w; ++j)
                top = std::max(top, segments_[j].y);
            std::int64_t empty = 0;
            for (auto j = begin; j < segments_.size() && segments_[j].x < x + w; ++j) {
                const auto left = std::max(x, segments_[j].x);
                const auto right = std::min(x + w, end_of(j));
                empty += (top - segments_[j].y) * (right - left);
            }
            const std::int64_t cost = std::abs(x - want.x) + std::abs(top - want.y) +
                                      empty / std::max<std::int64_t>(1, h) * empty_tenths_ / 10;
            if (cost < best_cost || (cost == best_cost && x < best.x)) {
                best = {x, top};
                best_cost = cost;
            }
        };
        consider(want.x);
        for (auto i = from; i < to; ++i) {
            consider(segments_[i].x);
            consider(end_of(i) - w);
        }
        return best;
    }

    // Raises [x, x + w) to `top`.
    void raise(std::int64_t x, std::int64_t w, std::int64_t top)
    {
        const std::int64_t end = std::min(x + w, width_);
        const auto i = segment_at(x);
        std::size_t j = i;
        while (j < segments_.size() && segments_[j].x < end)
            ++j;
        const std::int64_t after = segments_[j - 1].y;  // what continues at `end`
        const bool split_before = segments_[i].x < x;
        const bool split_after = end < width_ && (j == segments_.size() || segments_[j].x > end);
        std::vector<Point> middle;
        if (split_before)
            middle.push_back(segments_[i]);
        middle.push_back({x, top});
        if (split_after)
            middle.push_back({end, after});
        segments_.erase(segments_.begin() + static_cast<std::ptrdiff_t>(i),
                        segments_.begin() + static_cast<std::ptrdiff_t>(j));
        segments_.insert(
            segments_.begin() + static_cast<std::ptrdiff_t>(i), middle.begin(), middle.end());
        // Neighbours of one height are one segment.
        const std::size_t lo = i > 0 ? i - 1 : 0;
        const std::size_t hi = std::min(segments_.size(), i + middle.size() + 1);
        std::size_t kept = lo;
        for (std::size_t k = lo + 1; k < hi; ++k) {
            if (segments_[k].y == segments_[kept].y)
                continue;
            segments_[++kept] = segments_[k];
        }
        segments_.erase(segments_.begin() + static_cast<std::ptrdiff_t>(kept + 1),
                        segments_.begin() + static_cast<std::ptrdiff_t>(hi));
    }

private:
    static constexpr std::size_t window = 12;

    std::size_t segment_at(std::int64_t x) const
    {
        auto it = std::upper_bound(segments_.begin(), segments_.end(), x,
                                   [](std::int64_t v, const Point& s) { return v < s.x; });
        return static_cast<std::size_t>(it - segments_.begin()) - 1;
    }
    std::int64_t end_of(std::size_t i) const
    {
        return i + 1 < segments_.size() ? segments_[i + 1].x : width_;
    }

    std::int64_t width_, empty_tenths_;
    std::vector<Point> segments_;
};

enum Side : std::uint8_t { bottom, right, top, left };

// How densely the parts are spread, and what the packing pays for the room it leaves empty
// below a part, in tenths of the empty area over the part's height.
struct Tuning {
    double density = 0.9;
    std::int64_t empty_tenths = 3;
    bool transposed = false;  // the start's curve along y first
    bool linear = false;      // springs reweighed by their lengths
};

class Placer {
public:
    Placer(const std::vector<Extent>& extents, const PartNets& nets, const PartHabits& habits,
           std::int64_t gap, std::int64_t margin, Tuning tuning)
        : extents_(extents),
          nets_(nets),
          habits_(habits),
          tuning_(tuning),
          gap_(gap),
          margin_(margin),
          count_(extents.size()),
          graph_(extents.size(), nets)
    {
        boxes_.resize(count_);
        for (std::size_t p = 0; p < count_; ++p) {
            const auto& e = extents[p];
            boxes_[p] = {std::min<std::int64_t>(e.x1, 0), std::min<std::int64_t>(e.y1, 0),
                         std::max<std::int64_t>(e.x2, 0), std::max<std::int64_t>(e.y2, 0)};
        }
        placement_.origins.assign(count_, {});
        placement_.turns.assign(count_, 0);
        roles_ = habits.roles;
        roles_.resize(count_, PartRole::ordinary);
        // Connectors line at most half the square's sides; more of them are packed with the
        // rest, as a board of many connectors has them inside too.
        double all = 0;
        for (std::size_t p = 0; p < count_; ++p)
            if (roles_[p] == PartRole::ordinary || roles_[p] == PartRole::connector)
                all += area(p);
        double room = 2 * std::sqrt(all / 0.8);
        for (std::size_t p = 0; p < count_; ++p) {
            if (roles_[p] != PartRole::connector)
                continue;
            const auto length = double(std::max(boxes_[p].width(), boxes_[p].height()) + gap_);
            if (length <= room)
                room -= length;
            else
                roles_[p] = PartRole::ordinary;
        }
    }

    Placement run()
    {
        global();
        choose_turns();
        legalise();
        improve();
        decouple();
        edges_and_corners();
        return std::move(placement_);
    }
    // Whether every connector stands on the outline's edge.
    bool edges_kept() const { return edges_kept_; }
    // As the habits say, but connectors beyond the edges' room packed with the rest.
    const std::vector<PartRole>& roles() const { return roles_; }

private:
    PartRole role(std::size_t p) const { return roles_[p]; }
    bool packed(std::size_t p) const { return role(p) == PartRole::ordinary; }
    Point offset(std::uint32_t entry) const
    {
        if (!nets_.offsets.empty())
            return nets_.offsets[entry];
        const auto& e = extents_[nets_.parts[entry]];
        return {(e.x1 + e.x2) / 2, (e.y1 + e.y2) / 2};
    }
    Extent box(std::size_t p, int turns) const { return turned(boxes_[p], turns); }
    Vector2 middle_offset(std::size_t p, int turns) const
    {
        const auto b = box(p, turns);
        return {double(b.x1 + b.x2) / 2, double(b.y1 + b.y2) / 2};
    }
    Point middle_offset_point(std::size_t p) const
    {
        const auto b = box(p, placement_.turns[p]);
        return {(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2};
    }
    double area(std::size_t p) const
    {
        return double(boxes_[p].width() + gap_) * double(boxes_[p].height() + gap_);
    }

    void global();
    void choose_turns();
    void legalise();
    void improve();
    void decouple();
    void edges_and_corners();
    std::int64_t local_length(std::size_t p, Point origin, int turns) const;

    const std::vector<Extent>& extents_;
    const PartNets& nets_;
    const PartHabits& habits_;
    Tuning tuning_;
    std::int64_t gap_, margin_;
    std::size_t count_;
    PartsNets graph_;
    std::vector<PartRole> roles_;  // as the habits say, connectors beyond the room packed
    std::vector<Extent> boxes_;    // the extents with their origins
    std::vector<Vector2> middle_;  // where each part's middle should go
    std::vector<Side> side_;       // of each connector
    Region region_{0, 0, 0, 0};    // the square the packed parts spread over
    Placement placement_;
    bool edges_kept_ = true;
};

void Placer::global()
{
    middle_.assign(count_, {});
    side_.assign(count_, bottom);
    // The parts that the nets move: all but holes and empty packages; each big net a star.
    std::vector<std::uint32_t> variable(count_, none), moved;
    double packed_area = 0;
    for (std::uint32_t p = 0; p < count_; ++p) {
        if (role(p) == PartRole::hole || role(p) == PartRole::empty)
            continue;
        variable[p] = static_cast<std::uint32_t>(moved.size());
        moved.push_back(p);
        if (packed(p))
            packed_area += area(p);
    }
    const double side = std::sqrt(packed_area / tuning_.density);
    region_ = {0, 0, side, side};
    if (moved.empty())
        return;
    std::vector<Spring> list;
    std::vector<std::pair<std::uint32_t, Vector2>> members;  // variables and their pins
    std::vector<Vector2> middles(count_);
    for (std::size_t p = 0; p < count_; ++p)
        middles[p] = middle_offset(p, 0);
    std::size_t size = moved.size();
    for (std::uint32_t net = 0; net + 1 < nets_.starts.size(); ++net) {
        members.clear();
        for (auto at = nets_.starts[net]; at < nets_.starts[net + 1]; ++at) {
            const auto p = nets_.parts[at];
            if (variable[p] == none)
                continue;
            const auto o = offset(at);
            members.push_back(
                {variable[p], {double(o.x) - middles[p].x, double(o.y) - middles[p].y}});
        }
        const auto k = members.size();
        if (k < 2)
            continue;
        if (k <= 4) {
            const double weight = 1.0 / double(k - 1);
            for (std::size_t a = 0; a < k; ++a)
                for (std::size_t b = a + 1; b < k; ++b)
                    if (members[a].first != members[b].first)
                        list.push_back({members[a].first, members[b].first, weight,
                                        members[a].second, members[b].second});
        } else {
            // A big net pulls less: its spanning tree grows with the board whatever is done.
            const double weight = double(k) / double(k - 1) * std::min(1.0, 8.0 / double(k));
            const auto star = static_cast<std::uint32_t>(size++);
            for (const auto& [m, pin] : members)
                list.push_back({m, star, weight, pin, {}});
        }
    }
    for (const auto& d : habits_.decoupling) {
        const auto ic = nets_.parts[d.pin];
        if (variable[d.capacitor] != none && variable[ic] != none && d.capacitor != ic)
            list.push_back({variable[d.capacitor], variable[ic], 2.0, {}, {}});
    }
    const auto springs = springs_of(size, list);

    // The start: the parts along a Hilbert curve over the square in breadth-first order.
    const auto order = part_order(count_, nets_, graph_);
    int bits = 0;
    while ((std::size_t{1} << (2 * bits)) < moved.size())
        ++bits;
    const double cell = side / double(std::int64_t{1} << bits);
    std::vector<double> x(size, side / 2), y(size, side / 2);
    {
        std::uint64_t d = 0;
        const double step = double(std::uint64_t{1} << (2 * bits)) / double(moved.size());
        for (auto p : order) {
            if (variable[p] == none)
                continue;
            const auto at = hilbert_point(static_cast<std::uint64_t>(double(d++) * step), bits);
            x[variable[p]] = (double(tuning_.transposed ? at.y : at.x) + 0.5) * cell;
            y[variable[p]] = (double(tuning_.transposed ? at.x : at.y) + 0.5) * cell;
        }
    }
    std::vector<double> anchor(size, 0), target_x(size, 0), target_y(size, 0), weight(size, 0);
    for (std::size_t v = 0; v < moved.size(); ++v)
        weight[v] = area(moved[v]);
    std::vector<std::uint32_t> spreading;
    for (auto p : moved)
        if (packed(p))
            spreading.push_back(variable[p]);
    std::vector<Vector2> to(size);
    auto spread_all = [&] {
        auto list_copy = spreading;
        spread(list_copy.data(), list_copy.data() + list_copy.size(), region_, x, y, weight, to);
        // Connectors to the nearest side of the square.
        for (std::size_t v = 0; v < moved.size(); ++v) {
            const auto p = moved[v];
            if (role(p) != PartRole::connector)
                continue;
            const double cx = std::clamp(x[v], 0.0, side), cy = std::clamp(y[v], 0.0, side);
            const double distance[] = {cy, side - cx, side - cy, cx};
            const auto nearest = std::min_element(distance, distance + 4) - distance;
            side_[p] = static_cast<Side>(nearest);
            to[v] = nearest == bottom  ? Vector2{cx, 0}
                    : nearest == right ? Vector2{side, cy}
                    : nearest == top   ? Vector2{cx, side}
                                       : Vector2{0, cy};
        }
    };
    for (std::size_t v = 0; v < moved.size(); ++v)
        to[v] = {x[v], y[v]};
    const double pitch = side / std::sqrt(double(moved.size()));
    const int rounds = moved.size() > 20000 ? 5 : 10;
    const int iterations = moved.size() > 20000 ? 15 : 60;
    double pull = 0.02;
    for (int round = 0; round < rounds; ++round) {
        // Anchors weigh about as much as a part's nets, growing each round.
        for (std::size_t v = 0; v < moved.size(); ++v) {
            anchor[v] = pull * std::max(1.0, springs.diagonal[v]);
            target_x[v] = to[v].x;
            target_y[v] = to[v].y;
        }
        if (round > 0 && tuning_.linear) {
            // Each spring weighed by the inverse of its length as it stands, on each axis
            // apart: the quadratic pull then measures the wires' length, not its square, and
            // long wires no longer outweigh many short ones.
            auto reweighted = [&](const std::vector<double>& at, bool along_x) {
                auto list_axis = list;
                for (auto& s : list_axis) {
                    const double d = std::abs(at[s.a] + (along_x ? s.from.x : s.from.y) - at[s.b] -
                                              (along_x ? s.to.x : s.to.y));
                    s.weight *= pitch / std::max(d, pitch / 4);
                }
                return springs_of(size, list_axis);
            };
            const auto sx = reweighted(x, true), sy = reweighted(y, false);
            solve(sx, sx.pins_x, anchor, target_x, x, iterations);
            solve(sy, sy.pins_y, anchor, target_y, y, iterations);
        } else {
            solve(springs, springs.pins_x, anchor, target_x, x, iterations);
            solve(springs, springs.pins_y, anchor, target_y, y, iterations);
        }
        spread_all();
        pull *= 1.8;
    }
    for (std::size_t v = 0; v < moved.size(); ++v)
        middle_[moved[v]] = to[v];
}

// The length of the part's small nets with it there, the rest where they are: twice the
// spanning box's half perimeter, in whole units.
std::int64_t Placer::local_length(std::size_t p, Point origin, int turns) const
{
    std::int64_t total = 0;
    for (auto at = graph_.first[p]; at < graph_.first[p + 1]; ++at) {
        const auto net = graph_.net_of_entry[graph_.of_part[at]];
        const auto begin = nets_.starts[net], end = nets_.starts[net + 1];
        if (end - begin > local_net)
            continue;
        std::int64_t x1 = std::numeric_limits<std::int64_t>::max(), y1 = x1;
        std::int64_t x2 = std::numeric_limits<std::int64_t>::min(), y2 = x2;
        for (auto n = begin; n < end; ++n) {
            const auto q = nets_.parts[n];
            const Point o = q == p ? origin : placement_.origins[q];
            const Point pin = turned(offset(n), q == p ? turns : placement_.turns[q]);
            x1 = std::min(x1, o.x + pin.x);
            x2 = std::max(x2, o.x + pin.x);
            y1 = std::min(y1, o.y + pin.y);
            y2 = std::max(y2, o.y + pin.y);
        }
        total += (x2 - x1) + (y2 - y1);
    }
    return total;
}

void Placer::choose_turns()
{
    // Each part's origin where its middle should go, unturned; then the turn that shortens its
    // small nets most with the others there.
    for (std::size_t p = 0; p < count_; ++p) {
        const auto m = middle_offset(p, 0);
        placement_.origins[p] = {whole(middle_[p].x - m.x), whole(middle_[p].y - m.y)};
    }
    for (std::size_t p = 0; p < count_; ++p) {
        if (!packed(p) || graph_.first[p + 1] - graph_.first[p] < 2)
            continue;
        std::int64_t best = 0;
        int best_turns = 0;
        for (int turns = 0; turns < 4; ++turns) {
            const auto m = middle_offset(p, turns);
            const Point origin{whole(middle_[p].x - m.x), whole(middle_[p].y - m.y)};
            const auto length = local_length(p, origin, turns);
            if (turns == 0 || length < best) {
                best = length;
                best_turns = turns;
            }
        }
        placement_.turns[p] = static_cast<std::uint8_t>(best_turns);
        const auto m = middle_offset(p, best_turns);
        placement_.origins[p] = {whole(middle_[p].x - m.x), whole(middle_[p].y - m.y)};
    }
}

void Placer::legalise()
{
    std::vector<std::uint32_t> order;
    std::int64_t widest = 0;
    for (std::uint32_t p = 0; p < count_; ++p) {
        if (!packed(p))
            continue;
        order.push_back(p);
        widest = std::max(widest, box(p, placement_.turns[p]).width() + gap_);
    }
    std::vector<Point> want(count_);
    for (auto p : order) {
        const auto b = box(p, placement_.turns[p]);
        want[p] = {whole(middle_[p].x - double(b.width() + gap_) / 2),
                   whole(middle_[p].y - double(b.height() + gap_) / 2)};
    }
    std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) {
        return want[a].y < want[b].y || (want[a].y == want[b].y && want[a].x < want[b].x);
    });
    Skyline skyline(
        std::max(widest, static_cast<std::int64_t>(std::ceil(region_.x2))), tuning_.empty_tenths);
    for (auto p : order) {
        const auto b = box(p, placement_.turns[p]);
        const std::int64_t w = b.width() + gap_, h = b.height() + gap_;
        const Point at = skyline.place(w, h, want[p]);
        skyline.raise(at.x, w, at.y + h);
        placement_.origins[p] = {at.x + gap_ / 2 - b.x1, at.y + gap_ / 2 - b.y1};
    }
}

// Parts of one size and turn trade places where that shortens their small nets: each tries
// those of its size nearest the middle of its nets' other pins.
void Placer::improve()
{
    std::vector<std::uint32_t> order;
    for (std::uint32_t p = 0; p < count_; ++p)
        if (packed(p))
            order.push_back(p);
    auto shape_of = [&](std::uint32_t p) {
        const auto b = box(p, placement_.turns[p]);
        return std::pair(b.width(), b.height());
    };
    std::stable_sort(
        order.begin(), order.end(), [&](auto a, auto b) { return shape_of(a) < shape_of(b); });
    auto corner = [&](std::uint32_t p) {
        const auto b = box(p, placement_.turns[p]);
        return Point{placement_.origins[p].x + b.x1, placement_.origins[p].y + b.y1};
    };
    auto put = [&](std::uint32_t p, Point at) {
        const auto b = box(p, placement_.turns[p]);
        placement_.origins[p] = {at.x - b.x1, at.y - b.y1};
    };
    struct Cell {
        std::int64_t key;
        std::uint32_t part;
    };
    std::vector<Cell> cells;
    std::vector<std::uint32_t> slot(count_, none);
    for (std::size_t begin = 0; begin < order.size();) {
        std::size_t end = begin + 1;
        while (end < order.size() && shape_of(order[end]) == shape_of(order[begin]))
            ++end;
        const auto [w, h] = shape_of(order[begin]);
        const std::int64_t size = std::max<std::int64_t>(1, 3 * (std::max(w, h) + gap_));
        auto key_of = [&](Point at) {
            return (at.x / size + (std::int64_t{1} << 20)) * (std::int64_t{1} << 21) +
                   (at.y / size + (std::int64_t{1} << 20));
        };
        cells.clear();
        for (auto i = begin; i < end; ++i)
            cells.push_back({key_of(corner(order[i])), order[i]});
        std::sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) {
            return a.key < b.key || (a.key == b.key && a.part < b.part);
        });
        for (std::uint32_t i = 0; i < cells.size(); ++i)
            slot[cells[i].part] = i;
        for (int pass = 0; pass < 2 && end - begin > 1; ++pass) {
            for (auto i = begin; i < end; ++i) {
                const auto p = order[i];
                std::int64_t sx = 0, sy = 0, pins = 0;
                for (auto at = graph_.first[p]; at < graph_.first[p + 1]; ++at) {
                    const auto net = graph_.net_of_entry[graph_.of_part[at]];
                    if (nets_.starts[net + 1] - nets_.starts[net] > local_net)
                        continue;
                    for (auto n = nets_.starts[net]; n < nets_.starts[net + 1]; ++n) {
                        const auto q = nets_.parts[n];
                        if (q == p)
                            continue;
                        const Point pin = turned(offset(n), placement_.turns[q]);
                        sx += placement_.origins[q].x + pin.x;
                        sy += placement_.origins[q].y + pin.y;
                        ++pins;
                    }
                }
                if (pins == 0)
                    continue;
                const Point own = corner(p);
                const Point mid = middle_offset_point(p);
                const Point ideal{sx / pins - (placement_.origins[p].x + mid.x - own.x),
                                  sy / pins - (placement_.origins[p].y + mid.y - own.y)};
                std::int64_t best_gain = 0;
                std::uint32_t best = none;
                const std::int64_t base = local_length(
                    p, placement_.origins[p], placement_.turns[p]);
                for (std::int64_t dx = -1; dx <= 1; ++dx) {
                    for (std::int64_t dy = -1; dy <= 1; ++dy) {
                        const auto key = key_of({ideal.x + dx * size, ideal.y + dy * size});
                        auto it = std::lower_bound(
                            cells.begin(), cells.end(), key,
                            [](const Cell& c, std::int64_t k) { return c.key < k; });
                        for (int tried = 0; it != cells.end() && it->key == key && tried < 8;
                             ++it, ++tried) {
                            const auto q = it->part;
                            if (q == p)
                                continue;
                            const Point a = own, b = corner(q);
                            const auto before =
                                base + local_length(q, placement_.origins[q], placement_.turns[q]);
                            put(p, b);
                            put(q, a);
                            const auto after =
                                local_length(p, placement_.origins[p], placement_.turns[p]) +
                                local_length(q, placement_.origins[q], placement_.turns[q]);
                            put(p, a);
                            put(q, b);
                            if (before - after > best_gain) {
                                best_gain = before - after;
                                best = q;
                            }
                        }
                    }
                }
                if (best != none) {
                    const Point b = corner(best);
                    put(best, own);
                    put(p, b);
                    // The cells hold places: the two parts trade their slots too.
                    cells[slot[p]].part = best;
                    cells[slot[best]].part = p;
                    std::swap(slot[p], slot[best]);
                }
            }
        }
        begin = end;
    }
}

// Each decoupling capacitor takes the place, among those of parts of its size and turn, nearest
// its IC's pin.
void Placer::decouple()
{
    std::vector<char> settled(count_, 0);
    for (const auto& d : habits_.decoupling) {
        const auto c = d.capacitor;
        const auto ic = nets_.parts[d.pin];
        if (c >= count_ || !packed(c) || settled[c])
            continue;
        const Point pin = turned(offset(d.pin), placement_.turns[ic]);
        const Point at{placement_.origins[ic].x + pin.x, placement_.origins[ic].y + pin.y};
        const auto shape = box(c, placement_.turns[c]);
        auto distance = [&](std::size_t q) {
            const auto b = box(q, placement_.turns[q]);
            const double mx = double(placement_.origins[q].x) + double(b.x1 + b.x2) / 2;
            const double my = double(placement_.origins[q].y) + double(b.y1 + b.y2) / 2;
            return (mx - double(at.x)) * (mx - double(at.x)) +
                   (my - double(at.y)) * (my - double(at.y));
        };
        std::size_t nearest = c;
        for (std::size_t q = 0; q < count_; ++q) {
            if (!packed(q) || settled[q] || q == ic)
                continue;
            const auto b = box(q, placement_.turns[q]);
            if (b.width() == shape.width() && b.height() == shape.height() &&
                distance(q) < distance(nearest))
                nearest = q;
        }
        if (nearest != c) {
            // The same box, so the places trade exactly; origins differ by the boxes' corners.
            const auto bc = box(c, placement_.turns[c]),
                       bq = box(nearest, placement_.turns[nearest]);
            const Point corner_c{placement_.origins[c].x + bc.x1, placement_.origins[c].y + bc.y1};
            const Point corner_q{
                placement_.origins[nearest].x + bq.x1, placement_.origins[nearest].y + bq.y1};
            placement_.origins[c] = {corner_q.x - bc.x1, corner_q.y - bc.y1};
            placement_.origins[nearest] = {corner_c.x - bq.x1, corner_c.y - bq.y1};
        }
        settled[c] = 1;
    }
}

void Placer::edges_and_corners()
{
    // The packed parts' box, gap included.
    std::int64_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool any = false;
    auto grow = [&](std::size_t p) {
        const auto b = box(p, placement_.turns[p]);
        const auto& o = placement_.origins[p];
        const std::int64_t l = o.x + b.x1 - gap_ / 2, d = o.y + b.y1 - gap_ / 2;
        const std::int64_t r = l + b.width() + gap_, u = d + b.height() + gap_;
        if (!any) {
            x1 = l, y1 = d, x2 = r, y2 = u;
            any = true;
        } else {
            x1 = std::min(x1, l), y1 = std::min(y1, d), x2 = std::max(x2, r), y2 = std::max(y2, u);
        }
    };
    for (std::size_t p = 0; p < count_; ++p)
        if (packed(p))
            grow(p);
    const std::int64_t core_x1 = x1, core_y1 = y1, core_x2 = x2, core_y2 = y2;

    // Connectors in a row along their side, in the order of their places, each turned so that
    // its pads lie towards the inside and, where they lie in its middle, along the side.
    // Each on the side nearest the packed pins its small nets join, as packed; where they are
    // along that side, its row is ordered by.
    std::vector<std::uint32_t> connectors[4];
    for (std::uint32_t p = 0; p < count_; ++p) {
        if (role(p) != PartRole::connector)
            continue;
        double sx = 0, sy = 0;
        int pins = 0;
        for (auto at = graph_.first[p]; at < graph_.first[p + 1]; ++at) {
            const auto net = graph_.net_of_entry[graph_.of_part[at]];
            if (nets_.starts[net + 1] - nets_.starts[net] > local_net)
                continue;
            for (auto n = nets_.starts[net]; n < nets_.starts[net + 1]; ++n) {
                const auto q = nets_.parts[n];
                if (!packed(q))
                    continue;
                const Point pin = turned(offset(n), placement_.turns[q]);
                sx += double(placement_.origins[q].x + pin.x);
                sy += double(placement_.origins[q].y + pin.y);
                ++pins;
            }
        }
        if (pins > 0 && any) {
            const double cx = sx / pins, cy = sy / pins;
            const double distance[] = {cy - double(core_y1), double(core_x2) - cx,
                                       double(core_y2) - cy, cx - double(core_x1)};
            side_[p] = static_cast<Side>(std::min_element(distance, distance + 4) - distance);
            middle_[p] = {cx, cy};
        }
        connectors[side_[p]].push_back(p);
    }
    for (int s = 0; s < 4; ++s) {
        auto& row = connectors[s];
        const bool horizontal = s == bottom || s == top;
        for (auto p : row) {
            double cx = 0, cy = 0;
            const auto pins = graph_.first[p + 1] - graph_.first[p];
            for (auto at = graph_.first[p]; at < graph_.first[p + 1]; ++at) {
                const auto o = offset(graph_.of_part[at]);
                cx += double(o.x);
                cy += double(o.y);
            }
            const auto m = middle_offset(p, 0);
            if (pins > 0) {
                cx = cx / pins - m.x;
                cy = cy / pins - m.y;
            } else {
                cx = cy = 0;
            }
            const Point inward = s == bottom  ? Point{0, 1}
                                 : s == right ? Point{-1, 0}
                                 : s == top   ? Point{0, -1}
                                              : Point{1, 0};
            int best = 0;
            double best_score = 0;
            for (int turns = 0; turns < 4; ++turns) {
                const Point c = turned(Point{whole(cx), whole(cy)}, turns);
                const auto b = box(p, turns);
                const double depth = double(horizontal ? b.height() : b.width());
                const double score = double(c.x * inward.x + c.y * inward.y) - depth / 4;
                if (turns == 0 || score > best_score) {
                    best = turns;
                    best_score = score;
                }
            }
            placement_.turns[p] = static_cast<std::uint8_t>(best);
        }
        std::stable_sort(row.begin(), row.end(), [&](auto a, auto b) {
            return horizontal ? middle_[a].x < middle_[b].x : middle_[a].y < middle_[b].y;
        });
        // Along the side from where each wants to be, pushed on by the one before; the row
        // moved back where it reaches past the side's end.
        const std::int64_t start = horizontal ? core_x1 : core_y1;
        const std::int64_t stop = horizontal ? core_x2 : core_y2;
        std::vector<std::int64_t> at(row.size());
        std::int64_t next = start;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const auto b = box(row[i], placement_.turns[row[i]]);
            const std::int64_t length = (horizontal ? b.width() : b.height()) + gap_;
            const double want = (horizontal ? middle_[row[i]].x : middle_[row[i]].y) -
                                double(length) / 2;
            at[i] = std::max(next, whole(want));
            next = at[i] + length;
        }
        for (std::size_t i = row.size(); i-- > 0;) {
            const auto b = box(row[i], placement_.turns[row[i]]);
            const std::int64_t length = (horizontal ? b.width() : b.height()) + gap_;
            const std::int64_t end = i + 1 < row.size() ? at[i + 1] : std::max(stop, start);
            at[i] = std::max(start, std::min(at[i], end - length));
        }
        // Still overlapping where the row is longer than the side: pushed on again.
        next = start;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const auto b = box(row[i], placement_.turns[row[i]]);
            at[i] = std::max(at[i], next);
            next = at[i] + (horizontal ? b.width() : b.height()) + gap_;
        }
        for (std::size_t i = 0; i < row.size(); ++i) {
            const auto p = row[i];
            const auto b = box(p, placement_.turns[p]);
            const std::int64_t w = b.width() + gap_, h = b.height() + gap_;
            Point corner = s == bottom  ? Point{at[i], core_y1 - h}
                           : s == right ? Point{core_x2, at[i]}
                           : s == top   ? Point{at[i], core_y2}
                                        : Point{core_x1 - w, at[i]};
            placement_.origins[p] = {corner.x + gap_ / 2 - b.x1, corner.y + gap_ / 2 - b.y1};
            grow(p);
        }
    }

    // Mounting holes in the corners, beside the packed parts' box where nothing stands there,
    // else out beyond everything.
    std::vector<Extent> taken;  // every box so far, gap included
    for (std::size_t p = 0; p < count_; ++p) {
        if (packed(p) || role(p) == PartRole::connector) {
            const auto b = box(p, placement_.turns[p]);
            const auto& o = placement_.origins[p];
            const std::int64_t l = o.x + b.x1 - gap_ / 2, d = o.y + b.y1 - gap_ / 2;
            taken.push_back({l, d, l + b.width() + gap_, d + b.height() + gap_});
        }
    }
    auto free = [&](const Extent& e) {
        return std::none_of(taken.begin(), taken.end(), [&](const Extent& t) {
            return e.x1 < t.x2 && t.x1 < e.x2 && e.y1 < t.y2 && t.y1 < e.y2;
        });
    };
    int corner = 0;
    for (std::uint32_t p = 0; p < count_; ++p) {
        if (role(p) != PartRole::hole)
            continue;
        const auto b = box(p, 0);
        const std::int64_t w = b.width() + gap_, h = b.height() + gap_;
        // Top left, top right, bottom right, bottom left, then round again.
        const int c = corner++ % 4;
        const bool on_left = c == 0 || c == 3, on_top = c < 2;
        Point at{on_left ? std::min(x1, core_x1 - w) : std::max(x2, core_x2 + w) - w,
                 on_top ? std::max(y2, core_y2 + h) - h : std::min(y1, core_y1 - h)};
        for (int tries = 0; !free({at.x, at.y, at.x + w, at.y + h}) && tries < 64; ++tries) {
            // Outward, beside what stands there, until the corner is free.
            at.x += on_left ? -w : w;
            if (tries % 2)
                at.y += on_top ? h : -h;
        }
        taken.push_back({at.x, at.y, at.x + w, at.y + h});
        placement_.origins[p] = {at.x + gap_ / 2 - b.x1, at.y + gap_ / 2 - b.y1};
        grow(p);
    }

    // The outline around every extent, the gap taken back, from (0, 0); empty packages at its
    // lower left corner, inside by half the margin.
    if (!any)
        x1 = y1 = x2 = y2 = 0;
    else {
        x1 += gap_ / 2;
        y1 += gap_ / 2;
        x2 -= gap_ - gap_ / 2;
        y2 -= gap_ - gap_ / 2;
    }
    for (std::size_t p = 0; p < count_; ++p) {
        auto& o = placement_.origins[p];
        if (role(p) == PartRole::empty)
            o = {margin_ / 2, margin_ / 2};
        else
            o = {o.x + margin_ - x1, o.y + margin_ - y1};
    }
    placement_.outline = {0, 0, x2 - x1 + 2 * margin_, y2 - y1 + 2 * margin_};
    // A row longer than its side reaches past the corner, where a connector may stand off the
    // edge: such a try loses to one that keeps them all there.
    edges_kept_ = true;
    for (std::size_t p = 0; p < count_; ++p) {
        if (role(p) != PartRole::connector)
            continue;
        const auto b = box(p, placement_.turns[p]);
        const auto& o = placement_.origins[p];
        const auto& out = placement_.outline;
        if (o.x + b.x1 != out.x1 + margin_ && o.y + b.y1 != out.y1 + margin_ &&
            o.x + b.x2 != out.x2 - margin_ && o.y + b.y2 != out.y2 - margin_)
            edges_kept_ = false;
    }
}

}  // namespace

// The airwires of the nets of at most `local_net` pads (a big net's tree changes little and
// takes long): what the tries of a board are compared by. Not against random places, as a
// larger or longer outline lengthens those and would win for it.
double small_nets_length(const std::vector<Extent>& extents, const PartNets& nets,
                         const Placement& placement)
{
    std::vector<Point> points;
    std::vector<std::uint32_t> starts{0};
    for (std::size_t net = 0; net + 1 < nets.starts.size(); ++net) {
        if (nets.starts[net + 1] - nets.starts[net] > local_net)
            continue;
        for (auto at = nets.starts[net]; at < nets.starts[net + 1]; ++at) {
            const auto p = nets.parts[at];
            const Point pin = turned(nets.offsets.empty()
                                         ? Point{(extents[p].x1 + extents[p].x2) / 2,
                                                 (extents[p].y1 + extents[p].y2) / 2}
                                         : nets.offsets[at],
                                     placement.turns[p]);
            points.push_back({placement.origins[p].x + pin.x, placement.origins[p].y + pin.y});
        }
        starts.push_back(static_cast<std::uint32_t>(points.size()));
    }
    return airwire_length(points, starts);
}

// What the refinement moves and measures: the packed parts; every pad where it is.
RefineParts refine_parts(const std::vector<Extent>& extents, const PartNets& nets,
                         const PartHabits& habits, const std::vector<PartRole>& roles,
                         std::int64_t gap, std::int64_t margin)
{
    RefineParts parts;
    parts.gap = gap;
    parts.margin = margin;
    parts.largest_net = local_net;
    for (std::size_t p = 0; p < extents.size(); ++p) {
        const auto& e = extents[p];
        parts.boxes.push_back({std::min<std::int64_t>(e.x1, 0), std::min<std::int64_t>(e.y1, 0),
                               std::max<std::int64_t>(e.x2, 0), std::max<std::int64_t>(e.y2, 0)});
        parts.movable.push_back(roles[p] == PartRole::ordinary);
        parts.obstacle.push_back(roles[p] != PartRole::empty);
        parts.on_edge.push_back(roles[p] == PartRole::connector);
    }
    parts.offsets = nets.offsets;
    if (parts.offsets.empty())
        for (auto p : nets.parts)
            parts.offsets.push_back(
                {(extents[p].x1 + extents[p].x2) / 2, (extents[p].y1 + extents[p].y2) / 2});
    for (const auto& d : habits.decoupling)
        if (d.capacitor < extents.size() && roles[d.capacitor] == PartRole::ordinary)
            parts.ties.push_back({d.capacitor, d.pin});
    return parts;
}

Placement place_parts(const std::vector<Extent>& extents, const PartNets& nets,
                      const PartHabits& habits, std::int64_t gap, std::int64_t margin)
{
    // Boards of up to a few hundred parts are placed many ways (densities, starts, quadratic
    // and length-weighed springs), keeping the one whose small nets are shortest: how a spread
    // packs varies much with each, and no one way wins on every board.
    std::vector<Tuning> tunings = {{0.9, 3, false}, {0.8, 10, false}, {1.0, 0, false},
                                   {0.9, 0, false}, {0.9, 3, true},   {0.8, 10, true},
                                   {1.0, 0, true},  {0.9, 0, true}};
    if (extents.size() > 500)
        tunings.resize(1);
    else
        for (std::size_t i = 0, n = tunings.size(); i < n; ++i) {
            auto t = tunings[i];
            t.linear = true;
            tunings.push_back(t);
        }
    const std::size_t ways = tunings.size();
    double parts_area = 0;
    for (const auto& e : extents)
        parts_area += double(e.width() + gap) * double(e.height() + gap);
    // An outline beyond twice the parts' area or longer than twice its width, or a connector off
    // the edge, loses to any other.
    auto within = [&](const Placement& placement) {
        const double w = double(placement.outline.width()), h = double(placement.outline.height());
        return w * h <= 2 * parts_area && std::max(w, h) <= 2 * std::min(w, h);
    };
    struct Try {
        Placement placement;
        std::vector<PartRole> roles;
        double length;
        bool inside;
    };
    std::vector<Try> tries;
    for (std::size_t way = 0; way < ways; ++way) {
        Placer placer(extents, nets, habits, gap, margin, tunings[way]);
        auto placement = placer.run();
        if (ways == 1)
            return placement;
        const double length = small_nets_length(extents, nets, placement);
        const bool inside = within(placement) && placer.edges_kept();
        tries.push_back({std::move(placement), placer.roles(), length, inside});
    }
    auto better = [](const Try& a, const Try& b) {
        return a.inside != b.inside ? a.inside : a.length < b.length;
    };
    std::stable_sort(tries.begin(), tries.end(), better);
    // The best few are refined, more of them on a smaller board, as what the refinement
    // makes of a try varies much; the shortest after it is kept.
    const std::uint64_t moves = 1000 * std::max<std::uint64_t>(1, extents.size());
    const std::size_t refined = std::clamp<std::size_t>(
        refine_moves / moves, 1, std::min<std::size_t>(8, tries.size()));
    for (std::size_t i = 0; i < refined; ++i) {
        auto& t = tries[i];
        auto parts = refine_parts(extents, nets, habits, t.roles, gap, margin);
        parts.moves = moves;
        parts.seed = i + 1;
        t.placement = refine_placement(parts, nets, std::move(t.placement));
        t.length = small_nets_length(extents, nets, t.placement);
    }
    std::stable_sort(tries.begin(), tries.begin() + static_cast<std::ptrdiff_t>(refined), better);
    return std::move(tries.front().placement);
}

double spanning_tree_length(std::span<const Point> points, std::vector<double>& reach)
{
    const std::size_t size = points.size();
    if (size < 2)
        return 0;
    double total = 0;
    reach.assign(size, std::numeric_limits<double>::infinity());  // to the tree, of each point
    std::size_t joined = 0;
    for (std::size_t step = 1; step < size; ++step) {
        const Point from = points[joined];
        reach[joined] = -1;
        std::size_t next = 0;
        double shortest = std::numeric_limits<double>::infinity();
        for (std::size_t k = 0; k < size; ++k) {
            if (reach[k] < 0)
                continue;
            // sqrt, not hypot: its last bits differ between C libraries, and these lengths
            // choose between placements.
            const Point to = points[k];
            const double dx = double(to.x - from.x), dy = double(to.y - from.y);
            reach[k] = std::min(reach[k], std::sqrt(dx * dx + dy * dy));
            if (reach[k] < shortest) {
                shortest = reach[k];
                next = k;
            }
        }
        total += shortest;
        joined = next;
    }
    return total;
}

double airwire_length(const std::vector<Point>& points, const std::vector<std::uint32_t>& starts)
{
    double total = 0;
    std::vector<double> reach;
    for (std::size_t i = 0; i + 1 < starts.size(); ++i)
        total += spanning_tree_length(
            std::span<const Point>(points).subspan(starts[i], starts[i + 1] - starts[i]), reach);
    return total;
}

}  // namespace malvor
