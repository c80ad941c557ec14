#include "board_command.h"

#include "command_io.h"
#include "conversion_setup.h"
#include "library_setup.h"
#include "netlist_check.h"
#include "script_names.h"
#include "shown_text.h"

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
    return with_netlist_and_libraries(request.netlist, request.libraries, request.map, true,
                                      "make the board of netlist '" + shown(request.netlist) + "'",
                                      err,
                                      [&](const NetlistTables& tables, const LibrarySetup& setup) {
                                          return write_board(request, tables, setup, out, err);
                                      });
}

}  // namespace malvor
