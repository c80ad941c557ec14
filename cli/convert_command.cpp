#include "convert_command.h"

#include "board_command.h"
#include "board_writer.h"
#include "check_command.h"
#include "conversion_steps.h"
#include "eagle_writer.h"
#include "library_setup.h"
#include "netlist_check.h"
#include "script_names.h"
#include "shown_text.h"
#include "update_command.h"
#include "version.h"

#include <cstdint>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace malvor {
namespace {

constexpr const char* usage_text =
    "Usage:\n"
    "  malvor-convert NETLIST LIBRARY            write the script beside the netlist, print its path\n"
    "  malvor-convert -o OUTPUT NETLIST LIBRARY  write the script to OUTPUT (\"-\": standard output)\n"
    "  malvor-convert [-o OUTPUT] [--map MAP] [--place packed] NETLIST LIBRARY [LIBRARY...]\n"
    "                                            packages from several libraries, or as MAP says;\n"
    "                                            parts placed by their size with --place packed\n"
    "  malvor-convert --list NETLIST             print the component entries, then the node entries\n"
    "  malvor-convert --check [--map MAP] [--suggest-map NEWMAP] NETLIST [LIBRARY...]\n"
    "                                            report what would fail in EAGLE with the libraries\n"
    "  malvor-convert --board [-o OUTPUT] [--map MAP] NETLIST LIBRARY [LIBRARY...]\n"
    "                                            write an EAGLE board for Fusion Electronics or KiCad\n"
    "  malvor-convert --update BOARD [-o OUTPUT] [--map MAP] [--dry-run] NETLIST LIBRARY...\n"
    "                                            bring a placed and routed board up to the netlist,\n"
    "                                            print the changes; in place, BOARD.b#1 kept\n"
    "  malvor-convert --help | --version\n"
    "\n"
    "Converts a Tango netlist into an EAGLE script. With one LIBRARY and no map, LIBRARY is the\n"
    "EAGLE library's file name or path; the file need not exist, only its name goes into the\n"
    "script. With a map, several libraries, --place, --board or --update, every library\n"
    "is read.\n";

struct Request {
    enum Kind { convert, list, check, board, update, help, version } kind = convert;
    std::optional<std::string> output;
    std::optional<std::string> updated;  // --update BOARD
    bool dry_run = false;
    std::optional<std::string> place;
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
    if (option == "--board")
        return Request::board;
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
        } else if (argument == "--update") {
            if (mode)
                return usage_error(std::string(mode) + " and " + argument + " do not go together");
            mode = argument.c_str();
            request.kind = Request::update;
            if (i + 1 == arguments.size())
                return usage_error("--update needs the board's file name");
            request.updated = arguments[++i];
        } else if (argument == "--dry-run") {
            request.dry_run = true;
        } else if (argument == "-o" || argument == "--output" || argument == "--map" ||
                   argument == "--suggest-map" || argument == "--place") {
            auto& file = argument == "--map"           ? request.map
                         : argument == "--suggest-map" ? request.suggest_map
                         : argument == "--place"       ? request.place
                                                       : request.output;
            if (file)
                return usage_error(argument + " given twice");
            if (i + 1 == arguments.size())
                return usage_error(
                    argument + (argument == "--place" ? " needs 'packed'" : " needs a file name"));
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
    const bool writes = request.kind == Request::convert || request.kind == Request::board ||
                        request.kind == Request::update;
    if (request.output && !writes)
        return usage_error(std::string(mode) + " writes no script, so takes no -o");
    if (request.map && !writes && request.kind != Request::check)
        return usage_error(std::string(mode) + " takes no --map");
    if (request.place && request.kind != Request::convert)
        return usage_error("--place goes with a script");
    if (request.place && *request.place != "packed")
        return usage_error("--place takes 'packed'");
    if (request.dry_run && request.kind != Request::update)
        return usage_error("--dry-run goes with --update");
    if (request.dry_run && request.output)
        return usage_error("--dry-run writes nothing, so takes no -o");
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

bool is_terminal(std::FILE* stream)
{
#ifdef _WIN32
    return ::_isatty(::_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
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
    return write_output(request.output, script_path(request.files[0]), "script", produce, out, err);
}

// With libraries read: the check's problems as warnings, and the packages as they choose.
int convert_with_libraries(const Request& request, const NetlistTables& tables, std::FILE* out,
                           std::FILE* err)
{
    const bool packed = request.place.has_value();
    auto setup = read_library_setup(library_paths(request), request.map, err, packed);
    if (!setup)
        return exit_failure;
    const PackageChoices choices(tables, setup->libraries, setup->rows);
    const auto report = check_netlist(tables, &choices);
    write_problems(err, request.files[0], report, "warning: ");

    ScriptLibraries libraries = script_libraries(choices);
    Placement placement;
    if (packed) {
        const LibraryDrawings drawings(tables, choices, {setup->files.begin(), setup->files.end()});
        placement = place_components(
            tables, choices, drawings, board_nets(tables, choices), PlacementUnit::mil);
        libraries.place_of = [&](Count k) {
            const auto& origin = placement.origins[static_cast<std::size_t>(k - 1)];
            return std::pair<long long, long long>(origin.x, origin.y);
        };
        libraries.turns_of = [&](Count k) {
            return int{placement.turns[static_cast<std::size_t>(k - 1)]};
        };
    }
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
    if (request.map || request.place || request.files.size() > 2)
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
    case Request::board:
        return run_board(
            {request.files[0], library_paths(request), request.map, request.output}, out, err);
    case Request::update:
        return run_update({*request.updated, request.files[0], library_paths(request), request.map,
                           request.output, request.dry_run},
                          out, err);
    }
    return exit_failure;
}

}  // namespace

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
