// Reading a document from arbitrary bytes: refused or opened, never a crash, and
// whatever opens must save and read back to the same document.
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "document/bitmap_document.h"
#include "png_mending.h"

using namespace pixmora::document;

namespace {

void readAndResave(const Bytes& bytes)
{
    const ReadResult result = readDocument(bytes);
    const auto* document = std::get_if<BitmapDocument>(&result);
    if (!document)
        return;
    const auto& image = document->image;
    if (image.width < 1 || image.height < 1 || image.width > kMaxDocumentSide
        || image.height > kMaxDocumentSide
        || static_cast<std::int64_t>(image.pixels.size()) != image.width * image.height)
        std::abort();
    const std::optional<Bytes> saved = writeDocument(*document);
    if (!saved)
        std::abort();
    const ReadResult reread = readDocument(*saved);
    const auto* again = std::get_if<BitmapDocument>(&reread);
    if (!again || again->image != image || again->colorMode != document->colorMode)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Bytes bytes(data, data + size);
    readAndResave(bytes);
    const Bytes mended = pixmora::fuzz::withMendedCrcs(bytes);
    if (mended != bytes)
        readAndResave(mended);
    return 0;
}
