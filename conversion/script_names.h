#pragma once
// The names the script gets: the library name in its "Use" statement and the script's path.

#include "file_errors.h"

#include <string>
#include <string_view>
#include <system_error>

namespace malvor {

// ASCII letters to lower case; every other byte as it is.
std::string lower_ascii(std::string_view text);
// Whether two names are the same but for the case of ASCII letters.
bool same_ignoring_ascii_case(std::string_view a, std::string_view b);

// The library name of a library file name (no folder): the name without a final ".lbr" (any
// case), in lower case.
std::string library_name(std::string_view library_file_name);

// The file name at the end of a path: what follows its last separator ("/", and on Windows
// also "\\" and ":").
std::string_view file_name_of(std::string_view path);

// Why a library name cannot go into a script: it is empty, or it holds a control character
// (a CR or LF would end the "Use" statement's line). Empty on success.
std::error_code check_library_name(std::string_view eaglelib);

// How the system treats names. Windows ignores case, so the whole script path is lower-cased,
// and drops trailing dots and blanks from a file name ("amp.net." opens amp.net). Elsewhere
// case is kept, so only the file name is lower-cased (lower-cased folders would not exist), and
// every byte of a name counts.
enum class PathRules { windows, posix };

#ifdef _WIN32
inline constexpr PathRules native_path_rules = PathRules::windows;
#else
inline constexpr PathRules native_path_rules = PathRules::posix;
#endif

// The script path for a netlist path: the path (under Windows rules without the file name's
// trailing dots and blanks) without a final ".net" (any case), in lower case as `rules` say,
// followed by ".scr".
std::string script_path(std::string_view tangofile, PathRules rules = native_path_rules);

// The board's path: the script's with ".brd" instead of ".scr".
std::string board_path(std::string_view tangofile, PathRules rules = native_path_rules);

}  // namespace malvor
