#include "offset_list.h"

#include "large_memory.h"

#include <algorithm>

namespace malvor {
namespace {

// The first runs hold one block each, so a small netlist costs little; later runs are large
// enough to be backed by huge pages (large_memory.h).
constexpr std::size_t small_runs = 2;

}  // namespace

void OffsetList::RunRelease::operator()(Run* run) const
{
    release_large(run->start, run->bytes);
    delete run;
}

void OffsetList::add_block()
{
    if (unused_blocks_ == 0) {
        constexpr std::size_t block_bytes = block_size * sizeof(Position);
        const std::size_t run_bytes =
            runs_.size() < small_runs ? block_bytes : std::max(block_bytes, huge_page_bytes);
        auto run = std::unique_ptr<Run, RunRelease>(new Run{allocate_large(run_bytes), run_bytes});
        unused_ = static_cast<Position*>(run->start);
        unused_blocks_ = run_bytes / block_bytes;
        runs_.push_back(std::move(run));
    }
    blocks_.push_back(unused_);
    unused_ += block_size;
    --unused_blocks_;
}

}  // namespace malvor
