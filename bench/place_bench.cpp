// Speed of the placement, and what it achieves: parts of random sizes (mostly chip parts, one in
// eight a larger package) in modules of eight joined by small nets, a few nets between
// neighbouring modules and a ground net over all, placed in a random order of the nets.
//
//   place_bench [PARTS ...]      (default: 1000 100000)
//
// For each size: the best of five placements' wall time (the targets: 1,000 parts under 0.1 s,
// 100,000 under 2 s and 1 GB, which `/usr/bin/time -v` shows),
// the airwire length against the same places given at random (median of five shuffles; up to
// 20,000 parts, as the spanning trees of the ground net take long), the outline's sides and its
// area against the parts' extents, each enlarged by the gap.

#include "placement.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

namespace {

using malvor::Extent;
using malvor::PartNets;
using malvor::Point;

struct Parts {
    std::vector<Extent> extents;
    PartNets nets;
};

Parts random_parts(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    auto size = [&](std::int64_t smallest, std::int64_t largest) {
        return std::uniform_int_distribution<std::int64_t>(smallest, largest)(random);
    };
    Parts parts;
    for (std::size_t p = 0; p < count; ++p) {
        const bool large = random() % 8 == 0;
        const auto w = large ? size(5000, 30000) : size(1000, 4000);
        const auto h = large ? size(5000, 20000) : size(500, 3000);
        const auto x = -size(0, w), y = -size(0, h);
        parts.extents.push_back({x, y, x + w, y + h});
    }
    std::vector<std::uint32_t> shuffled(count);
    std::iota(shuffled.begin(), shuffled.end(), 0);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    auto add = [&](std::initializer_list<std::size_t> members) {
        for (auto m : members)
            parts.nets.parts.push_back(shuffled[m]);
        parts.nets.starts.push_back(static_cast<std::uint32_t>(parts.nets.parts.size()));
    };
    for (std::size_t module = 0; module < count; module += 8) {
        const auto end = std::min(count, module + 8);
        auto member = [&] { return module + random() % (end - module); };
        for (int n = 0; n < 6; ++n) {
            if (random() % 2)
                add({member(), member()});
            else
                add({member(), member(), member()});
        }
        if (end < count)
            add({end - 1, end});
    }
    for (std::size_t p = 0; p < count; ++p)
        parts.nets.parts.push_back(static_cast<std::uint32_t>(p));
    parts.nets.starts.push_back(static_cast<std::uint32_t>(parts.nets.parts.size()));
    return parts;
}

double airwires(const Parts& parts, const std::vector<Point>& origins)
{
    std::vector<Point> points;
    for (auto p : parts.nets.parts) {
        const auto& e = parts.extents[p];
        points.push_back({origins[p].x + (e.x1 + e.x2) / 2, origins[p].y + (e.y1 + e.y2) / 2});
    }
    return malvor::airwire_length(points, parts.nets.starts);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::size_t> sizes{1000, 100000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.push_back(std::strtoull(argv[i], nullptr, 10));
    }
    std::printf("%10s %10s %9s %14s %9s\n", "parts", "seconds", "airwires", "outline (mm)", "area");
    for (auto count : sizes) {
        const auto parts = random_parts(count, 1);
        double best = 1e9;
        malvor::Placement placement;
        for (int attempt = 0; attempt < 5; ++attempt) {
            const auto start = std::chrono::steady_clock::now();
            placement = malvor::place_parts(parts.extents, parts.nets);
            best = std::min(
                best,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        double ratio = 0;
        if (count <= 20000) {
            std::mt19937 random(2);
            std::vector<double> shuffles;
            for (int s = 0; s < 5; ++s) {
                auto places = placement.origins;
                std::shuffle(places.begin(), places.end(), random);
                shuffles.push_back(airwires(parts, places));
            }
            std::sort(shuffles.begin(), shuffles.end());
            ratio = airwires(parts, placement.origins) / shuffles[2];
        }
        double area = 0;
        for (const auto& e : parts.extents)
            area += double(e.width() + malvor::part_gap) * double(e.height() + malvor::part_gap);
        const auto& outline = placement.outline;
        std::printf("%10zu %10.3f %9.2f %6.0f x %-6.0f %9.2f\n", count, best, ratio,
                    double(outline.width()) / 1000, double(outline.height()) / 1000,
                    double(outline.width()) * double(outline.height()) / area);
    }
    return 0;
}
