#include "command_io.h"

#include "conversion_steps.h"
#include "shown_text.h"

#include <cerrno>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace malvor {
namespace {

// The standard stream that `path` names as an open file (the same file, not only the same
// name: also /dev/stdout, /dev/fd/N or a file the shell redirected into), or null.
std::FILE* stream_named(const std::string& path, std::FILE* out, std::FILE* err)
{
#ifdef _WIN32
    (void)path, (void)out, (void)err;
#else
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0)
        return nullptr;
    for (std::FILE* stream : {out, err}) {
        struct stat open {};
        if (::fstat(::fileno(stream), &open) == 0 && open.st_dev == named.st_dev &&
            open.st_ino == named.st_ino)
            return stream;
    }
#endif
    return nullptr;
}

}  // namespace

void report_unreadable(std::FILE* err, const char* what, const std::string& path,
                       std::error_code reason)
{
    std::fprintf(err, "malvor-convert: cannot read %s '%s': %s\n", what, shown(path).c_str(),
                 reason.message().c_str());
}

std::string changed_while_read(const char* what, const std::string& path)
{
    return "malvor-convert: " + std::string(what) + " '" + shown(path) +
           "' changed while it was read\n";
}

std::error_code out_of_memory()
{
    return std::make_error_code(std::errc::not_enough_memory);
}

std::optional<NetlistTables> read_netlist_or_say(const std::string& path, std::FILE* err)
{
    report_bus_errors_as(changed_while_read("netlist", path));
    auto read = read_netlist(file_path_from_bytes(path), ReadKind::regular_or_pipe);
    if (read.ok())
        return std::move(read.value);
    report_unreadable(err, "netlist", path, read.error);
    return std::nullopt;
}

bool put(std::FILE* out, std::string_view bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
}

int write_output(const std::optional<std::string>& output, const std::string& beside,
                 const char* what, const ByteProducer& produce, std::FILE* out, std::FILE* err)
{
    std::FILE* stream = nullptr;
    if (output)
        stream = *output == "-" ? out : stream_named(*output, out, err);
    if (stream) {
        bool ok = true;
        produce([&](std::string_view piece) { ok = ok && put(stream, piece); });
        if (!ok || std::fflush(stream) != 0) {
            std::fprintf(err, "malvor-convert: cannot write the %s to standard %s\n", what,
                         stream == out ? "output" : "error");
            return exit_failure;
        }
        return exit_ok;
    }

    const std::string& target = output ? *output : beside;
    auto written = write_file_atomically(file_path_from_bytes(target), produce);
    if (!written.ok()) {
        std::fprintf(err, "malvor-convert: cannot write %s '%s': %s\n", what, shown(target).c_str(),
                     written.error.message().c_str());
        return exit_failure;
    }
    if (!output) {
        // The file is written, but whoever runs the converter learns its name from here.
        errno = 0;
        if (!put(out, target + '\n') || std::fflush(out) != 0) {
            std::error_code reason(errno != 0 ? errno : EIO, std::generic_category());
            std::fprintf(err, "malvor-convert: %s written, but its path could not be printed: %s\n",
                         what, reason.message().c_str());
            return exit_failure;
        }
    }
    return exit_ok;
}

}  // namespace malvor
