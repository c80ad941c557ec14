#include "update_command.h"

#include "checked_update.h"
#include "command_io.h"
#include "conversion_steps.h"
#include "library_setup.h"
#include "shown_text.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace malvor {
namespace {

// The board's bytes as they are on disk, for what needs them after they were parsed in place.
FileResult<SourceBytes> read_board_again(const std::string& path)
{
    return read_whole_file(file_path_from_bytes(path), ReadKind::regular_or_pipe,
                           {largest_board, FileError::netlist_too_large});
}

void report_unreadable_board(std::FILE* err, const std::string& path, std::error_code error)
{
    report_unreadable(
        err, "board", path,
        error == FileError::netlist_too_large ? make_error_code(BoardError::too_large) : error);
}

int update_board(const UpdateRequest& request, const NetlistTables& tables, LibrarySetup& setup,
                 std::FILE* out, std::FILE* err)
{
    // The libraries first: what the board takes from them is copied out, and their bytes go
    // before the board is read, so that the two are never held at once.
    const PackageChoices choices(tables, setup.libraries, setup.rows);
    auto plan = plan_update(tables, choices, setup.files);
    std::vector<std::string>().swap(setup.files);

    report_bus_errors_as(changed_while_read("board", request.board));
    auto file = read_whole_file_to_buffer(file_path_from_bytes(request.board),
                                          ReadKind::regular_or_pipe,
                                          {largest_board, FileError::netlist_too_large});
    if (!file.ok()) {
        report_unreadable_board(err, request.board, file.error);
        return exit_failure;
    }
    // Parsed in place, the bytes read are gone; a file is read again where they are needed, but
    // a pipe cannot be, so that its bytes are kept.
    std::error_code ignored;
    std::optional<std::string> kept;
    if (!std::filesystem::is_regular_file(file_path_from_bytes(request.board), ignored))
        kept = file.value;
    auto board = read_eagle_board_in_place(std::move(file.value), [&]() -> std::string {
        if (kept)
            return *kept;
        auto again = read_board_again(request.board);
        return again.ok() ? std::string(again.value.view()) : std::string();
    });
    if (!board.ok()) {
        std::fprintf(err, "malvor-convert: board '%s' is %s%s%s\n", shown(request.board).c_str(),
                     board.error.message().c_str(), board.detail.empty() ? "" : ": ",
                     shown(board.detail).c_str());
        return exit_failure;
    }

    auto update = checked_update(std::move(plan), tables, choices, std::move(board));
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

    if (unchanged(update) && request.output) {
        // The board's own bytes, untouched: read again once the document is gone.
        update = {};
        SourceBytes original;
        if (kept) {
            original = SourceBytes(std::move(*kept));
        } else {
            auto again = read_board_again(request.board);
            if (!again.ok()) {
                report_unreadable_board(err, request.board, again.error);
                return exit_failure;
            }
            original = std::move(again.value);
        }
        return write_output(
            request.output, request.board, "board",
            [&](const auto& write) { write(original.view()); }, out, err);
    }
    if (request.output)
        return write_output(
            request.output, request.board, "board",
            [&](const auto& write) { write_updated_board(update, {}, write); }, out, err);
    if (auto failed = write_board_update(request.board, update)) {
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
                                      [&](const NetlistTables& tables, LibrarySetup& setup) {
                                          return update_board(request, tables, setup, out, err);
                                      });
}

}  // namespace malvor
