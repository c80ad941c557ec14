#pragma once
// What the commands of malvor-convert share at their edges: the exit status, reading the
// netlist, the messages for files that cannot be read, and writing an output file (a script or
// a board) atomically, to -o OUTPUT or to standard output.

#include "file_io.h"
#include "netlist_tables.h"

#include <cstdio>
#include <optional>
#include <string>
#include <system_error>

namespace malvor {

enum ExitStatus { exit_ok = 0, exit_failure = 1, exit_usage = 2 };

// Exit status when the check found problems (0 without, 1 when a file cannot be used), and
// when a board is not written for them.
inline constexpr int exit_problems = 3;

// "malvor-convert: cannot read WHAT 'PATH': REASON" on `err`.
void report_unreadable(std::FILE* err, const char* what, const std::string& path,
                       std::error_code reason);

// "malvor-convert: WHAT 'PATH' changed while it was read", for a file that shrank while mapped.
std::string changed_while_read(const char* what, const std::string& path);

std::error_code out_of_memory();

// The netlist's tables, or empty after a message on `err`. A bus error while it is mapped is
// reported as the netlist changing.
std::optional<NetlistTables> read_netlist_or_say(const std::string& path, std::FILE* err);

bool put(std::FILE* out, std::string_view bytes);

// Writes `what` ("script", "board") to `output` ("-": standard output; a path naming one of the
// standard streams is written to that stream), or atomically to `beside` when there is no
// `output`, and then prints that path on `out`. Failures are said on `err`.
int write_output(const std::optional<std::string>& output, const std::string& beside,
                 const char* what, const ByteProducer& produce, std::FILE* out, std::FILE* err);

}  // namespace malvor
