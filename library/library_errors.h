#pragma once
// Why a file is no library the check can use.

#include <system_error>

namespace malvor {

enum class LibraryError {
    binary_library = 1,  // EAGLE 5 or older: a binary file
    not_xml,
    not_eagle_library,   // XML, but without eagle/drawing/library
    schematic_or_board,  // XML of EAGLE, with eagle/drawing/schematic or board
    empty_file,
    gzip_file,
    zip_file,
    lfs_pointer,  // the small text file Git LFS leaves in place of one it did not fetch
    web_page,
    cut_short_xml,  // the XML stops before its end
    broken_xml,
    too_many_elements,  // far more than a library of its size: reading it would take too much
};

const std::error_category& library_category();

inline std::error_code make_error_code(LibraryError error)
{
    return {static_cast<int>(error), library_category()};
}

}  // namespace malvor

template <>
struct std::is_error_code_enum<malvor::LibraryError> : std::true_type {
};
