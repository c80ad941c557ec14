#pragma once
// The names the script gets: the library name in its "Use" statement and the script's path.

#include "file_errors.h"

#include <string>
#include <string_view>
#include <system_error>

namespace malvor {

// ASCII letters to lower case; every other byte as it is.
std::string lower_ascii(std::string_view text);

// The library name of a library file name (no folder): the name without a final ".lbr" (any
// case), in lower case.
std::string library_name(std::string_view library_file_name);

// The file name at the end of a path: what follows its last separator ("/", and on Windows
// also "\\" and ":").
std::string_view file_name_of(std::string_view path);

// Why a library name cannot go into a script: it is empty, or it holds a control character
// (a CR or LF would end the "Use" statement's line). Empty on success.
std::error_code check_library_name(std::string_view eaglelib);

// Whether script paths are lower-cased as a whole (file systems that ignore case) or only in
// their file name (file systems that keep it, where lower-cased folders would not exist).
enum class PathCase { whole_path, file_name_only };

#ifdef _WIN32
inline constexpr PathCase native_path_case = PathCase::whole_path;
#else
inline constexpr PathCase native_path_case = PathCase::file_name_only;
#endif

// The script path for a netlist path: the path without a final ".net" (any case), in lower
// case as `path_case` says, followed by ".scr".
std::string script_path(std::string_view tangofile, PathCase path_case = native_path_case);

}  // namespace malvor
