// The file edges that only POSIX systems can set up: links, FIFOs, devices, sockets, file
// modes and owners, size limits, a full device and signals, through a POSIX shell.
#include "eagle_writer.h"
#include "file_io.h"
#include "tango_reader.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace malvor {
namespace {

namespace fs = std::filesystem;
using testing_support::read_bytes;
using testing_support::TempFolder;

std::string message(int error) { return std::error_code(error, std::generic_category()).message(); }

std::string components(int count)
{
    std::string netlist;
    for (int k = 1; k <= count; ++k)
        netlist += "[\r\nR" + std::to_string(k) + "\r\nR0805\r\n" + std::to_string(k % 97) + "k\r\n]\r\n";
    return netlist;
}

// Over 64 KiB, so that a pipe hands it over in several pieces.
const std::string netlist = components(3000) + "(\r\nGND\r\nR1,2\r\nR2,2\r\n)\r\n";
const std::string script = eagle_script(read_tango(netlist), "p");

struct Run {
    int status = -1;
    std::string err;
};

// Runs a shell line in `folder`, where $C names the converter.
Run shell(const fs::path& folder, const std::string& line)
{
    TempFolder capture;
    std::string command = "cd '" + folder.string() + "' && C='" MALVOR_CONVERT_EXE "' && " + line
                          + " 2>'" + (capture / "err").string() + "'";
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_bytes(capture / "err")};
}

void expect_no_temporary_files(const fs::path& folder)
{
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

struct EdgeCase {
    const char* what;
    std::string line;  // shell line run in a folder holding amp.net
    int status;
    std::string err;
    std::function<void(const fs::path&)> check;
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
        auto run = shell(work.path(), c.line);
        EXPECT_EQ(run.status, c.status) << c.what;
        EXPECT_EQ(run.err, c.err) << c.what;
        c.check(work.path());
        expect_no_temporary_files(work.path());
    }
}

std::string write_error(const char* target, std::error_code code)
{
    return std::string("malvor-convert: cannot write script '") + target + "': " + code.message() + "\n";
}

std::string read_error(const char* netlist, std::error_code code)
{
    return std::string("malvor-convert: cannot read netlist '") + netlist + "': " + code.message() + "\n";
}

TEST(FileEdges, ScriptTargets)
{
    const auto not_regular = make_error_code(FileError::not_regular_file);
    const auto mode_of = [](const fs::path& file) { return fs::status(file).permissions(); };
    const std::string long_name(251, 'a');
    const std::vector<EdgeCase> cases = {
        {"a FIFO is refused and stays", "mkfifo amp.scr && $C amp.net p.lbr", 1,
         write_error("amp.scr", not_regular),
         [](const fs::path& f) { EXPECT_TRUE(fs::is_fifo(f / "amp.scr")); }},
        {"a device is refused and stays", "mknod amp.scr c 1 3 && $C -o amp.scr amp.net p.lbr", 1,
         write_error("amp.scr", not_regular),
         [](const fs::path& f) { EXPECT_TRUE(fs::is_character_file(f / "amp.scr")); }, true},
        {"a chain of links is followed and kept",
         "mkdir real && echo old >real/amp.scr && ln -s real/amp.scr hop && ln -s hop amp.scr && "
         "$C amp.net p.lbr >/dev/null", 0, "",
         [](const fs::path& f) {
             EXPECT_TRUE(fs::is_symlink(f / "amp.scr") && fs::is_symlink(f / "hop"));
             EXPECT_EQ(read_bytes(f / "real/amp.scr"), script);
         }},
        {"a dangling link gets its file", "ln -s new.scr amp.scr && $C amp.net p.lbr >/dev/null", 0,
         "",
         [](const fs::path& f) {
             EXPECT_TRUE(fs::is_symlink(f / "amp.scr"));
             EXPECT_EQ(read_bytes(f / "new.scr"), script);
         }},
        {"permission bits are kept", "echo old >amp.scr && chmod 604 amp.scr && $C amp.net p.lbr >/dev/null",
         0, "",
         [&](const fs::path& f) {
             EXPECT_EQ(mode_of(f / "amp.scr"), fs::perms(0604));
             EXPECT_EQ(read_bytes(f / "amp.scr"), script);
         }},
        {"a new script follows the umask", "umask 027 && $C amp.net p.lbr >/dev/null", 0, "",
         [&](const fs::path& f) { EXPECT_EQ(mode_of(f / "amp.scr"), fs::perms(0640)); }},
        {"owner and group are kept",
         "echo old >amp.scr && chown 1234:2345 amp.scr && $C amp.net p.lbr >/dev/null", 0, "",
         [](const fs::path& f) {
             struct stat info {};
             ASSERT_EQ(::stat((f / "amp.scr").c_str(), &info), 0);
             EXPECT_EQ(info.st_uid, 1234u);
             EXPECT_EQ(info.st_gid, 2345u);
         }, true},
        {"a script name of 255 characters",
         "cp amp.net " + long_name + ".net && $C " + long_name + ".net p.lbr >/dev/null", 0, "",
         [&](const fs::path& f) { EXPECT_EQ(read_bytes(f / (long_name + ".scr")), script); }},
        {"a file-size limit is a write error",
         "echo old >amp.scr && ulimit -f 8 && $C amp.net p.lbr", 1,
         write_error("amp.scr", std::error_code(EFBIG, std::generic_category())),
         [](const fs::path& f) { EXPECT_EQ(read_bytes(f / "amp.scr"), "old\n"); }},
        {"a lost path is an error, the script stays", "$C amp.net p.lbr >/dev/full", 1,
         "malvor-convert: script written, but its path could not be printed: " + message(ENOSPC) + "\n",
         [](const fs::path& f) { EXPECT_EQ(read_bytes(f / "amp.scr"), script); }},
    };
    run_cases(cases);
}

TEST(FileEdges, NetlistSources)
{
    const auto nothing_written = [](const fs::path& f) { EXPECT_FALSE(fs::exists(f / "out.scr")); };
    const auto converted = [](const fs::path& f) { EXPECT_EQ(read_bytes(f / "out.scr"), script); };
    const auto too_large = make_error_code(FileError::netlist_too_large);
    std::vector<EdgeCase> cases = {
        {"/dev/zero", "$C -o out.scr /dev/zero p.lbr", 1,
         read_error("/dev/zero", FileError::device_or_socket), nothing_written},
        {"a link to /dev/urandom", "ln -s /dev/urandom u.net && $C -o out.scr u.net p.lbr", 1,
         read_error("u.net", FileError::device_or_socket), nothing_written},
        {"2 GiB", "truncate -s 2G big.net && $C -o out.scr big.net p.lbr", 1,
         read_error("big.net", too_large), nothing_written},
        {"50 GB", "truncate -s 50G big.net && $C --list big.net", 1, read_error("big.net", too_large),
         nothing_written},
        {"a pipe", "cat amp.net | $C -o out.scr /dev/stdin p.lbr", 0, "", converted},
        {"a FIFO", "mkfifo f.net && { cat amp.net >f.net & } && $C -o out.scr f.net p.lbr", 0, "",
         converted},
    };
#ifndef __SANITIZE_ADDRESS__  // the sanitizer reserves more address space than the limit
    cases.push_back({"memory runs out", "ulimit -v 200000 && head -c 400000000 /dev/zero | "
                                        "$C -o out.scr /dev/stdin p.lbr", 1,
                     read_error("/dev/stdin", std::make_error_code(std::errc::not_enough_memory)),
                     nothing_written});
#endif
    run_cases(cases);
}

TEST(FileEdges, LibraryNames)
{
    const auto nothing_written = [](const fs::path& f) { EXPECT_FALSE(fs::exists(f / "amp.scr")); };
    const auto usage = [](FileError e) {
        return "malvor-convert: invalid library name: " + make_error_code(e).message() + "\n";
    };
    run_cases({
        {"empty", "$C amp.net ''", 2, usage(FileError::empty_library_name), nothing_written},
        {"a folder", "$C amp.net dir/", 2, usage(FileError::empty_library_name), nothing_written},
        {"only the extension", "$C amp.net /x/.LBR", 2, usage(FileError::empty_library_name),
         nothing_written},
        {"a CR", "$C amp.net \"$(printf 'a\\rb.lbr')\"", 2,
         usage(FileError::control_character_in_name), nothing_written},
        {"no extension", "$C amp.net Linear >/dev/null", 0, "",
         [](const fs::path& f) { EXPECT_EQ(read_bytes(f / "amp.scr").substr(0, 13), "Use linear;\r\n"); }},
    });
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
    auto read = read_whole_file(work / "amp.net", ReadKind::regular_only);
    EXPECT_EQ(read.value.view(), netlist);
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
    // An exception out of the producer is a failure path too.
    EXPECT_THROW((void)write_file_atomically(target, [](const auto& write) {
        write("partial");
        throw std::runtime_error("stop");
    }), std::runtime_error);
    EXPECT_EQ(work.names(), std::vector<std::string>{"amp.scr"});
    EXPECT_EQ(read_bytes(target), "old");
}

}  // namespace
}  // namespace malvor
