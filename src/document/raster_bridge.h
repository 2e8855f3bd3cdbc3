#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QImage>
#include <QSize>

#include "document/png_chunks.h"
#include "model/pixel_image.h"
#include "model/pixel_rect.h"

// The crossing between PixelImage and Qt's raster world.
namespace pixmora::document {

enum class ImageFormat { png, tiff };

// The pixels as a straight-alpha RGBA8888 QImage owning its own copy; null when
// the image has no pixels or its pixel count does not match its size.
QImage makeBitmapRep(const model::PixelImage& image);

// PNG or TIFF bytes of the image, or nothing when encoding fails.
std::optional<Bytes> encodeImage(const model::PixelImage& image, ImageFormat format);

// Any readable image at its own pixel size, with exact straight-alpha pixels.
// Nothing for undecodable data or images over the decoding budget.
std::optional<model::PixelImage> decodeImageData(const Bytes& data);

struct FittedImage {
    std::vector<model::RGBAColor> pixels;  // width * height, empty on failure
    std::optional<model::PixelRect> covered;
};

// Draws source scaled to fit width x height (aspect kept, flush top-left) with
// smooth resampling through a premultiplied surface, then un-premultiplies.
FittedImage renderFitted(const QImage& source, std::int64_t width, std::int64_t height);

// True when the image has an alpha channel and one of its stored alphas is < 255.
bool hasAlphaVariation(const QImage& source);

// Decodes an import source: orientation applied, refused over the memory budget,
// and decoded at a reduced size (never below 2 x fitInto) where the format allows.
// A null image means the data is not decodable.
QImage decodeSourceImage(const Bytes& data, std::optional<QSize> fitInto = std::nullopt);

// Whether the data decodes as any image at all (without decoding the pixels when
// the format can tell from its header).
bool isReadableImage(const Bytes& data);

}  // namespace pixmora::document
