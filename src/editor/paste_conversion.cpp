#include "editor/paste_conversion.h"

#include <algorithm>

#include "convert/conversion.h"

namespace pixmora::editor {

model::PixelImage convertPastedImage(const model::PixelImage& image, model::ColorMode mode)
{
    const convert::Pixels& pixels = image.pixels;
    if (mode == model::ColorMode::twoColor) {
        const bool opaque = std::all_of(pixels.begin(), pixels.end(),
                                        [](const model::RGBAColor& c) { return c.a == 255; });
        return {image.width, image.height,
                opaque ? convert::convertToMonochrome(pixels, image.width, image.height,
                                                      convert::MonochromeMethod::fixedThreshold)
                       : convert::alphaSilhouette(pixels)};
    }
    return {image.width, image.height,
            convert::convertToPalette(convert::PaletteDitherMethod::none,
                                      convert::thresholdAlpha(pixels), image.width, image.height,
                                      model::palette(mode))};
}

}  // namespace pixmora::editor
