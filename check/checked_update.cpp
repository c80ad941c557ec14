#include "checked_update.h"

#include "conversion_steps.h"
#include "file_io.h"

#include <algorithm>
#include <filesystem>

namespace malvor {

UpdatePlan plan_update(const NetlistTables& tables, const PackageChoices& choices,
                       const std::vector<std::string>& files)
{
    UpdatePlan plan{check_netlist(tables, &choices, CheckedOutput::board), false, nullptr, {}};
    const auto& problems = plan.report.problems;
    plan.refused = !std::all_of(
        problems.begin(), problems.end(), [](const Problem& problem) { return problem.harmless; });
    if (plan.refused)
        return plan;
    plan.drawings = std::make_unique<LibraryDrawings>(
        tables, choices, std::vector<std::string_view>(files.begin(), files.end()));
    plan.nets = board_nets(tables, choices);
    return plan;
}

CheckedUpdate checked_update(UpdatePlan plan, const NetlistTables& tables,
                             const PackageChoices& choices, ReadBoard board)
{
    CheckedUpdate update{std::move(plan.report), plan.refused, {}, {}};
    if (update.refused)
        return update;
    update.changes = board_changes(board, tables, choices, *plan.drawings, plan.nets);
    apply_board_changes(board, update.changes, *plan.drawings);
    update.board = std::move(board);
    return update;
}

CheckedUpdate checked_update(const NetlistTables& tables, const PackageChoices& choices,
                             const std::vector<std::string>& files, ReadBoard board)
{
    return checked_update(plan_update(tables, choices, files), tables, choices, std::move(board));
}

bool unchanged(const CheckedUpdate& update)
{
    return update.changes.empty() || !update.board.document;
}

void write_updated_board(const CheckedUpdate& update, std::string_view original,
                         const std::function<void(std::string_view)>& write)
{
    if (unchanged(update))
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

namespace {

namespace fs = std::filesystem;

// The board as it was, under the backup's name: the same file, so that nothing is copied and
// the board keeps its name throughout; a copy where the file system cannot give it two names.
std::error_code keep_as_backup(const fs::path& board, const fs::path& backup)
{
    std::error_code error;
    fs::create_hard_link(board, backup, error);
    if (!error)
        return {};
    error.clear();
    fs::copy_file(board, backup, error);
    return error;
}

}  // namespace

std::optional<UpdateWriteError> write_board_update(const std::string& board,
                                                   const CheckedUpdate& update)
{
    if (update.changes.empty())
        return std::nullopt;
    std::optional<UpdateWriteError> failed;
    // Only once the updated board is whole on disk are the backups moved.
    const BeforeReplace keep_backups = [&](const fs::path& file) -> std::error_code {
        for (int number = 8; number >= 1; --number) {
            const auto older = board_backup_path(board, number);
            std::error_code error;
            if (!fs::exists(file_path_from_bytes(older), error))
                continue;
            fs::rename(file_path_from_bytes(older),
                       file_path_from_bytes(board_backup_path(board, number + 1)), error);
            if (error) {
                failed = UpdateWriteError{older, error};
                return error;
            }
        }
        const auto backup = board_backup_path(board, 1);
        if (auto error = keep_as_backup(file, file_path_from_bytes(backup))) {
            failed = UpdateWriteError{backup, error};
            return error;
        }
        return {};
    };
    auto written = write_file_atomically(
        file_path_from_bytes(board),
        [&](const auto& write) { write_board_document(*update.board.document, write); },
        keep_backups);
    if (failed)
        return failed;
    if (!written.ok())
        return UpdateWriteError{board, written.error};
    return std::nullopt;
}

}  // namespace malvor
