#include "document/png_chunks.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QProcess>

#include <random>
#include <stdexcept>

#include "document_fixtures.h"

namespace pixmora::document {
namespace {

using Span = std::pair<std::int64_t, std::int64_t>;

const std::string keyword = "pixmoraColorMode";

Bytes operator+(Bytes a, const Bytes& b)
{
    test::append(a, b);
    return a;
}

Bytes bigEndian(std::uint32_t value)
{
    Bytes out;
    test::appendBigEndian(out, value);
    return out;
}

Bytes textChunk(std::string_view key, std::string_view text)
{
    return test::pngChunk("tEXt", test::asBytes(key) + Bytes{0} + test::asBytes(text));
}

Bytes header(std::uint32_t width = 4, std::uint32_t height = 4)
{
    return test::pngWithHeader(width, height, {});
}

const Bytes iend = test::pngChunk("IEND", {});
const Bytes idat = test::pngChunk("IDAT", Bytes(20, 0));

TEST(Crc32AndMakePngChunk, MatchZlibAndRefuseTypesNotOfFourBytes)
{
    std::mt19937 random(1);
    Bytes buffer;
    for (std::size_t length = 0; length <= 100; ++length) {
        buffer.push_back(static_cast<std::uint8_t>(random()));
        ASSERT_EQ(crc32(buffer), ::crc32(::crc32(0L, Z_NULL, 0), buffer.data(),
                                         static_cast<uInt>(buffer.size())));
    }
    EXPECT_EQ(makePngChunk("tEXt", buffer), test::pngChunk("tEXt", buffer));
    EXPECT_THROW(makePngChunk("tEX", {}), std::invalid_argument);
    EXPECT_THROW(makePngChunk("tEXtt", {}), std::invalid_argument);
}

TEST(ReadPngTextChunk, FirstExactKeywordBeforeIendWhateverItsCrcWithUtf8Repaired)
{
    const Bytes data = header() + textChunk("PixmoraColorMode", "a") + textChunk(keyword + " ", "b")
                       + textChunk(keyword, "sixteenColor") + textChunk(keyword, "twoColor") + iend;
    EXPECT_EQ(readPngTextChunk(keyword, data), "sixteenColor");
    Bytes badCrc = textChunk(keyword, "webSafe256");
    badCrc.back() ^= 0x5A;
    EXPECT_EQ(readPngTextChunk(keyword, header() + badCrc + iend), "webSafe256");
    EXPECT_EQ(readPngTextChunk(keyword, header() + textChunk(keyword, "\xE2\x82" "A") + iend),
              "\xEF\xBF\xBD" "A");
}

// In 32 bits, pos + 12 + N would land on this chunk again (2^32 - 12) or on the tEXt chunk
// behind its header (2^32 - 4); signed, 0x80000000 would step back. A decoder allocates what
// a chunk claims before it finds the data missing (fuzz finding: 151 bytes asking for 1 GiB).
TEST(HostileBuffers, LengthsRunningPastTheEndOrWrappingStopTheWalkAndShortDataIsOverlong)
{
    EXPECT_EQ(pngPixelSize(header(0xFFFFFFFF, 0x80000000)), (Span{4294967295, 2147483648}));
    const Bytes tail = textChunk(keyword, "twoColor") + iend;
    for (const std::uint32_t length : {0xFFFFFFF4u, 0xFFFFFFFCu, 0x80000000u}) {
        const Bytes data = header() + bigEndian(length) + test::asBytes("tEXt") + tail;
        EXPECT_EQ(readPngTextChunk(keyword, data), std::nullopt) << std::hex << length;
        EXPECT_EQ(findPngChunk("IEND", data), std::nullopt) << std::hex << length;
        EXPECT_EQ(insertPngTextChunk(keyword, "twoColor", data), data) << std::hex << length;
    }
    const Bytes whole = header() + textChunk(keyword, "twoColor") + idat + iend;
    EXPECT_FALSE(hasOverlongPngChunk(whole));
    EXPECT_TRUE(hasOverlongPngChunk(Bytes(whole.begin(), whole.begin() + 41)));
    const Bytes claim = bigEndian(0x4000001Du) + test::asBytes("tEXt") + Bytes(29, 'x');
    EXPECT_FALSE(hasOverlongPngChunk(header() + idat + iend + claim));
}

// Qt's encoder writes IEND last; Pillow reads the chunk independently.
TEST(InsertPngTextChunk, AddsOneTextChunkJustBeforeTheEncodersIend)
{
    const Bytes png = test::encoded(test::filledImage(7, 5, {200, 100, 50, 128}), "png");
    const Bytes out = insertPngTextChunk(keyword, "sixteenColor", png);
    EXPECT_EQ(out, Bytes(png.begin(), png.end() - 12) + textChunk(keyword, "sixteenColor") + iend);
    QProcess pillow;
    pillow.start("/usr/bin/python3",
                 {"-c", "import io, sys; from PIL import Image; "
                        "im = Image.open(io.BytesIO(sys.stdin.buffer.read())); "
                        "im.load(); print(im.text.get('pixmoraColorMode'))"});
    ASSERT_TRUE(pillow.waitForStarted());
    pillow.write(reinterpret_cast<const char*>(out.data()), static_cast<qint64>(out.size()));
    pillow.closeWriteChannel();
    ASSERT_TRUE(pillow.waitForFinished());
    EXPECT_EQ(pillow.readAllStandardOutput().toStdString(), "sixteenColor\n")
        << pillow.readAllStandardError().toStdString();
}

}  // namespace
}  // namespace pixmora::document
