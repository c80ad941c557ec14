#include "update_command.h"

#include "checked_update.h"
#include "command_io.h"
#include "conversion_steps.h"
#include "library_setup.h"
#include "shown_text.h"

namespace malvor {
namespace {

int update_board(const UpdateRequest& request, const NetlistTables& tables,
                 const LibrarySetup& setup, std::FILE* out, std::FILE* err)
{
    report_bus_errors_as(changed_while_read("board", request.board));
    auto file = read_whole_file(file_path_from_bytes(request.board), ReadKind::regular_or_pipe,
                                {largest_board, FileError::netlist_too_large});
    if (!file.ok()) {
        report_unreadable(err, "board", request.board,
                          file.error == FileError::netlist_too_large
                              ? make_error_code(BoardError::too_large)
                              : file.error);
        return exit_failure;
    }
    const auto bytes = file.value.view();
    auto board = read_eagle_board(bytes);
    if (!board.ok()) {
        std::fprintf(err, "malvor-convert: board '%s' is %s%s%s\n", shown(request.board).c_str(),
                     board.error.message().c_str(), board.detail.empty() ? "" : ": ",
                     shown(board.detail).c_str());
        return exit_failure;
    }

    const PackageChoices choices(tables, setup.libraries, setup.rows);
    const auto update = checked_update(tables, choices, setup.files, std::move(board));
    write_problems(err, request.netlist, update.report, update.refused ? "" : "warning: ");
    if (update.refused)
        return exit_problems;

    // The list goes where the board does not.
    const bool board_to_out = request.output && *request.output == "-" && !request.dry_run;
    std::FILE* list = board_to_out ? err : out;
    std::string lines;
    for (const auto& change : update.changes)
        lines += change_line(change) + '\n';
    lines += change_count_line(update.changes.size()) + '\n';
    if (!put(list, lines) || std::fflush(list) != 0) {
        std::fprintf(err, "malvor-convert: cannot write the changes to standard output\n");
        return exit_failure;
    }
    if (request.dry_run)
        return exit_ok;

    const ByteProducer produce = [&](const auto& write) {
        write_updated_board(update, bytes, write);
    };
    if (request.output)
        return write_output(request.output, request.board, "board", produce, out, err);
    if (auto failed = write_board_update(request.board, bytes, update)) {
        std::fprintf(err, "malvor-convert: cannot write %s '%s': %s\n",
                     failed->path == request.board ? "board" : "backup",
                     shown(failed->path).c_str(), failed->reason.message().c_str());
        return exit_failure;
    }
    return exit_ok;
}

}  // namespace

int run_update(const UpdateRequest& request, std::FILE* out, std::FILE* err)
{
    return with_netlist_and_libraries(request.netlist, request.libraries, request.map, true,
                                      "update board '" + shown(request.board) + "'", err,
                                      [&](const NetlistTables& tables, const LibrarySetup& setup) {
                                          return update_board(request, tables, setup, out, err);
                                      });
}

}  // namespace malvor
