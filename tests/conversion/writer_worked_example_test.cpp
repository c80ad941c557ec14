#include "eagle_writer.h"
#include "tango_reader.h"

#include <gtest/gtest.h>

namespace malvor {
namespace {

TEST(WriterWorkedExample, GivesTheNineLinesOf181Bytes)
{
    auto tables = read_tango(std::string("[\r\nR1\r\nR0805\r\n10k\r\n]\r\n[\r\nC1\r\nC0805\r\n100n\r\n]\r\n"
                                         "(\r\nGND\r\nR1,2\r\nC1,2\r\n)\r\n"));
    auto script = eagle_script(tables, "myparts");
    EXPECT_EQ(script,
              "Use myparts;\r\n"
              "Grid Mil;\n\r\n"
              "Add R0805 ( 0 10000 );\r\n"
              "Name R1 ( 0 10000 );\r\n"
              "Value R1 10k;\n\r\n"
              "Add C0805 ( 1000 10000 );\r\n"
              "Name C1 ( 1000 10000 );\r\n"
              "Value C1 100n;\n\r\n"
              "Signal GND R1 2 C1 2 ;\r\n");
    EXPECT_EQ(script.size(), 181u);
}

}  // namespace
}  // namespace malvor
