// Bringing a large routed board up to an edited netlist, as malvor-convert --update runs it:
// a generated netlist of 10,000 parts made into a board (--board), routed here (a wire between
// every two contacts of a signal, a via at its first), then updated with a netlist of 100
// changes (values, parts added and removed, nets renamed, pins moved).
//
//   update_bench [PARTS [--keep]]      (default: 10000)
//
// Prints the board's size, the changes, the best of three runs' wall time (the target: under
// 1 s) and the converter's peak resident memory against the board's size (the target: under
// four times), beside the converter's resident memory doing nothing at all, and what each byte
// of board costs (against the same update of the board before routing). With --keep, the
// files are left in the folder named last, to be measured by other means (/usr/bin/time -v).

#include "library_generator.h"
#include "netlist_generator.h"
#include "timed_run.h"

#include <pugixml.hpp>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The converter with `arguments`, standard output kept; the best time of `times` runs.
TimedRun run(const std::vector<std::string>& arguments, int times = 1)
{
    std::vector<std::string> argv{MALVOR_CONVERT_EXE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return timed_run(argv, times, 0, true);
}

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_file(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Wires and vias on every signal, as an editor saves a routed board.
std::string routed(const std::string& bytes)
{
    pugi::xml_document document;
    document.load_buffer(bytes.data(), bytes.size(),
                         pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype);
    auto board = document.child("eagle").child("drawing").child("board");
    std::map<std::string, pugi::xml_node> elements;
    for (auto element : board.child("elements").children("element"))
        elements[element.attribute("name").value()] = element;
    for (auto signal : board.child("signals").children("signal")) {
        std::vector<pugi::xml_node> at;
        for (auto contact : signal.children("contactref"))
            at.push_back(elements[contact.attribute("element").value()]);
        for (std::size_t c = 1; c < at.size(); ++c) {
            auto wire = signal.append_child("wire");
            wire.append_attribute("x1") = at[c - 1].attribute("x").value();
            wire.append_attribute("y1") = at[c - 1].attribute("y").value();
            wire.append_attribute("x2") = at[c].attribute("x").value();
            wire.append_attribute("y2") = at[c].attribute("y").value();
            wire.append_attribute("width") = "0.254";
            wire.append_attribute("layer") = c % 2 ? 1 : 16;
        }
        if (!at.empty()) {
            auto via = signal.append_child("via");
            via.append_attribute("x") = at[0].attribute("x").value();
            via.append_attribute("y") = at[0].attribute("y").value();
            via.append_attribute("extent") = "1-16";
            via.append_attribute("drill") = "0.6";
        }
    }
    std::ostringstream out;
    document.save(out, "", pugi::format_indent | pugi::format_no_declaration);
    return out.str();
}

struct Netlist {
    std::vector<std::vector<std::string>> components;  // name, footprint, value
    std::vector<std::pair<std::string, std::vector<std::string>>> nets;
};

Netlist parse(const std::string& text)
{
    Netlist netlist;
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == "[") {
            netlist.components.push_back({lines[i + 1], lines[i + 2], lines[i + 3]});
            while (lines[i] != "]")
                ++i;
        } else if (lines[i] == "(") {
            netlist.nets.push_back({lines[i + 1], {}});
            for (i += 2; lines[i] != ")"; ++i)
                netlist.nets.back().second.push_back(lines[i]);
        }
    }
    return netlist;
}

std::string text_of(const Netlist& netlist)
{
    std::string text;
    for (const auto& c : netlist.components)
        text += "[\r\n" + c[0] + "\r\n" + c[1] + "\r\n" + c[2] + "\r\n\r\n\r\n\r\n]\r\n";
    for (const auto& [name, nodes] : netlist.nets) {
        text += "(\r\n" + name + "\r\n";
        for (const auto& node : nodes)
            text += node + "\r\n";
        text += ")\r\n";
    }
    return text;
}

// 100 changes: 50 values, 20 parts removed, 20 added, 5 nets renamed, 5 pins moved.
Netlist edited(Netlist netlist)
{
    auto& parts = netlist.components;
    for (std::size_t k = 0; k < 50; ++k)
        parts[k * 7].back() += "X";
    std::vector<std::string> gone;
    for (std::size_t k = 0; k < 20; ++k)
        gone.push_back(parts[parts.size() - 1 - k * 13][0]);
    std::erase_if(parts, [&](const auto& c) {
        return std::find(gone.begin(), gone.end(), c[0]) != gone.end();
    });
    for (auto& [name, nodes] : netlist.nets)
        std::erase_if(nodes, [&](const std::string& node) {
            return std::find(gone.begin(), gone.end(), node.substr(0, node.find_first_of("-,"))) !=
                   gone.end();
        });
    for (std::size_t k = 0; k < 20; ++k) {
        const auto name = "NEW" + std::to_string(k);
        parts.push_back({name, "R0805", "1k"});
        netlist.nets[k * 11].second.push_back(name + ",1");
    }
    for (std::size_t n = 0; n < 5; ++n)
        netlist.nets[100 + n * 17].first += "_RENAMED";
    for (std::size_t n = 0; n < 5; ++n) {
        auto& from = netlist.nets[300 + n * 19].second;
        netlist.nets[400 + n * 19].second.push_back(from.back());
        from.pop_back();
    }
    return netlist;
}

}  // namespace

// The runs measured from a process of its own: a child forked from the one that made the board
// would count the maker's memory as its own until it runs the converter.
int measure(const std::filesystem::path& folder, std::size_t parts, bool keep)
{
    const auto in = [&](const char* name) { return (folder / name).string(); };
    const auto mb = [&](const char* name) {
        return static_cast<double>(std::filesystem::file_size(in(name))) / (1024.0 * 1024.0);
    };
    const double board_mb = mb("routed.brd"), unrouted_mb = mb("placed.brd");
    const auto idle = run({"--version"});
    const auto update = run(
        {"--update", in("routed.brd"), "-o", in("updated.brd"), in("edited.net"), in("gen.lbr")},
        3);
    // The same update of the board before routing: what each byte of board costs is the
    // difference of memory over the difference of sizes, whatever the netlist and library take.
    const auto unrouted = run(
        {"--update", in("placed.brd"), "-o", in("updated.brd"), in("edited.net"), in("gen.lbr")});
    if (keep)
        std::printf("files kept in %s\n", folder.c_str());
    else
        std::filesystem::remove_all(folder);
    if (update.seconds < 0 || unrouted.seconds < 0) {
        std::fprintf(stderr, "update_bench: --update failed\n");
        return 1;
    }
    const auto count = update.out.substr(update.out.rfind('\n', update.out.size() - 2) + 1);
    std::printf("board of %zu parts, routed: %.1f MB; %s", parts, board_mb, count.c_str());
    std::printf("update: %.3f s (target: under 1 s)\n", update.seconds);
    std::printf(
        "peak memory: %.1f MB, %.2f times the board (target: under 4); the converter "
        "doing nothing: %.1f MB\n",
        update.peak_mb, update.peak_mb / board_mb, idle.peak_mb);
    std::printf(
        "each byte of board: %.2f bytes (the board before routing: %.1f MB, updated in "
        "%.1f MB)\n",
        (update.peak_mb - unrouted.peak_mb) / (board_mb - unrouted_mb), unrouted_mb,
        unrouted.peak_mb);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 4 && std::string(argv[1]) == "--measure")
        return measure(argv[2], std::strtoul(argv[3], nullptr, 10), argc == 5);
    const std::size_t parts = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("malvor-update-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const auto in = [&](const char* name) { return (folder / name).string(); };
    const auto netlist = malvor::bench::generate_netlist(parts);
    write_file(in("gen.net"), netlist);
    write_file(in("gen.lbr"), malvor::bench::generate_library());
    write_file(in("edited.net"), text_of(edited(parse(netlist))));
    if (run({"--board", "-o", in("placed.brd"), in("gen.net"), in("gen.lbr")}).seconds < 0) {
        std::fprintf(stderr, "update_bench: --board failed\n");
        return 1;
    }
    const auto board = routed(read_file(in("placed.brd")));
    write_file(in("routed.brd"), board);

    const auto parts_text = std::to_string(parts);
    const bool keep = argc > 2 && std::string(argv[2]) == "--keep";
    execl("/proc/self/exe", argv[0], "--measure", folder.c_str(), parts_text.c_str(),
          keep ? "--keep" : static_cast<char*>(nullptr), static_cast<char*>(nullptr));
    std::fprintf(stderr, "update_bench: cannot run itself again\n");
    return 1;
}
