#pragma once
// The check's report as lines of text, the same in the converter's output and the window's
// list, and the result-list entry a problem's line belongs to.

#include "conversion_setup.h"
#include "netlist_check.h"
#include "netlist_tables.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace malvor {

// "NETLIST:LINE: <kind>message", shown safely, without a line end.
std::string problem_line(std::string_view netlist, const CheckReport& report,
                         const Problem& problem, std::string_view kind);

// "3 problems, 5 components, 2 nets".
std::string check_summary(std::size_t problems, const NetlistTables& tables);

// "LIBRARY: the library has no packages" for each library without any (frames, logos), which
// is said once rather than for every component.
std::vector<std::string> libraries_without_packages(const std::vector<std::string>& library_paths,
                                                    const LibrarySetup& setup);

// The entry of a result list whose block holds the line starting at `position`: a component's
// (any line of its block), a node's, or the first node's of a net blamed at its name line.
struct ProblemEntry {
    enum class List { none, components, nodes } list = List::none;
    Count row = 0;  // 0-based, as the list shows it
};
ProblemEntry problem_entry(const NetlistTables& tables, std::size_t position);

}  // namespace malvor
