// malvor-convert in this process: arguments, outputs, messages and exit codes.
#include "command_run.h"
#include "file_errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace malvor {
namespace {

using namespace testing_support;

class InFolder : public testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::current_path(work.path());
        work.write("amp.net", worked_example_net);
    }
    void TearDown() override { std::filesystem::current_path(before); }

    std::filesystem::path before = std::filesystem::current_path();
    TempFolder work;
};

struct CommandCase {
    const char* what;
    std::vector<std::string> arguments;
    int status;
    std::string out;
    std::string err;
    std::string script = "";  // the file that must now hold the worked example's script
};

const std::string usage = run_command({"--help"}).out;

// Arguments refused with the usage text, after a line saying what was wrong; nothing written.
CommandCase usage_error(const char* what, std::vector<std::string> arguments,
                        const std::string& problem)
{
    return {what, std::move(arguments), 2, "", "malvor-convert: " + problem + "\n" + usage};
}

CommandCase bad_library(const char* what, const std::string& library, FileError problem)
{
    auto text = "malvor-convert: invalid library name: " + make_error_code(problem).message();
    return {what, {"amp.net", library}, 2, "", text + "\n"};
}

std::string cannot_read(const std::string& netlist)
{
    return "malvor-convert: cannot read netlist '" + netlist + "': " + system_message(ENOENT) +
           "\n";
}

void PrintTo(const CommandCase& c, std::ostream* os)
{
    *os << c.what;
}

class Arguments : public InFolder, public testing::WithParamInterface<CommandCase> {};

TEST_P(Arguments, GiveTheirOutputStatusAndFiles)
{
    const auto& c = GetParam();
    auto result = run_command(c.arguments);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    std::vector<std::string> names{"amp.net"};
    if (!c.script.empty()) {
        EXPECT_EQ(read_bytes(work / c.script), worked_example_scr);
        names.push_back(c.script);
        std::sort(names.begin(), names.end());
    }
    EXPECT_EQ(work.names(), names);
}

const std::string entries =
    "001  :   R1   R0805   10k\n002  :   C1   C0805   100n\n"
    "001-001  :   GND   R1,2\n001-002  :   GND   C1,2\n";

INSTANTIATE_TEST_SUITE_P(
    ConvertCommand, Arguments,
    testing::Values(
        // clang-format off
        usage_error("no arguments", {}, "missing NETLIST"),
        usage_error("no library", {"amp.net"}, "missing LIBRARY"),
        usage_error("a second file to list", {"--list", "amp.net", "x"}, "too many arguments"),
        usage_error("suggested map without check", {"--suggest-map", "m.csv", "amp.net", "a.lbr"}, "--suggest-map goes with --check"),
        usage_error("map given twice", {"--map", "m", "--map", "n", "amp.net", "a.lbr"}, "--map given twice"),
        usage_error("unknown long option", {"--bogus", "amp.net", "a.lbr"},
                    "unknown option '--bogus'"),
        usage_error("unknown short option", {"amp.net", "-x", "a.lbr"}, "unknown option '-x'"),
        usage_error("o without its file", {"amp.net", "a.lbr", "-o"}, "-o needs a file name"),
        usage_error("o twice", {"--output", "a", "-o", "b", "amp.net", "x.lbr"}, "-o given twice"),
        usage_error("list with o", {"--list", "-o", "x", "amp.net"}, "--list writes no script, so takes no -o"),
        usage_error("check with o", {"--check", "-o", "x.scr", "amp.net", "a.lbr"}, "--check writes no script, so takes no -o"),
        usage_error("list and check", {"--list", "--check", "amp.net"}, "--list and --check do not go together"),
        usage_error("help with a file", {"--help", "amp.net"}, "--help takes no other arguments"),
        usage_error("version twice", {"--version", "--version"}, "--version and --version do not go together"),
        bad_library("empty library name", "", FileError::empty_library_name),
        bad_library("library name of only the extension", "/x/.LBR", FileError::empty_library_name),
        bad_library("library name with a CR", "a\rb.lbr", FileError::control_character_in_name),
        CommandCase{"check with a library name holding an ESC", {"--check", "amp.net", "a\x1b.lbr"}, 2, "", "malvor-convert: invalid library name: " + make_error_code(FileError::control_character_in_name).message() + "\n"},
        CommandCase{"second library name empty", {"amp.net", "a.lbr", ".lbr"}, 2, "", "malvor-convert: invalid library name: " + make_error_code(FileError::empty_library_name).message() + "\n"},
        CommandCase{"library name without extension", {"amp.net", "MyParts"},
                    0, "amp.scr\n", "", "amp.scr"},
        CommandCase{"help", {"--help"}, 0, usage, ""},
        CommandCase{"version", {"--version"}, 0, "malvor-convert 1.00\n", ""},
        CommandCase{"script beside the netlist", {"amp.net", "/lib/MyParts.LBR"}, 0, "amp.scr\n", "", "amp.scr"},
        CommandCase{"o before the files", {"-o", "Out.SCR", "amp.net", "MyParts.lbr"}, 0, "", "", "Out.SCR"},
        CommandCase{"output after the files", {"amp.net", "MyParts.lbr", "--output", "x.scr"}, 0, "", "", "x.scr"},
        CommandCase{"o dash is standard output", {"-o", "-", "amp.net", "MyParts.lbr"}, 0, worked_example_scr, ""},
        CommandCase{"a dash alone is a file", {"-", "MyParts.lbr"}, 1, "", cannot_read("-")},
        CommandCase{"options end at two dashes", {"--", "--list", "MyParts.lbr"}, 1, "", cannot_read("--list")},
        CommandCase{"missing netlist", {"gone.net", "MyParts.lbr"}, 1, "", cannot_read("gone.net")},
        CommandCase{"list after the file", {"amp.net", "--list"}, 0, entries, ""}));
// clang-format on

#ifdef _WIN32
// Windows opens "amp.net." and "amp.net " as amp.net, so the script is amp.scr.
INSTANTIATE_TEST_SUITE_P(
    WindowsNames, Arguments,
    testing::Values(
        // clang-format off
        CommandCase{"trailing dot", {"amp.net.", "MyParts.lbr"}, 0, "amp.scr\n", "", "amp.scr"},
        CommandCase{"trailing blanks and dots", {"amp.net . ", "MyParts.lbr"}, 0, "amp.scr\n", "", "amp.scr"}));
// clang-format on
#endif

// README shows the usage lines of --help as they are, without their indent.
TEST(Usage, IsWhatTheReadmeShows)
{
    const auto readme = read_bytes(MALVOR_EXAMPLES_DIR "/../README.md");
    const auto start = readme.find("```\nmalvor-convert ");
    ASSERT_NE(start, std::string::npos);
    const auto block = readme.substr(start + 4, readme.find("```", start + 4) - start - 4);
    std::string lines;
    for (std::size_t at = usage.find('\n') + 1; usage[at] != '\n'; at = usage.find('\n', at) + 1)
        lines += usage.substr(at + 2, usage.find('\n', at) + 1 - at - 2);
    EXPECT_EQ(block, lines);
}

// A file of line ends only, and one line of 100 MiB, give a script of the header alone.
TEST_F(InFolder, FilesThatAreNoNetlistsStillConvert)
{
    std::string huge_line(100u << 20, 'x');
    for (std::size_t i = 0; i < huge_line.size(); i += 10)
        huge_line.replace(i, 9, "[(;' ,)]\t");
    for (const auto& netlist : {std::string(100000, '\r'), huge_line}) {
        work.write("odd.net", netlist);
        ASSERT_EQ(run_command({"odd.net", "parts.lbr"}).status, 0);
        EXPECT_EQ(read_bytes(work / "odd.scr"), "Use parts;\r\nGrid Mil;\n\r\n");
    }
}

TEST_F(InFolder, ConvertsTheBundledExample)
{
    std::filesystem::copy_file(MALVOR_EXAMPLES_DIR "/amplifier.net", work / "amplifier.net");
    ASSERT_EQ(run_command({"amplifier.net", MALVOR_EXAMPLES_DIR "/empty.lbr"}).status, 0);
    auto script = read_bytes(work / "amplifier.scr");
    EXPECT_EQ(script.substr(0, 47), "Use empty;\r\nGrid Mil;\n\r\nAdd DIP8 ( 0 10000 );\r\n");
    EXPECT_NE(script.find("Signal Zel1 R1 2 U1 3 ;\r\n"), std::string::npos);
}

}  // namespace
}  // namespace malvor
