#include "checked_update.h"

#include <algorithm>

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

}  // namespace malvor
