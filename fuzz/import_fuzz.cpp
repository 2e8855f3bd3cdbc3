// Decoding arbitrary bytes as an import source and converting them at a small
// size in every mode: nothing or a well-formed image, never a crash.
#include <cstdint>
#include <cstdlib>

#include "document/import_conversion.h"
#include "model/color_mode.h"
#include "png_mending.h"

using namespace pixmora;

namespace {

void importAndCheck(const document::Bytes& bytes, std::int64_t width, std::int64_t height,
                    model::ColorMode mode, convert::MonochromeMethod mono,
                    convert::PaletteDitherMethod dither)
{
    const auto image = document::convertImportData(bytes, width, height, mode, mono, dither);
    if (!image)
        return;
    if (image->width != width || image->height != height
        || static_cast<std::int64_t>(image->pixels.size()) != width * height)
        std::abort();
    const auto& palette = model::palette(mode);
    for (const model::RGBAColor& pixel : image->pixels) {
        if (pixel == model::kTransparent)
            continue;
        const bool inMode =
            mode == model::ColorMode::twoColor
                ? pixel == model::kOpaqueBlack
                : pixel.a == 255
                      && model::nearestPaletteColor(pixel.r, pixel.g, pixel.b, palette) == pixel;
        if (!inMode)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes pick the size, mode and methods.
    const std::int64_t width = 1 + data[0] % 24;
    const std::int64_t height = 1 + (data[0] / 24) % 24;
    const auto mode = model::allColorModes[data[1] % 3];
    const auto mono = convert::allMonochromeMethods[(data[1] / 3) % 5];
    const auto dither = convert::allPaletteDitherMethods[(data[1] / 15) % 4];
    const document::Bytes bytes(data + 2, data + size);
    importAndCheck(bytes, width, height, mode, mono, dither);
    const document::Bytes mended = fuzz::withMendedCrcs(bytes);
    if (mended != bytes)
        importAndCheck(mended, width, height, mode, mono, dither);
    return 0;
}
