#include "offset_list.h"

#include <new>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace malvor {
namespace {

// Past the first blocks, runs of 2 MiB aligned to their size, which Linux may back with one
// huge page: the tables' memory then costs a page fault per 2 MiB instead of one per 4 KiB,
// which matters most where faults are expensive (virtual machines).
constexpr std::size_t large_run_bytes = std::size_t{2} << 20;
constexpr std::size_t small_runs = 2;

}  // namespace

void OffsetList::RunRelease::operator()(Run* run) const
{
    if (run->large)
        ::operator delete (run->start, std::align_val_t{large_run_bytes});
    else
        ::operator delete(run->start);
    delete run;
}

void OffsetList::add_block()
{
    if (unused_blocks_ == 0) {
        constexpr std::size_t block_bytes = block_size * sizeof(Position);
        const bool large = runs_.size() >= small_runs && block_bytes <= large_run_bytes;
        auto run = std::unique_ptr<Run, RunRelease>(new Run);
        if (large) {
            run->start = ::operator new (large_run_bytes, std::align_val_t{large_run_bytes});
            run->large = true;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
            (void)::madvise(run->start, large_run_bytes, MADV_HUGEPAGE);
#endif
            unused_blocks_ = large_run_bytes / block_bytes;
        } else {
            run->start = ::operator new(block_bytes);
            unused_blocks_ = 1;
        }
        unused_ = static_cast<Position*>(run->start);
        runs_.push_back(std::move(run));
    }
    blocks_.push_back(unused_);
    unused_ += block_size;
    --unused_blocks_;
}

}  // namespace malvor
