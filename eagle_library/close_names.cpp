#include "close_names.h"

#include "script_names.h"

#include <algorithm>
#include <tuple>

namespace malvor {
namespace {

std::string letters_and_digits(std::string_view name)
{
    std::string kept;
    for (char c : lower_ascii(name))
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            kept += c;
    return kept;
}

std::size_t edit_distance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::vector<CloseName> scored_close_names(std::string_view wanted,
                                          const std::vector<std::string>& names)
{
    std::vector<CloseName> found;
    const std::string lower = lower_ascii(wanted);
    const std::string plain = letters_and_digits(wanted);
    for (std::size_t index = 0; index < names.size(); ++index) {
        const auto& name = names[index];
        std::size_t distance = 0;
        if (!plain.empty() && letters_and_digits(name) == plain) {
            distance = 0;
        } else {
            // Rough bound first: the distance is at least the difference of the lengths.
            auto longer = std::max(name.size(), lower.size());
            auto shorter = std::min(name.size(), lower.size());
            if (longer - shorter > 2)
                continue;
            distance = edit_distance(lower, lower_ascii(name));
            if (distance == 0 || distance > 2 || 2 * distance >= longer)
                continue;
        }
        found.push_back({distance, index});
    }
    return found;
}

std::vector<std::string> close_names(std::string_view wanted, const std::vector<std::string>& names,
                                     std::size_t at_most)
{
    auto found = scored_close_names(wanted, names);
    std::sort(found.begin(), found.end(), [&](const CloseName& a, const CloseName& b) {
        return std::tie(a.distance, names[a.index]) < std::tie(b.distance, names[b.index]);
    });
    std::vector<std::string> closest;
    for (std::size_t i = 0; i < found.size() && i < at_most; ++i)
        closest.push_back(names[found[i].index]);
    return closest;
}

}  // namespace malvor
