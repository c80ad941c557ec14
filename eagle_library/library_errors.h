#pragma once
// Why a file is no library the check can use.

#include <system_error>

namespace malvor {

enum class LibraryError {
    binary_library = 1,  // EAGLE 5 or older: a binary file
    not_xml,
    not_eagle_library,  // XML, but without eagle/drawing/library
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
