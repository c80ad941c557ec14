#include "conversion_steps.h"

#include "eagle_writer.h"
#include "script_names.h"
#include "tango_reader.h"

#include <new>

namespace malvor {

std::filesystem::path file_path_from_bytes(std::string_view bytes)
{
#ifdef _WIN32
    return std::filesystem::u8path(bytes);
#else
    return std::filesystem::path(std::string(bytes));
#endif
}

FileResult<NetlistTables> read_netlist(const std::filesystem::path& path, ReadKind kind)
{
    try {
        auto file = read_whole_file(path, kind);
        if (!file.ok())
            return FileResult<NetlistTables>::failure(file.error, file.failed_step);
        FileResult<NetlistTables> result;
        result.value = read_tango(std::move(file.value));
        return result;
    } catch (const std::bad_alloc&) {
        return FileResult<NetlistTables>::failure(
            std::make_error_code(std::errc::not_enough_memory), FileStep::read);
    }
}

FileResult<std::string> library_name_of(std::string_view library_path)
{
    FileResult<std::string> result;
    result.value = library_name(file_name_of(library_path));
    result.error = check_library_name(result.value);
    return result;
}

FileDone write_script(const NetlistTables& tables, std::string_view eaglelib,
                      const std::filesystem::path& target)
{
    return write_file_atomically(
        target, [&](const auto& write) { write_eagle_script(tables, eaglelib, write); });
}

}  // namespace malvor
