#pragma once
// An append-only list of 32-bit positions, kept in fixed-size blocks: it never copies what it
// holds to grow and never holds more than one block of spare room, so its memory follows its
// size. Netlists stay below 2 GiB, so 32 bits hold any position.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace malvor {

// Builds for the fuzzer make the blocks tiny, so that short inputs cross them.
#ifndef MALVOR_OFFSET_BLOCK_BITS
#define MALVOR_OFFSET_BLOCK_BITS 14
#endif

class OffsetList {
public:
    using Position = std::uint32_t;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    Position operator[](std::size_t i) const { return blocks_[i >> block_bits][i & block_mask]; }

    void set(std::size_t i, Position value) { blocks_[i >> block_bits][i & block_mask] = value; }

    void push_back(Position value)
    {
        if ((size_ & block_mask) == 0)
            add_block();
        blocks_.back()[size_ & block_mask] = value;
        ++size_;
    }

    // The index of the first element greater than `value`; the list must be sorted.
    std::size_t upper_bound(Position value) const
    {
        std::size_t low = 0;
        std::size_t high = size_;
        while (low < high) {
            std::size_t middle = low + (high - low) / 2;
            if ((*this)[middle] <= value)
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    }

private:
    static constexpr std::size_t block_bits = MALVOR_OFFSET_BLOCK_BITS;
    static constexpr std::size_t block_size = std::size_t{1} << block_bits;
    static constexpr std::size_t block_mask = block_size - 1;

    // Memory for blocks, taken from the system in runs; the first runs hold one block, so a
    // small netlist costs little.
    struct Run {
        void* start = nullptr;
        std::size_t bytes = 0;
    };
    struct RunRelease {
        void operator()(Run* run) const;
    };
    void add_block();

    std::vector<Position*> blocks_;
    std::vector<std::unique_ptr<Run, RunRelease>> runs_;
    Position* unused_ = nullptr;  // the rest of the last run
    std::size_t unused_blocks_ = 0;
    std::size_t size_ = 0;
};

}  // namespace malvor
