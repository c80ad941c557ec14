// Replacing a script through a temporary file beside it, and what a failed write leaves.
#include "file_io.h"
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
    EXPECT_THROW((void)write_file_atomically(target,
                                             [](const auto& write) {
                                                 write("partial");
                                                 throw std::runtime_error("stop");
                                             }),
                 std::runtime_error);
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

}  // namespace
}  // namespace malvor
