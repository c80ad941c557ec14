#pragma once
// A netlist's bytes, owned either as a buffer or as a read-only mapping of the file, so that
// a large file is neither copied nor zero-filled before it is read.

#include <cstddef>
#include <string>
#include <string_view>

namespace malvor {

class SourceBytes {
public:
    SourceBytes() = default;
    explicit SourceBytes(std::string buffer) : buffer_(std::move(buffer)) {}
    // Takes over a mapping made with mmap; it is unmapped with the object.
    static SourceBytes adopt_mapping(const void* address, std::size_t size);

    SourceBytes(SourceBytes&& other) noexcept;
    SourceBytes& operator=(SourceBytes&& other) noexcept;
    SourceBytes(const SourceBytes&) = delete;
    SourceBytes& operator=(const SourceBytes&) = delete;
    ~SourceBytes();

    std::string_view view() const
    {
        return mapped_ != nullptr ? std::string_view(mapped_, mapped_size_)
                                  : std::string_view(buffer_);
    }
    std::size_t size() const { return view().size(); }
    // The bytes as a buffer of their own, for a reader that changes them: a mapping's are
    // copied, a buffer is handed over whole.
    std::string take_buffer() &&;

private:
    void release();

    std::string buffer_;
    const char* mapped_ = nullptr;
    std::size_t mapped_size_ = 0;
};

}  // namespace malvor
