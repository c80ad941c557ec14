#include "tango_reader.h"

#include <gtest/gtest.h>

namespace malvor {
namespace {

struct ReaderCase {
    const char* what;
    std::string netlist;
    std::vector<std::string> components;
    std::vector<std::string> nodes;
};

const std::string board_net =
    "[\r\nC1\r\nCAP200\r\n100nF\r\n\r\n\r\n\r\n]\r\n[\r\nR1\r\nRES400\r\n10K\r\n]\r\n"
    "(\r\nPOWER_SUPPLY\r\nC1,1\r\nR1,2\r\n)";

TEST(ReaderEntries, ListEveryComponentAndNode)
{
    const ReaderCase cases[] = {
        // clang-format off
        {"the board example", board_net, {"001  :   C1   CAP200   100nF", "002  :   R1   RES400   10K"}, {"001-001  :   Zel1   C1,1", "001-002  :   Zel1   R1,2"}},
        {"nothing at all", "", {}, {}},
        {"no block", "junk\r\n)\r\n ]\r\n", {}, {}},
        {"mixed line ends", "[\r\nR1\nR0805\r10k\n(\r\nGND\rR1,2\n)", {"001  :   R1   R0805   10k"}, {"001-001  :   GND   R1,2"}},
        {"LF CR is two line ends", "(\nGND\n\rR1,2\n)\n", {}, {"001-001  :   GND   ", "001-002  :   GND   R1,2"}},
        {"name of 8 characters kept, of 9 replaced", "(\r\nABCDEFGH\r\nR1,1\r\n)\r\n(\r\nABCDEFGHI\r\nR1,2\r\n)\r\n", {}, {"001-001  :   ABCDEFGH   R1,1", "002-001  :   Zel1   R1,2"}},
        {"trailing blanks count", "(\r\nVOLTAGE  \r\nR1,1\r\n)\r\n", {}, {"001-001  :   Zel1   R1,1"}},
        {"replacements in file order", "(\r\nFIRST_LONG\r\nA,1\r\n)\r\n(\r\nSECOND_LONG\r\nB,1\r\n)\r\n", {}, {"001-001  :   Zel1   A,1", "002-001  :   Zel2   B,1"}},
        {"a cut component block swallows the net start", "[\r\nR1\r\nR0805\r\n(\r\nGND\r\nR1,2\r\n)\r\n[\r\nC1\r\nC0805\r\n1n\r\n", {"001  :   R1   R0805   (", "002  :   C1   C0805   1n"}, {}},
        {"net named by its closing line", "(\r\n)\r\nA,1\r\n)\r\n", {}, {"001-001  :   )   A,1"}},
        {"an empty node line is listed", "(\r\nGND\r\nR1,1\r\n\r\nR2-1\r\n)\r\n", {}, {"001-001  :   GND   R1,1", "001-002  :   GND   ", "001-003  :   GND   R2-1"}},
        {"blanks around brackets start nothing", "( \r\nGND\r\n [\r\nR1\r\nX\r\nY\r\n", {}, {}},
        {"a closing line with a blank does not close", "(\r\nGND\r\nR1,1\r\n) \r\n[\r\n(\r\n)\r\n", {}, {"001-001  :   GND   R1,1", "001-002  :   GND   ) ", "001-003  :   GND   [", "001-004  :   GND   ("}},
        {"a component block cut by the end keeps its lines", "[\r\nR1\r\nR0805", {"001  :   R1   R0805   "}, {}},
        {"a component start as the last line starts nothing", "[\r\nR1\r\nA\r\nB\r\n[\r\n", {"001  :   R1   A   B"}, {}},
        {"a net without its close keeps its nodes", "(\r\nGND\r\nR1,1\r\nR2,1", {}, {"001-001  :   GND   R1,1", "001-002  :   GND   R2,1"}},
        {"a replacement skips a short name of any case", "(\r\nLONG_NAME_1\r\nA,1\r\n)\r\n(\r\nzEL1\r\nB,1\r\n)\r\n(\r\nLONG_NAME_2\r\nC,1\r\n)\r\n(\r\nZel3\r\nD,1\r\n)\r\n(\r\nLONG_NAME_3\r\nE,1\r\n)\r\n", {}, {"001-001  :   Zel2   A,1", "002-001  :   zEL1   B,1", "003-001  :   Zel4   C,1", "004-001  :   Zel3   D,1", "005-001  :   Zel5   E,1"}},
        {"gEDA layout: the value after the device", "[\r\nC1\r\n0805\r\nCAPACITOR\r\n2.2uF\r\n\r\n]\r\n[\r\nR1\r\nPATTERN\r\nRESISTOR\r\n\r\n\r\n]\r\n", {"001  :   C1   0805   2.2uF", "002  :   R1   PATTERN   "}, {}},
        {"five lines but every fourth empty: the third stays the value", "[\r\nC1\r\n0805\r\n1u\r\n\r\n\r\n]\r\n", {"001  :   C1   0805   1u"}, {}},
        {"one block of another shape: the third stays the value", "[\r\nC1\r\n0805\r\nCAP\r\n1u\r\n\r\n]\r\n[\r\nR1\r\nR0805\r\n10k\r\n]\r\n", {"001  :   C1   0805   CAP", "002  :   R1   R0805   10k"}, {}},
        {"nets named on their opening line, after the first component", "(Rev.A)\r\n(HEADER\r\nX-1\r\n)\r\n[\r\nD1\r\nLED\r\nRED\r\n]\r\n(N1\r\nD1-2\r\n)\r\n(A_LONG_NET\r\nD1-1\r\n)\r\n(5V)\r\n(N 2\r\n", {"001  :   D1   LED   RED"}, {"001-001  :   N1   D1-2", "002-001  :   Zel1   D1-1"}},
        {"only exact counter spellings clash", "(\r\nZel01\r\nA,1\r\n)\r\n(\r\nZel 1\r\nB,1\r\n)\r\n(\r\nLONG_NAME_1\r\nC,1\r\n)\r\n", {}, {"001-001  :   Zel01   A,1", "002-001  :   Zel 1   B,1", "003-001  :   Zel1   C,1"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        auto tables = read_tango(c.netlist);
        std::vector<std::string> components, nodes;
        for (Count k = 1; k <= tables.component_count(); ++k)
            components.push_back(tables.component_entry(k));
        for (Count row = 0; row < tables.node_line_count(); ++row)
            nodes.push_back(tables.node_entry(row));
        EXPECT_EQ(components, c.components) << c.what;
        EXPECT_EQ(nodes, c.nodes) << c.what;
    }
}

// The tables are sized from these counts, so a count one short loses the last entry.
TEST(ReaderCounters, TellHowMuchOfEachTableIsFilled)
{
    auto board = read_tango(board_net);
    EXPECT_EQ(board.d, 3);
    EXPECT_EQ(board.s, 1);
    EXPECT_EQ(board.maxn, 3);
    EXPECT_EQ(board.rigo, ")");
    auto without_nodes = read_tango("(\r\nA\r\n)\r\n(\r\nB\r\n)\r\n");
    EXPECT_EQ(without_nodes.s, 2);
    EXPECT_EQ(without_nodes.maxs, 1);
    auto three_nets =
        read_tango("(\r\nA\r\n1\r\n2\r\n3\r\n)\r\n(\r\nB\r\n4\r\n)\r\n(\r\nC\r\n)\r\n");
    EXPECT_EQ(three_nets.maxn, 4);
    EXPECT_EQ(three_nets.node_count(1), 3);
    EXPECT_EQ(three_nets.node_count(2), 1);
    EXPECT_EQ(three_nets.node_count(3), 0);
    EXPECT_EQ(three_nets.sig_node(1, 4), "");
}

}  // namespace
}  // namespace malvor
