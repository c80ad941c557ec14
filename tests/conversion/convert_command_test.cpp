// malvor-convert on every platform: paths, outputs, messages and exit codes as a user sees them.
#include "convert_command_fixture.h"

#include "script_names.h"

#include <cerrno>
#include <random>
#include <system_error>

namespace malvor {
namespace {

using namespace testing_support;

std::string message_of(int error)
{
    return std::generic_category().message(error);
}

TEST_F(ConvertCommand, WritesTheScriptBesideTheNetlistOverAnOlderOne)
{
    work.write("Boards/Ann/Amp.NET", amp_net);
    work.write("Boards/Ann/amp.scr", "an older script");
    auto absolute = (work / "Boards").string() + "/Ann/Amp.NET";
    struct Case {
        std::string netlist;
        std::string printed;  // the script's path as malvor-convert prints it
    };
#ifdef _WIN32
    // Windows ignores case, so the whole path is lower-cased, drive letter and backslashes too.
    const Case cases[] = {
        {"Boards/Ann/Amp.NET", "boards/ann/amp.scr"},
        {"Boards\\Ann\\Amp.NET", "boards\\ann\\amp.scr"},
        {absolute, lower_ascii(absolute.substr(0, absolute.size() - 4)) + ".scr"},
    };
    ASSERT_EQ(absolute[1], ':') << "no drive letter in " << absolute;
#else
    const Case cases[] = {
        {"Boards/Ann/Amp.NET", "Boards/Ann/amp.scr"},
        {absolute, absolute.substr(0, absolute.size() - 7) + "amp.scr"},
    };
#endif
    for (const auto& c : cases) {
        auto result = run_with({c.netlist, "/usr/share/Libs/MyParts.LBR"});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, c.printed + "\n");
        EXPECT_EQ(read_bytes(work / "Boards/Ann/amp.scr"), amp_scr) << c.netlist;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work / "Boards/Ann"), {}), 2);
        work.write("Boards/Ann/amp.scr", "an older script");
    }
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

TEST_F(ConvertCommand, NamesInAnyScript)
{
    struct Case {
        std::string netlist, library, script, use;
    };
    const Case cases[] = {
        {"Verstärker.NET", "Bibliothèque.LBR", "verstärker.scr", "Use bibliothèque;\r\n"},
        {"回路.net", "部品.lbr", "回路.scr", "Use 部品;\r\n"},
        {"Ünï/Ωmega.Net", "Ω.lbr", "Ünï/Ωmega.scr", "Use Ω;\r\n"},
    };
    for (const auto& c : cases) {
        auto netlist = work.path() / std::filesystem::u8path(c.netlist);
        std::filesystem::create_directories(netlist.parent_path());
        std::ofstream(netlist, std::ios::binary) << amp_net;
        auto result = run_with({c.netlist, c.library});
        EXPECT_EQ(result.status, 0) << c.netlist << ": " << result.err;
        EXPECT_EQ(result.out, c.script + "\n");
        auto script = read_bytes(work.path() / std::filesystem::u8path(c.script));
        EXPECT_EQ(script, c.use + amp_scr.substr(amp_scr.find('\r') + 2)) << c.netlist;
        auto list = run_with({"--list", c.netlist});
        EXPECT_EQ(list.status, 0) << c.netlist;
        EXPECT_EQ(list.out.substr(0, 4), "001 ") << c.netlist;
    }
    auto missing = run_with({"Fehlt-ä.net", "x.lbr"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, error_lines("malvor-convert: cannot read netlist 'Fehlt-ä.net': " +
                                       message_of(ENOENT) + "\n"));
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
    EXPECT_EQ(help.out.find('\r'), std::string::npos);
    auto version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "malvor-convert 1.00\n");
}

TEST_F(ConvertCommand, UsageErrorsExitTwoWithTheUsage)
{
    work.write("amp.net", amp_net);
    auto usage = run("--help").out;
    for (const char* arguments : {"", "amp.net", "amp.net a.lbr extra", "--bogus amp.net a.lbr", "-o",
                                  "--list", "--list amp.net a.lbr", "--help amp.net", "-o a -o b amp.net x.lbr"}) {
        auto result = run(arguments);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_EQ(result.out, "") << arguments;
        EXPECT_EQ(result.err, error_lines(usage)) << arguments;
    }
    EXPECT_EQ(work.names(), std::vector<std::string>{"amp.net"});
}

TEST_F(ConvertCommand, UnreadableNetlistIsNamedAndLeavesTheOldScript)
{
    work.write("amp.scr", "old script");
    std::filesystem::create_directory(work / "boards.net");
    const std::pair<const char*, std::string> cases[] = {
        {"amp.net MyParts.lbr", "cannot read netlist 'amp.net': " + message_of(ENOENT)},
        {"boards.net MyParts.lbr", "cannot read netlist 'boards.net': " + message_of(EISDIR)},
        {"--list .", "cannot read netlist '.': " + message_of(EISDIR)},
    };
    for (const auto& [arguments, message] : cases) {
        auto result = run(arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(result.out, "") << arguments;
        EXPECT_EQ(result.err, error_lines("malvor-convert: " + message + "\n"));
    }
    EXPECT_EQ(read_bytes(work / "amp.scr"), "old script");
}

TEST_F(ConvertCommand, UnwritableScriptIsNamedAndLeavesNothingBehind)
{
    struct Case {
        const char* arguments;
        const char* target;
        const char* folder;  // made in the way, or "" for none
        const char* file;    // made in the way, or "" for none
    };
    const Case cases[] = {
        {"amp.net MyParts.lbr", "amp.scr", "amp.scr", ""},
        {"-o missing/amp.scr amp.net MyParts.lbr", "missing/amp.scr", "", ""},
        {"-o plain/amp.scr amp.net MyParts.lbr", "plain/amp.scr", "", "plain"},
        {"-o scripts amp.net MyParts.lbr", "scripts", "scripts", ""},
    };
    int number = 0;
    for (const auto& c : cases) {
        folder = work.write("case" + std::to_string(++number) + "/amp.net", amp_net).parent_path();
        if (*c.folder)
            std::filesystem::create_directory(folder / c.folder);
        if (*c.file)
            work.write("case" + std::to_string(number) + "/" + c.file, "x\n");
        auto before = std::distance(std::filesystem::directory_iterator(folder), {});
        auto result = run(c.arguments);
        EXPECT_EQ(result.status, 1) << c.arguments;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.rfind(std::string("malvor-convert: cannot write script '") + c.target + "': ", 0),
                  0u) << result.err;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), before) << c.arguments;
    }
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
