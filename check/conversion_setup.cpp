#include "conversion_setup.h"

#include "board_writer.h"
#include "conversion_steps.h"
#include "eagle_library.h"
#include "file_io.h"
#include "shown_text.h"

#include <algorithm>
#include <new>

namespace malvor {
namespace {

std::error_code no_memory()
{
    return std::make_error_code(std::errc::not_enough_memory);
}

SetupError error_of(SetupError::Kind kind, const std::string& path, std::error_code reason = {})
{
    SetupError error{kind, path, {}, {}, reason, {}, {}};
    return error;
}

// The library, or the error that keeps it from being used.
std::optional<SetupError> read_library(const std::string& path, ReadKind kind,
                                       EagleLibrary& library, std::vector<std::string>* files)
{
    auto file = read_whole_file(
        file_path_from_bytes(path), kind, {largest_library, FileError::library_too_large});
    if (!file.ok())
        return error_of(SetupError::Kind::library_unreadable, path, file.error);
    LibraryResult parts;
    try {
        parts = read_eagle_library(file.value.view());
        if (files && !parts.error)
            files->emplace_back(file.value.view());
    } catch (const std::bad_alloc&) {
        return error_of(SetupError::Kind::library_unreadable, path, no_memory());
    }
    if (parts.error) {
        auto error = error_of(SetupError::Kind::library_broken, path, parts.error);
        error.detail = std::move(parts.detail);
        return error;
    }
    library = std::move(parts.library);
    return std::nullopt;
}

}  // namespace

SetupResult read_conversion_setup(const std::vector<std::string>& library_paths,
                                  const std::optional<std::string>& map_path,
                                  const LibraryReadWatch& watch, ReadKind kind, bool keep_files)
{
    SetupResult result;
    auto& libraries = result.setup.libraries;
    for (const auto& path : library_paths) {
        auto name = library_name_of(path);
        if (!name.ok()) {
            result.error = error_of(SetupError::Kind::library_name, path, name.error);
            return result;
        }
        for (std::size_t earlier = 0; earlier < libraries.size(); ++earlier) {
            if (libraries[earlier].name == name.value) {
                result.error = error_of(SetupError::Kind::same_library_name, path);
                result.error->earlier = library_paths[earlier];
                result.error->name = name.value;
                return result;
            }
        }
        EagleLibrary library;
        if (watch)
            watch(&path);
        result.error = read_library(
            path, kind, library, keep_files ? &result.setup.files : nullptr);
        if (watch)
            watch(nullptr);
        if (result.error)
            return result;
        libraries.push_back({std::move(name.value), std::move(library)});
    }
    if (!map_path)
        return result;
    auto file = read_whole_file(file_path_from_bytes(*map_path), kind);
    if (!file.ok()) {
        result.error = error_of(SetupError::Kind::map_unreadable, *map_path, file.error);
        return result;
    }
    std::vector<std::string> names;
    for (const auto& library : libraries)
        names.push_back(library.name);
    PackageMap map;
    try {
        map = parse_package_map(file.value.view(), names);
    } catch (const std::bad_alloc&) {
        result.error = error_of(SetupError::Kind::map_unreadable, *map_path, no_memory());
        return result;
    }
    if (!map.errors.empty()) {
        result.error = error_of(SetupError::Kind::map_errors, *map_path);
        result.error->map_errors = std::move(map.errors);
        return result;
    }
    result.setup.rows = std::move(map.rows);
    return result;
}

std::vector<std::string> setup_error_lines(const SetupError& error)
{
    const std::string path = shown(error.path);
    switch (error.kind) {
    case SetupError::Kind::library_name:
        return {"invalid library name: " + error.reason.message()};
    case SetupError::Kind::same_library_name:
        return {"libraries '" + shown(error.earlier) + "' and '" + path + "' have the same name '" +
                shown(error.name) + "'"};
    case SetupError::Kind::library_unreadable:
        return {"cannot read library '" + path + "': " + error.reason.message()};
    case SetupError::Kind::library_broken:
        return {"library '" + path + "' is " + error.reason.message() +
                (error.detail.empty() ? "" : ": ") + shown(error.detail)};
    case SetupError::Kind::map_unreadable:
        return {"cannot read map '" + path + "': " + error.reason.message()};
    case SetupError::Kind::map_errors:
        break;
    }
    std::vector<std::string> lines;
    for (const auto& map_error : error.map_errors)
        lines.push_back(path + ':' + std::to_string(map_error.line) + ": " +
                        shown(map_error.message));
    return lines;
}

std::unique_ptr<CheckedNetlist> check_with_libraries(const NetlistTables& tables,
                                                     std::vector<std::string> library_paths,
                                                     std::optional<std::string> map_path,
                                                     const std::atomic<bool>* cancel, ReadKind kind,
                                                     CheckedOutput output)
{
    auto cancelled = [cancel] { return cancel && cancel->load(); };
    auto run = std::make_unique<CheckedNetlist>(CheckedNetlist{tables, {}, {}, {}, {}, {}, {}});
    run->library_paths = std::move(library_paths);
    run->map_path = std::move(map_path);
    const bool board = output == CheckedOutput::board;
    run->read = read_conversion_setup(run->library_paths, run->map_path, {}, kind, board);
    if (cancelled())
        return nullptr;
    if (!run->read.ok())
        return run;
    const LibrarySetup& setup = run->read.setup;
    // Without a library the map is still read for its errors, and for the suggested map.
    run->choices = std::make_unique<PackageChoices>(run->tables, setup.libraries, setup.rows);
    if (cancelled())
        return nullptr;
    if (board) {
        auto checked = checked_board(run->tables, *run->choices, setup.files);
        run->report = std::move(checked.report);
        run->board = std::move(checked.board);
    } else {
        run->report = check_netlist(
            run->tables, setup.libraries.empty() ? nullptr : run->choices.get());
    }
    if (cancelled())
        return nullptr;
    return run;
}

CheckedBoard checked_board(const NetlistTables& tables, const PackageChoices& choices,
                           const std::vector<std::string>& files)
{
    CheckedBoard checked{check_netlist(tables, &choices, CheckedOutput::board), std::nullopt};
    const auto& problems = checked.report.problems;
    // A net of one node and a pin named twice do no harm on a board: said, and written.
    if (!std::all_of(problems.begin(), problems.end(),
                     [](const Problem& problem) { return problem.harmless; }))
        return checked;
    const LibraryDrawings drawings(tables, choices, {files.begin(), files.end()});
    const auto nets = board_nets(tables, choices);
    const auto placement = place_components(
        tables, choices, drawings, nets, PlacementUnit::micrometre);
    checked.board = eagle_board(tables, choices, drawings, nets, placement);
    return checked;
}

ScriptLibraries script_libraries(const PackageChoices& choices)
{
    ScriptLibraries libraries;
    for (const auto& library : choices.libraries())
        libraries.names.push_back(library.name);
    libraries.package_of = [&choices](Count k) {
        return std::pair<std::string_view, std::size_t>(choices.package(k), choices.of(k).library);
    };
    if (choices.renames_pins())
        libraries.pad_of = [&choices](std::string_view component, std::string_view pin) {
            return choices.node_pad(component, pin);
        };
    return libraries;
}

}  // namespace malvor
