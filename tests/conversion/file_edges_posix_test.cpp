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
#include <sys/stat.h>
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
        // No temporary file, of any name.
        for (const auto& entry : fs::recursive_directory_iterator(work.path()))
            EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
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
        {"a link to a device is refused and stays", "ln -s /dev/null amp.scr && $C amp.net p.lbr >out", 1, cannot("write script", "amp.scr", not_regular), "test -L amp.scr && test -c amp.scr && test ! -s out"},
        {"-o naming redirected standard output", "{ echo before; $C -o /dev/stdout amp.net p.lbr; echo after; } >log.txt", 0, "", "{ echo before; cat want.scr; echo after; } >w && cmp log.txt w"},
        {"-o naming standard error appended to", "echo old >build.log && $C -o /dev/stderr amp.net p.lbr 2>>build.log", 0, "", "{ echo old; cat want.scr; } >w && cmp build.log w"},
        {"-o through /dev/fd and /proc", "$C -o /dev/fd/1 amp.net p.lbr >a.txt && $C -o /proc/self/fd/1 amp.net p.lbr >b.txt", 0, "", "cmp a.txt want.scr && cmp b.txt want.scr"},
        {"-o naming the file standard output goes to", "$C -o amp.scr amp.net p.lbr >amp.scr", 0, "", "cmp amp.scr want.scr"},
        {"set-user-ID, set-group-ID and sticky bits are kept", "for m in 4755 2775 1644 6700; do echo old >s$m.scr && chmod $m s$m.scr && $C -o s$m.scr amp.net p.lbr || exit; done", 0, "", "for m in 4755 2775 1644 6700; do test $(stat -c %a s$m.scr) = $m && cmp s$m.scr want.scr || exit; done"},
        {"a kill at any moment leaves the old script or the new one and nothing else", "for i in 1 2 3 4 5 6 7 8 9 10 11 12; do cat amp.net amp.net amp.net amp.net; done >big.net && cp want.scr big.scr && { for d in 0 0.002 0.005 0.01 0.02 0.05; do $C -o big.scr big.net p.lbr & sleep $d; kill -9 $!; wait; done; } 2>/dev/null", 0, "", "test \"$(ls -A)\" = \"$(printf 'amp.net\\nbig.net\\nbig.scr\\nerr\\nwant.scr')\""},
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
        {"--list shows control characters as \\xHH on a terminal only", "printf '[\\r\\nR\\033[2J1\\r\\nP\\r\\nV\\r\\n]\\r\\n' >e.net && script -qec \"$C --list e.net\" /dev/null </dev/null >tty.txt && $C --list e.net >raw.txt", 0, "", "printf '001  :   R\\\\x1B[2J1   P   V\\r\\n' | cmp - tty.txt && printf '001  :   R\\033[2J1   P   V\\n' | cmp - raw.txt"},
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

// A mapped netlist that shrinks while the script is written raises SIGBUS: the run ends with
// the message, the temporary file gone and the old script kept.
TEST(FileEdges, ANetlistCutWhileReadEndsTheRunWithAMessage)
{
    TempFolder work;
    auto net = work.write("amp.net", netlist);
    auto target = work.write("amp.scr", "old");
    pid_t child = ::fork();
    if (child == 0) {
        std::FILE* err = std::freopen((work / "err").c_str(), "w", stderr);
        report_bus_errors_as("netlist cut\n");
        auto file = read_whole_file(net);
        if (!err || !file.ok() || ::truncate(net.c_str(), 0) != 0)
            ::_exit(99);
        std::size_t sum = 0;
        (void)write_file_atomically(target, [&](const auto& write) {
            write("partial");
            for (char c : file.value.view())
                sum += static_cast<unsigned char>(c);
        });
        ::_exit(sum == 0 ? 98 : 97);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(read_bytes(work / "err"), "netlist cut\n");
    EXPECT_EQ(work.names(), (std::vector<std::string>{"amp.net", "amp.scr", "err"}));
    EXPECT_EQ(read_bytes(target), "old");
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
