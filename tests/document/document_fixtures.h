#pragma once

// Generated fixtures for document tests: pixel pictures with a legend, images
// encoded by Qt, hand-built PNG chunks (CRC from zlib) and a chunk walker.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <zlib.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include "../model/pixel_picture.h"
#include "document/png_chunks.h"
#include "model/pixel_image.h"

namespace pixmora::model {

// Failed comparisons print the size and the pixels, not raw bytes.
inline void PrintTo(const PixelImage& image, std::ostream* out)
{
    *out << image.width << "x" << image.height << " {";
    for (std::size_t i = 0; i < image.pixels.size() && i < 64; ++i) {
        const RGBAColor c = image.pixels[i];
        *out << (i ? " " : "") << int(c.r) << "," << int(c.g) << "," << int(c.b) << "," << int(c.a);
    }
    *out << (image.pixels.size() > 64 ? " ...}" : "}");
}

inline void PrintTo(const RGBAColor& c, std::ostream* out)
{
    *out << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << "," << int(c.a) << ")";
}

}  // namespace pixmora::model

namespace pixmora::test {

using document::Bytes;

// The process's peak resident memory so far; each test runs in its own process under CTest.
inline std::int64_t peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::int64_t{usage.ru_maxrss} * 1024;
}

inline Rows toRows(const std::vector<model::RGBAColor>& pixels, std::int64_t width,
                   const Legend& legend)
{
    const std::int64_t height = width > 0 ? static_cast<std::int64_t>(pixels.size()) / width : 0;
    return toRows(model::PixelImage(width, height, pixels), legend);
}

// A straight-alpha QImage with every pixel set to colour.
inline QImage filledImage(int width, int height, model::RGBAColor colour)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    image.fill(QColor(colour.r, colour.g, colour.b, colour.a));
    return image;
}

inline QImage toQImage(const model::PixelImage& image)
{
    QImage out(static_cast<int>(image.width), static_cast<int>(image.height),
               QImage::Format_RGBA8888);
    for (std::int64_t y = 0; y < image.height; ++y) {
        for (std::int64_t x = 0; x < image.width; ++x) {
            const model::RGBAColor c = image.at(x, y);
            out.setPixelColor(static_cast<int>(x), static_cast<int>(y), QColor(c.r, c.g, c.b, c.a));
        }
    }
    return out;
}

inline Bytes encoded(const QImage& image, const char* format, int quality = -1)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0) {
        writer.setQuality(quality);
    }
    writer.write(image);
    return Bytes(data.begin(), data.end());
}

inline Bytes asBytes(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

inline void append(Bytes& to, const Bytes& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

inline void appendBigEndian(Bytes& to, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        to.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

inline std::uint32_t bigEndianAt(const Bytes& data, std::size_t offset)
{
    return std::uint32_t(data[offset]) << 24 | std::uint32_t(data[offset + 1]) << 16
           | std::uint32_t(data[offset + 2]) << 8 | data[offset + 3];
}

// One chunk with zlib's CRC over type and data.
inline Bytes pngChunk(std::string_view type, const Bytes& data)
{
    Bytes typeAndData = asBytes(type);
    append(typeAndData, data);
    Bytes chunk;
    appendBigEndian(chunk, static_cast<std::uint32_t>(data.size()));
    append(chunk, typeAndData);
    appendBigEndian(chunk,
                    static_cast<std::uint32_t>(::crc32(::crc32(0L, Z_NULL, 0), typeAndData.data(),
                                                       static_cast<uInt>(typeAndData.size()))));
    return chunk;
}

// A PNG signature and an IHDR declaring width x height (8-bit RGBA unless told), then `rest`.
inline Bytes pngWithHeader(std::uint32_t width, std::uint32_t height, const Bytes& rest,
                           std::uint8_t depth = 8, std::uint8_t colourType = 6)
{
    Bytes png{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    append(header, Bytes{depth, colourType, 0, 0, 0});
    append(png, pngChunk("IHDR", header));
    append(png, rest);
    return png;
}

struct Chunk {
    std::string type;
    Bytes data;
};

// Every chunk after the signature, in order; stops at the first incomplete one.
inline std::vector<Chunk> pngChunks(const Bytes& png)
{
    std::vector<Chunk> chunks;
    std::size_t offset = 8;
    while (offset + 12 <= png.size()) {
        const std::size_t length = bigEndianAt(png, offset);
        if (offset + 12 + length > png.size()) {
            break;
        }
        chunks.push_back({std::string(png.begin() + static_cast<std::ptrdiff_t>(offset + 4),
                                      png.begin() + static_cast<std::ptrdiff_t>(offset + 8)),
                          Bytes(png.begin() + static_cast<std::ptrdiff_t>(offset + 8),
                                png.begin() + static_cast<std::ptrdiff_t>(offset + 8 + length))});
        offset += 12 + length;
    }
    return chunks;
}

}  // namespace pixmora::test
