#include "source_bytes.h"

#include <utility>
#ifndef _WIN32
#include <sys/mman.h>
#endif

namespace malvor {

SourceBytes SourceBytes::adopt_mapping(const void* address, std::size_t size)
{
    SourceBytes bytes;
    bytes.mapped_ = static_cast<const char*>(address);
    bytes.mapped_size_ = size;
    return bytes;
}

SourceBytes::SourceBytes(SourceBytes&& other) noexcept
    : buffer_(std::move(other.buffer_)),
      mapped_(std::exchange(other.mapped_, nullptr)),
      mapped_size_(std::exchange(other.mapped_size_, 0))
{
}

SourceBytes& SourceBytes::operator=(SourceBytes&& other) noexcept
{
    if (this != &other) {
        release();
        buffer_ = std::move(other.buffer_);
        mapped_ = std::exchange(other.mapped_, nullptr);
        mapped_size_ = std::exchange(other.mapped_size_, 0);
    }
    return *this;
}

std::string SourceBytes::take_buffer() &&
{
    std::string bytes = mapped_ != nullptr ? std::string(view()) : std::move(buffer_);
    release();
    return bytes;
}

SourceBytes::~SourceBytes()
{
    release();
}

void SourceBytes::release()
{
#ifndef _WIN32
    if (mapped_ != nullptr)
        ::munmap(const_cast<char*>(mapped_), mapped_size_);
#endif
    mapped_ = nullptr;
    mapped_size_ = 0;
}

}  // namespace malvor
