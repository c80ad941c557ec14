#include "library_setup.h"

#include "command_io.h"
#include "conversion_steps.h"
#include "eagle_library.h"
#include "file_io.h"
#include "shown_text.h"

#include <new>

namespace malvor {
namespace {

std::optional<EagleLibrary> read_library_or_say(const std::string& path, std::FILE* err,
                                                std::vector<std::string>* files)
{
    // The library is mapped only in here; around it, a bus error is the netlist's again.
    struct Restore {
        std::string message;
        ~Restore() { report_bus_errors_as(std::move(message)); }
    } restore{report_bus_errors_as(changed_while_read("library", path))};
    auto file = read_whole_file(file_path_from_bytes(path), ReadKind::regular_or_pipe,
                                {largest_library, FileError::library_too_large});
    if (!file.ok()) {
        report_unreadable(err, "library", path, file.error);
        return std::nullopt;
    }
    LibraryResult parts;
    try {
        parts = read_eagle_library(file.value.view());
        if (files && !parts.error)
            files->emplace_back(file.value.view());
    } catch (const std::bad_alloc&) {
        report_unreadable(err, "library", path, out_of_memory());
        return std::nullopt;
    }
    if (parts.error) {
        std::fprintf(err, "malvor-convert: library '%s' is %s%s%s\n", shown(path).c_str(),
                     parts.error.message().c_str(), parts.detail.empty() ? "" : ": ",
                     shown(parts.detail).c_str());
        return std::nullopt;
    }
    return std::move(parts.library);
}

}  // namespace

std::optional<LibrarySetup> read_library_setup(const std::vector<std::string>& library_paths,
                                               const std::optional<std::string>& map_path,
                                               std::FILE* err, bool keep_files)
{
    LibrarySetup setup;
    for (const auto& path : library_paths) {
        auto name = library_name_of(path);  // usable: the command line was checked
        for (std::size_t earlier = 0; earlier < setup.libraries.size(); ++earlier) {
            if (setup.libraries[earlier].name == name.value) {
                // "Use" and PACKAGE@LIBRARY could not tell them apart.
                std::fprintf(err,
                             "malvor-convert: libraries '%s' and '%s' have the same name '%s'\n",
                             shown(library_paths[earlier]).c_str(), shown(path).c_str(),
                             shown(name.value).c_str());
                return std::nullopt;
            }
        }
        auto library = read_library_or_say(path, err, keep_files ? &setup.files : nullptr);
        if (!library)
            return std::nullopt;
        setup.libraries.push_back({std::move(name.value), std::move(*library)});
    }
    if (!map_path)
        return setup;
    auto file = read_whole_file(file_path_from_bytes(*map_path));
    if (!file.ok()) {
        report_unreadable(err, "map", *map_path, file.error);
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (const auto& library : setup.libraries)
        names.push_back(library.name);
    PackageMap map;
    try {
        map = parse_package_map(file.value.view(), names);
    } catch (const std::bad_alloc&) {
        report_unreadable(err, "map", *map_path, out_of_memory());
        return std::nullopt;
    }
    for (const auto& error : map.errors)
        std::fprintf(err, "%s:%s: %s\n", shown(*map_path).c_str(),
                     std::to_string(error.line).c_str(), shown(error.message).c_str());
    if (!map.errors.empty())
        return std::nullopt;
    setup.rows = std::move(map.rows);
    return setup;
}

bool write_problems(std::FILE* out, const std::string& netlist, const CheckReport& report,
                    std::string_view kind)
{
    bool written = true;
    std::string line;
    for (const auto& problem : report.problems) {
        line = shown(netlist);
        line += ':';
        line += std::to_string(problem.line);
        line += ": ";
        line += kind;
        append_shown(line, report.message(problem));
        line += '\n';
        written = written && std::fwrite(line.data(), 1, line.size(), out) == line.size();
    }
    return written;
}

}  // namespace malvor
