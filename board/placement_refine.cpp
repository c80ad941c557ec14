#include "placement_refine.h"

#include "box_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace malvor {

namespace {

// xorshift64*: a fixed sequence on every platform, which the standard library's distributions
// do not promise.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1)
    {
        if (state_ == 0)
            state_ = 1;
    }
    std::uint64_t next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    // 0 .. n - 1; the bias of the remainder is far below what matters here.
    std::uint64_t below(std::uint64_t n) { return n == 0 ? 0 : (next() >> 11) % n; }
    std::int64_t within(std::int64_t reach)
    {
        return static_cast<std::int64_t>(below(static_cast<std::uint64_t>(2 * reach + 1))) - reach;
    }

private:
    std::uint64_t state_;
};

double distance(Point a, Point b)
{
    // sqrt, not hypot: the same last bits in every C library.
    const double dx = double(a.x - b.x), dy = double(a.y - b.y);
    return std::sqrt(dx * dx + dy * dy);
}

// A spanning tree's length over the points, with the small nets' shortcuts.
double tree_length(const std::vector<Point>& points, std::vector<double>& reach)
{
    const std::size_t size = points.size();
    if (size < 2)
        return 0;
    if (size == 2)
        return distance(points[0], points[1]);
    if (size == 3) {
        const double a = distance(points[0], points[1]), b = distance(points[1], points[2]),
                     c = distance(points[0], points[2]);
        return a + b + c - std::max({a, b, c});
    }
    return spanning_tree_length(points, reach);
}

class Refiner {
public:
    Refiner(const RefineParts& parts, const PartNets& nets, Placement& placement)
        : parts_(parts),
          placement_(placement),
          count_(static_cast<std::uint32_t>(parts.boxes.size())),
          random_(parts.seed)
    {
        // The measured nets, then the ties as nets of two.
        starts_.push_back(0);
        for (std::size_t net = 0; net + 1 < nets.starts.size(); ++net) {
            const auto size = nets.starts[net + 1] - nets.starts[net];
            if (size < 2 || size > parts.largest_net)
                continue;
            for (auto at = nets.starts[net]; at < nets.starts[net + 1]; ++at)
                entries_.push_back(entry(nets.parts[at], parts.offsets[at]));
            starts_.push_back(static_cast<std::uint32_t>(entries_.size()));
            weights_.push_back(1);
        }
        for (const auto& tie : parts.ties) {
            const auto& b = parts.boxes[tie.part];
            entries_.push_back(entry(tie.part, {(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2}));
            entries_.push_back(entry(nets.parts[tie.entry], parts.offsets[tie.entry]));
            starts_.push_back(static_cast<std::uint32_t>(entries_.size()));
            weights_.push_back(double(parts.tie_weight));
        }
        // Each part's nets, once each.
        std::vector<std::vector<std::uint32_t>> of_part(count_);
        for (std::uint32_t net = 0; net + 1 < starts_.size(); ++net)
            for (auto at = starts_[net]; at < starts_[net + 1]; ++at) {
                auto& list = of_part[entries_[at].part];
                if (list.empty() || list.back() != net)
                    list.push_back(net);
            }
        first_.push_back(0);
        for (const auto& list : of_part) {
            nets_of_part_.insert(nets_of_part_.end(), list.begin(), list.end());
            first_.push_back(static_cast<std::uint32_t>(nets_of_part_.size()));
        }
        cost_.resize(weights_.size());
        for (std::uint32_t net = 0; net < cost_.size(); ++net) {
            cost_[net] = measure(net);
            total_ += cost_[net];
        }
        placed_.resize(count_);
        std::int64_t sides = 0;
        for (std::uint32_t p = 0; p < count_; ++p) {
            placed_[p] = box_at(p, placement_.origins[p], placement_.turns[p]);
            sides += std::max(placed_[p].width(), placed_[p].height()) + parts.gap;
        }
        // Cells of about two parts a side, but no more than a few for each part: a board of
        // one large part among small ones is mostly empty.
        const auto& outline = placement_.outline;
        std::int64_t cell = std::max<std::int64_t>(
            1, 2 * sides / std::max<std::int64_t>(1, count_));
        while (double(outline.width() / cell + 1) * double(outline.height() / cell + 1) >
               4.0 * double(count_) + 16)
            cell += cell / 2 + 1;
        grid_ = BoxGrid(outline, cell, count_);
        for (std::uint32_t p = 0; p < count_; ++p)
            if (parts.obstacle[p])
                grid_.insert(p, grown(placed_[p]));
        for (std::uint32_t p = 0; p < count_; ++p) {
            if (first_[p + 1] == first_[p])
                continue;
            if (parts.movable[p])
                movable_.push_back(p);
            else if (parts.on_edge[p])
                edge_parts_.push_back(p);
        }
        // For each connector and side, the turn that puts its pads towards the inside, a shallow
        // body breaking ties, as the packing turns them.
        edge_turns_.assign(4 * std::size_t{count_}, 0);
        std::vector<Point> pads(count_);
        std::vector<std::int64_t> pad_count(count_, 0);
        for (std::size_t at = 0; at < nets.parts.size(); ++at) {
            pads[nets.parts[at]].x += parts.offsets[at].x;
            pads[nets.parts[at]].y += parts.offsets[at].y;
            ++pad_count[nets.parts[at]];
        }
        for (auto p : edge_parts_) {
            const auto& b = parts.boxes[p];
            const Point c{pads[p].x / pad_count[p] - (b.x1 + b.x2) / 2,
                          pads[p].y / pad_count[p] - (b.y1 + b.y2) / 2};
            for (int side = 0; side < 4; ++side) {
                const Point inward = side == 0   ? Point{0, 1}
                                     : side == 1 ? Point{-1, 0}
                                     : side == 2 ? Point{0, -1}
                                                 : Point{1, 0};
                std::int64_t best = 0;
                for (int turns = 0; turns < 4; ++turns) {
                    const Point t = turned(c, turns);
                    const auto tb = turned(b, turns);
                    const auto depth = side == 0 || side == 2 ? tb.height() : tb.width();
                    const auto score = 4 * (t.x * inward.x + t.y * inward.y) - depth;
                    if (turns == 0 || score > best) {
                        best = score;
                        edge_turns_[4 * std::size_t{p} + static_cast<std::size_t>(side)] =
                            static_cast<std::uint8_t>(turns);
                    }
                }
            }
        }
        movers_ = movable_;
        movers_.insert(movers_.end(), edge_parts_.begin(), edge_parts_.end());
        moved_mark_.assign(count_, 0);
        mark_.assign(cost_.size(), 0);
    }

    void run()
    {
        if (movable_.empty() || cost_.empty())
            return;
        const auto& outline = placement_.outline;
        const std::int64_t board = std::max(outline.width(), outline.height());
        // A start that takes every fourth move worse by an average net's length.
        const std::int64_t start = std::max<std::int64_t>(
            1, static_cast<std::int64_t>(total_ / double(cost_.size())));
        std::int64_t smallest_reach = 0;
        for (auto p : movable_)
            smallest_reach += std::max(parts_.boxes[p].width(), parts_.boxes[p].height());
        smallest_reach = std::max<std::int64_t>(
            1, 2 * smallest_reach / static_cast<std::int64_t>(movable_.size()));
        constexpr int stages = 50, cold_stages = 4;
        const std::uint64_t moves = parts_.moves / (stages + cold_stages);
        std::vector<Point> best_origins = placement_.origins;
        std::vector<std::uint8_t> best_turns = placement_.turns;
        double best_total = total_;
        std::int64_t temperature = start;
        for (int stage = 0; stage < stages + cold_stages; ++stage) {
            if (stage >= stages)
                temperature = 0;
            // The moves reach less far as the board cools.
            const std::int64_t reach = std::max(
                smallest_reach, board / 2 * std::max<std::int64_t>(temperature, 1) / start);
            for (std::uint64_t m = 0; m < moves; ++m)
                step(temperature, reach);
            if (total_ < best_total) {
                best_total = total_;
                best_origins = placement_.origins;
                best_turns = placement_.turns;
            }
            temperature = temperature * 9 / 10;
        }
        placement_.origins = std::move(best_origins);
        placement_.turns = std::move(best_turns);
    }

private:
    struct Entry {
        std::uint32_t part;
        Point offset[4];  // by the part's turns
    };
    Entry entry(std::uint32_t part, Point offset) const
    {
        return {part, {offset, turned(offset, 1), turned(offset, 2), turned(offset, 3)}};
    }

    Extent box_at(std::uint32_t p, Point origin, int turns) const
    {
        const auto b = turned(parts_.boxes[p], turns);
        return {b.x1 + origin.x, b.y1 + origin.y, b.x2 + origin.x, b.y2 + origin.y};
    }
    Point middle(std::uint32_t p) const
    {
        const auto& b = placed_[p];
        return {(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2};
    }
    // The origin that puts the part's middle at `at`.
    Point origin_for(std::uint32_t p, int turns, Point at) const
    {
        const auto b = turned(parts_.boxes[p], turns);
        return {at.x - (b.x1 + b.x2) / 2, at.y - (b.y1 + b.y2) / 2};
    }
    // The room a box keeps from others.
    Extent grown(const Extent& b) const
    {
        const auto g = parts_.gap;
        return {b.x1 - g, b.y1 - g, b.x2 + g, b.y2 + g};
    }
    bool apart(const Extent& a, const Extent& b) const
    {
        const auto g = parts_.gap;
        return a.x2 + g <= b.x1 || b.x2 + g <= a.x1 || a.y2 + g <= b.y1 || b.y2 + g <= a.y1;
    }
    double measure(std::uint32_t net)
    {
        points_.clear();
        for (auto at = starts_[net]; at < starts_[net + 1]; ++at) {
            const auto& e = entries_[at];
            const Point pin = e.offset[placement_.turns[e.part]];
            const auto& o = placement_.origins[e.part];
            points_.push_back({o.x + pin.x, o.y + pin.y});
        }
        return weights_[net] * tree_length(points_, reach_);
    }

    // Where the pins that `p`'s nets join it to lie on average, or its own middle.
    Point pull_of(std::uint32_t p) const
    {
        std::int64_t sx = 0, sy = 0, n = 0;
        for (auto i = first_[p]; i < first_[p + 1]; ++i) {
            const auto net = nets_of_part_[i];
            for (auto at = starts_[net]; at < starts_[net + 1]; ++at) {
                const auto& e = entries_[at];
                if (e.part == p)
                    continue;
                const Point pin = e.offset[placement_.turns[e.part]];
                sx += placement_.origins[e.part].x + pin.x;
                sy += placement_.origins[e.part].y + pin.y;
                ++n;
            }
        }
        return n == 0 ? middle(p) : Point{sx / n, sy / n};
    }

    // The movable part whose middle is nearest `at`.
    // The movable part whose middle is nearest `at`, among those filed near it; else none.
    std::uint32_t nearest(Point at)
    {
        std::uint32_t best = none;
        std::int64_t best_distance = std::numeric_limits<std::int64_t>::max();
        grid_.near({at.x, at.y, at.x, at.y}, [&](std::uint32_t q) {
            if (!parts_.movable[q])
                return true;
            const Point m = middle(q);
            const auto d = std::abs(m.x - at.x) + std::abs(m.y - at.y);
            if (d < best_distance || (d == best_distance && q < best)) {
                best_distance = d;
                best = q;
            }
            return true;
        });
        return best;
    }

    // A part's new place in a move.
    struct Moved {
        std::uint32_t part;
        Point origin;
        std::uint8_t turns;
        Extent box;
    };

    bool in_move(std::uint32_t p) const { return moved_mark_[p] == move_stamp_; }
    void add(std::uint32_t p, Point origin, int turns)
    {
        moved_mark_[p] = move_stamp_;
        move_.push_back({p, origin, static_cast<std::uint8_t>(turns), box_at(p, origin, turns)});
    }
    // Every moved part inside the outline, apart from what stays and from each other.
    bool move_fits()
    {
        for (std::size_t i = 0; i < move_.size(); ++i) {
            const auto& box = move_[i].box;
            if (!inside(box))
                return false;
            if (!grid_.near(
                    box, [&](std::uint32_t r) { return in_move(r) || apart(box, placed_[r]); }))
                return false;
            for (std::size_t j = i + 1; j < move_.size(); ++j)
                if (!apart(box, move_[j].box))
                    return false;
        }
        return true;
    }

    bool inside(const Extent& box) const
    {
        const auto& outline = placement_.outline;
        const auto m = parts_.margin;
        return box.x1 >= outline.x1 + m && box.y1 >= outline.y1 + m && box.x2 <= outline.x2 - m &&
               box.y2 <= outline.y2 - m;
    }
    // Whether a box may stand there: inside, apart from what stays and what has moved.
    bool free_now(const Extent& box)
    {
        if (!inside(box))
            return false;
        for (const auto& m : move_)
            if (!apart(box, m.box))
                return false;
        return grid_.near(
            box, [&](std::uint32_t r) { return in_move(r) || apart(box, placed_[r]); });
    }

    // `p` to `at` with `turns`, the packed parts in its way each to the first free place of:
    // where `p` was (as far from `p` as before), a step around where it stands, a step around
    // where `p` was.
    // A large part moves or turns through small ones so.
    void push_aside(std::uint32_t p, Point at, int turns)
    {
        const Point from = middle(p);
        const Point shift{at.x - from.x, at.y - from.y};
        add(p, origin_for(p, turns, at), turns);
        const auto room = grown(move_.front().box);
        displaced_.clear();
        const bool all_movable = grid_.near(room, [&](std::uint32_t r) {
            const auto& b = placed_[r];
            if (r == p || b.x2 <= room.x1 || room.x2 <= b.x1 || b.y2 <= room.y1 || room.y2 <= b.y1)
                return true;
            if (!parts_.movable[r] || displaced_.size() >= 8)
                return false;
            displaced_.push_back(r);
            return true;
        });
        if (!all_movable) {
            move_.clear();
            return;
        }
        for (auto r : displaced_)
            moved_mark_[r] = move_stamp_;
        static constexpr int dx[] = {1, 1, 0, -1, -1, -1, 0, 1}, dy[] = {0, 1, 1, 1, 0, -1, -1, -1};
        for (auto r : displaced_) {
            const int own_turns = placement_.turns[r];
            const auto& b = placed_[r];
            const std::int64_t step = std::max(b.width(), b.height()) + parts_.gap;
            auto try_at = [&](Point origin) {
                if (!free_now(box_at(r, origin, own_turns)))
                    return false;
                add(r, origin, own_turns);
                return true;
            };
            bool placed =
                try_at({placement_.origins[r].x - shift.x, placement_.origins[r].y - shift.y});
            for (const Point around : {middle(r), from})
                for (int d = 0; d < 8 && !placed; ++d)
                    placed = try_at(origin_for(
                        r, own_turns, {around.x + dx[d] * step, around.y + dy[d] * step}));
            if (!placed) {
                move_.clear();
                return;
            }
        }
    }

    // The side of the outline a connector stands on or nearest: holes in the corners may
    // stand beyond the connectors' rows.
    int side_of(std::uint32_t p) const
    {
        const auto& b = placed_[p];
        const auto& o = placement_.outline;
        const std::int64_t distance[] = {b.y1 - o.y1, o.x2 - b.x2, o.y2 - b.y2, b.x1 - o.x1};
        return static_cast<int>(std::min_element(distance, distance + 4) - distance);
    }

    // A connector along its side to `at`, to the side nearest `at`, or in the place of another
    // connector on its side.
    void along_edge(std::uint32_t p, Point at)
    {
        const int side = side_of(p);
        const bool horizontal = side == 0 || side == 2;
        const Point here = middle(p);
        const auto kind = random_.below(3);
        if (kind == 0) {
            const Point to = horizontal ? Point{at.x, here.y} : Point{here.x, at.y};
            add(p, origin_for(p, placement_.turns[p], to), placement_.turns[p]);
            return;
        }
        if (kind == 1) {
            const auto& o = placement_.outline;
            const std::int64_t distance[] = {at.y - o.y1, o.x2 - at.x, o.y2 - at.y, at.x - o.x1};
            const auto to = static_cast<int>(std::min_element(distance, distance + 4) - distance);
            const int turns = edge_turns_[4 * std::size_t{p} + static_cast<std::size_t>(to)];
            const auto b = turned(parts_.boxes[p], turns);
            const auto m = parts_.margin;
            Point origin = origin_for(p, turns, at);
            if (to == 0)
                origin.y = o.y1 + m - b.y1;
            else if (to == 1)
                origin.x = o.x2 - m - b.x2;
            else if (to == 2)
                origin.y = o.y2 - m - b.y2;
            else
                origin.x = o.x1 + m - b.x1;
            add(p, origin, turns);
            return;
        }
        // The nearest other connector on the side.
        std::uint32_t q = none;
        std::int64_t best = std::numeric_limits<std::int64_t>::max();
        for (auto r : edge_parts_) {
            if (r == p || side_of(r) != side)
                continue;
            const Point m = middle(r);
            const auto d = horizontal ? std::abs(m.x - at.x) : std::abs(m.y - at.y);
            if (d < best) {
                best = d;
                q = r;
            }
        }
        if (q == none)
            return;
        const Point there = middle(q);
        add(p,
            origin_for(p, placement_.turns[p],
                       horizontal ? Point{there.x, here.y} : Point{here.x, there.y}),
            placement_.turns[p]);
        add(q,
            origin_for(q, placement_.turns[q],
                       horizontal ? Point{here.x, there.y} : Point{there.x, here.y}),
            placement_.turns[q]);
    }

    // Whether a move `worse` longer is kept: with the chance (t / (t + worse))^power, drawn as
    // that many whole numbers below t + worse all below t. Falls about as fast as e^(-worse/t)
    // over the first few t, without a transcendental.
    bool chance(std::int64_t temperature, std::int64_t worse)
    {
        if (temperature <= 0)
            return false;
        const auto all = static_cast<std::uint64_t>(temperature + worse);
        for (int i = 0; i < acceptance_power; ++i)
            if (random_.below(all) >= static_cast<std::uint64_t>(temperature))
                return false;
        return true;
    }

    // One move tried: kept when it shortens the airwires, or by chance.
    void step(std::int64_t temperature, std::int64_t reach)
    {
        const auto p = movers_[random_.below(movers_.size())];
        const auto kind = random_.below(100);
        const Point around = random_.below(2) ? pull_of(p) : middle(p);
        // Reaches of every scale down to a few hundredths: a nudge finishes what a jump began.
        const auto scaled = reach >> random_.below(6);
        const Point target{around.x + random_.within(scaled), around.y + random_.within(scaled)};
        ++move_stamp_;
        move_.clear();
        if (!parts_.movable[p]) {
            along_edge(p, target);
        } else if (kind < 35) {
            const auto q = nearest(target);
            if (q == p || q == none)
                return;
            add(p, origin_for(p, placement_.turns[p], middle(q)), placement_.turns[p]);
            add(q, origin_for(q, placement_.turns[q], middle(p)), placement_.turns[q]);
        } else if (kind < 65) {
            add(p, origin_for(p, placement_.turns[p], target), placement_.turns[p]);
        } else if (kind < 85) {
            push_aside(p, target, placement_.turns[p]);
        } else {
            const int turns = (placement_.turns[p] + 1 + static_cast<int>(random_.below(3))) & 3;
            push_aside(p, middle(p), turns);
        }
        if (move_.empty() || !move_fits())
            return;
        // The nets of the moved parts, each once.
        ++stamp_;
        touched_.clear();
        for (const auto& m : move_) {
            for (auto i = first_[m.part]; i < first_[m.part + 1]; ++i) {
                const auto net = nets_of_part_[i];
                if (mark_[net] != stamp_) {
                    mark_[net] = stamp_;
                    touched_.push_back(net);
                }
            }
        }
        undo_.clear();
        for (auto& m : move_) {
            undo_.push_back({m.part, placement_.origins[m.part], placement_.turns[m.part], {}});
            placement_.origins[m.part] = m.origin;
            placement_.turns[m.part] = m.turns;
        }
        double before = 0, after = 0;
        after_.clear();
        for (auto net : touched_) {
            before += cost_[net];
            after_.push_back(measure(net));
            after += after_.back();
        }
        const auto worse = static_cast<std::int64_t>(std::llround(after - before));
        const bool keep = worse <= 0 || chance(temperature, worse);
        if (!keep) {
            for (const auto& u : undo_) {
                placement_.origins[u.part] = u.origin;
                placement_.turns[u.part] = u.turns;
            }
            return;
        }
        for (std::size_t i = 0; i < touched_.size(); ++i)
            cost_[touched_[i]] = after_[i];
        total_ += after - before;
        for (const auto& m : move_) {
            grid_.erase(m.part, grown(placed_[m.part]));
            placed_[m.part] = m.box;
            grid_.insert(m.part, grown(m.box));
        }
    }

    static constexpr int acceptance_power = 2;
    static constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();

    const RefineParts& parts_;
    Placement& placement_;
    std::uint32_t count_;
    Random random_;
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> starts_;
    std::vector<double> weights_;
    std::vector<std::uint32_t> first_, nets_of_part_;
    std::vector<double> cost_;
    double total_ = 0;
    std::vector<Extent> placed_;             // each part's box as it stands
    BoxGrid grid_{{}, 1, 0};                 // the obstacles' boxes grown by the gap
    std::vector<std::uint32_t> movable_;     // the packed parts on some net
    std::vector<std::uint32_t> edge_parts_;  // the parts on the edge that slide along it
    std::vector<std::uint32_t> movers_;      // both
    std::vector<std::uint8_t> edge_turns_;   // of each connector on each side
    std::vector<Moved> move_, undo_;
    std::vector<std::uint32_t> displaced_;
    std::vector<std::uint32_t> moved_mark_;
    std::uint32_t move_stamp_ = 0;
    std::vector<std::uint32_t> mark_, touched_;
    std::uint32_t stamp_ = 0;
    std::vector<double> after_;
    std::vector<Point> points_;
    std::vector<double> reach_;
};

}  // namespace

Placement refine_placement(const RefineParts& parts, const PartNets& nets, Placement placement)
{
    Refiner refiner(parts, nets, placement);
    refiner.run();
    return placement;
}

}  // namespace malvor
