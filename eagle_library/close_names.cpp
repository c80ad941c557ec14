#include "close_names.h"

#include "script_names.h"

#include <algorithm>

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

// The edit distance of `a` and `b` if it is at most `limit`, else limit + 1. Only the band of
// cells within `limit` of the diagonal can stay within it, and the search ends as soon as a
// whole row of the band has passed it: long names cost their length times the limit.
std::size_t edit_distance(std::string_view a, std::string_view b, std::size_t limit)
{
    if (a.size() > b.size())
        std::swap(a, b);
    if (b.size() - a.size() > limit)
        return limit + 1;
    const std::size_t over = limit + 1;
    std::vector<std::size_t> row(b.size() + 1, over);
    for (std::size_t j = 0; j <= std::min(b.size(), limit); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        const std::size_t from = i > limit ? i - limit : 1;
        const std::size_t to = std::min(b.size(), i + limit);
        std::size_t diagonal = row[from - 1];
        row[from - 1] = from == 1 && i <= limit ? i : over;
        std::size_t smallest = row[from - 1];
        for (std::size_t j = from; j <= to; ++j) {
            const std::size_t above = row[j];
            row[j] = std::min(
                {above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1), over});
            diagonal = above;
            smallest = std::min(smallest, row[j]);
        }
        if (smallest > limit)
            return over;
    }
    return row[b.size()];
}

}  // namespace

std::vector<CloseName> close_names(std::string_view wanted, const std::vector<std::string>& names)
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
            // The distance is at least the difference of the lengths.
            auto longer = std::max(name.size(), lower.size());
            auto shorter = std::min(name.size(), lower.size());
            if (longer - shorter > 2)
                continue;
            distance = edit_distance(lower, lower_ascii(name), 2);
            if (distance == 0 || distance > 2 || 2 * distance >= longer)
                continue;
        }
        found.push_back({distance, index});
    }
    return found;
}

}  // namespace malvor
