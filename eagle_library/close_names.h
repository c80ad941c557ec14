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

// Every one of `names` close to `wanted`, in no order: those equal to it when case and
// punctuation are ignored, then those one or two characters away (ignoring case). Names that
// differ in half their characters or more are not close, so short names need a near match.
std::vector<CloseName> close_names(std::string_view wanted, const std::vector<std::string>& names);

}  // namespace malvor
