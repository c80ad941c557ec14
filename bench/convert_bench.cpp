// Speed and memory of malvor-convert on synthetic netlists: writes each netlist to a
// temporary folder, runs the converter as its own process and reports wall time, throughput
// and peak resident memory against the netlist's size.
//
//   convert_bench [COMPONENTS ...]      (default: 50000 400000)
//
// A last row measures one net of 800,000 nodes.

#include "netlist_generator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

Measure run_converter(const std::string& netlist, const std::string& script)
{
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        execl(MALVOR_CONVERT_EXE, "malvor-convert", "-o", script.c_str(), netlist.c_str(), "bench.lbr",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Measure measure;
    measure.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    measure.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    measure.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
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
            auto measure = run_converter(netlist.string(), script.string());
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
    std::filesystem::remove_all(folder);
    return 0;
}
