#pragma once
// What would go wrong when the script of a netlist runs in EAGLE with the given libraries: the
// problems are found in the netlist's tables, each at the position of the line to blame.
//
// - a component whose package no library holds (with the packages it probably means as a hint), or
//   that has no package at all;
// - a node naming a component the netlist does not have, or a pad its package does not have
//   (after the package map's renames), with the pads it does have;
// - a pin already in an earlier net or twice in one net (EAGLE would stop to ask about
//   merging signals);
// - a component or net whose name equals an earlier one ignoring case;
// - a net with fewer than two nodes in the script.
// Nodes are split into component and pin as the script writes them. Without libraries, only
// what needs none is checked.

#include "large_memory.h"
#include "netlist_tables.h"
#include "package_choice.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace malvor {

struct Problem {
    std::size_t position;           // in the netlist's bytes: the start of the line to blame
    std::size_t line = 0;           // 1-based
    std::size_t message_start = 0;  // in CheckReport::messages
    std::size_t message_size = 0;
    bool harmless = false;  // a board is written all the same (a net of one node, a pin twice)
};

using Problems = std::vector<Problem, LargeAllocator<Problem>>;

// A large netlist may have hundreds of thousands of problems: their messages share one buffer.
struct CheckReport {
    Problems problems;  // sorted by position; those of one line in the order found
    std::basic_string<char, std::char_traits<char>, LargeAllocator<char>> messages;

    std::string_view message(const Problem& problem) const
    {
        return std::string_view(messages).substr(problem.message_start, problem.message_size);
    }
};

// What the netlist becomes: a script names a long net by its replacement, a board as the netlist
// writes it, so that is the name compared with the others.
enum class CheckedOutput { script, board };

// `choices` null: no library.
CheckReport check_netlist(const NetlistTables& tables, const PackageChoices* choices,
                          CheckedOutput output = CheckedOutput::script);

}  // namespace malvor
