#include "convert/conversion.h"
#include "convert/dither_support.h"
#include "convert/nearest_color_finder.h"

#include <algorithm>

namespace pixmora::convert {

namespace {

RGBAColor withAlpha(const RGBAColor& colour, std::uint8_t alpha)
{
    return {colour.r, colour.g, colour.b, alpha};
}

Pixels diffuse(const Pixels& pixels, detail::RasterShape shape,
               const std::vector<KernelEntry>& kernel, NearestColorFinder& finder)
{
    Pixels out = pixels;
    std::vector<double> working(pixels.size() * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        working[i * 3] = pixels[i].r;
        working[i * 3 + 1] = pixels[i].g;
        working[i * 3 + 2] = pixels[i].b;
    }
    detail::diffuseErrors<3>(
        pixels, shape, kernel, working,
        [&out, &pixels, &finder](std::size_t i, const std::array<double, 3>& v) {
            const RGBAColor& q =
                finder.color(roundClampByte(v[0]), roundClampByte(v[1]), roundClampByte(v[2]));
            out[i] = withAlpha(q, pixels[i].a);
            return std::array<double, 3>{double(q.r), double(q.g), double(q.b)};
        });
    return out;
}

}  // namespace

Pixels convertToPalette(PaletteDitherMethod method, const Pixels& pixels, std::int64_t width,
                        std::int64_t height, const std::vector<RGBAColor>& palette)
{
    // Without a palette there is no colour to map to; hand the pixels back untouched.
    if (pixels.empty() || palette.empty()) {
        return pixels;
    }
    const detail::RasterShape shape = detail::rasterShape(pixels.size(), width, height);
    NearestColorFinder finder(palette);
    switch (method) {
    case PaletteDitherMethod::floydSteinberg:
        return diffuse(pixels, shape, floydSteinbergKernel(), finder);
    case PaletteDitherMethod::atkinson:
        return diffuse(pixels, shape, atkinsonKernel(), finder);
    case PaletteDitherMethod::none:
    case PaletteDitherMethod::bayer:
        break;
    }

    const auto& matrix = bayerMatrix();
    const bool ordered = method == PaletteDitherMethod::bayer;
    Pixels out = pixels;
    for (std::int64_t y = 0; y < shape.height; ++y) {
        for (std::int64_t x = 0; x < shape.width; ++x) {
            const auto i = static_cast<std::size_t>(y * shape.width + x);
            const RGBAColor& p = pixels[i];
            if (p.a == 0) {
                continue;
            }
            const int o = ordered ? matrix[y % 8][x % 8] - 32 : 0;
            const RGBAColor& q = finder.color(std::clamp(p.r + o, 0, 255),
                                              std::clamp(p.g + o, 0, 255),
                                              std::clamp(p.b + o, 0, 255));
            out[i] = withAlpha(q, p.a);
        }
    }
    return out;
}

}  // namespace pixmora::convert
