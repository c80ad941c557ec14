// Nodes written as component, hyphen, pin, and whole netlists of each style.
#include "eagle_writer.h"
#include "tango_reader.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace malvor {
namespace {

std::string component(const std::string& name)
{
    return "[\r\n" + name + "\r\nP\r\nV\r\n]\r\n";
}

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
        {"-12", {}, "-12"},
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

// One small board as three kinds of schematic program write it: OrCAD with commas, gEDA (the
// device before the value, which is still the one written) and Protel with hyphens.
TEST(HyphenNodes, WholeNetlistsOfEachStyle)
{
    for (const char* style : {"orcad_comma", "geda_hyphen", "protel_hyphen"}) {
        auto file = std::string(MALVOR_TEST_DATA "/styles/") + style;
        EXPECT_EQ(eagle_script(read_tango(testing_support::read_bytes(file + ".net")), "parts"),
                  testing_support::read_bytes(file + ".scr"))
            << style;
    }
}

}  // namespace
}  // namespace malvor
