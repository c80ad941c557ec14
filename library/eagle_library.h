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
#include <span>
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
    std::size_t pad_count(std::size_t package) const
    {
        return first_pads_[package + 1] - first_pads_[package];
    }
    // The number (0 .. pad_count - 1) of a pad of the package, ignoring ASCII case, or none.
    std::size_t find_pad(std::size_t package, std::string_view pad) const;
    // The pads as the file writes them, numbered as find_pad numbers them.
    std::span<const std::string> pad_names(std::size_t package) const
    {
        return {pad_names_.data() + first_pads_[package], pad_count(package)};
    }

    // The package's own description, as the hints read a kind of part in it.
    std::string_view description(std::size_t package) const;

    // Building, a package and then its pads: a later package of a name already present adds
    // nothing, as EAGLE keeps one, and neither do its pads.
    void start_package(std::string_view name, std::string_view description = {});
    void add_pad(std::string_view pad);

private:
    // The pads of all packages share one table and one list, so that a file of many tiny
    // packages costs little more than one of a few large ones.
    std::vector<std::string> names_;  // as the file writes them
    // Of the packages that have one, by package number: most of a huge file's have none.
    std::vector<std::pair<std::uint32_t, std::string>> descriptions_;
    FoldedNameTable numbers_{16};  // of the packages, by name
    std::vector<std::string> pad_names_;
    std::vector<std::uint32_t> first_pads_{0};  // of each package in pad_names_, then the end
    FoldedNameTable pads_{16};                  // "PACKAGE:PAD" to the pad's number in its package
    bool adding_pads_ = false;                  // to the last package
};

struct LibraryResult {
    EagleLibrary library;
    std::error_code error;
    std::string detail;  // for broken XML: where (LINE:COLUMN) and what was expected there
};

LibraryResult read_eagle_library(std::string_view bytes);

}  // namespace malvor
