// malvor-convert as a user runs it: a real process in a temporary folder.
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace malvor {
namespace {

using testing_support::read_bytes;
using testing_support::TempFolder;

const std::string amp_net = "[\r\nR1\r\nR0805\r\n10k\r\n]\r\n[\r\nC1\r\nC0805\r\n100n\r\n]\r\n"
                            "(\r\nGND\r\nR1,2\r\nC1,2\r\n)\r\n";
const std::string amp_scr = "Use myparts;\r\nGrid Mil;\n\r\n"
                            "Add R0805 ( 0 10000 );\r\nName R1 ( 0 10000 );\r\nValue R1 10k;\n\r\n"
                            "Add C0805 ( 1000 10000 );\r\nName C1 ( 1000 10000 );\r\nValue C1 100n;\n\r\n"
                            "Signal GND R1 2 C1 2 ;\r\n";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class ConvertCommand : public testing::Test {
protected:
    // Runs malvor-convert with `arguments` (shell words) in the work folder.
    Outcome run(const std::string& arguments)
    {
        auto out = capture / "out";
        auto err = capture / "err";
        std::string command = "cd '" + work.path().string() + "' && '" MALVOR_CONVERT_EXE "' " + arguments
                              + " >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
        int raw = std::system(command.c_str());
        Outcome result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = read_bytes(out);
        result.err = read_bytes(err);
        return result;
    }

    TempFolder work;
    TempFolder capture;
};

TEST_F(ConvertCommand, WritesTheScriptBesideTheNetlistKeepingFolderCase)
{
    work.write("Boards/Ann/Amp.NET", amp_net);
    work.write("Boards/Ann/amp.scr", "an older script");
    auto result = run("Boards/Ann/Amp.NET /usr/share/Libs/MyParts.LBR");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Boards/Ann/amp.scr\n");
    EXPECT_EQ(read_bytes(work / "Boards/Ann/amp.scr"), amp_scr);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work / "Boards/Ann"), {}), 2);
}

TEST_F(ConvertCommand, WritesToAnOutputFileOrStandardOutput)
{
    work.write("amp.net", amp_net);
    auto to_file = run("-o Out.SCR amp.net MyParts.lbr");
    EXPECT_EQ(to_file.status, 0);
    EXPECT_EQ(to_file.out, "");
    EXPECT_EQ(read_bytes(work / "Out.SCR"), amp_scr);

    auto to_stdout = run("-o - amp.net MyParts.lbr");
    EXPECT_EQ(to_stdout.status, 0);
    EXPECT_EQ(to_stdout.out, amp_scr);
}

TEST_F(ConvertCommand, ListsComponentEntriesThenNodeEntries)
{
    work.write("amp.net", amp_net);
    auto result = run("--list amp.net");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "001  :   R1   R0805   10k\n002  :   C1   C0805   100n\n"
                          "001-001  :   GND   R1,2\n001-002  :   GND   C1,2\n");
}

TEST_F(ConvertCommand, HelpAndVersion)
{
    auto help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("malvor-convert --list NETLIST"), std::string::npos);
    auto version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "malvor-convert 1.00\n");
}

TEST_F(ConvertCommand, UsageErrorsExitTwoWithTheUsage)
{
    work.write("amp.net", amp_net);
    for (const char* arguments : {"", "amp.net", "amp.net a.lbr extra", "--bogus amp.net a.lbr", "-o",
                                  "--list", "--list amp.net a.lbr", "--help amp.net", "-o a -o b amp.net x.lbr"}) {
        auto result = run(arguments);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_EQ(result.out, "") << arguments;
        EXPECT_NE(result.err.find("Usage:"), std::string::npos) << arguments;
    }
    EXPECT_EQ(work.names(), std::vector<std::string>{"amp.net"});
}

TEST_F(ConvertCommand, UnreadableNetlistIsNamedAndLeavesTheOldScript)
{
    work.write("amp.scr", "old script");
    auto result = run("amp.net MyParts.lbr");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "malvor-convert: cannot read netlist 'amp.net': No such file or directory\n");
    EXPECT_EQ(read_bytes(work / "amp.scr"), "old script");

    auto list = run("--list .");
    EXPECT_EQ(list.status, 1);
    EXPECT_EQ(list.err, "malvor-convert: cannot read netlist '.': Is a directory\n");
}

TEST_F(ConvertCommand, UnwritableScriptIsNamedAndLeavesNothingPartial)
{
    work.write("amp.net", amp_net);
    std::filesystem::create_directory(work / "amp.scr");
    auto result = run("amp.net MyParts.lbr");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("malvor-convert: cannot write script 'amp.scr': ", 0), 0u) << result.err;
    EXPECT_EQ(work.names(), (std::vector<std::string>{"amp.net", "amp.scr"}));

    auto nowhere = run("-o missing/amp.scr amp.net MyParts.lbr");
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_EQ(nowhere.err, "malvor-convert: cannot write script 'missing/amp.scr': No such file or directory\n");
    EXPECT_EQ(work.names(), (std::vector<std::string>{"amp.net", "amp.scr"}));
}

TEST_F(ConvertCommand, ConvertsTheBundledExample)
{
    std::filesystem::copy_file(MALVOR_EXAMPLES_DIR "/amplifier.net", work / "amplifier.net");
    auto result = run("amplifier.net " MALVOR_EXAMPLES_DIR "/empty.lbr");
    EXPECT_EQ(result.status, 0) << result.err;
    auto script = read_bytes(work / "amplifier.scr");
    EXPECT_EQ(script.rfind("Use empty;\r\nGrid Mil;\n\r\nAdd DIP8 ( 0 10000 );\r\n", 0), 0u);
    EXPECT_NE(script.find("Signal Zel1 R1 2 U1 3 ;\r\n"), std::string::npos);
}

}  // namespace
}  // namespace malvor
