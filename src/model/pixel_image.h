#pragma once

#include <cstdint>
#include <vector>

#include "rgba_color.h"

namespace pixmora::model {

// A row-major raster, top row first. A new image is all transparent.
struct PixelImage {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::vector<RGBAColor> pixels;

    PixelImage() = default;
    PixelImage(std::int64_t w, std::int64_t h)
        : width(w), height(h), pixels(static_cast<std::size_t>(w > 0 && h > 0 ? w * h : 0))
    {
    }
    PixelImage(std::int64_t w, std::int64_t h, std::vector<RGBAColor> px)
        : width(w), height(h), pixels(std::move(px))
    {
    }

    friend bool operator==(const PixelImage&, const PixelImage&) = default;

    bool contains(std::int64_t x, std::int64_t y) const
    {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
    // Unchecked: the caller guarantees contains(x, y).
    const RGBAColor& at(std::int64_t x, std::int64_t y) const
    {
        return pixels[static_cast<std::size_t>(y * width + x)];
    }
    RGBAColor& at(std::int64_t x, std::int64_t y)
    {
        return pixels[static_cast<std::size_t>(y * width + x)];
    }
};

}  // namespace pixmora::model
