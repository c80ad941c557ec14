#include "board_command.h"

#include "command_io.h"
#include "conversion_setup.h"
#include "library_setup.h"
#include "netlist_check.h"
#include "script_names.h"
#include "shown_text.h"

#include <new>

namespace malvor {
namespace {

int write_board(const BoardRequest& request, const NetlistTables& tables, const LibrarySetup& setup,
                std::FILE* out, std::FILE* err)
{
    const PackageChoices choices(tables, setup.libraries, setup.rows);
    const auto checked = checked_board(tables, choices, setup.files);
    write_problems(err, request.netlist, checked.report, checked.board ? "warning: " : "");
    if (!checked.board)
        return exit_problems;
    return write_output(
        request.output, board_path(request.netlist), "board",
        [&](const auto& write) { write(*checked.board); }, out, err);
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
