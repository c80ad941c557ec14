#include "convert_command.h"

#include "check_command.h"
#include "conversion_steps.h"
#include "eagle_writer.h"
#include "script_names.h"
#include "version.h"

#include <cerrno>
#include <optional>
#include <string_view>
#include <system_error>

namespace malvor {
namespace {

constexpr const char* usage_text =
    "Usage:\n"
    "  malvor-convert NETLIST LIBRARY            write the script beside the netlist, print its path\n"
    "  malvor-convert -o OUTPUT NETLIST LIBRARY  write the script to OUTPUT (\"-\": standard output)\n"
    "  malvor-convert --list NETLIST             print the component entries, then the node entries\n"
    "  malvor-convert --check NETLIST LIBRARY    report what would fail in EAGLE with that library\n"
    "  malvor-convert --help | --version\n"
    "\n"
    "Converts a Tango netlist into an EAGLE script. LIBRARY is the EAGLE library's file name\n"
    "or path; the file need not exist, only its name goes into the script.\n";

struct Request {
    enum Kind { convert, list, check, help, version } kind = convert;
    std::optional<std::string> output;
    std::vector<std::string> files;
};

std::optional<Request> parse(const std::vector<std::string>& arguments)
{
    Request request;
    bool options_done = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options_done || argument == "-" || argument.empty() || argument[0] != '-') {
            request.files.push_back(argument);
        } else if (argument == "--") {
            options_done = true;
        } else if (argument == "-o" || argument == "--output") {
            if (request.output || i + 1 == arguments.size())
                return std::nullopt;
            request.output = arguments[++i];
        } else if (argument == "--list") {
            request.kind = Request::list;
        } else if (argument == "--check") {
            request.kind = Request::check;
        } else if (argument == "--help" || argument == "-h") {
            request.kind = Request::help;
        } else if (argument == "--version") {
            request.kind = Request::version;
        } else {
            return std::nullopt;
        }
    }
    switch (request.kind) {
    case Request::help:
    case Request::version:
        if (arguments.size() != 1)
            return std::nullopt;
        break;
    case Request::list:
        if (request.output || request.files.size() != 1)
            return std::nullopt;
        break;
    case Request::check:
        if (request.output || request.files.size() != 2)
            return std::nullopt;
        break;
    case Request::convert:
        if (request.files.size() != 2)
            return std::nullopt;
        break;
    }
    return request;
}

bool put(std::FILE* out, std::string_view bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
}

std::optional<NetlistTables> read_netlist_or_say(const std::string& path, std::FILE* err)
{
    auto read = read_netlist(file_path_from_bytes(path), ReadKind::regular_or_pipe);
    if (read.ok())
        return std::move(read.value);
    std::fprintf(err, "malvor-convert: cannot read netlist '%s': %s\n", path.c_str(),
                 read.error.message().c_str());
    return std::nullopt;
}

int list_entries(const NetlistTables& tables, std::FILE* out)
{
    // Entry lines are short: collected in a large buffer, they cost one write per megabyte.
    constexpr std::size_t flush_at = std::size_t{1} << 20;
    std::string buffer;
    buffer.reserve(flush_at + 4096);
    bool ok = true;
    auto line_done = [&] {
        buffer += '\n';
        if (buffer.size() >= flush_at) {
            ok = put(out, buffer);
            buffer.clear();
        }
    };
    for (Count k = 1; k <= tables.component_count() && ok; ++k) {
        tables.append_component_entry(buffer, k);
        line_done();
    }
    for (Count i = 1; i <= tables.net_count() && ok; ++i) {
        for (Count j = 1; j <= tables.node_count(i) && ok; ++j) {
            tables.append_node_entry(buffer, i, j);
            line_done();
        }
    }
    ok = ok && put(out, buffer);
    return ok && std::fflush(out) == 0 ? exit_ok : exit_failure;
}

int convert(const Request& request, std::FILE* out, std::FILE* err)
{
    const std::string& netlist = request.files[0];
    auto eaglelib = library_name_of(request.files[1]);
    if (!eaglelib.ok()) {
        std::fprintf(err, "malvor-convert: invalid library name: %s\n",
                     eaglelib.error.message().c_str());
        return exit_usage;
    }

    auto tables = read_netlist_or_say(netlist, err);
    if (!tables)
        return exit_failure;

    if (request.output && *request.output == "-") {
        bool ok = true;
        write_eagle_script(*tables, eaglelib.value,
                           [&](std::string_view piece) { ok = ok && put(out, piece); });
        if (!ok || std::fflush(out) != 0) {
            std::fprintf(err, "malvor-convert: cannot write the script to standard output\n");
            return exit_failure;
        }
        return exit_ok;
    }

    std::string eaglefile = request.output ? *request.output : script_path(netlist);
    auto written = write_script(*tables, eaglelib.value, file_path_from_bytes(eaglefile));
    if (!written.ok()) {
        std::fprintf(err, "malvor-convert: cannot write script '%s': %s\n", eaglefile.c_str(),
                     written.error.message().c_str());
        return exit_failure;
    }
    if (!request.output) {
        // The script is written, but whoever runs the converter learns its name from here.
        errno = 0;
        if (!put(out, eaglefile + '\n') || std::fflush(out) != 0) {
            std::error_code reason(errno != 0 ? errno : EIO, std::generic_category());
            std::fprintf(err, "malvor-convert: script written, but its path could not be printed: %s\n",
                         reason.message().c_str());
            return exit_failure;
        }
    }
    return exit_ok;
}

}  // namespace

int run_convert_command(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err)
{
    auto request = parse(arguments);
    if (!request) {
        std::fputs(usage_text, err);
        return exit_usage;
    }
    switch (request->kind) {
    case Request::help:
        std::fputs(usage_text, out);
        return exit_ok;
    case Request::version:
        std::fprintf(out, "malvor-convert %s\n", version);
        return exit_ok;
    case Request::list: {
        auto tables = read_netlist_or_say(request->files[0], err);
        if (!tables)
            return exit_failure;
        if (list_entries(*tables, out) != exit_ok) {
            std::fprintf(err, "malvor-convert: cannot write the entries to standard output\n");
            return exit_failure;
        }
        return exit_ok;
    }
    case Request::check:
        return run_check(request->files[0], request->files[1], out, err);
    case Request::convert:
        return convert(*request, out, err);
    }
    return exit_failure;
}

}  // namespace malvor
