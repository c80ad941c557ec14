#include "check_command.h"

#include "conversion_steps.h"
#include "convert_command.h"
#include "eagle_library.h"
#include "netlist_check.h"

#include <string_view>

namespace malvor {
namespace {

std::string counted(long long count, const char* one, const char* more)
{
    return std::to_string(count) + ' ' + (count == 1 ? one : more);
}

}  // namespace

int run_check(const std::string& netlist, const std::string& library, std::FILE* out,
              std::FILE* err)
{
    auto read = read_netlist(file_path_from_bytes(netlist), ReadKind::regular_or_pipe);
    if (!read.ok()) {
        report_unreadable(err, "netlist", netlist, read.error);
        return exit_failure;
    }
    const NetlistTables& tables = read.value;
    auto library_file = read_whole_file(file_path_from_bytes(library));
    if (!library_file.ok()) {
        report_unreadable(err, "library", library, library_file.error);
        return exit_failure;
    }

    auto parts = read_eagle_library(library_file.value.view());
    library_file.value = SourceBytes();
    if (parts.error) {
        std::fprintf(err, "malvor-convert: library '%s' is %s%s%s\n", library.c_str(),
                     parts.error.message().c_str(), parts.detail.empty() ? "" : ": ",
                     parts.detail.c_str());
        return exit_failure;
    }

    auto report = check_netlist(tables, parts.library);
    auto& problems = report.problems;
    number_lines(tables.source(), problems);

    bool written = true;
    std::string line;
    if (parts.library.package_count() == 0) {
        // Libraries of frames or logos hold none; said once rather than left to every component.
        line = library + ": the library has no packages\n";
        written = std::fwrite(line.data(), 1, line.size(), out) == line.size();
    }
    for (const auto& problem : problems) {
        line = netlist;
        line += ':';
        line += std::to_string(problem.line);
        line += ": ";
        line += report.message(problem);
        line += '\n';
        written = written && std::fwrite(line.data(), 1, line.size(), out) == line.size();
    }
    auto summary = counted(static_cast<long long>(problems.size()), "problem", "problems") + ", " +
                   counted(tables.component_count(), "component", "components") + ", " +
                   counted(tables.net_count(), "net", "nets") + '\n';
    written = written && std::fwrite(summary.data(), 1, summary.size(), out) == summary.size();
    if (!written || std::fflush(out) != 0) {
        std::fprintf(err, "malvor-convert: cannot write the report to standard output\n");
        return exit_failure;
    }
    return problems.empty() ? exit_ok : exit_problems;
}

}  // namespace malvor
