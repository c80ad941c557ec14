#include "check_command.h"

#include "conversion_steps.h"
#include "convert_command.h"
#include "eagle_library.h"
#include "file_io.h"
#include "netlist_check.h"
#include "shown_text.h"

#include <new>
#include <string_view>

namespace malvor {
namespace {

std::string counted(long long count, const char* one, const char* more)
{
    return std::to_string(count) + ' ' + (count == 1 ? one : more);
}

// One line a problem, names from the files shown safely, then the summary.
int write_report(const std::string& netlist, const NetlistTables& tables, CheckReport report,
                 std::FILE* out, std::FILE* err)
{
    auto& problems = report.problems;
    number_lines(tables.source(), problems);

    const std::string prefix = shown(netlist) + ':';
    bool written = true;
    std::string line;
    for (const auto& problem : problems) {
        line = prefix;
        line += std::to_string(problem.line);
        line += ": ";
        append_shown(line, report.message(problem));
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

}  // namespace

int run_check(const std::string& netlist, const std::string& library, std::FILE* out,
              std::FILE* err)
{
    report_bus_errors_as(changed_while_read("netlist", netlist));
    auto read = read_netlist(file_path_from_bytes(netlist), ReadKind::regular_or_pipe);
    if (!read.ok()) {
        report_unreadable(err, "netlist", netlist, read.error);
        return exit_failure;
    }
    const NetlistTables& tables = read.value;

    LibraryResult parts;
    {
        report_bus_errors_as(changed_while_read("library", library));
        auto library_file = read_whole_file(file_path_from_bytes(library),
                                            ReadKind::regular_or_pipe,
                                            {largest_library, FileError::library_too_large});
        if (!library_file.ok()) {
            report_unreadable(err, "library", library, library_file.error);
            return exit_failure;
        }
        try {
            parts = read_eagle_library(library_file.value.view());
        } catch (const std::bad_alloc&) {
            report_unreadable(err, "library", library, out_of_memory());
            return exit_failure;
        }
        report_bus_errors_as(changed_while_read("netlist", netlist));
    }
    if (parts.error) {
        std::fprintf(err, "malvor-convert: library '%s' is %s%s%s\n", shown(library).c_str(),
                     parts.error.message().c_str(), parts.detail.empty() ? "" : ": ",
                     shown(parts.detail).c_str());
        return exit_failure;
    }

    try {
        return write_report(netlist, tables, check_netlist(tables, parts.library), out, err);
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "malvor-convert: cannot check netlist '%s' against library '%s': %s\n",
                     shown(netlist).c_str(), shown(library).c_str(),
                     out_of_memory().message().c_str());
        return exit_failure;
    }
}

}  // namespace malvor
