// Exercises every chunk-layer entry point on arbitrary bytes and checks the
// invariants that callers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/png_chunks.h"

using namespace pixmora::document;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Bytes bytes(data, data + size);

    if (auto dims = pngPixelSize(bytes)) {
        if (dims->first < 0 || dims->second < 0 || dims->first > 0xFFFFFFFFLL)
            std::abort();
    }

    (void)readPngTextChunk("pixmoraColorMode", bytes);

    if (auto iend = findPngChunk("IEND", bytes)) {
        if (iend->first < 8 || iend->second > static_cast<std::int64_t>(size)
            || iend->second - iend->first < 12)
            std::abort();
    }

    // Walks every embedded stream: must stay in bounds and end on any input.
    const bool overlong = hasOverlongPngChunk(bytes);

    // A cut is offered only for an overlong chunk inside the data, and the bytes
    // before it, closed with an IEND, must be safe to decode.
    if (auto end = pngImageDataEnd(bytes)) {
        if (!overlong || *end < 8 || *end >= size)
            std::abort();
        Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(*end));
        const Bytes iend = makePngChunk("IEND", {});
        cut.insert(cut.end(), iend.begin(), iend.end());
        if (hasOverlongPngChunk(cut))
            std::abort();
    }

    const Bytes inserted = insertPngTextChunk("pixmoraColorMode", "sixteenColor", bytes);
    if (findPngChunk("IEND", bytes)) {
        // What was inserted must read back, unless an earlier chunk with the
        // same keyword already answers.
        if (inserted.size() != size + 41 || !readPngTextChunk("pixmoraColorMode", inserted))
            std::abort();
    } else if (inserted != bytes) {
        std::abort();
    }
    return 0;
}
