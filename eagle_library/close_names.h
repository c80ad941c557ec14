#pragma once
// Names that are probably what was meant by a name that was not found.

#include <string>
#include <string_view>
#include <vector>

namespace malvor {

// Up to `at_most` of `names` close to `wanted`, closest first: those equal to it when case and
// punctuation are ignored, then those one or two characters away (ignoring case). Names that
// differ in half their characters or more are not close, so short names need a near match.
std::vector<std::string> close_names(std::string_view wanted, const std::vector<std::string>& names,
                                     std::size_t at_most = 3);

}  // namespace malvor
