#pragma once
// How a node line splits into its component and its pin.
//
// A line holding a comma is split at its commas. Real netlists more often write a node as
// "R1-2"; a line without a comma is split at one hyphen, written as a blank: the hyphen after
// the longest text that is the name of one of the netlist's components, or else the first
// hyphen. Pin names such as "D-" or "5-2" hold hyphens themselves, which is why the
// component names come first. A hyphen counts only with text on both sides.

#include "netlist_tables.h"

#include <string_view>
#include <vector>

namespace malvor {

// The words of a node as the script writes them, without the separators between them.
struct NodeWords {
    std::string_view component;
    std::string_view pin;
    bool more = false;  // a third word follows the pin
};

class NodeSplitter {
public:
    explicit NodeSplitter(const NetlistTables& tables) : tables_(tables) {}

    // The hyphen of a node line without a comma that is written as a blank, or npos.
    std::size_t hyphen(std::string_view node);

    // The first words of a node line: separated by blanks, commas and the hyphen above.
    NodeWords words(std::string_view node);

private:
    bool is_component(std::string_view name);

    const NetlistTables& tables_;
    // The component names, sorted; gathered at the first node that needs them, as most
    // netlists never do.
    std::vector<std::string_view> names_;
    bool names_gathered_ = false;
};

}  // namespace malvor
