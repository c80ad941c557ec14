#include "command_run.h"
#include "eagle_writer.h"
#include "script_names.h"
#include "tango_reader.h"
#include "test_names.h"

#include <gtest/gtest.h>

#include <string>

namespace malvor {
namespace {

const std::string header = "Use lib;\r\nGrid Mil;\n\r\n";

std::string script_of(const std::string& netlist, std::string_view lib = "lib")
{
    return eagle_script(read_tango(netlist), lib);
}

std::string net_of(const std::string& name, const std::vector<std::string>& nodes)
{
    std::string text = "(\r\n" + name + "\r\n";
    for (const auto& node : nodes)
        text += node + "\r\n";
    return text + ")\r\n";
}

struct WriterCase {
    const char* what;
    std::string netlist;
    std::string lib;
    std::string script;
};

void PrintTo(const WriterCase& c, std::ostream* os) { *os << c.what; }

class WriterScripts : public testing::TestWithParam<WriterCase> {};

TEST_P(WriterScripts, AreByteExact)
{
    const auto& c = GetParam();
    EXPECT_EQ(script_of(c.netlist, c.lib), c.script);
}

INSTANTIATE_TEST_SUITE_P(
    Netlists, WriterScripts,
    testing::Values(
        WriterCase{"the worked example", testing_support::worked_example_net, "myparts",
                   testing_support::worked_example_scr},
        WriterCase{"empty netlist", "", "lib", header},
        WriterCase{"net without nodes", net_of("GND", {}), "lib", header + "Signal GND ;\r\n"},
        WriterCase{"commas become blanks, other characters stay", net_of("N1", {"a,b,c", "R-1,2"}), "lib",
                   header + "Signal N1 a b c R-1 2 ;\r\n"},
        WriterCase{"an empty node line connects nothing and loses nothing",
                   net_of("N1", {"R1,1", "", "R2,1"}), "lib", header + "Signal N1 R1 1 R2 1 ;\r\n"},
        WriterCase{"replaced names in signals", net_of("VERY_LONG_NET", {"R1,1"}), "lib",
                   header + "Signal Zel1 R1 1 ;\r\n"},
        WriterCase{"component with empty fields", "[\r\n\r\n\r\n\r\n", "lib",
                   header + "Add  ( 0 10000 );\r\nName  ( 0 10000 );\r\nValue  ;\n\r\n"},
        WriterCase{"library with a blank is quoted", "", "myparts 2", "Use 'myparts 2';\r\nGrid Mil;\n\r\n"},
        WriterCase{"value with a semicolon is quoted", "[\r\nR1\r\nR0805\r\n10k;REMOVE x\r\n", "lib",
                   header + "Add R0805 ( 0 10000 );\r\nName R1 ( 0 10000 );\r\nValue R1 '10k;REMOVE x';\n\r\n"},
        WriterCase{"apostrophes are doubled", "[\r\nQ'1\r\nTO 92\r\nit's\r\n", "lib",
                   header + "Add 'TO 92' ( 0 10000 );\r\nName 'Q''1' ( 0 10000 );\r\nValue 'Q''1' 'it''s';\n\r\n"},
        WriterCase{"a tab is quoted", "[\r\nR1\r\nR\t0805\r\n1k\r\n", "lib",
                   header + "Add 'R\t0805' ( 0 10000 );\r\nName R1 ( 0 10000 );\r\nValue R1 1k;\n\r\n"},
        WriterCase{"net name with a blank is quoted", net_of("my net", {"R1,1"}), "lib",
                   header + "Signal 'my net' R1 1 ;\r\n"},
        WriterCase{"node words are quoted one by one", net_of("N1", {"U1,a;b", "U2,it's,x y"}), "lib",
                   header + "Signal N1 U1 'a;b' U2 'it''s' x y ;\r\n"}),
    testing_support::NameFromWhat());

std::vector<std::string> four_character_nodes(int count)
{
    return std::vector<std::string>(static_cast<std::size_t>(count), "R7,1");
}

std::string repeat(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

TEST(WriterLineBreaks, AfterEveryNineteenFourCharacterNodes)
{
    const std::string brk = "\\\r       ";
    EXPECT_EQ(script_of(net_of("N", four_character_nodes(25))),
              header + "Signal N " + repeat("R7 1 ", 19) + brk + repeat("R7 1 ", 6) + ";\r\n");
    EXPECT_EQ(script_of(net_of("N", four_character_nodes(19))),
              header + "Signal N " + repeat("R7 1 ", 19) + brk + ";\r\n");
    EXPECT_EQ(script_of(net_of("N", four_character_nodes(38))),
              header + "Signal N " + repeat("R7 1 ", 19) + brk + repeat("R7 1 ", 19) + brk + ";\r\n");
}

TEST(WriterLineBreaks, CountStartsAgainForEveryNet)
{
    auto script = script_of(net_of("A", four_character_nodes(10)) + net_of("B", four_character_nodes(10)));
    EXPECT_EQ(script.find('\\'), std::string::npos);
}

TEST(WriterLineBreaks, LongNodeIsWrittenWholeThenBreaks)
{
    std::string long_node(95, 'x');
    EXPECT_EQ(script_of(net_of("N", {"A,1", long_node, "B,2"})),
              header + "Signal N A 1 " + long_node + " \\\r       B 2 ;\r\n");
}

TEST(WriterLineBreaks, QuotesCountTowardsTheBreak)
{
    // Read as 19 characters and a blank, each node is written as 23 and a blank: four nodes
    // pass 90 only because of the quotes.
    std::string node = "U1,'" + std::string(16, 'a');
    std::string written = "U1 '''" + std::string(16, 'a') + "' ";
    EXPECT_EQ(script_of(net_of("N", {node, node, node})), header + "Signal N " + repeat(written, 3) + ";\r\n");
    EXPECT_EQ(script_of(net_of("N", {node, node, node, node})),
              header + "Signal N " + repeat(written, 4) + "\\\r       ;\r\n");
}

TEST(WriterLineBreaks, NodesBeyondASixteenBitCounter)
{
    std::string huge(40000, 'y');
    EXPECT_EQ(script_of(net_of("N", {huge, huge, "A"})),
              header + "Signal N " + huge + " \\\r       " + huge + " \\\r       A ;\r\n");
}

struct NameCase {
    std::string input;
    PathCase path_case;
    std::string script;
};

TEST(ScriptNames, ScriptPathBesideTheNetlist)
{
    const NameCase cases[] = {
        {"C:\\Boards\\Amp.NET", PathCase::whole_path, "c:\\boards\\amp.scr"},
        {"/home/Ann/Boards/Amp.NET", PathCase::file_name_only, "/home/Ann/Boards/amp.scr"},
        {"/home/Ann/Boards/Amp.net", PathCase::whole_path, "/home/ann/boards/amp.scr"},
        {"Relative/Board.Net", PathCase::file_name_only, "Relative/board.scr"},
        {"Board.NET", PathCase::file_name_only, "board.scr"},
        {"/Boards/Board.txt", PathCase::file_name_only, "/Boards/board.txt.scr"},
        {"//Amp.net", PathCase::file_name_only, "//amp.scr"},
        {"/Boards/.net", PathCase::file_name_only, "/Boards/.scr"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(script_path(c.input, c.path_case), c.script) << c.input;
}

TEST(ScriptNames, LibraryNameIsTheLowerCaseFileNameWithoutExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"MyParts.LBR", "myparts"}, {"MyParts 2.lbr", "myparts 2"}, {"rcl.lbr", "rcl"},
        {"x.lbr", "x"}, {"abc", "abc"}, {"ÄBC.lbr", "Äbc"}, {"linear", "linear"},
        {"a.lbr.bak", "a.lbr.bak"}, {".Lbr", ""}};
    for (auto [file, name] : cases)
        EXPECT_EQ(library_name(file), name) << file;
}

}  // namespace
}  // namespace malvor
