// malvor-convert where only POSIX systems can set the stage: file size limits and a full device.
#include "convert_command_fixture.h"

namespace malvor {
namespace {

using namespace testing_support;

TEST_F(ConvertCommand, AWriteCutShortByTheSizeLimitLeavesTheOldScript)
{
    std::string netlist;
    for (int k = 1; k <= 300; ++k)
        netlist += "[\r\nR" + std::to_string(k) + "\r\nR0805\r\n10k\r\n";
    work.write("amp.net", netlist);
    work.write("amp.scr", "old\n");
    // The shell sets a limit of 4 blocks, then becomes malvor-convert.
    auto result = run_with({"-c", "trap '' XFSZ && ulimit -f 4 && exec \"$0\" \"$@\"", MALVOR_CONVERT_EXE,
                            "amp.net", "MyParts.lbr"},
                           {}, "/bin/sh");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("malvor-convert: cannot write script 'amp.scr': ", 0), 0u) << result.err;
    EXPECT_EQ(work.names(), (std::vector<std::string>{"amp.net", "amp.scr"}));
    EXPECT_EQ(read_bytes(work / "amp.scr"), "old\n");
}

TEST_F(ConvertCommand, AFullStandardOutputIsAnError)
{
    work.write("amp.net", amp_net);
    auto full = run_with({"-o", "-", "amp.net", "MyParts.lbr"}, "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "malvor-convert: cannot write the script to standard output\n");
}

}  // namespace
}  // namespace malvor
