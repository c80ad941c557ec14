#pragma once
// malvor-convert --update BOARD [-o OUTPUT] [--map MAP] [--dry-run] NETLIST LIBRARY...: brings a
// placed and routed EAGLE board up to date with the netlist, keeping what the designer did, and
// prints every change. In place, the previous board is kept as EAGLE keeps its backups.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace malvor {

struct UpdateRequest {
    std::string board;
    std::string netlist;
    std::vector<std::string> libraries;
    std::optional<std::string> map;
    std::optional<std::string> output;  // "-" for standard output; else the board itself
    bool dry_run = false;
};

int run_update(const UpdateRequest& request, std::FILE* out, std::FILE* err);

}  // namespace malvor
