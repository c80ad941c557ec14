#pragma once
// malvor-convert --check NETLIST LIBRARY: reports, one a line in the form compilers use, what
// would go wrong when the netlist's script runs in EAGLE with that library; writes no script.

#include <cstdio>
#include <string>

namespace malvor {

// Exit status when the check found problems (0 without, 1 when a file cannot be used).
inline constexpr int exit_problems = 3;

int run_check(const std::string& netlist, const std::string& library, std::FILE* out,
              std::FILE* err);

}  // namespace malvor
