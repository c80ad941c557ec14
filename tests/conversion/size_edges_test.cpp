// The table blocks, the writer's buffer, and components placed far down the board.
#include "command_run.h"
#include "eagle_writer.h"
#include "tango_reader.h"

#include <gtest/gtest.h>

namespace malvor {
namespace {

using testing_support::components;

// The tables keep positions in blocks of 16,384; the writer collects the script in 256 KiB.
TEST(SizeEdges, TablesAcrossTheirBlocks)
{
    std::string nets, nodes;
    for (int i = 1; i <= 1200; ++i)
        nets.append("(\r\nN").append(std::to_string(i)).append("\r\nR1,1\r\n)\r\n");
    for (int j = 1; j <= 40000; ++j)
        nodes.append("R").append(std::to_string(j)).append(",1\r\n");
    auto tables = read_tango(components(40000) + nets + "(\r\nVCC\r\n" + nodes + ")\r\n");
    ASSERT_EQ(tables.component_count(), 40000);
    ASSERT_EQ(tables.node_line_count(), 41200);
    EXPECT_EQ(tables.s, 1201);
    EXPECT_EQ(tables.maxn, 40001);
    EXPECT_EQ(tables.component_entry(99), "099  :   R99   R0805   2k");
    EXPECT_EQ(tables.node_entry(999), "1000-001  :   N1000   R1,1");
    EXPECT_EQ(tables.node_entry(1199), "1200-001  :   N1200   R1,1");
    for (int k : {1000, 16384, 16385, 32768, 32769, 40000}) {
        auto at = std::to_string(k);
        EXPECT_EQ(tables.component_entry(k),
                  at + "  :   R" + at + "   R0805   " + std::to_string(k % 97) + "k");
        EXPECT_EQ(tables.node_entry(1199 + k), "1201-" + at + "  :   VCC   R" + at + ",1");
    }
}

TEST(SizeEdges, ScriptsAcrossTheWritersBuffer)
{
    const std::string node(300 << 10, 'n');
    const std::string quoted_node = "x;" + node;
    const std::string lines = "(\r\nBIG\r\n" + node + "\r\n" + quoted_node + "\r\n)\r\n";
    EXPECT_TRUE(eagle_script(read_tango(lines), "p") == "Use p;\r\nGrid Mil;\n\r\nSignal BIG " +
                                                            node + " \\\r       '" + quoted_node +
                                                            "' \\\r       ;\r\n");

    // About 70 bytes a component: the buffer fills some twenty times. And a net of 80,000 nodes,
    // compared without its line breaks.
    std::string expected = "Use p;\r\nGrid Mil;\n\r\n", signal = "Signal VCC ", nodes;
    for (int k = 1; k <= 80000; ++k) {
        auto point = " ( " + std::to_string((k - 1) % 10 * 1000) + " " +
                     std::to_string(10000 - (k - 1) / 10 * 500) + " );\r\n";
        std::string name = "R";  // not "R" + ...: GCC 12 warns of an overlapping copy
        name += std::to_string(k);
        expected += "Add R0805" + point + "Name " + name + point + "Value " + name + " " +
                    std::to_string(k % 97) + "k;\n\r\n";
        nodes += name + ",1\r\n";
        signal += name + " 1 ";
    }
    expected += signal + ";\r\n";
    std::string streamed;
    int pieces = 0;
    write_eagle_script(read_tango(components(80000) + "(\r\nVCC\r\n" + nodes + ")\r\n"), "p",
                       [&](std::string_view piece) { streamed += piece, ++pieces; });
    EXPECT_GT(pieces, 1);
    const std::string line_break = "\\\r       ";
    for (auto at = streamed.find(line_break); at != std::string::npos;
         at = streamed.find(line_break, at))
        streamed.erase(at, line_break.size());
    EXPECT_TRUE(streamed == expected);  // a diff of megabytes would not help
}

}  // namespace
}  // namespace malvor
