#pragma once

#include <cstdint>
#include <optional>

#include <QImage>

#include "convert/conversion.h"
#include "document/png_chunks.h"
#include "model/color_mode.h"
#include "model/pixel_image.h"

// Turning an arbitrary picture into pixels of a colour mode, for import and paste.
namespace pixmora::document {

// Resamples source to fit width x height and converts it to the mode: twoColor by
// alpha silhouette when a pixel the source covers completely is not opaque, else by
// the monochrome method; the palette modes by alpha threshold and the dither
// method. Nothing when the resampled pixels cannot be produced.
std::optional<model::PixelImage> convertImport(const QImage& source, std::int64_t width,
                                               std::int64_t height, model::ColorMode mode,
                                               convert::MonochromeMethod monochrome,
                                               convert::PaletteDitherMethod dither);

// The whole import of a file's bytes at width x height: decodeSourceImage fitted to
// that size, then convertImport. Nothing when the bytes do not decode.
std::optional<model::PixelImage> convertImportData(const Bytes& data, std::int64_t width,
                                                   std::int64_t height, model::ColorMode mode,
                                                   convert::MonochromeMethod monochrome,
                                                   convert::PaletteDitherMethod dither);

// A pasted image in the mode, same size: twoColor by fixed threshold when every pixel
// is opaque, otherwise by alpha silhouette; the palette modes by alpha threshold and
// the nearest palette colour. An image whose pixel count does not match its size
// gives an empty image.
model::PixelImage convertPastedImage(const model::PixelImage& image, model::ColorMode mode);

}  // namespace pixmora::document
