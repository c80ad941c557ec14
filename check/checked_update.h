#pragma once
// A board brought up to date with a netlist, as --update and the window's "Update board..." do
// it: the netlist checked as for a new board, then the changes found and applied, so that the
// list shown and the bytes written come from one result.

#include "board_reader.h"
#include "board_update.h"
#include "netlist_check.h"
#include "package_choice.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace malvor {

// What an update needs before the board is read: the check and, unless it refuses the update,
// the packages the netlist's parts take, copied out of the libraries, whose bytes and trees
// may then go. A large board read only after that is never held beside a large library.
struct UpdatePlan {
    CheckReport report;
    bool refused = false;                       // for a problem that would refuse a new board too
    std::unique_ptr<LibraryDrawings> drawings;  // unless refused
    BoardNets nets;
};

// `files`: the libraries' bytes, in the choices' order.
UpdatePlan plan_update(const NetlistTables& tables, const PackageChoices& choices,
                       const std::vector<std::string>& files);

struct CheckedUpdate {
    CheckReport report;
    bool refused = false;  // for a problem that would refuse a new board too
    std::vector<BoardChange> changes;
    ReadBoard board;  // with the changes applied, unless refused
};

// The board brought up to the plan's netlist (the tables and choices it was made with).
CheckedUpdate checked_update(UpdatePlan plan, const NetlistTables& tables,
                             const PackageChoices& choices, ReadBoard board);
// Both steps at once, for a board read already.
CheckedUpdate checked_update(const NetlistTables& tables, const PackageChoices& choices,
                             const std::vector<std::string>& files, ReadBoard board);

// The updated board's bytes, in pieces: without changes, the board's own bytes (`original`,
// which it was read from), untouched.
void write_updated_board(const CheckedUpdate& update, std::string_view original,
                         const std::function<void(std::string_view)>& write);
// Whether the board is written as it was, so that its own bytes are what is written.
bool unchanged(const CheckedUpdate& update);

// Why writing an update in place failed: the file (the board or a backup) and the reason.
struct UpdateWriteError {
    std::string path;
    std::error_code reason;
};

// In place, as EAGLE saves a board: the updated board written whole beside it first; then
// NAME.b#1 .. #8 moved one older (#9 dropped) and the board as it was kept as #1, the file
// itself under a second name (copied where the file system has no such names); then the
// updated board renamed over it. The board's name never stands empty, and a failure on the
// way leaves the board as it was. Without changes nothing is written: the board already is
// the result.
std::optional<UpdateWriteError> write_board_update(const std::string& board,
                                                   const CheckedUpdate& update);

// "NAME.b#1": where EAGLE keeps the previous board of NAME.brd, the older ones at #2 .. #9.
std::string board_backup_path(const std::string& board, int number);

}  // namespace malvor
