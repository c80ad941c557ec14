// Speed and memory of malvor-convert on synthetic netlists: writes each netlist to a
// temporary folder, runs the converter as its own process and reports wall time, throughput
// and peak resident memory against the netlist's size.
//
//   convert_bench [COMPONENTS ...]      (default: 50000 400000)
//
// A last row measures one net of 800,000 nodes; then malvor-convert --check on the largest
// netlist against a generated library of about 3.5 MB, against converting the same netlist.

#include "library_generator.h"
#include "netlist_generator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Measure {
    double seconds = 0;
    double peak_mb = 0;
    bool ok = false;
};

// Runs malvor-convert with the arguments, its standard output going to `out`; statuses in
// `accepted` count as success.
Measure run_converter(std::vector<std::string> arguments, const std::string& out = "/dev/null",
                      std::vector<int> accepted = {0})
{
    std::fflush(stdout);  // the child would write the buffered rows again
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        if (!std::freopen(out.c_str(), "w", stdout))
            _exit(126);
        std::vector<char*> argv{const_cast<char*>("malvor-convert")};
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(MALVOR_CONVERT_EXE, argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Measure measure;
    measure.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    measure.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    measure.ok = WIFEXITED(status)
                 && std::find(accepted.begin(), accepted.end(), WEXITSTATUS(status)) != accepted.end();
    return measure;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::strtoull(argv[i], nullptr, 10));
    if (sizes.empty())
        sizes = {50000, 400000};

    auto folder = std::filesystem::temp_directory_path() / ("malvor-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::printf("%12s %10s %10s %10s %10s %10s %8s\n", "components", "netlist", "script", "seconds",
                "MB/s", "peak MB", "peak/in");
    sizes.push_back(0);  // the single net
    for (auto components : sizes) {
        auto netlist = folder / "bench.net";
        auto script = folder / "bench.scr";
        const std::string text = components != 0 ? malvor::bench::generate_netlist(components)
                                                 : malvor::bench::generate_single_net(800000);
        if (components == 0)
            std::printf("one net of 800000 nodes:\n");
        std::ofstream(netlist, std::ios::binary) << text;
        const double in_mb = static_cast<double>(text.size()) / 1e6;

        Measure best;
        for (int attempt = 0; attempt < 3; ++attempt) {
            auto measure = run_converter({"-o", script.string(), netlist.string(), "bench.lbr"});
            if (!measure.ok) {
                std::fprintf(stderr, "malvor-convert failed on %zu components\n", components);
                return 1;
            }
            if (attempt == 0 || measure.seconds < best.seconds)
                best = measure;
        }
        const double out_mb = static_cast<double>(std::filesystem::file_size(script)) / 1e6;
        std::printf("%12zu %8.1fMB %8.1fMB %10.3f %10.1f %10.1f %8.2f\n", components, in_mb, out_mb,
                    best.seconds, in_mb / best.seconds, best.peak_mb, best.peak_mb / in_mb);
    }

    // The check: the largest netlist against a library of the size of the largest public ones.
    const std::size_t largest = *std::max_element(sizes.begin(), sizes.end());
    auto netlist = (folder / "check.net").string();
    auto library = (folder / "big.lbr").string();
    auto report = (folder / "report.txt").string();
    std::ofstream(netlist, std::ios::binary) << malvor::bench::generate_netlist(largest);
    const std::string library_text = malvor::bench::generate_library();
    std::ofstream(library, std::ios::binary) << library_text;
    Measure convert;
    Measure check;
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto converted = run_converter({"-o", (folder / "check.scr").string(), netlist, library});
        // The random nets reuse pins, so the check reports problems: status 3.
        auto checked = run_converter({"--check", netlist, library}, report, {0, 3});
        if (!converted.ok || !checked.ok) {
            std::fprintf(stderr, "malvor-convert failed on the check row\n");
            return 1;
        }
        if (attempt == 0 || converted.seconds < convert.seconds)
            convert = converted;
        if (attempt == 0 || checked.seconds < check.seconds)
            check = checked;
    }
    std::ifstream lines(report);
    std::size_t problems = static_cast<std::size_t>(
        std::count(std::istreambuf_iterator<char>(lines), std::istreambuf_iterator<char>(), '\n')) - 1;
    std::printf("check of %zu components against a %.1f MB library (%zu problems reported):\n",
                largest, static_cast<double>(library_text.size()) / 1e6, problems);
    std::printf("  convert %.3f s, %.1f MB peak; check %.3f s, %.1f MB peak; check/convert %.2f "
                "(target at most 2)\n",
                convert.seconds, convert.peak_mb, check.seconds, check.peak_mb,
                check.seconds / convert.seconds);
    std::filesystem::remove_all(folder);
    return 0;
}
