#include "check_report.h"

#include "shown_text.h"

#include <algorithm>

namespace malvor {
namespace {

std::string counted(long long count, const char* one, const char* more)
{
    return std::to_string(count) + ' ' + (count == 1 ? one : more);
}

// The last of `count` increasing starts (numbered from `first`) at or before `position`, or
// first - 1.
template <class StartOf>
Count last_at_or_before(Count first, Count count, std::size_t position, StartOf start_of)
{
    Count low = first, high = first + count;  // the answer is below high
    while (low < high) {
        const Count middle = low + (high - low) / 2;
        if (start_of(middle) <= position)
            low = middle + 1;
        else
            high = middle;
    }
    return low - 1;
}

}  // namespace

std::string problem_line(std::string_view netlist, const CheckReport& report,
                         const Problem& problem, std::string_view kind)
{
    std::string line = shown(netlist);
    line += ':';
    line += std::to_string(problem.line);
    line += ": ";
    line += kind;
    append_shown(line, report.message(problem));
    return line;
}

std::string check_summary(std::size_t problems, const NetlistTables& tables)
{
    return counted(static_cast<long long>(problems), "problem", "problems") + ", " +
           counted(tables.component_count(), "component", "components") + ", " +
           counted(tables.net_count(), "net", "nets");
}

std::vector<std::string> libraries_without_packages(const std::vector<std::string>& library_paths,
                                                    const LibrarySetup& setup)
{
    std::vector<std::string> lines;
    for (std::size_t index = 0; index < setup.libraries.size(); ++index) {
        if (setup.libraries[index].library.package_count() == 0)
            lines.push_back(shown(library_paths[index]) + ": the library has no packages");
    }
    return lines;
}

ProblemEntry problem_entry(const NetlistTables& tables, std::size_t position)
{
    const char* text = tables.source().data();
    auto offset = [text](std::string_view cell) { return std::size_t(cell.data() - text); };
    const Count component = last_at_or_before(1, tables.component_count(), position,
                                              [&](Count k) { return offset(tables.comp_name(k)); });
    const Count net = last_at_or_before(
        1, tables.net_count(), position, [&](Count i) { return tables.sig_name_start(i); });
    const Count row = last_at_or_before(0, tables.node_line_count(), position,
                                        [&](Count r) { return offset(tables.node_line(r)); });
    // The block that started last before the line holds it.
    const std::size_t component_start = component >= 1 ? offset(tables.comp_name(component)) : 0;
    const std::size_t net_start = net >= 1 ? tables.sig_name_start(net) : 0;
    const bool in_net = net >= 1 && (component < 1 || net_start > component_start);
    if (!in_net) {
        if (component < 1)
            return {};
        return {ProblemEntry::List::components, component - 1};
    }
    if (row >= 0 && offset(tables.node_line(row)) == position &&
        offset(tables.node_line(row)) > net_start)
        return {ProblemEntry::List::nodes, row};
    if (tables.node_count(net) == 0)
        return {};
    return {ProblemEntry::List::nodes, tables.first_node_row(net)};
}

}  // namespace malvor
