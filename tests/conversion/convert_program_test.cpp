// malvor-convert as a shell starts it: names in any script, messages as text lines.
#include "command_run.h"
#include "run_program.h"
#include "windows_console.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace malvor {
namespace {

using namespace testing_support;

// Standard error is a text stream: on Windows its lines end in CR LF.
std::string error_lines(std::string text)
{
#ifdef _WIN32
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.insert(at, 1, '\r');
#endif
    return text;
}

Outcome run_program_in(const TempFolder& work, const std::vector<std::string>& arguments)
{
    TempFolder capture;
    Outcome result;
    result.status = run_program(
        MALVOR_CONVERT_EXE, arguments, work.path(), capture / "out", capture / "err");
    result.out = read_bytes(capture / "out");
    result.err = read_bytes(capture / "err");
    return result;
}

TEST(ConvertProgram, NamesInAnyScript)
{
    TempFolder work;
    struct Case {
        std::string netlist, library, script, use;
    };
    const Case cases[] = {
        {"Verstärker.NET", "Bibliothèque.LBR", "verstärker.scr", "Use bibliothèque;\r\n"},
        {"回路.net", "部品.lbr", "回路.scr", "Use 部品;\r\n"},
        {"Ünï/Ωmega.Net", "Ω.lbr", "Ünï/Ωmega.scr", "Use Ω;\r\n"},
    };
    const std::string body = worked_example_scr.substr(worked_example_scr.find('\r') + 2);
    for (const auto& c : cases) {
        auto netlist = work.path() / std::filesystem::u8path(c.netlist);
        std::filesystem::create_directories(netlist.parent_path());
        std::ofstream(netlist, std::ios::binary) << worked_example_net;
        auto result = run_program_in(work, {c.netlist, c.library});
        EXPECT_EQ(result.status, 0) << c.netlist;
        EXPECT_EQ(result.out, c.script + "\n");
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(read_bytes(work.path() / std::filesystem::u8path(c.script)), c.use + body);
    }
}

TEST(ConvertProgram, MessagesAreTextLines)
{
    TempFolder work;
    auto missing = run_program_in(work, {"Fehlt-ä.net", "x.lbr"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, error_lines("malvor-convert: cannot read netlist 'Fehlt-ä.net': " +
                                       system_message(ENOENT) + "\n"));
}

// On Windows a console opened for the program alone (from Explorer) closes when it ends.
TEST(ConvertProgram, WaitsForEnterOnlyWhenAloneOnItsConsole)
{
    EXPECT_TRUE(waits_for_enter(1, true));    // started from Explorer
    EXPECT_FALSE(waits_for_enter(2, true));   // from cmd.exe or PowerShell, which stay
    EXPECT_FALSE(waits_for_enter(1, false));  // input from a file or a pipe
    EXPECT_FALSE(waits_for_enter(0, false));  // no console at all
}

}  // namespace
}  // namespace malvor
