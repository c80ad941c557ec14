// The placement against designers' own, on boards no one here wrote: KiCad's demo boards, read
// by kicad_export.py through KiCad's Python module.
//
//   placement_quality [BOARD.kicad_pcb ...]   (default: the eleven demo boards of Debian's
//                                              kicad-demos, under /usr/share/kicad/demos)
//
// For each board: the airwires (a spanning tree over each net's pads) of Malvor's placement of
// its footprints, against the same places given to the parts at random (median of five
// shuffles, each part keeping its turn), beside the same ratio for the designer's placement;
// the overlaps and parts outside the outline (both should be none), and the placement's processor
// time. With PLACEMENT_DUMP=FOLDER, each board's placed boxes (and roles) and pads, by net, go to
// FOLDER/BOARD.txt, to see where a board loses. Needs KiCad's Python module and its demo boards
// (`scripts/deps.sh kicad kicad-demos`).

#include "placement.h"
#include "placement_habits.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using malvor::Extent;
using malvor::Point;

struct Part {
    std::string name, footprint;
    Extent extent;
    Point middle;  // as the designer placed it
};

struct Pad {
    std::uint32_t part;
    Point offset, placed;
    std::string net;
};

struct Board {
    std::string name;
    std::vector<Part> parts;
    std::vector<Pad> pads;
};

std::vector<Board> read_boards(std::FILE* in)
{
    std::vector<Board> boards;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, in)) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "board") {
            boards.push_back({line.substr(6), {}, {}});
        } else if (kind == "part" && !boards.empty()) {
            Part part;
            std::getline(fields >> std::ws, part.name, '\t');
            std::getline(fields, part.footprint, '\t');
            fields >> part.extent.x1 >> part.extent.y1 >> part.extent.x2 >> part.extent.y2 >>
                part.middle.x >> part.middle.y;
            boards.back().parts.push_back(part);
        } else if (kind == "pad" && !boards.empty() && !boards.back().parts.empty()) {
            Pad pad;
            pad.part = static_cast<std::uint32_t>(boards.back().parts.size() - 1);
            fields >> pad.offset.x >> pad.offset.y >> pad.placed.x >> pad.placed.y;
            std::getline(fields >> std::ws, pad.net);
            boards.back().pads.push_back(pad);
        }
    }
    return boards;
}

// The airwires with each part's pads moved by its shift.
double airwires(const std::vector<std::vector<std::pair<std::uint32_t, Point>>>& nets,
                const std::vector<Point>& shift)
{
    std::vector<Point> points;
    std::vector<std::uint32_t> starts{0};
    for (const auto& net : nets) {
        for (const auto& [part, at] : net)
            points.push_back({at.x + shift[part].x, at.y + shift[part].y});
        starts.push_back(static_cast<std::uint32_t>(points.size()));
    }
    return malvor::airwire_length(points, starts);
}

// The airwires of pads at `placed` (by net), against the parts' middles shuffled.
double ratio(const std::vector<std::vector<std::pair<std::uint32_t, Point>>>& nets,
             const std::vector<Point>& middles)
{
    const std::vector<Point> none(middles.size());
    std::mt19937 random(1);
    std::vector<double> shuffled;
    for (int s = 0; s < 5; ++s) {
        auto order = middles;
        std::shuffle(order.begin(), order.end(), random);
        std::vector<Point> shift(middles.size());
        for (std::size_t p = 0; p < middles.size(); ++p)
            shift[p] = {order[p].x - middles[p].x, order[p].y - middles[p].y};
        shuffled.push_back(airwires(nets, shift));
    }
    std::sort(shuffled.begin(), shuffled.end());
    return shuffled[2] > 0 ? airwires(nets, none) / shuffled[2] : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string command = "/usr/bin/python3 '" MALVOR_EXPORTER "'";
    if (argc > 1) {
        for (int i = 1; i < argc; ++i)
            command += std::string(" '") + argv[i] + "'";
    } else {
        for (const char* board :
             {"complex_hierarchy/complex_hierarchy", "ecc83/ecc83-pp", "ecc83/ecc83-pp_v2",
              "flat_hierarchy/flat_hierarchy", "interf_u/interf_u",
              "kit-dev-coldfire-xilinx_5213/kit-dev-coldfire-xilinx_5213",
              "pic_programmer/pic_programmer", "sonde xilinx/sonde xilinx", "stickhub/StickHub",
              "test_xil_95108/carte_test", "video/video"})
            command += std::string(" '" MALVOR_DEMOS "/") + board + ".kicad_pcb'";
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(popen(command.c_str(), "r"), pclose);
    if (!in) {
        std::fprintf(stderr, "placement_quality: cannot run %s\n", command.c_str());
        return 1;
    }
    auto boards = read_boards(in.get());
    std::sort(boards.begin(), boards.end(),
              [](const Board& a, const Board& b) { return a.parts.size() < b.parts.size(); });
    std::printf("%-30s %6s %6s %9s %9s %8s %8s\n", "board", "parts", "pads", "malvor", "designer",
                "faults", "seconds");
    int within = 0, better = 0;
    for (const auto& board : boards) {
        const auto count = board.parts.size();
        std::map<std::string, std::uint32_t> net_numbers;
        std::vector<std::string> net_names;
        for (const auto& pad : board.pads)
            if (pad.net != "-" && net_numbers.try_emplace(pad.net, net_names.size()).second)
                net_names.push_back(pad.net);
        std::vector<std::vector<std::uint32_t>> pads_of_net(net_names.size());
        for (std::uint32_t i = 0; i < board.pads.size(); ++i)
            if (board.pads[i].net != "-")
                pads_of_net[net_numbers[board.pads[i].net]].push_back(i);
        malvor::PartNets nets;
        std::vector<std::string_view> names_of_nets;
        std::vector<char> connected(count, 0);
        std::vector<std::uint32_t> pad_counts(count, 0);
        for (const auto& pad : board.pads)
            ++pad_counts[pad.part];
        for (std::size_t n = 0; n < pads_of_net.size(); ++n) {
            for (auto i : pads_of_net[n]) {
                nets.parts.push_back(board.pads[i].part);
                nets.offsets.push_back(board.pads[i].offset);
                if (pads_of_net[n].size() > 1)
                    connected[board.pads[i].part] = 1;
            }
            nets.starts.push_back(static_cast<std::uint32_t>(nets.parts.size()));
            names_of_nets.push_back(net_names[n]);
        }
        std::vector<Extent> extents;
        std::vector<std::string_view> part_names;
        malvor::PartHabits habits;
        for (std::size_t p = 0; p < count; ++p) {
            const auto& part = board.parts[p];
            extents.push_back(part.extent);
            part_names.push_back(part.name);
            const bool drawn = part.extent != Extent{} || pad_counts[p] > 0;
            habits.roles.push_back(
                malvor::part_role({part.name, part.footprint, drawn, connected[p] != 0}));
        }
        habits.decoupling = malvor::decoupling_capacitors(
            nets, names_of_nets, part_names, pad_counts);
        // Processor time: the machine may be busy with more than this.
        const auto began = std::clock();
        const auto placement = malvor::place_parts(extents, nets, habits);
        const double seconds = double(std::clock() - began) / CLOCKS_PER_SEC;

        // Each net's pads: the designer's, and Malvor's.
        std::vector<std::vector<std::pair<std::uint32_t, Point>>> designer, malvor;
        std::vector<Point> designer_middles(count), malvor_middles(count);
        std::vector<Extent> boxes(count);
        for (std::size_t p = 0; p < count; ++p) {
            designer_middles[p] = board.parts[p].middle;
            const auto& e = extents[p];
            const Extent with_origin{
                std::min<std::int64_t>(e.x1, 0), std::min<std::int64_t>(e.y1, 0),
                std::max<std::int64_t>(e.x2, 0), std::max<std::int64_t>(e.y2, 0)};
            const auto box = malvor::turned(with_origin, placement.turns[p]);
            const auto& o = placement.origins[p];
            boxes[p] = {o.x + box.x1, o.y + box.y1, o.x + box.x2, o.y + box.y2};
            malvor_middles[p] = {(boxes[p].x1 + boxes[p].x2) / 2, (boxes[p].y1 + boxes[p].y2) / 2};
        }
        for (const auto& net : pads_of_net) {
            designer.emplace_back();
            malvor.emplace_back();
            for (auto i : net) {
                const auto& pad = board.pads[i];
                designer.back().push_back({pad.part, pad.placed});
                const auto at = malvor::turned(pad.offset, placement.turns[pad.part]);
                const auto& o = placement.origins[pad.part];
                malvor.back().push_back({pad.part, {o.x + at.x, o.y + at.y}});
            }
        }
        int faults = 0;
        const auto& outline = placement.outline;
        for (std::size_t a = 0; a < count; ++a) {
            if (habits.roles[a] == malvor::PartRole::empty)
                continue;
            const auto& e = boxes[a];
            faults += e.x1 < outline.x1 || e.y1 < outline.y1 || e.x2 > outline.x2 ||
                      e.y2 > outline.y2;
            for (std::size_t b = a + 1; b < count; ++b) {
                const auto& f = boxes[b];
                if (habits.roles[b] != malvor::PartRole::empty && e.x1 < f.x2 && f.x1 < e.x2 &&
                    e.y1 < f.y2 && f.y1 < e.y2)
                    ++faults;
            }
        }
        const char* dump = std::getenv("PLACEMENT_DUMP");
        if (std::FILE* out =
                dump ? std::fopen((std::string(dump) + "/" + board.name + ".txt").c_str(), "w")
                     : nullptr) {
            std::fprintf(out, "outline %lld %lld\n", (long long)outline.x2, (long long)outline.y2);
            for (std::size_t p = 0; p < count; ++p)
                std::fprintf(out, "part %s %d %lld %lld %lld %lld\n", board.parts[p].name.c_str(),
                             int(habits.roles[p]), (long long)boxes[p].x1, (long long)boxes[p].y1,
                             (long long)boxes[p].x2, (long long)boxes[p].y2);
            for (std::size_t n = 0; n < malvor.size(); ++n)
                for (const auto& [part, at] : malvor[n])
                    std::fprintf(
                        out, "pad %zu %u %lld %lld\n", n, part, (long long)at.x, (long long)at.y);
            std::fclose(out);
        }
        const double ours = ratio(malvor, malvor_middles);
        const double theirs = ratio(designer, designer_middles);
        within += ours <= 0.75;
        better += ours <= theirs;
        std::printf("%-30s %6zu %6zu %9.2f %9.2f %8d %8.3f\n", board.name.c_str(), count,
                    board.pads.size(), ours, theirs, faults, seconds);
    }
    std::printf("%d of %zu at most 0.75, %d of %zu at most the designer's\n", within, boards.size(),
                better, boards.size());
    return 0;
}
