#include "document/import_conversion.h"

#include <algorithm>
#include <limits>

#include <QSize>

#include "document/raster_bridge.h"

namespace pixmora::document {

namespace {

bool isOpaque(const model::RGBAColor& c)
{
    return c.a == 255;
}

// Only pixels the source covers completely count: a partly covered edge row is
// translucent for every source, and judging by it would turn an opaque photo into a
// solid silhouette whenever its fitted size ends in .5 or more.
bool hasTranslucentPixelInside(const FittedImage& fitted, std::int64_t width)
{
    const model::PixelRect& block = *fitted.fullyCovered;
    for (std::int64_t y = block.y; y < block.y + block.height; ++y) {
        const auto row = fitted.pixels.begin() + y * width;
        if (!std::all_of(row + block.x, row + block.x + block.width, isOpaque)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<model::PixelImage> convertImport(const QImage& source, std::int64_t width,
                                               std::int64_t height, model::ColorMode mode,
                                               convert::MonochromeMethod monochrome,
                                               convert::PaletteDitherMethod dither)
{
    const FittedImage fitted = renderFitted(source, width, height);
    if (width < 1 || height < 1 || !fitted.fullyCovered
        || fitted.pixels.size() != static_cast<std::size_t>(width * height)) {
        return std::nullopt;
    }
    if (mode == model::ColorMode::twoColor) {
        return model::PixelImage(
            width, height,
            hasTranslucentPixelInside(fitted, width)
                ? convert::alphaSilhouette(fitted.pixels)
                : convert::convertToMonochrome(fitted.pixels, width, height, monochrome));
    }
    return model::PixelImage(
        width, height,
        convert::convertToPalette(dither, convert::thresholdAlpha(fitted.pixels), width, height,
                                  model::palette(mode)));
}

std::optional<model::PixelImage> convertImportData(const Bytes& data, std::int64_t width,
                                                   std::int64_t height, model::ColorMode mode,
                                                   convert::MonochromeMethod monochrome,
                                                   convert::PaletteDitherMethod dither)
{
    constexpr std::int64_t maxInt = std::numeric_limits<int>::max();
    if (width < 1 || height < 1 || width > maxInt || height > maxInt) {
        return std::nullopt;
    }
    const QImage source =
        decodeSourceImage(data, QSize(static_cast<int>(width), static_cast<int>(height)));
    if (source.isNull()) {
        return std::nullopt;
    }
    return convertImport(source, width, height, mode, monochrome, dither);
}

model::PixelImage convertPastedImage(const model::PixelImage& image, model::ColorMode mode)
{
    if (image.width < 0 || image.height < 0
        || image.pixels.size() != static_cast<std::size_t>(image.width * image.height)) {
        return {};
    }
    const convert::Pixels& pixels = image.pixels;
    if (mode == model::ColorMode::twoColor) {
        return {image.width, image.height,
                std::all_of(pixels.begin(), pixels.end(), isOpaque)
                    ? convert::convertToMonochrome(pixels, image.width, image.height,
                                                   convert::MonochromeMethod::fixedThreshold)
                    : convert::alphaSilhouette(pixels)};
    }
    return {image.width, image.height,
            convert::convertToPalette(convert::PaletteDitherMethod::none,
                                      convert::thresholdAlpha(pixels), image.width, image.height,
                                      model::palette(mode))};
}

}  // namespace pixmora::document
