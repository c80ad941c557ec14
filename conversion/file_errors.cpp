#include "file_errors.h"

namespace malvor {
namespace {

class FileErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "malvor"; }

    std::string message(int code) const override
    {
        switch (static_cast<FileError>(code)) {
        case FileError::not_regular_file:
            return "Not a regular file";
        case FileError::device_or_socket:
            return "Is a device or socket, not a file";
        case FileError::netlist_too_large:
            return "Netlist too large (2 GiB or more)";
        case FileError::library_too_large:
            return "Library too large (over 64 MiB; EAGLE libraries are a few megabytes)";
        case FileError::empty_library_name:
            return "Empty library name";
        case FileError::control_character_in_name:
            return "Library name holds a control character";
        }
        return "Unknown error";
    }
};

}  // namespace

const std::error_category& file_error_category()
{
    static const FileErrorCategory category;
    return category;
}

std::error_code make_error_code(FileError error)
{
    return {static_cast<int>(error), file_error_category()};
}

}  // namespace malvor
