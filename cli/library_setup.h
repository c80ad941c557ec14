#pragma once
// The libraries and the package map a conversion or a check is given, with their errors said
// on standard error, and the check's problems as report lines.

#include "conversion_setup.h"
#include "netlist_check.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace malvor {

// The library names must be usable (library_name_of); every library must be an EAGLE XML
// library; the map must be free of errors, each of which is said as "MAP:LINE: message".
// What is wrong goes to `err`, and the result is then empty.
std::optional<LibrarySetup> read_library_setup(const std::vector<std::string>& library_paths,
                                               const std::optional<std::string>& map_path,
                                               std::FILE* err, bool keep_files = false);

// The netlist and the libraries read, then `work(tables, setup)`: the command's exit status.
// What cannot be read is said, and so is running out of memory meanwhile ("cannot <failing>:
// ..."); both exit with failure. `work` may let go of what it no longer needs of the setup
// (the libraries' bytes, once copied out of), to make room for what it reads next.
int with_netlist_and_libraries(const std::string& netlist,
                               const std::vector<std::string>& library_paths,
                               const std::optional<std::string>& map_path, bool keep_files,
                               const std::string& failing, std::FILE* err,
                               const std::function<int(const NetlistTables&, LibrarySetup&)>& work);

// "NETLIST:LINE: <kind>message" for every problem, in order, on `out`; false when a write
// failed.
bool write_problems(std::FILE* out, const std::string& netlist, const CheckReport& report,
                    std::string_view kind);

}  // namespace malvor
