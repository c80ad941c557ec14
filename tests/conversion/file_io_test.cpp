#include "file_io.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace malvor {
namespace {

using testing_support::read_bytes;
using testing_support::TempFolder;

ByteProducer pieces(std::vector<std::string> parts)
{
    return [parts](const auto& write) {
        for (const auto& part : parts)
            write(part);
    };
}

TEST(ReadWholeFile, GivesEveryByte)
{
    TempFolder folder;
    std::string bytes("a\r\nb\0c\rd\n", 9);
    auto result = read_whole_file(folder.write("n.net", bytes));
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.bytes, bytes);
}

TEST(ReadWholeFile, NamesTheReasonItCannot)
{
    TempFolder folder;
    auto missing = read_whole_file(folder / "gone.net");
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.error, "No such file or directory");
    auto directory = read_whole_file(folder.path());
    EXPECT_FALSE(directory.ok());
    EXPECT_EQ(directory.error, "Is a directory");
}

TEST(WriteFileAtomically, ReplacesTheTargetAndLeavesNothingElse)
{
    TempFolder folder;
    auto target = folder.write("amp.scr", "old contents");
    EXPECT_EQ(write_file_atomically(target, pieces({"Use lib;\r\n", "Grid Mil;\n\r\n"})), "");
    EXPECT_EQ(read_bytes(target), "Use lib;\r\nGrid Mil;\n\r\n");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"amp.scr"});
}

TEST(WriteFileAtomically, FailureLeavesNoFileAndTheOldOneUntouched)
{
    TempFolder folder;
    // A folder where the script should go: the rename cannot replace it.
    std::filesystem::create_directory(folder / "amp.scr");
    auto error = write_file_atomically(folder / "amp.scr", pieces({"Use lib;\r\n"}));
    EXPECT_NE(error, "");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "amp.scr"));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"amp.scr"});

    error = write_file_atomically(folder / "missing" / "amp.scr", pieces({"x"}));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"amp.scr"});
}

}  // namespace
}  // namespace malvor
