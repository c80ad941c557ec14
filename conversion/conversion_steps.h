#pragma once
// The steps that the window and malvor-convert share, from the names a user gives to a
// written script.
//
// What differs between the two stays with them: their messages (a box with CR line breaks, or
// "malvor-convert: ..." lines on standard error), the netlists they accept (the window regular
// files only, so that it never waits on a FIFO; the converter pipes too), and where the script
// goes (the converter may be given -o or standard output). The script path is lower-cased the
// same way in both: the whole path on Windows, where file names ignore case, only the file
// name elsewhere (script_names.h).

#include "file_errors.h"
#include "file_io.h"
#include "netlist_tables.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace malvor {

// A path from the bytes a user gave: UTF-8 on Windows, the file system's own bytes elsewhere.
std::filesystem::path file_path_from_bytes(std::string_view bytes);

// Reads and parses a netlist; running out of memory is an error like any other.
FileResult<NetlistTables> read_netlist(const std::filesystem::path& path, ReadKind kind);

// The name the "Use" statement gets for a library file's path or name: the file name without
// a final ".lbr", lower-cased. An empty name, or one holding a control character, is refused.
FileResult<std::string> library_name_of(std::string_view library_path);

// Writes the script for `tables` into `target`, complete or not at all.
FileDone write_script(const NetlistTables& tables, std::string_view eaglelib,
                      const std::filesystem::path& target);

}  // namespace malvor
