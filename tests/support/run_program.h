#pragma once
// Starts a program the way a user's shell would and waits for it, on POSIX and on Windows.

#include <filesystem>
#include <string>
#include <vector>

namespace malvor::testing_support {

// Runs `program` with `arguments` (UTF-8) in `folder`, standard input empty, standard output
// and standard error into the given files. Returns the exit status, or -1 when the program
// could not start or did not exit by itself.
int run_program(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::filesystem::path& folder, const std::filesystem::path& stdout_file,
                const std::filesystem::path& stderr_file);

}  // namespace malvor::testing_support
