#include "command_run.h"
#include "eagle_writer.h"
#include "script_names.h"
#include "tango_reader.h"

#include <gtest/gtest.h>

namespace malvor {
namespace {

const std::string header = "Use lib;\r\nGrid Mil;\n\r\n";

std::string net_of(const std::string& name, const std::vector<std::string>& nodes)
{
    std::string text = "(\r\n" + name + "\r\n";
    for (const auto& node : nodes)
        text += node + "\r\n";
    return text + ")\r\n";
}

std::string repeat(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

std::vector<std::string> nodes(int count, const std::string& node)
{
    return std::vector<std::string>(static_cast<std::size_t>(count), node);
}

const std::string brk = "\\\r       ";
// "A,'bbb..." is written "A '''bbb...'": its quotes and the doubled apostrophe decide the break.
std::string bs(int count)
{
    return std::string(static_cast<std::size_t>(count), 'b');
}
const std::string long_node(95, 'x'), huge_node(40000, 'y');

struct WriterCase {
    const char* what;
    std::string netlist;
    std::string script;
    std::string lib = "lib";
};

TEST(WriterScripts, AreByteExact)
{
    const WriterCase cases[] = {
        // clang-format off
        {"the worked example", testing_support::worked_example_net, testing_support::worked_example_scr, "myparts"},
        {"empty netlist", "", header},
        {"net without nodes", net_of("GND", {}), header + "Signal GND ;\r\n"},
        {"commas become blanks, other characters stay", net_of("N1", {"a,b,c", "R-1,2"}), header + "Signal N1 a b c R-1 2 ;\r\n"},
        {"an empty node line connects nothing and loses nothing", net_of("N1", {"R1,1", "", "R2,1"}), header + "Signal N1 R1 1 R2 1 ;\r\n"},
        {"replaced names in signals", net_of("VERY_LONG_NET", {"R1,1"}), header + "Signal Zel1 R1 1 ;\r\n"},
        {"component with empty fields", "[\r\n\r\n\r\n\r\n", header + "Add  ( 0 10000 );\r\nName  ( 0 10000 );\r\nValue  ;\n\r\n"},
        {"gEDA layout: the value after the device, and a net named on its opening line", "[\r\nC1\r\n0805\r\nCAPACITOR\r\n2.2uF\r\n\r\n]\r\n(N1\r\nC1-1\r\n)\r\n", header + "Add 0805 ( 0 10000 );\r\nName C1 ( 0 10000 );\r\nValue C1 2.2uF;\n\r\nSignal N1 C1 1 ;\r\n"},
        {"library with a blank is quoted", "", "Use 'myparts 2';\r\nGrid Mil;\n\r\n", "myparts 2"},
        {"value with a semicolon is quoted", "[\r\nR1\r\nR0805\r\n10k;REMOVE x\r\n", header + "Add R0805 ( 0 10000 );\r\nName R1 ( 0 10000 );\r\nValue R1 '10k;REMOVE x';\n\r\n"},
        {"apostrophes are doubled", "[\r\nQ'1\r\nTO 92\r\nit's\r\n", header + "Add 'TO 92' ( 0 10000 );\r\nName 'Q''1' ( 0 10000 );\r\nValue 'Q''1' 'it''s';\n\r\n"},
        {"a tab is quoted", "[\r\nR1\r\nR\t0805\r\n1k\r\n", header + "Add 'R\t0805' ( 0 10000 );\r\nName R1 ( 0 10000 );\r\nValue R1 1k;\n\r\n"},
        {"net name with a blank is quoted", net_of("my net", {"R1,1"}), header + "Signal 'my net' R1 1 ;\r\n"},
        {"node words are quoted one by one", net_of("N1", {"U1,a;b", "U2,it's,x y"}), header + "Signal N1 U1 'a;b' U2 'it''s' x y ;\r\n"},
        // A line breaks once its nodes pass 90 characters, counted as written.
        {"break after 19 nodes of four", net_of("N", nodes(25, "R7,1")), header + "Signal N " + repeat("R7 1 ", 19) + brk + repeat("R7 1 ", 6) + ";\r\n"},
        {"break before the end", net_of("N", nodes(19, "R7,1")), header + "Signal N " + repeat("R7 1 ", 19) + brk + ";\r\n"},
        {"two breaks", net_of("N", nodes(38, "R7,1")), header + "Signal N " + repeat(repeat("R7 1 ", 19) + brk, 2) + ";\r\n"},
        {"the count starts again for every net", net_of("A", nodes(10, "R7,1")) + net_of("B", nodes(10, "R7,1")), header + "Signal A " + repeat("R7 1 ", 10) + ";\r\nSignal B " + repeat("R7 1 ", 10) + ";\r\n"},
        {"a long node is written whole, then breaks", net_of("N", {"A,1", long_node, "B,2"}), header + "Signal N A 1 " + long_node + " " + brk + "B 2 ;\r\n"},
        {"quotes count: 90 written", net_of("N", {"A,'" + bs(83)}), header + "Signal N A '''" + bs(83) + "' ;\r\n"},
        {"quotes count: 91 written", net_of("N", {"A,'" + bs(84)}), header + "Signal N A '''" + bs(84) + "' " + brk + ";\r\n"},
        {"nodes beyond a 16-bit counter", net_of("N", {huge_node, huge_node, "A"}), header + "Signal N " + huge_node + " " + brk + huge_node + " " + brk + "A ;\r\n"},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(eagle_script(read_tango(c.netlist), c.lib), c.script) << c.what;
}

struct NameCase {
    std::string input;
    PathRules rules;
    std::string script;
};

TEST(ScriptNames, ScriptPathBesideTheNetlist)
{
    const NameCase cases[] = {
        {"C:\\Boards\\Amp.NET", PathRules::windows, "c:\\boards\\amp.scr"},
        {"/home/Ann/Boards/Amp.NET", PathRules::posix, "/home/Ann/Boards/amp.scr"},
        {"/home/Ann/Boards/Amp.net", PathRules::windows, "/home/ann/boards/amp.scr"},
        {"Relative/Board.Net", PathRules::posix, "Relative/board.scr"},
        {"Board.NET", PathRules::posix, "board.scr"},
        {"/Boards/Board.txt", PathRules::posix, "/Boards/board.txt.scr"},
        {"//Amp.net", PathRules::posix, "//amp.scr"},
        {"/Boards/.net", PathRules::posix, "/Boards/.scr"},
        {"Amp.net.", PathRules::windows, "amp.scr"},
        {"C:\\Boards\\amp.NET . .", PathRules::windows, "c:\\boards\\amp.scr"},
        {"amp.net ", PathRules::windows, "amp.scr"},
        {"amp.net. ", PathRules::posix, "amp.net. .scr"},
        {"amp. net", PathRules::windows, "amp. net.scr"},
        {"..", PathRules::windows, "...scr"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(script_path(c.input, c.rules), c.script) << c.input;
        // The board by the same rules.
        EXPECT_EQ(board_path(c.input, c.rules), c.script.substr(0, c.script.size() - 4) + ".brd")
            << c.input;
    }
}

TEST(ScriptNames, LibraryNameIsTheLowerCaseFileNameWithoutExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"MyParts.LBR", "myparts"}, {"MyParts 2.lbr", "myparts 2"}, {"abc", "abc"},
        {"ÄBC.lbr", "Äbc"},         {"a.lbr.bak", "a.lbr.bak"},     {".Lbr", ""}};
    for (auto [file, name] : cases)
        EXPECT_EQ(library_name(file), name) << file;
}

}  // namespace
}  // namespace malvor
