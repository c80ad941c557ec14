#pragma once
// Packages of the libraries whose names are close to a package none of them holds, ranked so
// that those the component could use come first: closer names first; among names equally
// close, those holding every pad the component uses, then those with fewer pads.

#include "package_choice.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace malvor {

struct PackageHint {
    std::size_t library;
    std::size_t package;
    std::size_t distance;
    bool fits = false;          // holds every pin used, as it is or as "P$N"
    bool default_pads = false;  // fits only with some pins written "P$N"
};

class PackageHints {
public:
    explicit PackageHints(const std::vector<NamedLibrary>& libraries) : libraries_(libraries) {}

    // Up to `at_most` hints for `wanted`, for a component using `pins` (after its renames).
    std::vector<PackageHint> ranked(std::string_view wanted, const std::vector<std::string>& pins,
                                    std::size_t at_most = 3);

    // "'DIL18'" with what the user needs to see in parentheses: its library when there are
    // several, and its pads where they do not fit the pins used (their names when few).
    std::string text(const PackageHint& hint, std::size_t pins_used) const;

    const std::string& name(const PackageHint& hint) const
    {
        return libraries_[hint.library].library.package_names()[hint.package];
    }

private:
    const std::vector<NamedLibrary>& libraries_;
    std::unordered_map<std::string, std::vector<PackageHint>> close_;  // per lower-case name
};

// "its pads: 'A', 'C'", up to 12 names, then how many more.
std::string pad_list(const EagleLibrary& library, std::size_t package);

}  // namespace malvor
