#pragma once
// The file edges of the conversion: reading a netlist whole, and writing a script so that it
// appears complete or not at all.

#include "file_errors.h"
#include "source_bytes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

namespace malvor {

// The largest netlist read: the tables keep 32-bit positions into it.
inline constexpr std::uint64_t largest_netlist = (std::uint64_t{1} << 31) - 1;

enum class ReadKind {
    regular_or_pipe,  // regular files, pipes and FIFOs; devices and sockets are refused
    regular_only,     // regular files; anything else is refused at once without waiting on it
};

// The most a file may hold, and the error for one that holds more.
struct SizeLimit {
    std::uint64_t bytes = largest_netlist;
    FileError error = FileError::netlist_too_large;
};

// Reads a file whole. Links are followed; a folder, device or socket, a file past the limit
// and a lack of memory are errors, never exceptions.
FileResult<SourceBytes> read_whole_file(const std::filesystem::path& path,
                                        ReadKind kind = ReadKind::regular_or_pipe,
                                        SizeLimit limit = {});

// As read_whole_file, but always into a buffer of its own, never a mapping: for a reader that
// changes the bytes as it reads them (a board parsed in place), which then holds them once.
FileResult<std::string> read_whole_file_to_buffer(const std::filesystem::path& path,
                                                  ReadKind kind = ReadKind::regular_or_pipe,
                                                  SizeLimit limit = {});

// Writes into a temporary file beside `target` and renames it over `target` once the data is
// synced to disk; the folder is synced after the rename. On Linux the file has no name until
// it is complete (O_TMPFILE, where the file system has it), so that even a kill leaves
// nothing behind; elsewhere a hidden name that starts with the script's own. A `target` that is a
// symbolic link is followed to the file at the end of its chain, which is replaced while the link
// stays. An existing file keeps its permission bits, applied after the data is written and failing
// the write when they cannot be (and owner and group where allowed); a new one gets 0666 less
// the umask. A target that exists and is no regular file is refused. On
// failure the temporary file is removed and an existing target stays as it was.
// `before_replace`, where given, runs once the new file is complete and just before it replaces
// the old one, which it is handed (the link's end); its error fails the write, the old file
// left in place.
using ByteProducer = std::function<void(const std::function<void(std::string_view)>& write)>;
using BeforeReplace = std::function<std::error_code(const std::filesystem::path& file)>;
FileDone write_file_atomically(const std::filesystem::path& target, const ByteProducer& produce,
                               const BeforeReplace& before_replace = {});

// Creates `path` for writing, only when nothing of that name exists yet: an existing file is
// neither opened nor changed, and the error is then file_exists. The value is the descriptor,
// which the caller closes.
FileResult<int> create_new_file(const std::filesystem::path& path);

// Makes SIGBUS, which a mapped file raises when it shrinks while it is read, remove the
// temporary file being written, if any, write `message` to standard error and end the process
// with exit status 1. A later call replaces the message; the one it replaces is returned, so
// that a file read while another stays mapped can hand the message back.
std::string report_bus_errors_as(std::string message);

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary file being written, if any, before
// the process dies of the signal. Signals the process ignores stay ignored.
void remove_temporary_file_on_signals();

// Removes the temporary file being written, if any, for handlers of the process's end that do
// their own ending (such as a console's Ctrl-C on Windows). Safe in a signal handler.
void remove_temporary_file();

}  // namespace malvor
