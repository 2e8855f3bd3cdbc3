#include "convert/conversion.h"
#include "convert/dither_support.h"

namespace pixmora::convert {

namespace {

int darkness(RGBAColor c)
{
    return 255 - luminance(c);
}

std::vector<std::uint8_t> opaqueDarknessValues(const Pixels& pixels)
{
    std::vector<std::uint8_t> values;
    values.reserve(pixels.size());
    for (const RGBAColor& p : pixels) {
        if (p.a != 0) {
            values.push_back(static_cast<std::uint8_t>(darkness(p)));
        }
    }
    return values;
}

Pixels diffuse(const Pixels& pixels, detail::RasterShape shape,
               const std::vector<KernelEntry>& kernel)
{
    Pixels out(pixels.size(), model::kTransparent);
    std::vector<double> working(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        working[i] = pixels[i].a != 0 ? darkness(pixels[i]) : 0.0;
    }
    detail::diffuseErrors<1>(pixels, shape, kernel, working,
                             [&out](std::size_t i, const std::array<double, 1>& v) {
                                 const bool ink = roundClampByte(v[0]) >= 128;
                                 if (ink) {
                                     out[i] = model::kOpaqueBlack;
                                 }
                                 return std::array<double, 1>{ink ? 255.0 : 0.0};
                             });
    return out;
}

}  // namespace

Pixels convertToMonochrome(const Pixels& pixels, std::int64_t width, std::int64_t height,
                           MonochromeMethod method)
{
    const detail::RasterShape shape = detail::rasterShape(pixels.size(), width, height);
    switch (method) {
    case MonochromeMethod::floydSteinberg:
        return diffuse(pixels, shape, floydSteinbergKernel());
    case MonochromeMethod::atkinson:
        return diffuse(pixels, shape, atkinsonKernel());
    case MonochromeMethod::fixedThreshold:
    case MonochromeMethod::otsuThreshold:
    case MonochromeMethod::bayer:
        break;
    }

    const int otsu = method == MonochromeMethod::otsuThreshold
                         ? computeOtsuThreshold(opaqueDarknessValues(pixels))
                         : 0;
    const auto& matrix = bayerMatrix();
    Pixels out(pixels.size(), model::kTransparent);
    for (std::int64_t y = 0; y < shape.height; ++y) {
        for (std::int64_t x = 0; x < shape.width; ++x) {
            const auto i = static_cast<std::size_t>(y * shape.width + x);
            if (pixels[i].a == 0) {
                continue;
            }
            const int d = darkness(pixels[i]);
            bool ink = false;
            if (method == MonochromeMethod::fixedThreshold) {
                ink = d >= 128;
            } else if (method == MonochromeMethod::otsuThreshold) {
                ink = d > otsu;
            } else {
                ink = d + (matrix[y % 8][x % 8] - 32) >= 128;
            }
            if (ink) {
                out[i] = model::kOpaqueBlack;
            }
        }
    }
    return out;
}

}  // namespace pixmora::convert
