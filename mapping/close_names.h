#pragma once
// Names that are probably what was meant by a name that was not found.

#include <string>
#include <string_view>
#include <vector>

namespace malvor {

struct CloseName {
    std::size_t distance;  // 0: equal ignoring case and punctuation, else the edits apart
    std::size_t index;     // in the names searched
};

// A name in lower case, and with only its letters and digits.
struct NameForms {
    explicit NameForms(std::string_view name);
    std::string lower;
    std::string plain;
};

// 0 when the names are equal ignoring case and punctuation, else the edits apart (ignoring
// case) when that is 1 or 2 and under half the longer name; 3 when they are not close.
std::size_t close_distance(const NameForms& wanted, const NameForms& name);

// Every one of `names` close to `wanted`, in no order: those equal to it when case and
// punctuation are ignored, then those one or two characters away (ignoring case). Names that
// differ in half their characters or more are not close, so short names need a near match.
std::vector<CloseName> close_names(std::string_view wanted, const std::vector<std::string>& names);

}  // namespace malvor
