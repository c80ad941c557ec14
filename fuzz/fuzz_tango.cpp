// libFuzzer target: arbitrary bytes through the Tango reader and the EAGLE writer.
//
// Beyond "no crash", every input must give tables that match a plain re-reading of the
// lines, entry lines in their exact format, and a script whose statements, counted outside
// apostrophes, are the header, three per component and one per net, in that order. Each
// "Signal" statement is rebuilt here from the node lines: commas, or else the one hyphen after
// the longest component name (or the first inner hyphen), become blanks between words.

#include "eagle_writer.h"
#include "netlist_tables.h"
#include "tango_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using malvor::Count;

[[noreturn]] void fail(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "property violated: %s\n", what);
    if (!detail.empty())
        std::fprintf(stderr, "  detail: %.400s\n", detail.c_str());
    std::abort();
}

void check(bool ok, const char* what, const std::string& detail = {})
{
    if (!ok)
        fail(what, detail);
}

// The input read again the simple way: split into lines, then blocks.
struct ExpectedNetlist {
    struct Component {
        std::string_view name, pack, value;
    };
    struct Net {
        std::string_view name;
        std::vector<std::string_view> nodes;
    };
    std::vector<Component> components;
    std::vector<Net> nets;
    std::size_t node_lines = 0;
};

std::vector<std::string_view> split_lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

// "(N1" once a component block has started: a net named on its opening line.
bool opens_named_net(std::string_view line)
{
    return line.size() > 1 && line[0] == '(' && line.back() != ')' &&
           line.find(' ') == std::string_view::npos && line.find('\t') == std::string_view::npos;
}

ExpectedNetlist expected_netlist(std::string_view text)
{
    ExpectedNetlist expected;
    auto lines = split_lines(text);
    auto line_at = [&](std::size_t i) { return i < lines.size() ? lines[i] : std::string_view(); };
    bool started = false;  // a component block
    auto starts_block = [&](std::string_view line) {
        return line == "[" || line == "(" || (started && opens_named_net(line));
    };
    // The gEDA layout: every block name, footprint, device, value, an empty line, then "]";
    // some value not empty.
    bool all_geda = true, some_fourth = false;
    std::vector<std::string_view> fourth_lines;
    std::size_t i = 0;
    while (i < lines.size()) {
        std::string_view line = lines[i++];
        if (i == lines.size() && (line == "[" || line == "("))
            break;  // a block opener on the last line starts nothing
        if (line == "[") {
            started = true;
            expected.components.push_back({line_at(i), line_at(i + 1), line_at(i + 2)});
            fourth_lines.push_back(line_at(i + 3));
            const bool five = i + 5 < lines.size() && lines[i] != "]" && lines[i + 1] != "]" &&
                              lines[i + 2] != "]" && lines[i + 3] != "]" &&
                              !starts_block(lines[i + 3]) && lines[i + 4].empty() &&
                              lines[i + 5] == "]";
            all_geda = all_geda && five;
            some_fourth = some_fourth || (five && !lines[i + 3].empty());
            i += 3;
        } else if (line == "(" || (started && opens_named_net(line))) {
            ExpectedNetlist::Net net{line == "(" ? lines[i++] : line.substr(1), {}};
            while (i < lines.size() && lines[i] != ")")
                net.nodes.push_back(lines[i++]);
            ++i;  // the ")" line, if any
            expected.node_lines += net.nodes.size();
            expected.nets.push_back(std::move(net));
        }
    }
    if (!expected.components.empty() && all_geda && some_fourth)
        for (std::size_t k = 0; k < fourth_lines.size(); ++k)
            expected.components[k].value = fourth_lines[k];
    return expected;
}

std::string lower(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::string three_digits(Count value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%03lld", static_cast<long long>(value));
    return text;
}

void check_tables(const malvor::NetlistTables& tables, const ExpectedNetlist& expected)
{
    check(tables.component_count() == static_cast<Count>(expected.components.size()),
          "component count");
    check(tables.net_count() == static_cast<Count>(expected.nets.size()), "net count");
    check(tables.node_line_count() == static_cast<Count>(expected.node_lines), "node line count");

    for (Count k = 1; k <= tables.component_count(); ++k) {
        const auto& component = expected.components[static_cast<std::size_t>(k - 1)];
        check(tables.comp_name(k) == component.name, "component name");
        check(tables.comp_pack(k) == component.pack, "component package");
        check(tables.comp_value(k) == component.value, "component value");
        std::string entry = three_digits(k) + "  :   " + std::string(component.name) + "   " +
                            std::string(component.pack) + "   " + std::string(component.value);
        check(tables.component_entry(k) == entry, "component entry format", entry);
    }

    // Short names stand as read; long ones become distinct "Zel<k>" names, counting up,
    // that no short name of the netlist equals, ignoring case.
    std::set<std::string> short_names;
    for (const auto& net : expected.nets)
        if (net.name.size() <= malvor::longest_kept_net_name)
            short_names.insert(lower(net.name));
    long long last_replacement = 0;

    Count row = 0;
    for (Count i = 1; i <= tables.net_count(); ++i) {
        const auto& net = expected.nets[static_cast<std::size_t>(i - 1)];
        std::string_view name = tables.sig_name(i);
        if (net.name.size() <= malvor::longest_kept_net_name) {
            check(name == net.name, "short net name kept");
        } else {
            check(name.size() > 3 && name.substr(0, 3) == "Zel" && name[3] != '0',
                  "long net name replaced", std::string(name));
            long long number = std::strtoll(std::string(name.substr(3)).c_str(), nullptr, 10);
            check(
                name.substr(3) == std::to_string(number), "replacement digits", std::string(name));
            check(number > last_replacement, "replacements count up", std::string(name));
            last_replacement = number;
            check(short_names.count(lower(name)) == 0, "replacement clashes with a net name",
                  std::string(name));
        }
        check(tables.node_count(i) == static_cast<Count>(net.nodes.size()), "node count of a net");
        for (Count j = 1; j <= tables.node_count(i); ++j) {
            std::string_view node = net.nodes[static_cast<std::size_t>(j - 1)];
            check(tables.sig_node(i, j) == node, "node line");
            std::string entry = three_digits(i) + "-" + three_digits(j) + "  :   " +
                                std::string(name) + "   " + std::string(node);
            check(tables.node_entry(row) == entry, "node entry format", entry);
            auto [net_number, node_number] = tables.node_position(row);
            check(net_number == i && node_number == j, "node position");
            ++row;
        }
        check(tables.sig_node(i, tables.node_count(i) + 1).empty(), "cell after a net's last node");
    }
    check(row == tables.node_line_count(), "entry lines equal node lines");
}

// A word as the script writes it: between apostrophes, inner ones doubled, when it holds a
// blank, a tab, ";" or "'".
std::string script_word(std::string_view word)
{
    if (word.find_first_of(" \t;'") == std::string_view::npos)
        return std::string(word);
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += '\'';
        quoted += c;
    }
    return quoted + "'";
}

// A node as the script writes it, found the plain way: every candidate hyphen is tried.
std::string written_node(std::string_view node, const std::set<std::string_view>& names)
{
    std::string text(node);
    if (node.find(',') == std::string_view::npos) {
        std::size_t split = std::string::npos;
        std::size_t first = std::string::npos;
        for (std::size_t p = 1; p + 1 < node.size(); ++p) {
            if (node[p] != '-')
                continue;
            if (first == std::string::npos)
                first = p;
            if (names.count(node.substr(0, p)) != 0)
                split = p;
        }
        if (split == std::string::npos)
            split = first;
        if (split != std::string::npos)
            text[split] = ',';
    }
    std::string written;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find_first_of(" ,", pos);
        if (end == std::string::npos)
            end = text.size();
        if (end > pos)
            written += script_word(std::string_view(text).substr(pos, end - pos));
        if (end < text.size())
            written += ' ';
        pos = end + 1;
    }
    return written;
}

std::string without_breaks(std::string_view statement)
{
    std::string joined;
    for (std::size_t pos = 0;;) {
        std::size_t brk = statement.find("\\\r       ", pos);
        joined += statement.substr(pos, brk - pos);
        if (brk == std::string_view::npos)
            return joined;
        pos = brk + 9;
    }
}

// Statement texts of a script: what stands before each ";" outside apostrophes, without the
// line ends, blanks and "\" continuations that separate it from the one before. Also checks
// the line structure: a CR ends a line with LF, or follows a "\" and is followed by seven
// blanks; an LF follows a CR or comes before CR LF; no quoted word crosses a line end.
std::vector<std::string_view> statements(std::string_view script)
{
    std::vector<std::string_view> found;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < script.size(); ++i) {
        char c = script[i];
        if (c == '\r' || c == '\n') {
            check(!quoted, "line end inside a quoted word");
            if (c == '\r') {
                bool line_end = i + 1 < script.size() && script[i + 1] == '\n';
                bool continuation = i > 0 && script[i - 1] == '\\' &&
                                    script.substr(i + 1, 7) == "       ";
                check(line_end || continuation, "lone CR outside a continuation");
            } else {
                bool after_cr = i > 0 && script[i - 1] == '\r';
                bool before_crlf = script.substr(i + 1, 2) == "\r\n";
                check(after_cr || before_crlf, "LF outside a line end");
            }
        }
        if (quoted) {
            if (c == '\'') {
                if (i + 1 < script.size() && script[i + 1] == '\'')
                    ++i;  // a doubled apostrophe stands for one inside the word
                else
                    quoted = false;
            }
        } else if (c == '\'') {
            quoted = true;
        } else if (c == ';') {
            std::string_view text = script.substr(start, i - start);
            for (;;) {
                if (!text.empty() && (text[0] == ' ' || text[0] == '\r' || text[0] == '\n'))
                    text.remove_prefix(1);
                else if (text.starts_with("\\\r"))
                    text.remove_prefix(2);
                else
                    break;
            }
            found.push_back(text);
            start = i + 1;
        }
    }
    check(!quoted, "script ends inside a quoted word");
    std::string_view rest = script.substr(start);
    check(rest == "\r\n" || rest == "\n\r\n", "script ends with its last statement's line end",
          std::string(rest));
    return found;
}

void check_script(const malvor::NetlistTables& tables, std::string_view library,
                  std::string_view script)
{
    auto found = statements(script);
    const Count components = tables.component_count();
    const Count nets = tables.net_count();
    check(static_cast<Count>(found.size()) == 2 + 3 * components + nets, "statement count",
          std::to_string(found.size()));

    check(found[0] == "Use " + script_word(library), "Use statement", std::string(found[0]));
    check(found[1] == "Grid Mil", "Grid statement", std::string(found[1]));

    std::size_t s = 2;
    for (Count k = 1; k <= components; ++k) {
        long long x = 1000 * ((k - 1) % 10);
        long long y = 10000 - 500 * ((k - 1) / 10);
        std::string point = " ( " + std::to_string(x) + " " + std::to_string(y) + " )";
        std::string name = script_word(tables.comp_name(k));
        std::string add = "Add " + script_word(tables.comp_pack(k)) + point;
        std::string name_statement = "Name " + name + point;
        std::string value = "Value " + name + " " + script_word(tables.comp_value(k));
        check(found[s] == add, "Add statement", std::string(found[s]));
        check(found[s + 1] == name_statement, "Name statement", std::string(found[s + 1]));
        check(found[s + 2] == value, "Value statement", std::string(found[s + 2]));
        s += 3;
    }
    std::set<std::string_view> names;
    for (Count k = 1; k <= components; ++k)
        names.insert(tables.comp_name(k));
    for (Count i = 1; i <= nets; ++i, ++s) {
        std::string expected = "Signal " + script_word(tables.sig_name(i)) + " ";
        for (Count j = 1; j <= tables.node_count(i); ++j)
            if (auto node = tables.sig_node(i, j); !node.empty())
                expected += written_node(node, names) + " ";
        check(without_breaks(found[s]) == expected, "Signal statement", std::string(found[s]));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    auto expected = expected_netlist(bytes);
    auto tables = malvor::read_tango(bytes);
    check_tables(tables, expected);

    // A library name that needs quoting, so the Use statement is checked with apostrophes too.
    constexpr std::string_view library = "my parts;'2'";
    std::string script = malvor::eagle_script(tables, library);
    check_script(tables, library, script);

    std::string streamed;
    malvor::write_eagle_script(tables, library, [&](std::string_view piece) { streamed += piece; });
    check(streamed == script, "streamed script equals the whole script");
    return 0;
}
