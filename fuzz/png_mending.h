#pragma once

// Almost every mutation breaks a chunk CRC, and libpng refuses a critical chunk with
// a wrong CRC before decoding anything. The targets therefore also run each input
// with its CRCs mended, so the fuzzer reaches the decoder and our code behind it.

#include <algorithm>
#include <array>
#include <cstdint>

#include "document/png_chunks.h"

namespace pixmora::fuzz {

// data with the CRC of every complete chunk after the PNG signature recomputed;
// unchanged when it has no signature.
inline document::Bytes withMendedCrcs(document::Bytes data)
{
    constexpr std::array<std::uint8_t, 8> signature{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    if (data.size() < 8 || !std::equal(signature.begin(), signature.end(), data.begin())) {
        return data;
    }
    const std::uint64_t count = data.size();
    std::uint64_t pos = 8;
    while (count - pos >= 12) {
        std::uint8_t* chunk = data.data() + pos;
        const std::uint64_t length = std::uint64_t(chunk[0]) << 24 | std::uint64_t(chunk[1]) << 16
                                     | std::uint64_t(chunk[2]) << 8 | chunk[3];
        if (length > count - pos - 12) {
            break;
        }
        const std::uint32_t crc = document::crc32(chunk + 4, static_cast<std::size_t>(4 + length));
        for (int i = 0; i < 4; ++i) {
            chunk[8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        }
        pos += 12 + length;
    }
    return data;
}

}  // namespace pixmora::fuzz
