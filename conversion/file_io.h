#pragma once
// The file edges of the conversion: reading a netlist whole, and writing a script so that it
// appears complete or not at all.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace malvor {

struct ReadResult {
    std::string bytes;
    std::string error;  // the reason the file could not be read; empty on success
    bool ok() const { return error.empty(); }
};

ReadResult read_whole_file(const std::filesystem::path& path);

// Writes into a temporary file beside `target` and renames it over `target` only when every
// byte is on disk. On failure nothing is left behind, an existing `target` stays as it was,
// and the reason is returned; on success the result is empty.
using ByteProducer = std::function<void(const std::function<void(std::string_view)>& write)>;
std::string write_file_atomically(const std::filesystem::path& target, const ByteProducer& produce);

}  // namespace malvor
