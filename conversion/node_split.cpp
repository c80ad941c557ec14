#include "node_split.h"

#include <algorithm>

namespace malvor {

bool NodeSplitter::is_component(std::string_view name)
{
    if (!names_gathered_) {
        names_.reserve(static_cast<std::size_t>(tables_.component_count()));
        for (Count k = 1; k <= tables_.component_count(); ++k)
            names_.push_back(tables_.comp_name(k));
        std::sort(names_.begin(), names_.end());
        names_gathered_ = true;
    }
    return std::binary_search(names_.begin(), names_.end(), name);
}

std::size_t NodeSplitter::hyphen(std::string_view node)
{
    if (node.size() < 3 || node.find(',') != std::string_view::npos)
        return std::string_view::npos;
    std::size_t first = std::string_view::npos;
    std::size_t after_name = std::string_view::npos;
    for (auto p = node.find('-', 1); p != std::string_view::npos && p + 1 < node.size();
         p = node.find('-', p + 1)) {
        if (first == std::string_view::npos)
            first = p;
        if (is_component(node.substr(0, p)))
            after_name = p;  // later hyphens follow longer names
    }
    return after_name != std::string_view::npos ? after_name : first;
}

NodeWords NodeSplitter::words(std::string_view node)
{
    const std::size_t split = hyphen(node);
    std::string_view found[3];
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos < node.size() && count < 3) {
        auto is_separator = [&](std::size_t i) {
            return node[i] == ' ' || node[i] == ',' || i == split;
        };
        if (is_separator(pos)) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < node.size() && !is_separator(end))
            ++end;
        found[count++] = node.substr(pos, end - pos);
        pos = end;
    }
    return {found[0], found[1], count == 3};
}

}  // namespace malvor
