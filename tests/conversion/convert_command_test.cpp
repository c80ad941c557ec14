// malvor-convert as a user runs it: a real process in a temporary folder.
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <system_error>
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
    // Runs malvor-convert with `arguments` (shell words) in the work folder, after the shell
    // commands of `setup`; its output goes to files outside the work folder.
    Outcome run(const std::string& arguments, const std::string& setup = "", std::string stdout_path = "")
    {
        auto out = capture / "out";
        auto err = capture / "err";
        if (stdout_path.empty())
            stdout_path = out.string();
        std::string command = "cd '" + folder.string() + "' && " + setup + " '" MALVOR_CONVERT_EXE "' "
                              + arguments + " >'" + stdout_path + "' 2>'" + err.string() + "' </dev/null";
        int raw = std::system(command.c_str());
        Outcome result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = read_bytes(out);
        result.err = read_bytes(err);
        return result;
    }

    TempFolder work;
    TempFolder capture;
    std::filesystem::path folder = work.path();  // where the converter runs
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
    const auto reason = [](std::errc e) { return std::make_error_code(e).message() + "\n"; };
    EXPECT_EQ(result.err, "malvor-convert: cannot read netlist 'amp.net': " +
                              reason(std::errc::no_such_file_or_directory));
    EXPECT_EQ(read_bytes(work / "amp.scr"), "old script");

    std::filesystem::create_directory(work / "boards.net");
    auto folder = run("boards.net MyParts.lbr");
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "malvor-convert: cannot read netlist 'boards.net': " + reason(std::errc::is_a_directory));

    auto list = run("--list .");
    EXPECT_EQ(list.status, 1);
    EXPECT_EQ(list.err, "malvor-convert: cannot read netlist '.': " + reason(std::errc::is_a_directory));
}

TEST_F(ConvertCommand, UnwritableScriptIsNamedAndLeavesNothingPartial)
{
    struct Case {
        const char* arguments;
        const char* target;
        const char* setup;
    };
    const Case cases[] = {
        {"amp.net MyParts.lbr", "amp.scr", "mkdir amp.scr &&"},
        {"-o missing/amp.scr amp.net MyParts.lbr", "missing/amp.scr", ""},
        {"-o plain/amp.scr amp.net MyParts.lbr", "plain/amp.scr", "echo x >plain &&"},
        {"-o scripts amp.net MyParts.lbr", "scripts", "mkdir scripts &&"},
    };
    std::string netlist;
    for (int k = 1; k <= 300; ++k)
        netlist += "[\r\nR" + std::to_string(k) + "\r\nR0805\r\n10k\r\n";
    int number = 0;
    for (const auto& c : cases) {
        folder = work.write("case" + std::to_string(++number) + "/amp.net", netlist).parent_path();
        auto result = run(c.arguments, c.setup);
        EXPECT_EQ(result.status, 1) << c.arguments;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.rfind(std::string("malvor-convert: cannot write script '") + c.target + "': ", 0), 0u)
            << result.err;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << c.arguments;
        if (std::filesystem::is_regular_file(folder / "amp.scr"))
            EXPECT_EQ(read_bytes(folder / "amp.scr"), "old\n");
    }
    folder = work.path();
    work.write("amp.net", amp_net);
    auto full = run("-o - amp.net MyParts.lbr", "", "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "malvor-convert: cannot write the script to standard output\n");
}

TEST_F(ConvertCommand, FilesThatAreNoNetlistsStillConvert)
{
    std::mt19937 random(7);
    std::string noise(std::string("[\r\nQ\0 1\r\nTO-92\r\nBC547\r\n", 23));
    while (noise.size() < 65536)
        noise += static_cast<char>(noise.size() % 97 == 0 ? 0 : random() & 0xff);
    std::string huge_line(100u << 20, 'x');
    for (std::size_t i = 0; i < huge_line.size(); i += 10)
        huge_line.replace(i, 9, "[(;' ,)]\t");
    const std::pair<std::string, std::string> cases[] = {
        {noise, std::string("Name 'Q\0 1' ( 0 10000 );", 24)},
        {std::string(100000, '\r'), ""},
        {huge_line, ""},
    };
    for (const auto& [netlist, expected] : cases) {
        work.write("odd.net", netlist);
        auto result = run("odd.net parts.lbr");
        ASSERT_EQ(result.status, 0) << result.err;
        auto script = read_bytes(work / "odd.scr");
        EXPECT_EQ(script.rfind("Use parts;\r\nGrid Mil;\n\r\n", 0), 0u);
        EXPECT_TRUE(expected.empty() ? script.size() == 24 : script.find(expected) != std::string::npos);
    }
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
