#include "convert_command.h"

#include "check_command.h"
#include "conversion_steps.h"
#include "eagle_writer.h"
#include "library_setup.h"
#include "netlist_check.h"
#include "script_names.h"
#include "shown_text.h"
#include "version.h"

#include <cerrno>
#include <cstdint>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace malvor {
namespace {

constexpr const char* usage_text =
    "Usage:\n"
    "  malvor-convert NETLIST LIBRARY            write the script beside the netlist, print its path\n"
    "  malvor-convert -o OUTPUT NETLIST LIBRARY  write the script to OUTPUT (\"-\": standard output)\n"
    "  malvor-convert [-o OUTPUT] [--map MAP] NETLIST LIBRARY [LIBRARY...]\n"
    "                                            packages from several libraries, or as MAP says\n"
    "  malvor-convert --list NETLIST             print the component entries, then the node entries\n"
    "  malvor-convert --check [--map MAP] [--suggest-map NEWMAP] NETLIST [LIBRARY...]\n"
    "                                            report what would fail in EAGLE with the libraries\n"
    "  malvor-convert --help | --version\n"
    "\n"
    "Converts a Tango netlist into an EAGLE script. With one LIBRARY and no map, LIBRARY is the\n"
    "EAGLE library's file name or path; the file need not exist, only its name goes into the\n"
    "script. With a map or several libraries, every library is read.\n";

struct Request {
    enum Kind { convert, list, check, help, version } kind = convert;
    std::optional<std::string> output;
    std::optional<std::string> map;
    std::optional<std::string> suggest_map;
    std::vector<std::string> files;
    std::string usage_error;  // what was wrong with the arguments, or empty
};

Request usage_error(std::string problem)
{
    Request wrong;
    wrong.usage_error = std::move(problem);
    return wrong;
}

// The kind of run an option other than -o asks for.
std::optional<Request::Kind> kind_of(const std::string& option)
{
    if (option == "--list")
        return Request::list;
    if (option == "--check")
        return Request::check;
    if (option == "--help" || option == "-h")
        return Request::help;
    if (option == "--version")
        return Request::version;
    return std::nullopt;
}

Request parse(const std::vector<std::string>& arguments)
{
    Request request;
    const char* mode = nullptr;  // the option that chose the kind, for the messages
    bool options_done = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options_done || argument == "-" || argument.empty() || argument[0] != '-') {
            request.files.push_back(argument);
        } else if (argument == "--") {
            options_done = true;
        } else if (argument == "-o" || argument == "--output" || argument == "--map" ||
                   argument == "--suggest-map") {
            auto& file = argument == "--map"           ? request.map
                         : argument == "--suggest-map" ? request.suggest_map
                                                       : request.output;
            if (file)
                return usage_error(argument + " given twice");
            if (i + 1 == arguments.size())
                return usage_error(argument + " needs a file name");
            file = arguments[++i];
        } else if (auto kind = kind_of(argument)) {
            if (mode)
                return usage_error(std::string(mode) + " and " + argument + " do not go together");
            mode = argument.c_str();
            request.kind = *kind;
        } else {
            return usage_error("unknown option '" + argument + "'");
        }
    }
    std::size_t wanted = 2;  // files at least, for a conversion
    std::size_t most = SIZE_MAX;
    if (request.kind == Request::check)
        wanted = 1;
    else if (request.kind == Request::list)
        wanted = most = 1;
    else if (request.kind == Request::help || request.kind == Request::version)
        wanted = most = 0;
    if (request.output && request.kind != Request::convert)
        return usage_error(std::string(mode) + " writes no script, so takes no -o");
    if (request.map && request.kind != Request::convert && request.kind != Request::check)
        return usage_error(std::string(mode) + " takes no --map");
    if (request.suggest_map && request.kind != Request::check)
        return usage_error("--suggest-map goes with --check");
    if (request.files.size() > most)
        return usage_error(wanted == 0 ? std::string(mode) + " takes no other arguments"
                                       : "too many arguments");
    if (request.files.size() < wanted)
        return usage_error(request.files.empty() ? "missing NETLIST" : "missing LIBRARY");
    return request;
}

// The files after the netlist.
std::vector<std::string> library_paths(const Request& request)
{
    return {request.files.begin() + 1, request.files.end()};
}

bool put(std::FILE* out, std::string_view bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
}

}  // namespace

std::optional<NetlistTables> read_netlist_or_say(const std::string& path, std::FILE* err)
{
    report_bus_errors_as(changed_while_read("netlist", path));
    auto read = read_netlist(file_path_from_bytes(path), ReadKind::regular_or_pipe);
    if (read.ok())
        return std::move(read.value);
    report_unreadable(err, "netlist", path, read.error);
    return std::nullopt;
}

namespace {

bool is_terminal(std::FILE* stream)
{
#ifdef _WIN32
    return ::_isatty(::_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
}

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

int list_entries(const NetlistTables& tables, std::FILE* out)
{
    // Entry lines are short: collected in a large buffer, they cost one write per megabyte.
    constexpr std::size_t flush_at = std::size_t{1} << 20;
    std::string buffer;
    buffer.reserve(flush_at + 4096);
    // A terminal would act on control characters in the names; elsewhere the lines stay exact.
    const bool to_terminal = is_terminal(out);
    std::string raw;
    std::size_t entry_start = 0;
    bool ok = true;
    auto line_done = [&] {
        if (to_terminal) {
            raw.assign(buffer, entry_start);
            buffer.resize(entry_start);
            append_shown(buffer, raw);
        }
        buffer += '\n';
        entry_start = buffer.size();
        if (buffer.size() >= flush_at) {
            ok = put(out, buffer);
            buffer.clear();
            entry_start = 0;
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

// The script to standard output with -o -, else into its file.
int write_out(const Request& request, const ByteProducer& produce, std::FILE* out, std::FILE* err)
{
    std::FILE* stream = nullptr;
    if (request.output)
        stream = *request.output == "-" ? out : stream_named(*request.output, out, err);
    if (stream) {
        bool ok = true;
        produce([&](std::string_view piece) { ok = ok && put(stream, piece); });
        if (!ok || std::fflush(stream) != 0) {
            std::fprintf(err, "malvor-convert: cannot write the script to standard %s\n",
                         stream == out ? "output" : "error");
            return exit_failure;
        }
        return exit_ok;
    }

    std::string eaglefile = request.output ? *request.output : script_path(request.files[0]);
    auto written = write_file_atomically(file_path_from_bytes(eaglefile), produce);
    if (!written.ok()) {
        std::fprintf(err, "malvor-convert: cannot write script '%s': %s\n",
                     shown(eaglefile).c_str(), written.error.message().c_str());
        return exit_failure;
    }
    if (!request.output) {
        // The script is written, but whoever runs the converter learns its name from here.
        errno = 0;
        if (!put(out, eaglefile + '\n') || std::fflush(out) != 0) {
            std::error_code reason(errno != 0 ? errno : EIO, std::generic_category());
            std::fprintf(err,
                         "malvor-convert: script written, but its path could not be printed: %s\n",
                         reason.message().c_str());
            return exit_failure;
        }
    }
    return exit_ok;
}

// With libraries read: the check's problems as warnings, and the packages as they choose.
int convert_with_libraries(const Request& request, const NetlistTables& tables, std::FILE* out,
                           std::FILE* err)
{
    auto setup = read_library_setup(library_paths(request), request.map, err);
    if (!setup)
        return exit_failure;
    const PackageChoices choices(tables, setup->libraries, setup->rows);
    const auto report = check_netlist(tables, &choices);
    write_problems(err, request.files[0], report, "warning: ");

    const ScriptLibraries libraries = script_libraries(choices);
    return write_out(
        request, [&](const auto& write) { write_eagle_script(tables, libraries, write); }, out,
        err);
}

// A library name that would break the script's "Use" line is a usage error, before any file
// is read. Every file after the netlist is a library.
bool library_names_usable(const Request& request, std::FILE* err)
{
    for (std::size_t l = 1; l < request.files.size(); ++l) {
        auto name = library_name_of(request.files[l]);
        if (!name.ok()) {
            std::fprintf(
                err, "malvor-convert: invalid library name: %s\n", name.error.message().c_str());
            return false;
        }
    }
    return true;
}

int convert(const Request& request, std::FILE* out, std::FILE* err)
{
    const std::string eaglelib = library_name_of(request.files[1]).value;

    auto tables = read_netlist_or_say(request.files[0], err);
    if (!tables)
        return exit_failure;
    if (request.map || request.files.size() > 2)
        return convert_with_libraries(request, *tables, out, err);
    return write_out(
        request, [&](const auto& write) { write_eagle_script(*tables, eaglelib, write); }, out,
        err);
}

// `netlist` gets the netlist's name as soon as it is known.
int run_request(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err,
                std::string& netlist)
{
    auto request = parse(arguments);
    if (!request.usage_error.empty()) {
        std::fprintf(err, "malvor-convert: %s\n%s", shown(request.usage_error).c_str(), usage_text);
        return exit_usage;
    }
    if (!request.files.empty())
        netlist = request.files[0];
    if (!library_names_usable(request, err))
        return exit_usage;
    switch (request.kind) {
    case Request::help:
        std::fputs(usage_text, out);
        return exit_ok;
    case Request::version:
        std::fprintf(out, "malvor-convert %s\n", version);
        return exit_ok;
    case Request::list: {
        auto tables = read_netlist_or_say(request.files[0], err);
        if (!tables)
            return exit_failure;
        if (list_entries(*tables, out) != exit_ok) {
            std::fprintf(err, "malvor-convert: cannot write the entries to standard output\n");
            return exit_failure;
        }
        return exit_ok;
    }
    case Request::check:
        return run_check(
            {request.files[0], library_paths(request), request.map, request.suggest_map}, out, err);
    case Request::convert:
        return convert(request, out, err);
    }
    return exit_failure;
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

int run_convert_command(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err)
{
    // The steps report their own failures; this is the last resort for memory running out
    // elsewhere, named after the netlist, which every run reads.
    std::string netlist;
    try {
        return run_request(arguments, out, err, netlist);
    } catch (const std::bad_alloc&) {
        if (netlist.empty())
            std::fprintf(err, "malvor-convert: %s\n", out_of_memory().message().c_str());
        else
            report_unreadable(err, "netlist", netlist, out_of_memory());
    } catch (const std::exception& error) {
        std::fprintf(err, "malvor-convert: %s\n", shown(error.what()).c_str());
    }
    return exit_failure;
}

}  // namespace malvor
