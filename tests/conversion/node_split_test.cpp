// Nodes written as component, hyphen, pin: the split in the script, in whole netlists of the
// three styles real schematic programs write, and the words the check takes from a node.
#include "eagle_writer.h"
#include "node_split.h"
#include "tango_reader.h"
#include "test_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace malvor {
namespace {

std::string component(const std::string& name) { return "[\r\n" + name + "\r\nP\r\nV\r\n]\r\n"; }

// The "Signal" line a net of one node gets among components of the given names.
std::string signal_of(const std::string& node, const std::vector<std::string>& names)
{
    std::string netlist;
    for (const auto& name : names)
        netlist += component(name);
    netlist += "(\r\nN\r\n" + node + "\r\n)\r\n";
    auto script = eagle_script(read_tango(netlist), "lib");
    return script.substr(script.rfind("Signal "));
}

TEST(HyphenNodes, SplitAfterTheLongestComponentNameElseAtTheFirstInnerHyphen)
{
    struct Case {
        const char* node;
        std::vector<std::string> components;
        const char* written;
    };
    const Case cases[] = {
        {"J-PWR-1", {"J", "J-PWR"}, "J-PWR 1"},
        {"J-PWR-1", {"J"}, "J PWR-1"},
        {"C1--", {"C1"}, "C1 -"},
        {"Q1-D-", {"Q1"}, "Q1 D-"},
        {"X9-3", {"R1"}, "X9 3"},
        {"J1-5-2", {"J1"}, "J1 5-2"},
        {"R1-", {"R1"}, "R1-"},
        {"-5", {}, "-5"},
        {"-", {}, "-"},
        {"--", {}, "--"},
        {"a--b", {}, "a -b"},
        {"r1-a-2", {"R1-A"}, "r1 a-2"},  // names match exactly, case included
        {"U1,A-1", {"U1"}, "U1 A-1"},
        {"R1-2,3", {"R1"}, "R1-2 3"},
        {"R1 2", {"R1"}, "R1 2"},
        {"Q1-it's", {"Q1"}, "Q1 'it''s'"},
        {"Q'1-2", {"Q'1"}, "'Q''1' 2"},
        {"X-a;b", {}, "X 'a;b'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(signal_of(c.node, c.components), "Signal N " + std::string(c.written) + " ;\r\n")
            << c.node;
}

TEST(HyphenNodes, TheWrittenCharactersDriveTheLineBreak)
{
    // "Q1-it's" is written as "Q1 'it''s'" (10 characters and a blank): the eighth such node
    // brings the count to 88, the ninth to 99.
    std::string netlist = component("Q1") + "(\r\nN\r\n";
    for (int j = 0; j < 9; ++j)
        netlist += "Q1-it's\r\n";
    netlist += "Q1-2\r\n)\r\n";
    auto script = eagle_script(read_tango(netlist), "lib");
    std::string nodes;
    for (int j = 0; j < 9; ++j)
        nodes += "Q1 'it''s' ";
    EXPECT_NE(script.find("Signal N " + nodes + "\\\r       Q1 2 ;\r\n"), std::string::npos);
}

TEST(HyphenNodes, EntryLinesShowTheNodeLineUnchanged)
{
    auto tables = read_tango(component("R1") + "(\r\nGND\r\nR1-2\r\n)\r\n");
    EXPECT_EQ(tables.node_entry(0), "001-001  :   GND   R1-2");
}

TEST(HyphenNodes, WordsForTheCheckFollowTheWriter)
{
    auto tables = read_tango(component("J") + component("J-PWR") + component("Q1"));
    NodeSplitter splitter(tables);
    struct Case {
        const char* node;
        const char* component;
        const char* pin;
        bool more;
    };
    const Case cases[] = {
        {"J-PWR-1", "J-PWR", "1", false}, {"Q1-D-", "Q1", "D-", false}, {"R1,2", "R1", "2", false},
        {"a,b,c", "a", "b", true},        {"R1-", "R1-", "", false},    {"R1,,2", "R1", "2", false},
        {"", "", "", false},              {"U1 A 1", "U1", "A", true},
    };
    for (const auto& c : cases) {
        auto words = splitter.words(c.node);
        EXPECT_EQ(words.component, c.component) << c.node;
        EXPECT_EQ(words.pin, c.pin) << c.node;
        EXPECT_EQ(words.more, c.more) << c.node;
    }
}

// One small board as three kinds of schematic program write it.
struct StyleCase {
    const char* what;
    std::string netlist;
    std::vector<std::string> values;  // what stands in the reader's value line
};

std::string board_script(const std::vector<std::string>& values)
{
    return "Use parts;\r\nGrid Mil;\n\r\n"
           "Add R0805 ( 0 10000 );\r\nName R1 ( 0 10000 );\r\nValue R1 " + values[0] + ";\n\r\n"
           "Add SOT-23 ( 1000 10000 );\r\nName Q1 ( 1000 10000 );\r\nValue Q1 " + values[1] + ";\n\r\n"
           "Add USB-B$1 ( 2000 10000 );\r\nName J-USB ( 2000 10000 );\r\nValue J-USB " + values[2]
           + ";\n\r\n"
           "Signal GND R1 2 J-USB GND@1 Q1 E ;\r\n"
           "Signal DM R1 1 J-USB D- ;\r\n";
}

class WholeNetlists : public testing::TestWithParam<StyleCase> {};

TEST_P(WholeNetlists, SplitEveryNode)
{
    EXPECT_EQ(eagle_script(read_tango(GetParam().netlist), "parts"), board_script(GetParam().values));
}

// gEDA writes the device before the value, so the device takes the value's place.
INSTANTIATE_TEST_SUITE_P(
    Styles, WholeNetlists,
    testing::Values(
        StyleCase{"OrcadComma",
                  "Board netlist, OrCAD style\r\n\r\n"
                  "[\r\nR1\r\nR0805\r\n10k\r\n\r\n\r\n\r\n]\r\n"
                  "[\r\nQ1\r\nSOT-23\r\nBC847\r\n\r\n\r\n\r\n]\r\n"
                  "[\r\nJ-USB\r\nUSB-B$1\r\nUSB\r\n\r\n\r\n\r\n]\r\n"
                  "(\r\nGND\r\nR1,2\r\nJ-USB,GND@1\r\nQ1,E\r\n)\r\n(\r\nDM\r\nR1,1\r\nJ-USB,D-\r\n)\r\n",
                  {"10k", "BC847", "USB"}},
        StyleCase{"GedaHyphen",
                  "[\nR1\nR0805\nresistor\n10k\n\n]\n[\nQ1\nSOT-23\nnpn\nBC847\n\n]\n"
                  "[\nJ-USB\nUSB-B$1\nconnector\nUSB\n\n]\n"
                  "(\nGND\nR1-2\nJ-USB-GND@1\nQ1-E\n)\n(\nDM\nR1-1\nJ-USB-D-\n)\n",
                  {"resistor", "npn", "connector"}},
        StyleCase{"ProtelHyphen",
                  "[\r\nR1\r\nR0805\r\n10k\r\n\r\n\r\n\r\n]\r\n"
                  "[\r\nQ1\r\nSOT-23\r\nBC847\r\n\r\n\r\n\r\n]\r\n"
                  "[\r\nJ-USB\r\nUSB-B$1\r\nUSB\r\n\r\n\r\n\r\n]\r\n"
                  "(\r\nGND\r\nR1-2\r\nJ-USB-GND@1\r\nQ1-E\r\n)\r\n(\r\nDM\r\nR1-1\r\nJ-USB-D-\r\n)\r\n",
                  {"10k", "BC847", "USB"}}),
    testing_support::NameFromWhat());

}  // namespace
}  // namespace malvor
