#pragma once
// The program's own reasons why a file or a name is refused, as std::error_code values, and
// the result type of the file edges: a value, or the error and the step that failed.

#include <string>
#include <system_error>
#include <utility>

namespace malvor {

enum class FileError {
    not_regular_file = 1,  // a folder, device, FIFO or socket where a regular file is needed
    device_or_socket,      // a netlist that is a device or a socket: it may never end
    netlist_too_large,     // past the largest netlist the tables can hold
    library_too_large,     // past the largest library the check reads
    empty_library_name,
    control_character_in_name,
};

const std::error_category& file_error_category();
std::error_code make_error_code(FileError error);

// What was being done when a file operation failed.
enum class FileStep { none, open, read, create, write, permissions, sync, rename };

template <class Value>
struct [[nodiscard]] FileResult {
    Value value{};
    std::error_code error;
    FileStep failed_step = FileStep::none;

    bool ok() const { return !error; }

    static FileResult failure(std::error_code code, FileStep step)
    {
        FileResult result;
        result.error = code;
        result.failed_step = step;
        return result;
    }
};

struct Nothing {};
using FileDone = FileResult<Nothing>;

}  // namespace malvor

template <>
struct std::is_error_code_enum<malvor::FileError> : std::true_type {
};
