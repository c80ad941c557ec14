#pragma once
// The names the script gets: the library name in its "Use" statement and the script's path.

#include <string>
#include <string_view>

namespace malvor {

// ASCII letters to lower case; every other byte as it is.
std::string lower_ascii(std::string_view text);

// The library name of a library file name (no folder): the name without its last four
// characters (".lbr"), in lower case. A name of four characters or fewer is kept whole.
std::string library_name(std::string_view library_file_name);

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
