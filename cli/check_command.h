#pragma once
// malvor-convert --check [--map MAP] [--suggest-map NEWMAP] NETLIST [LIBRARY...]: reports, one
// a line in the form compilers use, what would go wrong when the netlist's script runs in
// EAGLE with those libraries (without any, what needs no library); writes no script, but
// NEWMAP where asked.

#include "command_io.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace malvor {

struct CheckRequest {
    std::string netlist;
    std::vector<std::string> libraries;
    std::optional<std::string> map;
    std::optional<std::string> suggest_map;
};

int run_check(const CheckRequest& request, std::FILE* out, std::FILE* err);

}  // namespace malvor
