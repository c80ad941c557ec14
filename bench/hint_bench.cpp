// The hint step of --check and --suggest-map on its own: 1,000 distinct footprints that a
// library of 5,000 packages lacks, named as gEDA, KiCad, Protel and EAGLE name packages (chip
// LEDs among them), each ranked against every package (the target: under 50 ms). The best of five
// runs, each with hints made anew, as a run of the converter makes them.
//
//   hint_bench [PACKAGES [FOOTPRINTS]]      (default: 5000 1000)

#include "package_hints.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

const char* const chip_sizes[] = {"0402", "0603", "0805", "1206", "1210", "1812", "2010", "2512"};

// Package names of many schemes and their variants, with 2 to 64 pads.
malvor::EagleLibrary library_of(std::size_t packages)
{
    malvor::EagleLibrary library;
    for (std::size_t p = 0; p < packages; ++p) {
        const auto n = std::to_string(p);
        std::string name;
        std::size_t pads = 2;
        switch (p % 8) {
        case 0:
            name = std::string(1, "CRML"[p / 8 % 4]) + chip_sizes[p / 32 % 8] + "-" + n;
            break;
        case 1:
            pads = 4 + p % 60;
            name = "DIL" + std::to_string(pads) + "-" + n;
            break;
        case 2:
            pads = 6 + p % 40;
            name = "SO" + std::to_string(pads) + "W-" + n;
            break;
        case 3:
            pads = 8 + p % 56;
            name = "TSSOP" + std::to_string(pads) + "_" + n;
            break;
        case 4:
            pads = 3;
            name = "SOT23-" + n;
            break;
        case 5:
            pads = 2 + p % 38;
            name = "1X" + std::to_string(pads) + "/" + n;
            break;
        case 6:
            name = "CHIPLED_" + std::string(chip_sizes[p % 8]) + "-" + n;
            break;
        default:
            pads = 2 + p % 30;
            name = "PKG" + n + "$X";
            break;
        }
        library.start_package(name, p % 3 == 0 ? "<b>RESISTOR</b> chip" : "");
        for (std::size_t pad = 1; pad <= pads; ++pad)
            library.add_pad(std::to_string(pad));
    }
    return library;
}

std::vector<std::string> footprints_of(std::size_t count)
{
    std::vector<std::string> names;
    for (std::size_t f = 0; names.size() < count; ++f) {
        const auto n = std::to_string(f);
        const auto pins = std::to_string(4 + f % 60);
        switch (f % 7) {
        case 0:
            names.push_back("sm" + std::string(chip_sizes[f % 8]) + "_" + n);
            break;
        case 1:
            names.push_back("SOIC-" + pins + "_3.9x4.9mm_P1.27mm_" + n);
            break;
        case 2:
            names.push_back("DIP-" + pins + "_W7.62mm_" + n);
            break;
        case 3:
            names.push_back("C_" + std::string(chip_sizes[f % 8]) + "_Metric" + n);
            break;
        case 4:
            names.push_back("RES" + std::string(chip_sizes[f % 8]) + "-" + n);
            break;
        case 5:
            names.push_back("LED_" + std::string(chip_sizes[f % 8]) + "_" + n);
            break;
        default:
            names.push_back("PKG" + n + "$Y");
            break;
        }
    }
    return names;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t packages = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 5000;
    const std::size_t count = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000;
    const std::vector<malvor::NamedLibrary> libraries{{"bench", library_of(packages)}};
    const auto footprints = footprints_of(count);
    const std::vector<std::string> pins = {"1", "2"};
    // LEDs too: the rules that keep them on LED packages look at every candidate.
    const std::array<malvor::PartKind, 4> kinds = {
        malvor::PartKind::none, malvor::PartKind::capacitor, malvor::PartKind::resistor,
        malvor::PartKind::led};
    double best = -1;
    double best_cpu = -1;
    std::size_t found = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const auto cpu_start = std::clock();
        malvor::PackageHints hints(libraries);
        found = 0;
        for (std::size_t f = 0; f < footprints.size(); ++f)
            found += hints.ranked(footprints[f], pins, kinds[f % kinds.size()]).size();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = best < 0 ? seconds : std::min(best, seconds);
        const double cpu = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
        best_cpu = best_cpu < 0 ? cpu : std::min(best_cpu, cpu);
    }
    std::printf(
        "hints for %zu footprints against %zu packages: %.1f ms, %.1f ms of CPU time "
        "(%zu hints; target under 50 ms)\n",
        footprints.size(), packages, best * 1000, best_cpu * 1000, found);
    return 0;
}
