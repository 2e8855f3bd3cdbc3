#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>

#include "../model/pixel_picture.h"
#include "document/png_chunks.h"
#include "model/pixel_image.h"

namespace pixmora::test {

using document::Bytes;

// The process's peak resident memory so far; each test runs in its own process under CTest.
inline std::int64_t peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::int64_t{usage.ru_maxrss} * 1024;
}

inline QImage filledImage(int width, int height, model::RGBAColor colour)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    image.fill(QColor(colour.r, colour.g, colour.b, colour.a));
    return image;
}

inline Bytes encoded(const QImage& image, const char* format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return Bytes(data.begin(), data.end());
}

inline void writeFile(const QString& path, const Bytes& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

inline Bytes readFile(const QString& path)
{
    QFile file(path);
    const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

// One chunk with zlib's CRC over type and data.
inline Bytes pngChunk(std::string_view type, const Bytes& data)
{
    Bytes chunk;
    appendBigEndian(chunk, static_cast<std::uint32_t>(data.size()));
    append(chunk, asBytes(type));
    append(chunk, data);
    const auto crc =
        ::crc32(::crc32(0L, Z_NULL, 0), &chunk[4], static_cast<uInt>(chunk.size() - 4));
    appendBigEndian(chunk, static_cast<std::uint32_t>(crc));
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

}  // namespace pixmora::test
