#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Byte-level PNG chunk access. Every offset is 64-bit and bounds-checked, so any
// input, however damaged, ends the walk cleanly.
namespace pixmora::document {

using Bytes = std::vector<std::uint8_t>;

// Width and height from the header when the data starts with the PNG signature.
std::optional<std::pair<std::int64_t, std::int64_t>> pngPixelSize(const Bytes& data);

// Text of the first tEXt chunk before IEND whose keyword matches exactly.
std::optional<std::string> readPngTextChunk(std::string_view keyword, const Bytes& data);

// A copy of png with a tEXt chunk inserted in front of the first complete IEND;
// unchanged when there is none.
Bytes insertPngTextChunk(std::string_view keyword, std::string_view text, const Bytes& png);

// (start of length field, end past CRC) of the first complete chunk of that type.
std::optional<std::pair<std::int64_t, std::int64_t>> findPngChunk(std::string_view type,
                                                                  const Bytes& data);

// Whether a PNG stream in data has a chunk before its IEND that declares more bytes
// than the data holds after the chunk's header. Decoders allocate a chunk's declared
// length before reading it, so a few such bytes can cost gigabytes. Data that starts
// as a PNG is that one stream; in other data (icons carry PNGs) every signature
// starts one, and more than 64 of them count as overlong rather than being walked
// that many times.
bool hasOverlongPngChunk(const Bytes& data);

// For data that starts as a PNG whose first overlong chunk comes after its image
// data has ended (a damaged text at the end, say): the offset of that chunk. The
// bytes before it, closed with an IEND, hold the whole picture. Nothing otherwise.
std::optional<std::uint64_t> pngImageDataEnd(const Bytes& data);

// One complete chunk: length, type, data, CRC.
Bytes makePngChunk(std::string_view type, const Bytes& data);

// The PNG (reflected, 0xEDB88320) CRC-32.
std::uint32_t crc32(const std::uint8_t* data, std::size_t size);
inline std::uint32_t crc32(const Bytes& data) { return crc32(data.data(), data.size()); }

}  // namespace pixmora::document
