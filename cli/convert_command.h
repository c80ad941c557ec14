#pragma once
// The command-line converter, apart from the process: arguments in, exit status out.

#include "netlist_tables.h"

#include <cstdio>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace malvor {

enum ExitStatus { exit_ok = 0, exit_failure = 1, exit_usage = 2 };

// "malvor-convert: cannot read WHAT 'PATH': REASON" on `err`.
void report_unreadable(std::FILE* err, const char* what, const std::string& path,
                       std::error_code reason);

// "malvor-convert: WHAT 'PATH' changed while it was read", for a file that shrank while mapped.
std::string changed_while_read(const char* what, const std::string& path);

std::error_code out_of_memory();

// The netlist's tables, or empty after a message on `err`. A bus error while it is mapped is
// reported as the netlist changing.
std::optional<NetlistTables> read_netlist_or_say(const std::string& path, std::FILE* err);

int run_convert_command(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

}  // namespace malvor
