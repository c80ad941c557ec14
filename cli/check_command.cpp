#include "check_command.h"

#include "check_report.h"
#include "command_io.h"
#include "conversion_steps.h"
#include "file_io.h"
#include "library_setup.h"
#include "netlist_check.h"
#include "shown_text.h"
#include "suggested_map.h"

namespace malvor {
namespace {

// The suggested map, the problems and the summary; the libraries and the map are read.
int check_and_report(const CheckRequest& request, const NetlistTables& tables,
                     const LibrarySetup& setup, std::FILE* out, std::FILE* err)
{
    const std::string& netlist = request.netlist;
    // Without a library the map is still read for its errors, and for the suggested map.
    const PackageChoices choices(tables, setup.libraries, setup.rows);
    const auto report = check_netlist(tables, setup.libraries.empty() ? nullptr : &choices);
    const auto& problems = report.problems;

    if (request.suggest_map) {
        const std::string text = suggested_map(tables, choices);
        auto written = write_file_atomically(
            file_path_from_bytes(*request.suggest_map), [&](const auto& write) { write(text); });
        if (!written.ok()) {
            std::fprintf(err, "malvor-convert: cannot write map '%s': %s\n",
                         shown(*request.suggest_map).c_str(), written.error.message().c_str());
            return exit_failure;
        }
    }

    bool written = true;
    for (const auto& line : libraries_without_packages(request.libraries, setup)) {
        const std::string text = line + '\n';
        written = written && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    }
    written = written && write_problems(out, netlist, report, "");
    const auto summary = check_summary(problems.size(), tables) + '\n';
    written = written && std::fwrite(summary.data(), 1, summary.size(), out) == summary.size();
    if (!written || std::fflush(out) != 0) {
        std::fprintf(err, "malvor-convert: cannot write the report to standard output\n");
        return exit_failure;
    }
    return problems.empty() ? exit_ok : exit_problems;
}

}  // namespace

int run_check(const CheckRequest& request, std::FILE* out, std::FILE* err)
{
    return with_netlist_and_libraries(request.netlist, request.libraries, request.map, false,
                                      "check netlist '" + shown(request.netlist) + "'", err,
                                      [&](const NetlistTables& tables, const LibrarySetup& setup) {
                                          return check_and_report(request, tables, setup, out, err);
                                      });
}

}  // namespace malvor
