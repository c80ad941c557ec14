#include "board_command.h"

#include "board_writer.h"
#include "command_io.h"
#include "library_setup.h"
#include "netlist_check.h"
#include "script_names.h"
#include "shown_text.h"

#include <algorithm>
#include <new>

namespace malvor {
namespace {

int write_board(const BoardRequest& request, const NetlistTables& tables, const LibrarySetup& setup,
                std::FILE* out, std::FILE* err)
{
    const PackageChoices choices(tables, setup.libraries, setup.rows);
    const auto report = check_netlist(tables, &choices, CheckedOutput::board);
    const bool writable = std::all_of(report.problems.begin(), report.problems.end(),
                                      [](const Problem& problem) { return problem.harmless; });
    // A net of one node and a pin named twice do no harm on a board: said, and written.
    write_problems(err, request.netlist, report, writable ? "warning: " : "");
    if (!writable)
        return exit_problems;

    const LibraryDrawings drawings(tables, choices, {setup.files.begin(), setup.files.end()});
    const auto nets = board_nets(tables, choices);
    const auto placement = place_components(
        tables, choices, drawings, nets, PlacementUnit::micrometre);
    const std::string board = eagle_board(tables, choices, drawings, nets, placement);
    return write_output(
        request.output, board_path(request.netlist), "board",
        [&](const auto& write) { write(board); }, out, err);
}

}  // namespace

int run_board(const BoardRequest& request, std::FILE* out, std::FILE* err)
{
    auto tables = read_netlist_or_say(request.netlist, err);
    if (!tables)
        return exit_failure;
    auto setup = read_library_setup(request.libraries, request.map, err, true);
    if (!setup)
        return exit_failure;
    try {
        return write_board(request, *tables, *setup, out, err);
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "malvor-convert: cannot make the board of netlist '%s': %s\n",
                     shown(request.netlist).c_str(), out_of_memory().message().c_str());
        return exit_failure;
    }
}

}  // namespace malvor
