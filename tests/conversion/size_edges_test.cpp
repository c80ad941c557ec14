// The size edges of the tables and of the writer's buffer, and the placement of components
// far down the board.
#include "eagle_writer.h"
#include "tango_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace malvor {
namespace {

// Appended rather than "R" + number: GCC 12 warns of an overlapping copy in the latter.
std::string r(int k)
{
    std::string name = "R";
    return name += std::to_string(k);
}

std::string components(int count)
{
    std::string netlist;
    for (int k = 1; k <= count; ++k)
        netlist += "[\r\nR" + std::to_string(k) + "\r\nR0805\r\n" + std::to_string(k % 97) + "k\r\n]\r\n";
    return netlist;
}

// The tables keep positions in blocks of 16,384; the writer collects the script in 256 KiB.
TEST(SizeEdges, TablesAcrossTheirBlocks)
{
    std::string nodes;
    for (int j = 1; j <= 40000; ++j)
        nodes += r(j) + ",1\r\n";
    auto tables = read_tango(components(40000) + "(\r\nA\r\nX,1\r\n)\r\n(\r\nVCC\r\n" + nodes + ")\r\n");
    ASSERT_EQ(tables.component_count(), 40000);
    ASSERT_EQ(tables.node_line_count(), 40001);
    for (Count k : {16384, 16385, 32768, 32769, 40000}) {
        auto at = std::to_string(k);
        EXPECT_EQ(tables.component_entry(k), at + "  :   R" + at + "   R0805   " + std::to_string(k % 97) + "k");
        EXPECT_EQ(tables.node_entry(k), "002-" + entry_number(k) + "  :   VCC   R" + at + ",1");
    }
}

TEST(SizeEdges, ScriptsAcrossTheWritersBuffer)
{
    const std::string node(300 << 10, 'n');
    const std::string quoted_node = "x;" + node;
    const std::string lines = "(\r\nBIG\r\n" + node + "\r\n" + quoted_node + "\r\n)\r\n";
    EXPECT_TRUE(eagle_script(read_tango(lines), "p") ==
              "Use p;\r\nGrid Mil;\n\r\nSignal BIG " + node + " \\\r       '" + quoted_node
                  + "' \\\r       ;\r\n");

    // About 70 bytes a component: the buffer fills some twenty times.
    std::string expected = "Use p;\r\nGrid Mil;\n\r\n";
    for (int k = 1; k <= 80000; ++k) {
        auto point = " ( " + std::to_string((k - 1) % 10 * 1000) + " " + std::to_string(10000 - (k - 1) / 10 * 500) + " );\r\n";
        auto name = r(k);
        expected += "Add R0805" + point + "Name " + name + point + "Value " + name + " "
                    + std::to_string(k % 97) + "k;\n\r\n";
    }
    // And a net of 80,000 nodes, compared without its line breaks.
    std::string nodes;
    expected += "Signal VCC ";
    for (int k = 1; k <= 80000; ++k) {
        nodes += r(k) + ",1\r\n";
        expected += r(k) + " 1 ";
    }
    expected += ";\r\n";
    std::string streamed;
    int pieces = 0;
    write_eagle_script(read_tango(components(80000) + "(\r\nVCC\r\n" + nodes + ")\r\n"), "p",
                       [&](std::string_view piece) { streamed += piece, ++pieces; });
    EXPECT_GT(pieces, 1);
    const std::string line_break = "\\\r       ";
    for (auto at = streamed.find(line_break); at != std::string::npos; at = streamed.find(line_break, at))
        streamed.erase(at, line_break.size());
    EXPECT_TRUE(streamed == expected);  // a diff of megabytes would not help
}

}  // namespace
}  // namespace malvor
