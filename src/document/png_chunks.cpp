#include "document/png_chunks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace pixmora::document {

namespace {

constexpr std::array<std::uint8_t, 8> pngSignature{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
// PNG forbids chunk lengths of 2^31 and above.
constexpr std::uint64_t maxChunkLength = 0x7FFFFFFF;

std::uint32_t readBigEndian32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8
           | std::uint32_t(p[3]);
}

void appendBigEndian32(Bytes& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

const std::array<std::uint32_t, 256>& crcTable()
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void appendUtf8(std::string& out, std::uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// Decodes UTF-8, replacing each maximal invalid subpart (overlong forms,
// surrogates, values past U+10FFFF, cut-off sequences, stray bytes) by U+FFFD.
std::string repairUtf8(const std::uint8_t* p, std::size_t size)
{
    constexpr std::uint32_t replacement = 0xFFFD;
    std::string out;
    out.reserve(size);
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t lead = p[i];
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint8_t low = 0x80;  // allowed range of the second byte
        std::uint8_t high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            appendUtf8(out, replacement);
            ++i;
            continue;
        }
        std::uint32_t codePoint = lead & (0xFF >> (length + 1));
        std::size_t taken = 1;
        while (taken < length && i + taken < size) {
            const std::uint8_t next = p[i + taken];
            const bool fits = taken == 1 ? (next >= low && next <= high) : (next & 0xC0) == 0x80;
            if (!fits) {
                break;
            }
            codePoint = codePoint << 6 | (next & 0x3F);
            ++taken;
        }
        appendUtf8(out, taken == length ? codePoint : replacement);
        i += taken;
    }
    return out;
}

bool typeEquals(const std::uint8_t* typeBytes, std::string_view type)
{
    return repairUtf8(typeBytes, 4) == type;
}

struct Chunk {
    std::uint64_t start = 0;  // offset of the length field
    std::uint64_t length = 0;
    std::uint64_t end = 0;  // just past the CRC
    const std::uint8_t* type = nullptr;
    const std::uint8_t* data = nullptr;
};

// Calls visit(chunk) for each complete chunk from offset 8 until visit returns
// true or the next chunk does not fit in the buffer. The arithmetic is 64-bit
// and every length is a 32-bit value, so no sum can wrap.
template <typename Visit>
bool walkChunks(const Bytes& data, Visit visit)
{
    const std::uint64_t count = data.size();
    std::uint64_t pos = 8;
    while (pos <= count && count - pos >= 8) {
        const std::uint8_t* header = data.data() + pos;
        const std::uint64_t length = readBigEndian32(header);
        const std::uint64_t end = pos + 8 + length + 4;
        if (end > count) {
            return false;
        }
        if (visit(Chunk{pos, length, end, header + 4, header + 8})) {
            return true;
        }
        pos = end;
    }
    return false;
}

struct OverlongChunk {
    std::uint64_t start = 0;  // offset of its length field
    bool afterImageData = false;  // an IDAT run came before it and has ended
};

// Walks one stream's chunks from pos (just past its signature) up to its IEND: the
// first that declares more bytes than the data holds after its header, if any.
std::optional<OverlongChunk> firstOverlongChunk(const Bytes& data, std::uint64_t pos)
{
    const std::uint64_t count = data.size();
    bool imageDataSeen = false;
    while (count - pos >= 8) {
        const std::uint8_t* header = data.data() + pos;
        const std::uint64_t length = readBigEndian32(header);
        const bool imageData = typeEquals(header + 4, "IDAT");
        if (length > count - pos - 8) {
            return OverlongChunk{pos, imageDataSeen && !imageData};
        }
        if (typeEquals(header + 4, "IEND")) {
            return std::nullopt;
        }
        imageDataSeen = imageDataSeen || imageData;
        // A CRC cut short ends the data; that alone costs a decoder nothing.
        pos = std::min(count, pos + 12 + length);
    }
    return std::nullopt;
}

bool hasSignatureAt(const Bytes& data, std::uint64_t pos)
{
    return pos <= data.size() && data.size() - pos >= pngSignature.size()
           && std::memcmp(data.data() + pos, pngSignature.data(), pngSignature.size()) == 0;
}

}  // namespace

std::optional<std::pair<std::int64_t, std::int64_t>> pngPixelSize(const Bytes& data)
{
    if (data.size() < 24 || !hasSignatureAt(data, 0)) {
        return std::nullopt;
    }
    return std::pair<std::int64_t, std::int64_t>{readBigEndian32(data.data() + 16),
                                                 readBigEndian32(data.data() + 20)};
}

std::optional<std::string> readPngTextChunk(std::string_view keyword, const Bytes& data)
{
    if (data.size() < 9) {
        return std::nullopt;
    }
    std::optional<std::string> result;
    walkChunks(data, [&](const Chunk& chunk) {
        if (chunk.length > 0 && typeEquals(chunk.type, "tEXt")) {
            const auto length = static_cast<std::size_t>(chunk.length);
            const auto* zero = static_cast<const std::uint8_t*>(std::memchr(chunk.data, 0, length));
            if (zero != nullptr) {
                const auto keywordLength = static_cast<std::size_t>(zero - chunk.data);
                if (repairUtf8(chunk.data, keywordLength) == keyword) {
                    result = repairUtf8(zero + 1, length - keywordLength - 1);
                    return true;
                }
            }
        }
        return typeEquals(chunk.type, "IEND");
    });
    return result;
}

Bytes insertPngTextChunk(std::string_view keyword, std::string_view text, const Bytes& png)
{
    const auto iend = findPngChunk("IEND", png);
    if (!iend) {
        return png;
    }
    Bytes chunkData;
    chunkData.reserve(keyword.size() + 1 + text.size());
    chunkData.insert(chunkData.end(), keyword.begin(), keyword.end());
    chunkData.push_back(0);
    chunkData.insert(chunkData.end(), text.begin(), text.end());
    const Bytes chunk = makePngChunk("tEXt", chunkData);

    Bytes result;
    result.reserve(png.size() + chunk.size());
    const auto split = png.begin() + static_cast<std::ptrdiff_t>(iend->first);
    result.insert(result.end(), png.begin(), split);
    result.insert(result.end(), chunk.begin(), chunk.end());
    result.insert(result.end(), split, png.end());
    return result;
}

std::optional<std::pair<std::int64_t, std::int64_t>> findPngChunk(std::string_view type,
                                                                  const Bytes& data)
{
    std::optional<std::pair<std::int64_t, std::int64_t>> found;
    walkChunks(data, [&](const Chunk& chunk) {
        if (typeEquals(chunk.type, type)) {
            found.emplace(static_cast<std::int64_t>(chunk.start), static_cast<std::int64_t>(chunk.end));
            return true;
        }
        return false;
    });
    return found;
}

bool hasOverlongPngChunk(const Bytes& data)
{
    // A PNG file is decoded as its one stream. Its chunks may hold the signature as
    // data (a palette or a text can spell it), which must not make it unreadable.
    if (hasSignatureAt(data, 0)) {
        return firstOverlongChunk(data, pngSignature.size()).has_value();
    }
    // Elsewhere streams are found by their signature: a container's directory could
    // point into any of them.
    constexpr int maxStreams = 64;
    const std::uint64_t count = data.size();
    int streams = 0;
    // Every import passes through here: memchr finds the signature's rare first
    // byte far faster than a general search, which matters for large photos.
    const std::uint8_t* const begin = data.data();
    for (std::uint64_t from = 0; count >= 8 && from <= count - 8; ++from) {
        const void* first = std::memchr(begin + from, pngSignature[0], count - 7 - from);
        if (!first) {
            break;
        }
        from = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(first) - begin);
        if (!hasSignatureAt(data, from)) {
            continue;
        }
        if (++streams > maxStreams || firstOverlongChunk(data, from + 8)) {
            return true;
        }
    }
    return false;
}

std::optional<std::uint64_t> pngImageDataEnd(const Bytes& data)
{
    if (!hasSignatureAt(data, 0)) {
        return std::nullopt;
    }
    const auto overlong = firstOverlongChunk(data, pngSignature.size());
    if (!overlong || !overlong->afterImageData) {
        return std::nullopt;
    }
    return overlong->start;
}

Bytes makePngChunk(std::string_view type, const Bytes& data)
{
    if (type.size() != 4) {
        throw std::invalid_argument("PNG chunk type must be 4 bytes");
    }
    if (data.size() > maxChunkLength) {
        throw std::length_error("PNG chunk data too long");
    }
    Bytes chunk;
    chunk.reserve(12 + data.size());
    appendBigEndian32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.insert(chunk.end(), type.begin(), type.end());
    chunk.insert(chunk.end(), data.begin(), data.end());
    // The CRC covers type and data, which now sit contiguously after the length.
    appendBigEndian32(chunk, crc32(chunk.data() + 4, 4 + data.size()));
    return chunk;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size)
{
    const auto& table = crcTable();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

}  // namespace pixmora::document
