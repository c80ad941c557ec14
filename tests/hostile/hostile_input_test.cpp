// malvor-convert given files that are not netlists, and outputs it cannot write.
// Each case must end in a converted script or in a clear error with exit status 1: never a
// crash, a hang or a partly written file.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string header = "Use parts;\r\nGrid Mil;\n\r\n";

struct Outcome {
    int exit_status = -1;  // -1 when the converter did not exit by itself
    int signal = 0;        // the signal that ended it, if one did
    std::string out;
    std::string err;
};

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

struct RunOptions {
    rlim_t file_size_limit = RLIM_INFINITY;  // largest file the converter may write
    const char* stdout_path = nullptr;       // standard output instead of the capture file
};

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path()
                / ("malvor-hostile-" + std::to_string(::getpid()) + "-" + test->name());
        fs::remove_all(root_);
        work_ = root_ / "work";
        fs::create_directories(work_);
        fs::create_directories(root_ / "capture");
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    // Runs the converter in the work folder; its output goes to files outside it, so the work
    // folder holds only what the converter itself wrote.
    Outcome convert(const std::vector<std::string>& arguments, const RunOptions& options = {})
    {
        const fs::path out_path = root_ / "capture" / "out";
        const fs::path err_path = root_ / "capture" / "err";
        std::vector<std::string> argv_text{MALVOR_CONVERT_EXE};
        argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& argument : argv_text)
            argv.push_back(argument.data());
        argv.push_back(nullptr);

        pid_t child = ::fork();
        if (child == 0) {
            const char* stdout_target = options.stdout_path ? options.stdout_path : out_path.c_str();
            int out = ::open(stdout_target, O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0
                || ::chdir(work_.c_str()) != 0)
                ::_exit(126);
            if (options.file_size_limit != RLIM_INFINITY) {
                // Past the limit a write fails with EFBIG instead of killing the process.
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit limit{options.file_size_limit, options.file_size_limit};
                if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                    ::_exit(126);
            }
            ::alarm(120);  // a converter that hangs dies of SIGALRM and fails the test
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        Outcome outcome;
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child) {
            ADD_FAILURE() << "could not run " << MALVOR_CONVERT_EXE;
            return outcome;
        }
        if (WIFEXITED(status))
            outcome.exit_status = WEXITSTATUS(status);
        if (WIFSIGNALED(status))
            outcome.signal = WTERMSIG(status);
        EXPECT_EQ(outcome.signal, 0) << "malvor-convert was killed by signal " << outcome.signal;
        EXPECT_NE(outcome.exit_status, 126) << "could not prepare the converter's process";
        EXPECT_NE(outcome.exit_status, 127) << "could not start " << MALVOR_CONVERT_EXE;
        if (!options.stdout_path)
            outcome.out = read_file(out_path);
        outcome.err = read_file(err_path);
        return outcome;
    }

    // Names in the work folder, hidden ones included, sorted.
    std::vector<std::string> work_files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root_;
    fs::path work_;
};

TEST_F(HostileInput, BinaryFileGivesAScriptOfTheBlocksItHappensToHold)
{
    std::mt19937 random(20240611u);
    std::string bytes;
    for (int i = 0; i < 64 * 1024; ++i)
        bytes += static_cast<char>(random() & 0xff);
    for (std::size_t i = 0; i < bytes.size(); i += 97)
        bytes[i] = '\0';
    // One component block before the noise (inside it, an open net block could swallow it),
    // with a NUL and a blank in its name.
    bytes.insert(0, std::string("[\r\nQ\0 1\r\nTO-92\r\nBC547\r\n", 23));
    write_file(work_ / "noise.net", bytes);

    auto outcome = convert({"noise.net", "parts.lbr"});
    ASSERT_EQ(outcome.exit_status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "noise.scr\n");
    std::string script = read_file(work_ / "noise.scr");
    EXPECT_EQ(script.substr(0, header.size()), header);
    EXPECT_NE(script.find(std::string("Name 'Q\0 1' ( ", 14)), std::string::npos);
    EXPECT_EQ(work_files(), (std::vector<std::string>{"noise.net", "noise.scr"}));
}

TEST_F(HostileInput, HundredMegabyteSingleLineGivesAnEmptyScript)
{
    // Characters that mean something elsewhere in a netlist, on one line without an end.
    const std::string pattern = "[(;' ,x)]\t";
    std::string line;
    line.reserve(100u << 20);
    while (line.size() < (100u << 20))
        line += pattern;
    line.resize(100u << 20);
    write_file(work_ / "huge.net", line);
    line.clear();
    line.shrink_to_fit();

    auto outcome = convert({"huge.net", "parts.lbr"});
    ASSERT_EQ(outcome.exit_status, 0) << outcome.err;
    EXPECT_EQ(read_file(work_ / "huge.scr"), header);
    fs::remove(work_ / "huge.net");
    EXPECT_EQ(work_files(), (std::vector<std::string>{"huge.scr"}));
}

TEST_F(HostileInput, OnlyCarriageReturnsGiveAnEmptyScript)
{
    write_file(work_ / "returns.net", std::string(100000, '\r'));

    auto outcome = convert({"returns.net", "parts.lbr"});
    ASSERT_EQ(outcome.exit_status, 0) << outcome.err;
    EXPECT_EQ(read_file(work_ / "returns.scr"), header);

    auto listed = convert({"--list", "returns.net"});
    EXPECT_EQ(listed.exit_status, 0) << listed.err;
    EXPECT_EQ(listed.out, "");
}

TEST_F(HostileInput, DirectoryAsNetlistIsAnErrorNamingIt)
{
    fs::create_directory(work_ / "boards.net");

    auto outcome = convert({"boards.net", "parts.lbr"});
    EXPECT_EQ(outcome.exit_status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("boards.net"), std::string::npos) << outcome.err;
    EXPECT_EQ(work_files(), (std::vector<std::string>{"boards.net"}));

    auto listed = convert({"--list", "boards.net"});
    EXPECT_EQ(listed.exit_status, 1);
    EXPECT_NE(listed.err.find("boards.net"), std::string::npos) << listed.err;
}

TEST_F(HostileInput, NetlistRemovedAfterListingIsAnErrorAndKeepsTheOldScript)
{
    write_file(work_ / "amp.net", "[\r\nR1\r\nR0805\r\n10k\r\n]\r\n");
    write_file(work_ / "amp.scr", "earlier script");
    std::vector<fs::path> listed;
    for (const auto& entry : fs::directory_iterator(work_))
        if (entry.path().extension() == ".net")
            listed.push_back(entry.path());
    ASSERT_EQ(listed.size(), 1u);
    fs::remove(listed[0]);

    auto outcome = convert({listed[0].string(), "parts.lbr"});
    EXPECT_EQ(outcome.exit_status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find(listed[0].string()), std::string::npos) << outcome.err;
    EXPECT_EQ(read_file(work_ / "amp.scr"), "earlier script");
    EXPECT_EQ(work_files(), (std::vector<std::string>{"amp.scr"}));
}

class HostileOutput : public HostileInput {
protected:
    void SetUp() override
    {
        HostileInput::SetUp();
        write_file(work_ / "amp.net", "[\r\nR1\r\nR0805\r\n10k\r\n]\r\n(\r\nGND\r\nR1,2\r\n)\r\n");
    }

    void expect_write_error(const Outcome& outcome, const std::string& target)
    {
        EXPECT_EQ(outcome.exit_status, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_NE(outcome.err.find("cannot write"), std::string::npos) << outcome.err;
        EXPECT_NE(outcome.err.find(target), std::string::npos) << outcome.err;
    }
};

TEST_F(HostileOutput, OutputInsideMissingFolderIsAnError)
{
    auto outcome = convert({"-o", "missing/amp.scr", "amp.net", "parts.lbr"});
    expect_write_error(outcome, "missing/amp.scr");
    EXPECT_EQ(work_files(), (std::vector<std::string>{"amp.net"}));
}

TEST_F(HostileOutput, OutputBelowARegularFileIsAnError)
{
    write_file(work_ / "plain", "not a folder");
    auto outcome = convert({"-o", "plain/amp.scr", "amp.net", "parts.lbr"});
    expect_write_error(outcome, "plain/amp.scr");
    EXPECT_EQ(read_file(work_ / "plain"), "not a folder");
    EXPECT_EQ(work_files(), (std::vector<std::string>{"amp.net", "plain"}));
}

TEST_F(HostileOutput, OutputThatIsAFolderIsAnErrorAndLeavesNoTemporaryFile)
{
    fs::create_directory(work_ / "scripts");
    auto outcome = convert({"-o", "scripts", "amp.net", "parts.lbr"});
    expect_write_error(outcome, "scripts");
    EXPECT_TRUE(fs::is_directory(work_ / "scripts"));
    EXPECT_TRUE(fs::is_empty(work_ / "scripts"));
    EXPECT_EQ(work_files(), (std::vector<std::string>{"amp.net", "scripts"}));
}

TEST_F(HostileOutput, ScriptPathTakenByAFolderIsAnError)
{
    fs::create_directory(work_ / "amp.scr");
    auto outcome = convert({"amp.net", "parts.lbr"});
    expect_write_error(outcome, "amp.scr");
    EXPECT_TRUE(fs::is_empty(work_ / "amp.scr"));
    EXPECT_EQ(work_files(), (std::vector<std::string>{"amp.net", "amp.scr"}));
}

TEST_F(HostileOutput, FailedWriteLeavesTheExistingScriptUntouched)
{
    // Enough components for a script far over the size limit the converter runs under.
    std::string netlist;
    for (int i = 1; i <= 300; ++i)
        netlist += "[\r\nR" + std::to_string(i) + "\r\nR0805\r\n10k\r\n]\r\n";
    write_file(work_ / "amp.net", netlist);
    write_file(work_ / "amp.scr", "earlier script");

    RunOptions options;
    options.file_size_limit = 4096;
    auto outcome = convert({"amp.net", "parts.lbr"}, options);
    expect_write_error(outcome, "amp.scr");
    EXPECT_EQ(read_file(work_ / "amp.scr"), "earlier script");
    EXPECT_EQ(work_files(), (std::vector<std::string>{"amp.net", "amp.scr"}));
}

TEST_F(HostileOutput, FullStandardOutputIsAnError)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    RunOptions options;
    options.stdout_path = "/dev/full";
    auto outcome = convert({"-o", "-", "amp.net", "parts.lbr"}, options);
    EXPECT_EQ(outcome.exit_status, 1);
    EXPECT_NE(outcome.err.find("cannot write"), std::string::npos) << outcome.err;
    EXPECT_EQ(work_files(), (std::vector<std::string>{"amp.net"}));
}

}  // namespace
