#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "pixel_image.h"
#include "pixel_rect.h"

namespace pixmora::model {

using PointList = std::vector<PixelPoint>;

// Writes c at (x, y); outside the image nothing changes.
void setPixel(PixelImage& image, std::int64_t x, std::int64_t y, RGBAColor c);

// A w x h copy of the region at (x, y); parts outside the source are transparent.
// Negative sizes give an empty image.
PixelImage extractRegion(const PixelImage& image, std::int64_t x, std::int64_t y, std::int64_t w,
                         std::int64_t h);

// Makes the part of the region inside the image transparent.
void clearRegion(PixelImage& image, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h);

// Nearest-neighbour resample sampling each target pixel's centre. W or H below 1
// gives a transparent max(W,1) x max(H,1) image without reading the source.
PixelImage scaledNearest(const PixelImage& image, std::int64_t newWidth, std::int64_t newHeight);

// Source pixels with a != 0 replace destination pixels at (ox + i, oy + j); no blending.
void stampImage(PixelImage& destination, const PixelImage& source, std::int64_t ox,
                std::int64_t oy);

// Fills the 4-connected region of the seed's exact colour, optionally kept inside bounds.
// Uses a heap stack, so any image size is safe.
void floodFill(PixelImage& image, std::int64_t x, std::int64_t y, RGBAColor c,
               std::optional<PixelRect> bounds = std::nullopt);

// Bresenham, start first and end last.
PointList linePoints(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);

// Inclusive corners, min <= max; row by row.
PointList rectanglePoints(std::int64_t minX, std::int64_t minY, std::int64_t maxX,
                          std::int64_t maxY, bool filled);

// The ellipse inscribed in the w x h box at (ox, oy); row by row.
PointList ellipsePoints(std::int64_t ox, std::int64_t oy, std::int64_t w, std::int64_t h,
                        bool filled);

// Rounds a component in 0.0 ... 1.0 to 0 ... 255, halves away from zero, clamped.
std::uint8_t componentToByte(double component);

}  // namespace pixmora::model
