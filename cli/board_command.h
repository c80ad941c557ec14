#pragma once
// malvor-convert --board [-o OUTPUT] [--map MAP] NETLIST LIBRARY...: writes an EAGLE board with
// a copy of every package, the parts placed by their size, every net a signal. Written only when
// EAGLE and KiCad would open it as the netlist means it; otherwise the check's problems, exit 3.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace malvor {

struct BoardRequest {
    std::string netlist;
    std::vector<std::string> libraries;
    std::optional<std::string> map;
    std::optional<std::string> output;  // "-" for standard output; else beside the netlist
};

int run_board(const BoardRequest& request, std::FILE* out, std::FILE* err);

}  // namespace malvor
