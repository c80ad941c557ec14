#pragma once
// The command-line converter, apart from the process: arguments in, exit status out.

#include "command_io.h"

#include <cstdio>
#include <string>
#include <vector>

namespace malvor {

int run_convert_command(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

}  // namespace malvor
