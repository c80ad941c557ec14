#include "check_command.h"

#include "convert_command.h"
#include "eagle_library.h"
#include "file_io.h"
#include "netlist_check.h"
#include "tango_reader.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace malvor {
namespace {

std::optional<SourceBytes> read_input(const char* what, const std::string& path, std::FILE* err)
{
    std::error_code error;
    try {
        auto file = read_whole_file(std::filesystem::u8path(path));
        if (file.ok())
            return std::move(file.value);
        error = file.error;
    } catch (const std::bad_alloc&) {
        error = std::make_error_code(std::errc::not_enough_memory);
    }
    std::fprintf(err, "malvor-convert: cannot read %s '%s': %s\n", what, path.c_str(),
                 error.message().c_str());
    return std::nullopt;
}

std::string counted(long long count, const char* one, const char* more)
{
    return std::to_string(count) + ' ' + (count == 1 ? one : more);
}

}  // namespace

int run_check(const std::string& netlist, const std::string& library, std::FILE* out,
              std::FILE* err)
{
    auto netlist_bytes = read_input("netlist", netlist, err);
    if (!netlist_bytes)
        return exit_failure;
    auto library_bytes = read_input("library", library, err);
    if (!library_bytes)
        return exit_failure;

    auto parts = read_eagle_library(library_bytes->view());
    library_bytes.reset();
    if (parts.error) {
        std::fprintf(err, "malvor-convert: library '%s' is %s%s%s\n", library.c_str(),
                     parts.error.message().c_str(), parts.detail.empty() ? "" : ": ",
                     parts.detail.c_str());
        return exit_failure;
    }

    auto tables = read_tango(std::move(*netlist_bytes));
    auto report = check_netlist(tables, parts.library);
    auto& problems = report.problems;
    number_lines(tables.source(), problems);

    bool written = true;
    std::string line;
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
