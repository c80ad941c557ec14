#pragma once
// The packages of an EAGLE library and the pads of each, as the check needs them.
//
// EAGLE 6 and later store a library as XML; the packages are
// eagle/drawing/library/packages/package[@name], and the "pad" (through-hole) and "smd"
// children of a package carry its pad names. Everything else in the file is ignored: devices,
// symbols, and elements and attributes of newer EAGLE versions. EAGLE compares package and
// pad names ignoring ASCII case, and so does the library.

#include "folded_name_table.h"
#include "library_errors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace malvor {

// The largest library read: the largest EAGLE libraries in use are a few megabytes.
inline constexpr std::uint64_t largest_library = std::uint64_t{64} << 20;

class EagleLibrary {
public:
    static constexpr std::size_t none = static_cast<std::size_t>(-1);

    std::size_t package_count() const { return names_.size(); }
    const std::vector<std::string>& package_names() const { return names_; }
    // The package of a name, ignoring ASCII case, or none.
    std::size_t find_package(std::string_view name) const;
    std::size_t pad_count(std::size_t package) const { return pads_[package].size(); }
    // The number (0 .. pad_count - 1) of a pad of the package, ignoring ASCII case, or none.
    std::size_t find_pad(std::size_t package, std::string_view pad) const;
    // The pads as the file writes them, numbered as find_pad numbers them.
    const std::vector<std::string>& pad_names(std::size_t package) const
    {
        return pad_names_[package];
    }

    // Building: a later package of a name already present adds nothing, as EAGLE keeps one.
    void add_package(std::string_view name, const std::vector<std::string_view>& pads);

private:
    std::vector<std::string> names_;     // as the file writes them
    std::vector<FoldedNameTable> pads_;  // of each package: numbered 0, 1, ...
    std::vector<std::vector<std::string>> pad_names_;
    FoldedNameTable numbers_{16};  // of the packages, by name
};

struct LibraryResult {
    EagleLibrary library;
    std::error_code error;
    std::string detail;  // for broken XML: where (LINE:COLUMN) and what was expected there
};

LibraryResult read_eagle_library(std::string_view bytes);

}  // namespace malvor
