#pragma once
// The file edges of the conversion: reading a netlist whole, and writing a script so that it
// appears complete or not at all.

#include "file_errors.h"
#include "source_bytes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace malvor {

// The largest netlist read: the tables keep 32-bit positions into it.
inline constexpr std::uint64_t largest_netlist = (std::uint64_t{1} << 31) - 1;

enum class ReadKind {
    regular_or_pipe,  // regular files, pipes and FIFOs; devices and sockets are refused
    regular_only,     // regular files; anything else is refused at once without waiting on it
};

// Reads a netlist whole. Links are followed; a folder, device or socket, a file past
// `largest_netlist` and a lack of memory are errors, never exceptions.
FileResult<SourceBytes> read_whole_file(const std::filesystem::path& path,
                                        ReadKind kind = ReadKind::regular_or_pipe);

// Writes into a temporary file beside `target` and renames it over `target` once the data is
// synced to disk; the folder is synced after the rename. A `target` that is a symbolic link
// is followed to the file at the end of its chain, which is replaced while the link stays.
// An existing file keeps its permission bits (and owner and group where allowed); a new one
// gets 0666 less the umask. A target that exists and is no regular file is refused. On
// failure the temporary file is removed and an existing target stays as it was.
using ByteProducer = std::function<void(const std::function<void(std::string_view)>& write)>;
FileDone write_file_atomically(const std::filesystem::path& target, const ByteProducer& produce);

// Creates `path` for writing, only when nothing of that name exists yet: an existing file is
// neither opened nor changed, and the error is then file_exists. The value is the descriptor,
// which the caller closes.
FileResult<int> create_new_file(const std::filesystem::path& path);

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary file being written, if any, before
// the process dies of the signal. Signals the process ignores stay ignored.
void remove_temporary_file_on_signals();

// Removes the temporary file being written, if any, for handlers of the process's end that do
// their own ending (such as a console's Ctrl-C on Windows). Safe in a signal handler.
void remove_temporary_file();

}  // namespace malvor
