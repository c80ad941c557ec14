// malvor-convert where only POSIX systems can set the stage: a full device.
#include "command_run.h"

#include <gtest/gtest.h>

namespace malvor {
namespace {

using namespace testing_support;

TEST(ConvertCommandPosix, AFullStandardOutputIsAnError)
{
    TempFolder work;
    auto netlist = work.write("amp.net", worked_example_net).string();
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(run_convert_command({"-o", "-", netlist, "MyParts.lbr"}, full, err), 1);
    std::fclose(full);
    EXPECT_EQ(drain(err), "malvor-convert: cannot write the script to standard output\n");
}

}  // namespace
}  // namespace malvor
