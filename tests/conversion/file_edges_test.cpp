// The file edges on every platform: replacing a script, the temporary file beside it, what a
// failed write leaves on disk, and the size edges of the tables and the writer's buffer.
#include "eagle_writer.h"
#include "file_io.h"
#include "tango_reader.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace malvor {
namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::TempFolder;

std::string components(int count)
{
    std::string netlist;
    for (int k = 1; k <= count; ++k)
        netlist += "[\r\nR" + std::to_string(k) + "\r\nR0805\r\n" + std::to_string(k % 97) + "k\r\n]\r\n";
    return netlist;
}

FileDone write_text(const fs::path& target, const std::string& text)
{
    return write_file_atomically(target, [&](const auto& write) { write(text); });
}

TEST(AtomicWrite, ReplacesAnExistingScriptAndLeavesNothingElse)
{
    TempFolder work;
    auto target = work.write("amp.scr", "an older, longer script");
    for (const char* text : {"new", "", "newer\r\n"}) {
        auto written = write_text(target, text);
        EXPECT_TRUE(written.ok()) << written.error.message();
        EXPECT_EQ(read_bytes(target), text);
        EXPECT_EQ(work.names(), std::vector<std::string>{"amp.scr"});
    }
}

TEST(AtomicWrite, ANewFileNeverTakesOverAnExistingOne)
{
    TempFolder work;
    auto taken = work.write(".abcdefgh.tmp", "someone else's");
    auto refused = create_new_file(taken);
    EXPECT_EQ(refused.error, std::errc::file_exists);
    EXPECT_EQ(refused.failed_step, FileStep::create);
    EXPECT_EQ(read_bytes(taken), "someone else's");

    auto created = create_new_file(work / "free.tmp");
    ASSERT_TRUE(created.ok()) << created.error.message();
#ifdef _WIN32
    EXPECT_EQ(::_close(created.value), 0);
#else
    EXPECT_EQ(::close(created.value), 0);
#endif
    EXPECT_EQ(read_bytes(work / "free.tmp"), "");
}

TEST(AtomicWrite, FailuresLeaveTheOldScriptAndNoTemporaryFile)
{
    TempFolder work;
    auto target = work.write("amp.scr", "old");
    EXPECT_THROW((void)write_file_atomically(target, [](const auto& write) {
        write("partial");
        throw std::runtime_error("stop");
    }), std::runtime_error);
    EXPECT_EQ(work.names(), std::vector<std::string>{"amp.scr"});
    EXPECT_EQ(read_bytes(target), "old");

    fs::create_directory(work / "folder.scr");
    auto on_folder = write_text(work / "folder.scr", "new");
    EXPECT_EQ(on_folder.error, std::errc::is_a_directory);
    EXPECT_EQ(on_folder.failed_step, FileStep::open);

    auto nowhere = write_text(work / "missing" / "amp.scr", "new");
    EXPECT_EQ(nowhere.error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(nowhere.failed_step, FileStep::create);
    EXPECT_EQ(work.names(), (std::vector<std::string>{"amp.scr", "folder.scr"}));
}

// The tables keep positions in blocks of 16,384; the writer collects the script in 256 KiB.
TEST(SizeEdges, TablesAcrossTheirBlocks)
{
    std::string nodes;
    for (int j = 1; j <= 40000; ++j)
        nodes += "R" + std::to_string(j) + ",1\r\n";
    auto tables = read_tango(components(40000) + "(\r\nA\r\nX,1\r\n)\r\n(\r\nVCC\r\n" + nodes + ")\r\n");
    ASSERT_EQ(tables.component_count(), 40000);
    ASSERT_EQ(tables.node_line_count(), 40001);
    for (Count k : {16384, 16385, 32768, 32769, 40000}) {
        auto at = std::to_string(k);
        EXPECT_EQ(tables.component_entry(k), at + "  :   R" + at + "   R0805   " + std::to_string(k % 97) + "k");
        EXPECT_EQ(tables.node_entry(k), "002-" + entry_number(k) + "  :   VCC   R" + at + ",1");
    }
}

TEST(SizeEdges, ScriptsAcrossTheWritersBuffer)
{
    const std::string node(300 << 10, 'n');
    const std::string quoted_node = "x;" + node;
    const std::string lines = "(\r\nBIG\r\n" + node + "\r\n" + quoted_node + "\r\n)\r\n";
    EXPECT_TRUE(eagle_script(read_tango(lines), "p") ==
              "Use p;\r\nGrid Mil;\n\r\nSignal BIG " + node + " \\\r       '" + quoted_node
                  + "' \\\r       ;\r\n");

    // About 70 bytes a component: the buffer fills some twenty times.
    std::string expected = "Use p;\r\nGrid Mil;\n\r\n";
    for (int k = 1; k <= 80000; ++k) {
        auto point = " ( " + std::to_string((k - 1) % 10 * 1000) + " " + std::to_string(10000 - (k - 1) / 10 * 500) + " );\r\n";
        auto name = "R" + std::to_string(k);
        expected += "Add R0805" + point + "Name " + name + point + "Value " + name + " "
                    + std::to_string(k % 97) + "k;\n\r\n";
    }
    // And a net of 80,000 nodes, compared without its line breaks.
    std::string nodes;
    expected += "Signal VCC ";
    for (int k = 1; k <= 80000; ++k) {
        nodes += "R" + std::to_string(k) + ",1\r\n";
        expected += "R" + std::to_string(k) + " 1 ";
    }
    expected += ";\r\n";
    std::string streamed;
    write_eagle_script(read_tango(components(80000) + "(\r\nVCC\r\n" + nodes + ")\r\n"), "p",
                       [&](std::string_view piece) { streamed += piece; });
    const std::string line_break = "\\\r       ";
    for (auto at = streamed.find(line_break); at != std::string::npos; at = streamed.find(line_break, at))
        streamed.erase(at, line_break.size());
    EXPECT_TRUE(streamed == expected);  // a diff of megabytes would not help
}

}  // namespace
}  // namespace malvor
