#include "large_memory.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace malvor {
namespace {

constexpr std::size_t huge_page = std::size_t{2} << 20;

std::size_t rounded(std::size_t bytes)
{
    return (bytes + huge_page - 1) / huge_page * huge_page;
}

}  // namespace

void* allocate_large(std::size_t bytes)
{
    if (bytes < huge_page)
        return ::operator new(bytes);
    void* memory = ::operator new (rounded(bytes), std::align_val_t{huge_page});
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    (void)::madvise(memory, rounded(bytes), MADV_HUGEPAGE);
#endif
    return memory;
}

void release_large(void* memory, std::size_t bytes) noexcept
{
    if (bytes < huge_page)
        ::operator delete(memory);
    else
        ::operator delete (memory, std::align_val_t{huge_page});
}

}  // namespace malvor
