#pragma once

// Shared by the monochrome and palette converters; not part of the public interface.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/conversion.h"

namespace pixmora::convert::detail {

struct RasterShape {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// The shape to walk. Callers promise width * height == count; if they break that
// promise the array is walked as one row, so no index ever leaves the array.
inline RasterShape rasterShape(std::size_t count, std::int64_t width, std::int64_t height)
{
    if (count == 0) {
        return {0, 0};
    }
    const auto n = static_cast<std::uint64_t>(count);
    if (width > 0 && height > 0 && static_cast<std::uint64_t>(width) <= n
        && static_cast<std::uint64_t>(height) == n / static_cast<std::uint64_t>(width)
        && n % static_cast<std::uint64_t>(width) == 0) {
        return {width, height};
    }
    return {static_cast<std::int64_t>(count), 1};
}

// Raster-order error diffusion over `Channels` doubles per pixel. `quantise(index,
// value)` writes the output pixel and returns the quantised channel values; the
// unrounded difference is handed to the kernel's targets. Transparent pixels
// neither give nor receive error.
template <std::size_t Channels, typename Quantise>
void diffuseErrors(const Pixels& input, RasterShape shape, const std::vector<KernelEntry>& kernel,
                   std::vector<double>& working, Quantise&& quantise)
{
    const std::int64_t w = shape.width;
    const std::int64_t h = shape.height;
    for (std::int64_t y = 0; y < h; ++y) {
        for (std::int64_t x = 0; x < w; ++x) {
            const auto i = static_cast<std::size_t>(y * w + x);
            if (input[i].a == 0) {
                continue;
            }
            std::array<double, Channels> value{};
            for (std::size_t c = 0; c < Channels; ++c) {
                value[c] = working[i * Channels + c];
            }
            const std::array<double, Channels> quantised = quantise(i, value);
            std::array<double, Channels> error{};
            for (std::size_t c = 0; c < Channels; ++c) {
                error[c] = value[c] - quantised[c];
            }
            for (const KernelEntry& k : kernel) {
                const std::int64_t tx = x + k.dx;
                const std::int64_t ty = y + k.dy;
                if (tx < 0 || tx >= w || ty < 0 || ty >= h) {
                    continue;
                }
                const auto j = static_cast<std::size_t>(ty * w + tx);
                if (input[j].a == 0) {
                    continue;
                }
                for (std::size_t c = 0; c < Channels; ++c) {
                    working[j * Channels + c] += error[c] * k.weight;
                }
            }
        }
    }
}

}  // namespace pixmora::convert::detail
