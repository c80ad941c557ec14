#include "close_names.h"

#include "script_names.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace malvor {

NameForms::NameForms(std::string_view name) : lower(lower_ascii(name))
{
    for (char c : lower)
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            plain += c;
}

namespace {

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
    // Package names are short: their row fits on the stack.
    std::array<std::size_t, 64> small;
    std::vector<std::size_t> large;
    if (b.size() >= small.size())
        large.resize(b.size() + 1);
    std::span<std::size_t> row(large.empty() ? small.data() : large.data(), b.size() + 1);
    std::fill(row.begin(), row.end(), over);
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

std::size_t close_distance(const NameForms& wanted, const NameForms& name)
{
    constexpr std::size_t far = 3;
    if (!wanted.plain.empty() && name.plain == wanted.plain)
        return 0;
    // The distance is at least the difference of the lengths.
    const auto longer = std::max(name.lower.size(), wanted.lower.size());
    const auto shorter = std::min(name.lower.size(), wanted.lower.size());
    if (longer - shorter > 2)
        return far;
    const auto distance = edit_distance(wanted.lower, name.lower, 2);
    return distance == 0 || distance > 2 || 2 * distance >= longer ? far : distance;
}

std::vector<CloseName> close_names(std::string_view wanted, const std::vector<std::string>& names)
{
    std::vector<CloseName> found;
    const NameForms forms(wanted);
    for (std::size_t index = 0; index < names.size(); ++index) {
        const auto distance = close_distance(forms, NameForms(names[index]));
        if (distance <= 2)
            found.push_back({distance, index});
    }
    return found;
}

}  // namespace malvor
