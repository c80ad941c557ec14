#pragma once
// Memory for large tables: the netlist tables' blocks, the check's tables and the library's
// parse tree. In a virtual machine a large read mostly waits for page faults on fresh memory,
// one per 4 KiB: blocks of 2 MiB and more are therefore taken aligned to 2 MiB and marked for
// huge pages, which Linux may back with one page (and one fault) per 2 MiB. Smaller blocks
// come from the usual heap.

#include <cstddef>
#include <new>

namespace malvor {

// The size from which a block is aligned and marked for huge pages.
inline constexpr std::size_t huge_page_bytes = std::size_t{2} << 20;

void* allocate_large(std::size_t bytes);
// `bytes` as allocated.
void release_large(void* memory, std::size_t bytes) noexcept;

// For the standard containers.
template <class T>
struct LargeAllocator {
    using value_type = T;

    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t n) { return static_cast<T*>(allocate_large(n * sizeof(T))); }
    void deallocate(T* memory, std::size_t n) noexcept { release_large(memory, n * sizeof(T)); }
    template <class U>
    bool operator==(const LargeAllocator<U>&) const noexcept
    {
        return true;
    }
};

}  // namespace malvor
