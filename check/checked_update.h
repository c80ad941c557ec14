#pragma once
// A board brought up to date with a netlist, as --update and the window's "Update board..." do
// it: the netlist checked as for a new board, then the changes found and applied, so that the
// list shown and the bytes written come from one result.

#include "board_reader.h"
#include "board_update.h"
#include "netlist_check.h"
#include "package_choice.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace malvor {

struct CheckedUpdate {
    CheckReport report;
    bool refused = false;  // for a problem that would refuse a new board too
    std::vector<BoardChange> changes;
    ReadBoard board;  // with the changes applied, unless refused
};

// `files`: the libraries' bytes, in the choices' order.
CheckedUpdate checked_update(const NetlistTables& tables, const PackageChoices& choices,
                             const std::vector<std::string>& files, ReadBoard board);

// The updated board's bytes, in pieces: without changes, the board's own bytes (`original`,
// which it was read from), untouched.
void write_updated_board(const CheckedUpdate& update, std::string_view original,
                         const std::function<void(std::string_view)>& write);

// Why writing an update in place failed: the file (the board or a backup) and the reason.
struct UpdateWriteError {
    std::string path;
    std::error_code reason;
};

// In place, as EAGLE saves a board: NAME.b#1 .. #8 moved one older (#9 dropped), the board as it
// was (`original`) written as #1, then the updated board over it, each atomically. Without
// changes nothing is written: the board already is the result.
std::optional<UpdateWriteError> write_board_update(const std::string& board,
                                                   std::string_view original,
                                                   const CheckedUpdate& update);

// "NAME.b#1": where EAGLE keeps the previous board of NAME.brd, the older ones at #2 .. #9.
std::string board_backup_path(const std::string& board, int number);

}  // namespace malvor
