#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>
#include <system_error>

namespace malvor {
namespace {

std::FILE* open_file(const std::filesystem::path& path, const char* mode)
{
#ifdef _WIN32
    std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wide_mode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::string reason(int error)
{
    return error != 0 ? std::generic_category().message(error) : std::string("input/output error");
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A name for the temporary file that no one else uses: hidden, beside the target.
std::filesystem::path temporary_beside(const std::filesystem::path& target, unsigned attempt)
{
    static std::mt19937_64 random{std::random_device{}()};
    std::string name(1, '.');
    name += target.filename().string();
    name += ".tmp";
    name += std::to_string(random() % 1000000000u);
    name += std::to_string(attempt);
    return target.parent_path() / name;
}

}  // namespace

ReadResult read_whole_file(const std::filesystem::path& path)
{
    ReadResult result;
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        result.error = reason(EISDIR);
        return result;
    }
    errno = 0;
    File file(open_file(path, "rb"));
    if (!file) {
        result.error = reason(errno);
        return result;
    }
    // Read straight into the result: a netlist may be large, and one copy of it is enough.
    auto expected = std::filesystem::file_size(path, code);
    std::size_t used = 0;
    result.bytes.resize(code ? std::size_t{1} << 16 : static_cast<std::size_t>(expected) + 1);
    for (;;) {
        used += std::fread(result.bytes.data() + used, 1, result.bytes.size() - used, file.get());
        if (used < result.bytes.size())
            break;
        result.bytes.resize(result.bytes.size() * 2);
    }
    if (std::ferror(file.get())) {
        result.error = reason(errno);
        result.bytes.clear();
        return result;
    }
    result.bytes.resize(used);
    return result;
}

std::string write_file_atomically(const std::filesystem::path& target, const ByteProducer& produce)
{
    std::filesystem::path temporary;
    File file;
    int error = 0;
    for (unsigned attempt = 0; attempt < 16 && !file; ++attempt) {
        temporary = temporary_beside(target, attempt);
        errno = 0;
        file.reset(open_file(temporary, "wbx"));
        error = errno;
        if (!file && error != EEXIST)
            break;
    }
    if (!file)
        return reason(error);

    bool written = true;
    produce([&](std::string_view bytes) {
        if (written && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
            written = false;
            error = errno;
        }
    });
    if (written && std::fflush(file.get()) != 0) {
        written = false;
        error = errno;
    }
    if (std::fclose(file.release()) != 0 && written) {
        written = false;
        error = errno;
    }
    std::error_code renamed;
    if (written) {
        std::filesystem::rename(temporary, target, renamed);
        if (!renamed)
            return {};
    }
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return written ? renamed.message() : reason(error);
}

}  // namespace malvor
