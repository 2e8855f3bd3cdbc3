#include "model/pixel_ops.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pixmora::model {

namespace {

// The part of [offset, offset + length) that falls inside [0, limit), in local
// coordinates 0 .. length. Written so that no extreme offset can overflow.
struct Span {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    bool empty() const { return begin >= end; }
};

Span overlap(std::int64_t offset, std::int64_t length, std::int64_t limit)
{
    constexpr std::int64_t maxValue = std::numeric_limits<std::int64_t>::max();
    if (length <= 0 || limit <= 0 || offset >= limit) {
        return {};
    }
    if (offset < 0 && offset <= -length) {
        return {};
    }
    const std::int64_t begin = offset < 0 ? -offset : 0;
    // limit - offset, saturated; offset > -length here, so -offset never overflows.
    const std::int64_t room = (offset < 0 && limit > maxValue + offset) ? maxValue : limit - offset;
    return {begin, std::min(length, room)};
}

std::size_t indexOf(const PixelImage& image, std::int64_t x, std::int64_t y)
{
    return static_cast<std::size_t>(y * image.width + x);
}

// The source row or column under the centre of target pixel t, evaluated as
// ((t + 0.5) * source) / target in doubles and truncated.
std::int64_t nearestSource(std::int64_t t, std::int64_t targetSize, std::int64_t sourceSize)
{
    const double position = ((static_cast<double>(t) + 0.5) * static_cast<double>(sourceSize))
                            / static_cast<double>(targetSize);
    return std::min(sourceSize - 1, static_cast<std::int64_t>(position));
}

}  // namespace

void setPixel(PixelImage& image, std::int64_t x, std::int64_t y, RGBAColor c)
{
    if (image.contains(x, y)) {
        image.at(x, y) = c;
    }
}

PixelImage extractRegion(const PixelImage& image, std::int64_t x, std::int64_t y, std::int64_t w,
                         std::int64_t h)
{
    PixelImage result(std::max<std::int64_t>(w, 0), std::max<std::int64_t>(h, 0));
    const Span cols = overlap(x, w, image.width);
    const Span rows = overlap(y, h, image.height);
    if (cols.empty() || rows.empty()) {
        return result;
    }
    for (std::int64_t j = rows.begin; j < rows.end; ++j) {
        const RGBAColor* from = image.pixels.data() + indexOf(image, x + cols.begin, y + j);
        std::copy(from, from + (cols.end - cols.begin),
                  result.pixels.data() + indexOf(result, cols.begin, j));
    }
    return result;
}

void clearRegion(PixelImage& image, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h)
{
    const Span cols = overlap(x, w, image.width);
    const Span rows = overlap(y, h, image.height);
    if (cols.empty() || rows.empty()) {
        return;
    }
    for (std::int64_t j = rows.begin; j < rows.end; ++j) {
        RGBAColor* from = image.pixels.data() + indexOf(image, x + cols.begin, y + j);
        std::fill(from, from + (cols.end - cols.begin), kTransparent);
    }
}

PixelImage scaledNearest(const PixelImage& image, std::int64_t newWidth, std::int64_t newHeight)
{
    if (newWidth < 1 || newHeight < 1) {
        return PixelImage(std::max<std::int64_t>(newWidth, 1), std::max<std::int64_t>(newHeight, 1));
    }
    PixelImage result(newWidth, newHeight);
    // An empty or inconsistent source has nothing to sample; the result stays transparent.
    if (image.width < 1 || image.height < 1
        || image.pixels.size() != static_cast<std::size_t>(image.width * image.height)) {
        return result;
    }

    std::vector<std::int64_t> sourceColumn(static_cast<std::size_t>(newWidth));
    for (std::int64_t x = 0; x < newWidth; ++x) {
        sourceColumn[static_cast<std::size_t>(x)] = nearestSource(x, newWidth, image.width);
    }
    auto out = result.pixels.begin();
    for (std::int64_t y = 0; y < newHeight; ++y) {
        const RGBAColor* row =
            image.pixels.data() + indexOf(image, 0, nearestSource(y, newHeight, image.height));
        for (const std::int64_t sx : sourceColumn) {
            *out++ = row[sx];
        }
    }
    return result;
}

void stampImage(PixelImage& destination, const PixelImage& source, std::int64_t ox,
                std::int64_t oy)
{
    // Local source columns i whose destination column ox + i lies inside.
    const Span cols = overlap(ox, source.width, destination.width);
    const Span rows = overlap(oy, source.height, destination.height);
    if (cols.empty() || rows.empty()) {
        return;
    }
    for (std::int64_t j = rows.begin; j < rows.end; ++j) {
        for (std::int64_t i = cols.begin; i < cols.end; ++i) {
            const RGBAColor& c = source.at(i, j);
            if (c.a != 0) {
                destination.at(ox + i, oy + j) = c;
            }
        }
    }
}

void floodFill(PixelImage& image, std::int64_t x, std::int64_t y, RGBAColor c,
               std::optional<PixelRect> bounds)
{
    auto allowed = [&](std::int64_t px, std::int64_t py) {
        return image.contains(px, py) && (!bounds || bounds->contains(px, py));
    };
    if (!allowed(x, y)) {
        return;
    }
    const RGBAColor target = image.at(x, y);
    if (target == c) {
        return;
    }

    // Pixels only ever change from target to c, so a point that fails the test
    // when pushed would fail it when popped: filtering early keeps the stack
    // small without changing the order of writes. Entries are pixel indices,
    // half the size of a point.
    std::vector<std::size_t> pending;
    auto push = [&](std::int64_t px, std::int64_t py) {
        if (allowed(px, py) && image.at(px, py) == target) {
            pending.push_back(indexOf(image, px, py));
        }
    };
    pending.push_back(indexOf(image, x, y));
    const auto width = static_cast<std::size_t>(image.width);
    while (!pending.empty()) {
        const std::size_t index = pending.back();
        pending.pop_back();
        RGBAColor& pixel = image.pixels[index];
        if (pixel != target) {
            continue;
        }
        pixel = c;
        const auto px = static_cast<std::int64_t>(index % width);
        const auto py = static_cast<std::int64_t>(index / width);
        push(px + 1, py);
        push(px - 1, py);
        push(px, py + 1);
        push(px, py - 1);
    }
}

PointList linePoints(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    const std::int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    const std::int64_t sx = x0 < x1 ? 1 : -1;
    const std::int64_t dy = -(y1 > y0 ? y1 - y0 : y0 - y1);
    const std::int64_t sy = y0 < y1 ? 1 : -1;
    std::int64_t err = dx + dy;

    PointList points;
    points.reserve(static_cast<std::size_t>(std::max(dx, -dy)) + 1);
    while (true) {
        points.push_back({x0, y0});
        if (x0 == x1 && y0 == y1) {
            break;
        }
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    return points;
}

PointList rectanglePoints(std::int64_t minX, std::int64_t minY, std::int64_t maxX,
                          std::int64_t maxY, bool filled)
{
    PointList points;
    if (minX > maxX || minY > maxY) {
        return points;
    }
    for (std::int64_t y = minY; y <= maxY; ++y) {
        if (filled || y == minY || y == maxY) {
            for (std::int64_t x = minX; x <= maxX; ++x) {
                points.push_back({x, y});
            }
        } else {
            points.push_back({minX, y});
            if (maxX != minX) {
                points.push_back({maxX, y});
            }
        }
    }
    return points;
}

PointList ellipsePoints(std::int64_t ox, std::int64_t oy, std::int64_t w, std::int64_t h,
                        bool filled)
{
    PointList points;
    if (w <= 0 || h <= 0) {
        return points;
    }
    const double hw = static_cast<double>(w) / 2.0;
    const double hh = static_cast<double>(h) / 2.0;
    std::vector<bool> member(static_cast<std::size_t>(w * h));
    for (std::int64_t j = 0; j < h; ++j) {
        const double v = (static_cast<double>(j) + 0.5 - hh) / hh;
        for (std::int64_t i = 0; i < w; ++i) {
            const double u = (static_cast<double>(i) + 0.5 - hw) / hw;
            member[static_cast<std::size_t>(j * w + i)] = u * u + v * v <= 1.0;
        }
    }
    auto isMember = [&](std::int64_t i, std::int64_t j) {
        return i >= 0 && j >= 0 && i < w && j < h && member[static_cast<std::size_t>(j * w + i)];
    };
    for (std::int64_t j = 0; j < h; ++j) {
        for (std::int64_t i = 0; i < w; ++i) {
            if (!isMember(i, j)) {
                continue;
            }
            const bool interior = isMember(i - 1, j) && isMember(i + 1, j) && isMember(i, j - 1)
                                  && isMember(i, j + 1);
            if (filled || !interior) {
                points.push_back({ox + i, oy + j});
            }
        }
    }
    return points;
}

std::uint8_t componentToByte(double component)
{
    const double scaled = std::round(component * 255.0);
    if (!(scaled > 0.0)) {  // also catches NaN
        return 0;
    }
    return scaled >= 255.0 ? 255 : static_cast<std::uint8_t>(scaled);
}

}  // namespace pixmora::model
