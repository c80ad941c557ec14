#include "checked_update.h"

#include "conversion_steps.h"
#include "file_io.h"

#include <algorithm>
#include <filesystem>

namespace malvor {

CheckedUpdate checked_update(const NetlistTables& tables, const PackageChoices& choices,
                             const std::vector<std::string>& files, ReadBoard board)
{
    CheckedUpdate update{check_netlist(tables, &choices, CheckedOutput::board), false, {}, {}};
    const auto& problems = update.report.problems;
    update.refused = !std::all_of(
        problems.begin(), problems.end(), [](const Problem& problem) { return problem.harmless; });
    if (update.refused)
        return update;
    const LibraryDrawings drawings(tables, choices, {files.begin(), files.end()});
    const auto nets = board_nets(tables, choices);
    update.changes = board_changes(board, tables, choices, drawings, nets);
    apply_board_changes(board, update.changes, drawings);
    update.board = std::move(board);
    return update;
}

void write_updated_board(const CheckedUpdate& update, std::string_view original,
                         const std::function<void(std::string_view)>& write)
{
    if (update.changes.empty() || !update.board.document)
        write(original);
    else
        write_board_document(*update.board.document, write);
}

std::string board_backup_path(const std::string& board, int number)
{
    // The extension goes, as EAGLE names its backups; a dot in a folder's name is no extension.
    const auto slash = board.find_last_of("/\\");
    const auto dot = board.rfind('.');
    const bool extension = dot != std::string::npos &&
                           (slash == std::string::npos || dot > slash + 1);
    return (extension ? board.substr(0, dot) : board) + ".b#" + std::to_string(number);
}

std::optional<UpdateWriteError> write_board_update(const std::string& board,
                                                   std::string_view original,
                                                   const CheckedUpdate& update)
{
    if (update.changes.empty())
        return std::nullopt;
    for (int number = 8; number >= 1; --number) {
        const auto older = board_backup_path(board, number);
        std::error_code error;
        if (!std::filesystem::exists(file_path_from_bytes(older), error))
            continue;
        std::filesystem::rename(file_path_from_bytes(older),
                                file_path_from_bytes(board_backup_path(board, number + 1)), error);
        if (error)
            return UpdateWriteError{older, error};
    }
    const auto backup = board_backup_path(board, 1);
    auto kept = write_file_atomically(
        file_path_from_bytes(backup), [&](const auto& write) { write(original); });
    if (!kept.ok())
        return UpdateWriteError{backup, kept.error};
    auto written = write_file_atomically(file_path_from_bytes(board), [&](const auto& write) {
        write_updated_board(update, original, write);
    });
    if (!written.ok())
        return UpdateWriteError{board, written.error};
    return std::nullopt;
}

}  // namespace malvor
