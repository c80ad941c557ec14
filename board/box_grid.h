#pragma once
// Boxes filed by the cells of a square grid they cover, so that finding those near a box costs
// about as much as there are near it, not as many as there are.

#include "package_extent.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace malvor {

class BoxGrid {
public:
    // Over `area`, in cells of `cell` a side, for boxes numbered below `count`.
    BoxGrid(const Extent& area, std::int64_t cell, std::size_t count)
        : area_(area),
          cell_(std::max<std::int64_t>(1, cell)),
          columns_(static_cast<std::size_t>(area.width() / cell_ + 1)),
          rows_(static_cast<std::size_t>(area.height() / cell_ + 1)),
          cells_(columns_ * rows_),
          seen_(count, 0)
    {
    }

    void insert(std::uint32_t id, const Extent& box)
    {
        each_cell(box, [&](std::vector<std::uint32_t>& list) { list.push_back(id); });
    }
    void erase(std::uint32_t id, const Extent& box)
    {
        each_cell(box, [&](std::vector<std::uint32_t>& list) {
            list.erase(std::find(list.begin(), list.end(), id));
        });
    }
    // Calls `visit` once with each box filed in a cell that `box` covers, until it returns
    // false; whether all were visited.
    template <typename Visit>
    bool near(const Extent& box, Visit visit)
    {
        ++stamp_;
        bool going = true;
        each_cell(box, [&](std::vector<std::uint32_t>& list) {
            for (std::size_t i = 0; going && i < list.size(); ++i) {
                const auto id = list[i];
                if (seen_[id] == stamp_)
                    continue;
                seen_[id] = stamp_;
                going = visit(id);
            }
        });
        return going;
    }

private:
    std::size_t column(std::int64_t x) const
    {
        return static_cast<std::size_t>(std::clamp<std::int64_t>(
            (x - area_.x1) / cell_, 0, static_cast<std::int64_t>(columns_) - 1));
    }
    std::size_t row(std::int64_t y) const
    {
        return static_cast<std::size_t>(std::clamp<std::int64_t>(
            (y - area_.y1) / cell_, 0, static_cast<std::int64_t>(rows_) - 1));
    }
    template <typename Each>
    void each_cell(const Extent& box, Each each)
    {
        const auto c2 = column(box.x2), r2 = row(box.y2);
        for (auto r = row(box.y1); r <= r2; ++r)
            for (auto c = column(box.x1); c <= c2; ++c)
                each(cells_[r * columns_ + c]);
    }

    Extent area_;
    std::int64_t cell_;
    std::size_t columns_, rows_;
    std::vector<std::vector<std::uint32_t>> cells_;
    std::vector<std::uint32_t> seen_;
    std::uint32_t stamp_ = 0;
};

}  // namespace malvor
