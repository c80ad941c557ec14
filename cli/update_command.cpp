#include "update_command.h"

#include "checked_update.h"
#include "command_io.h"
#include "conversion_steps.h"
#include "library_setup.h"
#include "shown_text.h"

#include <filesystem>
#include <new>

namespace malvor {
namespace {

// NAME.b#1 .. #9 moved one older, the oldest dropped, and the board as it was kept as #1.
int keep_backup(const std::string& board, std::string_view bytes, std::FILE* err)
{
    for (int number = 8; number >= 1; --number) {
        const auto from = file_path_from_bytes(board_backup_path(board, number));
        std::error_code error;
        if (!std::filesystem::exists(from, error))
            continue;
        std::filesystem::rename(
            from, file_path_from_bytes(board_backup_path(board, number + 1)), error);
        if (error) {
            std::fprintf(err, "malvor-convert: cannot keep backup '%s': %s\n",
                         shown(board_backup_path(board, number)).c_str(), error.message().c_str());
            return exit_failure;
        }
    }
    const auto backup = board_backup_path(board, 1);
    auto written = write_file_atomically(
        file_path_from_bytes(backup), [&](const auto& write) { write(bytes); });
    if (!written.ok()) {
        std::fprintf(err, "malvor-convert: cannot write backup '%s': %s\n", shown(backup).c_str(),
                     written.error.message().c_str());
        return exit_failure;
    }
    return exit_ok;
}

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
    if (update.changes.empty())
        return exit_ok;  // the board already is what would be written
    if (int kept = keep_backup(request.board, bytes, err); kept != exit_ok)
        return kept;
    auto written = write_file_atomically(file_path_from_bytes(request.board), produce);
    if (!written.ok()) {
        std::fprintf(err, "malvor-convert: cannot write board '%s': %s\n",
                     shown(request.board).c_str(), written.error.message().c_str());
        return exit_failure;
    }
    return exit_ok;
}

}  // namespace

int run_update(const UpdateRequest& request, std::FILE* out, std::FILE* err)
{
    auto tables = read_netlist_or_say(request.netlist, err);
    if (!tables)
        return exit_failure;
    auto setup = read_library_setup(request.libraries, request.map, err, true);
    if (!setup)
        return exit_failure;
    try {
        return update_board(request, *tables, *setup, out, err);
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "malvor-convert: cannot update board '%s': %s\n",
                     shown(request.board).c_str(), out_of_memory().message().c_str());
        return exit_failure;
    }
}

}  // namespace malvor
