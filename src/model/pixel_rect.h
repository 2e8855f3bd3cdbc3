#pragma once

#include <cstdint>

namespace pixmora::model {

// Columns x .. x + width - 1 and rows y .. y + height - 1.
struct PixelRect {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;

    // The one pixel-in-rectangle rule used by every selection test.
    constexpr bool contains(std::int64_t px, std::int64_t py) const
    {
        return x <= px && px < x + width && y <= py && py < y + height;
    }
};

struct PixelPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;

    friend constexpr bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

}  // namespace pixmora::model
