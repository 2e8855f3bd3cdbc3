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

// Largest decoded image accepted, in bytes at 4 bytes per pixel: Qt 6.4's own
// allocation limit, checked against the declared size before any pixel is decoded.
inline constexpr std::int64_t kDecodeBudgetBytes = std::int64_t(128) * 1024 * 1024;

// The pixels as a straight-alpha RGBA8888 QImage owning its own copy; null when
// the image has no pixels or its pixel count does not match its size.
QImage makeBitmapRep(const model::PixelImage& image);

// PNG or TIFF bytes of the image, or nothing when encoding fails.
std::optional<Bytes> encodeImage(const model::PixelImage& image, ImageFormat format);

// Any readable image at its own pixel size, with exact straight-alpha pixels
// (transparent ones as (0,0,0,0)). Nothing for undecodable data, images over the
// decoding budget, or a PNG with a chunk longer than the data before its image data
// ends (never handed to the decoder, nor by the functions below; damage after it
// is cut off).
std::optional<model::PixelImage> decodeImageData(const Bytes& data);

struct FittedImage {
    std::vector<model::RGBAColor> pixels;  // width * height, empty on failure
    // The block the drawn source occupies, its size rounded half away from zero.
    std::optional<model::PixelRect> covered;
    // The block the source covers completely (sizes truncated): no partly covered
    // edge pixel lies inside it.
    std::optional<model::PixelRect> fullyCovered;
};

// Draws source scaled to fit width x height (aspect kept, flush top-left) with
// smooth resampling through a premultiplied surface, then un-premultiplies.
// Empty for a null source or a surface that cannot be created (a side of 0, or
// over the decoding budget).
FittedImage renderFitted(const QImage& source, std::int64_t width, std::int64_t height);

// True when the image has an alpha channel and one of its stored alphas is below
// full opacity.
bool hasAlphaVariation(const QImage& source);

// The pixel size an import source will have once its orientation is applied, read
// from the header without decoding; nothing when the data is not a readable image.
std::optional<QSize> sourceImageSize(const Bytes& data);

// Decodes an import source: orientation applied, converted to sRGB when it carries
// another colour space, refused over the memory budget, and decoded at a reduced
// size (never below 2 x the size it takes when fitted into fitInto) where the
// format allows it. A null image means the data is not decodable.
QImage decodeSourceImage(const Bytes& data, std::optional<QSize> fitInto = std::nullopt);

// Whether the data holds an image Qt can decode (from its header where the format
// declares its size; otherwise by decoding it).
bool isReadableImage(const Bytes& data);

}  // namespace pixmora::document
