// What the converter leaves on disk for awkward targets and inputs on POSIX systems.
#include "command_run.h"
#include "eagle_writer.h"
#include "file_io.h"
#include "tango_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace malvor {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// Over 64 KiB, so that a pipe hands it over in several pieces.
const std::string netlist = components(3000) + "(\r\nGND\r\nR1,2\r\nR2,2\r\n)\r\n";

struct EdgeCase {
    const char* what;
    std::string line;  // run in a folder holding amp.net and its script as want.scr; $C: converter
    int status;
    std::string err;
    std::string after;  // a shell test of what is left on disk
    bool needs_root = false;
};

void run_cases(const std::vector<EdgeCase>& cases)
{
    for (const auto& c : cases) {
        if (c.needs_root && ::geteuid() != 0) {
            std::cout << "[  SKIPPED ] " << c.what << ": needs root\n";
            continue;
        }
        TempFolder work;
        work.write("amp.net", netlist);
        work.write("want.scr", eagle_script(read_tango(netlist), "p"));
        std::string run = "cd '" + work.path().string() + "' && C='" MALVOR_CONVERT_EXE "' && { " +
                          c.line + "; } 2>err; s=$?; " + c.after + " || exit 99; exit $s";
        int raw = std::system(run.c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, c.status) << c.what;
        EXPECT_EQ(read_bytes(work / "err"), c.err) << c.what;
        for (const auto& entry : fs::recursive_directory_iterator(work.path()))
            EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

// "write script" or "read netlist" on `name`, and why not.
std::string cannot(const char* what, const char* name, std::error_code code)
{
    return std::string("malvor-convert: cannot ") + what + " '" + name + "': " + code.message() +
           "\n";
}

TEST(FileEdges, ScriptTargets)
{
    const auto not_regular = make_error_code(FileError::not_regular_file);
    const std::string long_name(251, 'a');
    run_cases({
        // clang-format off
        {"a FIFO is refused and stays", "mkfifo amp.scr && $C amp.net p.lbr", 1, cannot("write script", "amp.scr", not_regular), "test -p amp.scr"},
        {"a device is refused and stays", "mknod amp.scr c 1 3 && $C -o amp.scr amp.net p.lbr", 1, cannot("write script", "amp.scr", not_regular), "test -c amp.scr", true},
        {"a folder in the way", "mkdir amp.scr && $C amp.net p.lbr", 1, cannot("write script", "amp.scr", std::make_error_code(std::errc::is_a_directory)), "test -d amp.scr"},
        {"a chain of links is followed and kept", "mkdir real && echo old >real/amp.scr && ln -s real/amp.scr hop && ln -s hop amp.scr && $C amp.net p.lbr >/dev/null", 0, "", "test -L amp.scr && test -L hop && cmp real/amp.scr want.scr"},
        {"a dangling link gets its file", "ln -s new.scr amp.scr && $C amp.net p.lbr >/dev/null", 0, "", "test -L amp.scr && cmp new.scr want.scr"},
        {"permission bits are kept", "echo old >amp.scr && chmod 604 amp.scr && $C amp.net p.lbr >/dev/null", 0, "", "test $(stat -c %a amp.scr) = 604 && cmp amp.scr want.scr"},
        {"a new script follows the umask", "umask 027 && $C amp.net p.lbr >/dev/null", 0, "", "test $(stat -c %a amp.scr) = 640"},
        {"owner and group are kept", "echo old >amp.scr && chown 1234:2345 amp.scr && $C amp.net p.lbr >/dev/null", 0, "", "test $(stat -c %u:%g amp.scr) = 1234:2345 && cmp amp.scr want.scr", true},
        {"a script name of 255 characters", "cp amp.net " + long_name + ".net && $C " + long_name + ".net p.lbr >/dev/null", 0, "", "cmp " + long_name + ".scr want.scr"},
        {"a file-size limit is a write error", "echo old >amp.scr && ulimit -f 8 && $C amp.net p.lbr", 1, cannot("write script", "amp.scr", std::error_code(EFBIG, std::generic_category())), "test \"$(cat amp.scr)\" = old"},
        {"a lost path is an error, the script stays", "$C amp.net p.lbr >/dev/full", 1, "malvor-convert: script written, but its path could not be printed: " + system_message(ENOSPC) + "\n", "cmp amp.scr want.scr"},
        {"a full standard output", "$C -o - amp.net p.lbr >/dev/full", 1, "malvor-convert: cannot write the script to standard output\n", "test ! -e amp.scr"},
        // clang-format on
    });
}

TEST(FileEdges, NetlistSources)
{
    const auto too_large = make_error_code(FileError::netlist_too_large);
    std::vector<EdgeCase> cases = {
        // clang-format off
        {"/dev/zero", "$C -o out.scr /dev/zero p.lbr", 1, cannot("read netlist", "/dev/zero", FileError::device_or_socket), "test ! -e out.scr"},
        {"a link to /dev/urandom", "ln -s /dev/urandom u.net && $C -o out.scr u.net p.lbr", 1, cannot("read netlist", "u.net", FileError::device_or_socket), "test ! -e out.scr"},
        {"2 GiB", "truncate -s 2G big.net && $C -o out.scr big.net p.lbr", 1, cannot("read netlist", "big.net", too_large), "test ! -e out.scr"},
        {"50 GB", "truncate -s 50G big.net && $C --list big.net", 1, cannot("read netlist", "big.net", too_large), "true"},
        {"a pipe", "cat amp.net | $C -o out.scr /dev/stdin p.lbr", 0, "", "cmp out.scr want.scr"},
        {"a FIFO", "mkfifo f.net && { cat amp.net >f.net & } && $C -o out.scr f.net p.lbr", 0, "", "cmp out.scr want.scr"},
        // clang-format on
    };
#ifndef __SANITIZE_ADDRESS__  // the sanitizer reserves more address space than the limit
    cases.push_back(
        {"memory runs out",
         "ulimit -v 200000 && head -c 400000000 /dev/zero | "
         "$C -o out.scr /dev/stdin p.lbr",
         1,
         cannot("read netlist", "/dev/stdin", std::make_error_code(std::errc::not_enough_memory)),
         "test ! -e out.scr"});
#endif
    run_cases(cases);
}

// The window asks for regular files only and must get its answer at once.
TEST(FileEdges, RegularFilesOnlyRefuseTheRestWithoutWaiting)
{
    TempFolder work;
    ASSERT_EQ(::mkfifo((work / "f.net").c_str(), 0600), 0);
    fs::create_symlink("f.net", work / "link.net");
    int unix_socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (work / "s.net").c_str());
    ASSERT_EQ(::bind(unix_socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    for (const char* name : {"f.net", "link.net", "s.net", "/dev/null"}) {
        auto read = read_whole_file(work / name, ReadKind::regular_only);
        EXPECT_EQ(read.error, make_error_code(FileError::not_regular_file)) << name;
    }
    ::close(unix_socket);
    work.write("amp.net", netlist);
    EXPECT_EQ(read_whole_file(work / "amp.net", ReadKind::regular_only).value.view(), netlist);
}

TEST(FileEdges, InterruptedWritesLeaveTheOldScriptAndNoTemporaryFile)
{
    TempFolder work;
    auto target = work.write("amp.scr", "old");
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        pid_t child = ::fork();
        if (child == 0) {
            std::signal(signal_number, SIG_DFL);  // a test runner may have ignored it
            remove_temporary_file_on_signals();
            (void)write_file_atomically(target, [&](const auto& write) {
                write("partial");
                std::raise(signal_number);
            });
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << signal_number;
        EXPECT_EQ(work.names(), std::vector<std::string>{"amp.scr"});
    }
    EXPECT_EQ(read_bytes(target), "old");
}

}  // namespace
}  // namespace malvor
