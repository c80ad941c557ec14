#include "large_memory.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace malvor {
namespace {

std::size_t rounded(std::size_t bytes)
{
    return (bytes + huge_page_bytes - 1) / huge_page_bytes * huge_page_bytes;
}

}  // namespace

void* allocate_large(std::size_t bytes)
{
    if (bytes < huge_page_bytes)
        return ::operator new(bytes);
    void* memory = ::operator new (rounded(bytes), std::align_val_t{huge_page_bytes});
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    (void)::madvise(memory, rounded(bytes), MADV_HUGEPAGE);
#endif
    return memory;
}

void release_large(void* memory, std::size_t bytes) noexcept
{
    if (bytes < huge_page_bytes)
        ::operator delete(memory);
    else
        ::operator delete (memory, std::align_val_t{huge_page_bytes});
}

}  // namespace malvor
