// Speed and memory of malvor-convert on synthetic netlists, side by side with cat: writes
// each netlist to a temporary folder, runs cat and the converter as their own processes with
// standard output to a pipe that this program drains, and reports wall times (best of five),
// the ratios to cat and the converter's peak resident memory against the netlist's size.
//
//   convert_bench [COMPONENTS ...]      (default: 50000 400000)
//
// A last row measures one net of 800,000 nodes, and the final lines check the largest netlist
// against a 3.5 MB library (--check) next to converting it: a clean netlist, and one whose
// random nets reuse pins, which makes about 311,000 problems; then the clean one with a
// package map that takes two footprints from a second library, renaming pins.

#include "library_generator.h"
#include "netlist_generator.h"
#include "timed_run.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The best of five runs, or a negative time if the program failed (exited with another status
// than `accepted`).
TimedRun best_run(const std::vector<std::string>& arguments, int accepted = 0)
{
    return timed_run(arguments, 5, accepted);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::strtoull(argv[i], nullptr, 10));
    if (sizes.empty())
        sizes = {50000, 400000};

    auto folder = std::filesystem::temp_directory_path() /
                  ("malvor-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::printf("%10s %9s | %7s | %7s %6s | %7s %6s | %7s | %8s %7s\n", "components", "netlist",
                "cat s", "pipe s", "x cat", "list s", "x cat", "file s", "peak MB", "x in");
    sizes.push_back(0);  // the single net
    const std::string converter = MALVOR_CONVERT_EXE;
    for (auto components : sizes) {
        auto netlist = (folder / "bench.net").string();
        auto script = (folder / "bench.scr").string();
        const std::string text = components != 0 ? malvor::bench::generate_netlist(components)
                                                 : malvor::bench::generate_single_net(800000);
        if (components == 0)
            std::printf("one net of 800000 nodes:\n");
        std::ofstream(netlist, std::ios::binary) << text;
        const double in_mb = static_cast<double>(text.size()) / 1e6;

        auto cat = best_run({"/bin/cat", netlist});
        auto pipe = best_run({converter, "-o", "-", netlist, "bench.lbr"});
        auto list = best_run({converter, "--list", netlist});
        auto file = best_run({converter, "-o", script, netlist, "bench.lbr"});
        if (cat.seconds < 0 || pipe.seconds < 0 || list.seconds < 0 || file.seconds < 0) {
            std::fprintf(stderr, "a run failed on %zu components\n", components);
            return 1;
        }
        double peak = std::max({pipe.peak_mb, list.peak_mb, file.peak_mb});
        std::printf("%10zu %7.1fMB | %7.3f | %7.3f %6.1f | %7.3f %6.1f | %7.3f | %8.1f %7.2f\n",
                    components, in_mb, cat.seconds, pipe.seconds, pipe.seconds / cat.seconds,
                    list.seconds, list.seconds / cat.seconds, file.seconds, peak, peak / in_mb);
    }

    // The check: the largest netlist against a library of the size of the largest public ones,
    // once as a real netlist (each pin in one net), once with pins reused all over.
    const std::size_t largest = *std::max_element(sizes.begin(), sizes.end());
    const auto library = (folder / "big.lbr").string();
    const std::string library_text = malvor::bench::generate_library();
    std::ofstream(library, std::ios::binary) << library_text;
    std::printf("check of %zu components against a %.1f MB library:\n", largest,
                static_cast<double>(library_text.size()) / 1e6);
    for (auto reuse : {malvor::bench::PinReuse::never, malvor::bench::PinReuse::random}) {
        const auto netlist = (folder / "check.net").string();
        std::ofstream(netlist, std::ios::binary)
            << malvor::bench::generate_netlist(largest, 1, reuse);
        auto convert =
            best_run({converter, "-o", (folder / "check.scr").string(), netlist, library});
        // Reused pins are problems: status 3.
        const bool clean = reuse == malvor::bench::PinReuse::never;
        auto check = best_run({converter, "--check", netlist, library}, clean ? 0 : 3);
        if (convert.seconds < 0 || check.seconds < 0) {
            std::fprintf(stderr, "a run failed on the check rows\n");
            return 1;
        }
        std::printf(
            "  %-14s convert %.3f s, %.1f MB peak; check %.3f s, %.1f MB peak; "
            "check/convert %.2f%s\n",
            clean ? "clean:" : "pins reused:", convert.seconds, convert.peak_mb, check.seconds,
            check.peak_mb, check.seconds / convert.seconds, clean ? " (target at most 3)" : "");
    }

    // The map sends SO8 and DIP14 to the second library, the first with pins 1 and 2 swapped.
    const auto second = (folder / "second.lbr").string();
    std::ofstream(second, std::ios::binary) << malvor::bench::generate_library(600, "-B");
    const auto map = (folder / "map.csv").string();
    std::ofstream(map, std::ios::binary) << "footprint,package,library,pins\n"
                                            "SO8,SO8-B,second,1=2 2=1\n"
                                            "DIP14,DIP14-B,second,\n";
    const auto netlist = (folder / "check.net").string();
    std::ofstream(netlist, std::ios::binary) << malvor::bench::generate_netlist(largest);
    auto convert = best_run({converter, "-o", (folder / "check.scr").string(), netlist, library});
    auto check = best_run({converter, "--check", "--map", map, netlist, library, second});
    auto mapped = best_run(
        {converter, "-o", (folder / "check.scr").string(), "--map", map, netlist, library, second});
    if (convert.seconds < 0 || check.seconds < 0 || mapped.seconds < 0) {
        std::fprintf(stderr, "a run failed on the map rows\n");
        return 1;
    }
    std::printf(
        "  %-14s check %.3f s, %.1f MB peak; check/convert %.2f (target at most 3); "
        "converting with them %.3f s\n",
        "map, 2 libs:", check.seconds, check.peak_mb, check.seconds / convert.seconds,
        mapped.seconds);

    // Hints for packages of long names: 100 components whose 2,000-letter packages the library
    // lacks, against 100 packages of such names, each a letter or two away or not close.
    {
        std::string long_netlist, long_library = "<eagle><drawing><library><packages>";
        for (int i = 0; i < 100; ++i) {
            std::string name(2000, static_cast<char>('a' + i % 26));
            name[static_cast<std::size_t>(i)] = 'X';
            long_netlist += "[\r\nU" + std::to_string(i) + "\r\n" + name + "\r\nV\r\n]\r\n";
            name[static_cast<std::size_t>(i) + 1] = 'Y';
            long_library += "<package name=\"" + name + "\"/>";
        }
        std::ofstream(folder / "long.net", std::ios::binary) << long_netlist;
        std::ofstream(folder / "long.lbr", std::ios::binary)
            << long_library + "</packages></library></drawing></eagle>";
        auto hints = best_run(
            {converter, "--check", (folder / "long.net").string(), (folder / "long.lbr").string()},
            3);
        std::printf("hints for 100 packages of 2000 letters: check %.3f s\n", hints.seconds);
    }

    // Memory of reading libraries near the 64 MiB limit, against a netlist of one component:
    // packages without pads, and realistic packages.
    {
        const std::string one = "[\r\nR1\r\nNONE\r\nV\r\n]\r\n";  // not in the library
        std::ofstream(folder / "one.net", std::ios::binary) << one;
        for (const char* what : {"empty packages", "realistic packages"}) {
            // Made, written and dropped before the run: a child forked from this process
            // would count it in its peak.
            std::string text;
            if (what[0] == 'e') {
                // The most the reader keeps for a file of that size: a package a few bytes.
                text = "<eagle><drawing><library><packages>";
                for (int k = 0; text.size() < (std::size_t{63} << 20); ++k)
                    text += "<package name=\"" + std::to_string(k) + "\"/>";
                text += "</packages></library></drawing></eagle>";
            } else {
                text = malvor::bench::generate_library(10000);
            }
            std::ofstream(folder / "near.lbr", std::ios::binary) << text;
            const double mb = static_cast<double>(text.size()) / 1e6;
            std::string().swap(text);
            auto near = best_run({converter, "--check", (folder / "one.net").string(),
                                  (folder / "near.lbr").string()},
                                 3);
            std::printf("library of %.1f MB of %s: check %.3f s, %.1f MB peak (%.2fx)\n", mb, what,
                        near.seconds, near.peak_mb, near.peak_mb / mb);
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
