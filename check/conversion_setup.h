#pragma once
// The libraries and the package map a conversion or a check is given, read and checked, with
// what stops them as values: the converter prints them, the window lists them.

#include "eagle_writer.h"
#include "file_io.h"
#include "netlist_check.h"
#include "package_choice.h"
#include "package_map.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace malvor {

struct LibrarySetup {
    std::vector<NamedLibrary> libraries;
    std::vector<MapRow> rows;
    std::vector<std::string> files;  // the libraries' bytes, where asked for (a board copies them)
};

// Why the libraries and the map cannot be used.
struct SetupError {
    enum class Kind {
        library_name,        // would break the script's "Use" line
        same_library_name,   // "Use" and PACKAGE@LIBRARY could not tell two libraries apart
        library_unreadable,  // the file cannot be read (or memory ran out)
        library_broken,      // read, but no EAGLE XML library
        map_unreadable,
        map_errors,
    };
    Kind kind;
    std::string path;        // of the library or the map
    std::string earlier;     // same_library_name: the earlier library's path
    std::string name;        // same_library_name: the name both have
    std::error_code reason;  // library_name, the unreadable kinds, library_broken
    std::string detail;      // library_broken: for broken XML, where and what
    std::vector<MapError> map_errors;
};

struct SetupResult {
    LibrarySetup setup;
    std::optional<SetupError> error;  // `setup` is of no use when there is one

    bool ok() const { return !error; }
};

// Told a library's path before the library is read, and null once it is read.
using LibraryReadWatch = std::function<void(const std::string* path)>;

// Every library must be an EAGLE XML library of a usable name (library_name_of), different from
// the others'; the map must be free of errors. The first that is not stops the reading. The
// window reads regular files only, so that a FIFO cannot keep it waiting.
SetupResult read_conversion_setup(const std::vector<std::string>& library_paths,
                                  const std::optional<std::string>& map_path,
                                  const LibraryReadWatch& watch = {},
                                  ReadKind kind = ReadKind::regular_or_pipe,
                                  bool keep_files = false);

// The error as text: "MAP:LINE: message" for each of the map's errors, else one line such as
// "cannot read library 'PATH': REASON". Names are shown safely (shown_text.h).
std::vector<std::string> setup_error_lines(const SetupError& error);

// A check with the libraries and the map, whole: what it was given and what it found. Its
// choices write the script the converter writes for the same netlist, libraries and map. The
// tables must outlive it.
struct CheckedNetlist {
    const NetlistTables& tables;
    std::vector<std::string> library_paths;
    std::optional<std::string> map_path;
    SetupResult read;
    std::unique_ptr<PackageChoices> choices;  // null when the setup cannot be used
    CheckReport report;
    std::optional<std::string> board;  // checked for a board: its bytes, unless refused
};

// Reads the libraries and the map and checks the tables against them, as --check does (without
// libraries, what needs none); for a board, as --board checks them, and makes the board.
// Null when `cancel` was set before the end.
std::unique_ptr<CheckedNetlist> check_with_libraries(const NetlistTables& tables,
                                                     std::vector<std::string> library_paths,
                                                     std::optional<std::string> map_path,
                                                     const std::atomic<bool>* cancel = nullptr,
                                                     ReadKind kind = ReadKind::regular_or_pipe,
                                                     CheckedOutput output = CheckedOutput::script);

// The board's check and, unless a problem that is not harmless refuses it, the board's bytes
// (`files`: the libraries' bytes, in the choices' order).
struct CheckedBoard {
    CheckReport report;
    std::optional<std::string> board;
};
CheckedBoard checked_board(const NetlistTables& tables, const PackageChoices& choices,
                           const std::vector<std::string>& files);

// How the script names the libraries and the packages the choices made.
ScriptLibraries script_libraries(const PackageChoices& choices);

}  // namespace malvor
