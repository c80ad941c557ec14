#include "library_setup.h"

#include "check_report.h"
#include "command_io.h"
#include "file_io.h"

#include <new>

namespace malvor {

std::optional<LibrarySetup> read_library_setup(const std::vector<std::string>& library_paths,
                                               const std::optional<std::string>& map_path,
                                               std::FILE* err, bool keep_files)
{
    // A library is mapped only while it is read; around it, a bus error is the netlist's again.
    std::string netlists_message;
    auto result = read_conversion_setup(
        library_paths, map_path,
        [&](const std::string* path) {
            if (path)
                netlists_message = report_bus_errors_as(changed_while_read("library", *path));
            else
                report_bus_errors_as(std::move(netlists_message));
        },
        ReadKind::regular_or_pipe, keep_files);
    if (result.ok())
        return std::move(result.setup);
    // The map's errors are said in the form compilers use, the others as the converter's own.
    const char* prefix = result.error->kind == SetupError::Kind::map_errors ? ""
                                                                            : "malvor-convert: ";
    for (const auto& line : setup_error_lines(*result.error))
        std::fprintf(err, "%s%s\n", prefix, line.c_str());
    return std::nullopt;
}

int with_netlist_and_libraries(const std::string& netlist,
                               const std::vector<std::string>& library_paths,
                               const std::optional<std::string>& map_path, bool keep_files,
                               const std::string& failing, std::FILE* err,
                               const std::function<int(const NetlistTables&, LibrarySetup&)>& work)
{
    auto tables = read_netlist_or_say(netlist, err);
    if (!tables)
        return exit_failure;
    auto setup = read_library_setup(library_paths, map_path, err, keep_files);
    if (!setup)
        return exit_failure;
    try {
        return work(*tables, *setup);
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "malvor-convert: cannot %s: %s\n", failing.c_str(),
                     out_of_memory().message().c_str());
        return exit_failure;
    }
}

bool write_problems(std::FILE* out, const std::string& netlist, const CheckReport& report,
                    std::string_view kind)
{
    bool written = true;
    for (const auto& problem : report.problems) {
        const std::string line = problem_line(netlist, report, problem, kind) + '\n';
        written = written && std::fwrite(line.data(), 1, line.size(), out) == line.size();
    }
    return written;
}

}  // namespace malvor
