#include "document/png_chunks.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <random>
#include <stdexcept>

#include "document_fixtures.h"

namespace pixmora::document {
namespace {

using Span = std::pair<std::int64_t, std::int64_t>;

const std::string keyword = "pixmoraColorMode";

Bytes bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::uint32_t zlibCrc(const Bytes& data)
{
    return static_cast<std::uint32_t>(
        ::crc32(::crc32(0L, Z_NULL, 0), data.data(), static_cast<uInt>(data.size())));
}

Bytes bigEndian(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

// Assembled with zlib's CRC, independent of makePngChunk.
constexpr auto chunk = &test::pngChunk;

Bytes textChunk(std::string_view key, std::string_view text)
{
    return chunk("tEXt", bytes(key) + Bytes{0} + bytes(text));
}

Bytes header(std::uint32_t width = 4, std::uint32_t height = 4)
{
    return test::pngWithHeader(width, height, {});
}

const Bytes iend = chunk("IEND", {});
const Bytes idat = chunk("IDAT", Bytes(20, 0));

TEST(Crc32AndMakePngChunk, MatchZlibAndRefuseTypesNotOfFourBytes)
{
    std::mt19937 random(1);
    Bytes buffer;
    for (std::size_t length = 0; length <= 100; ++length) {
        buffer.push_back(static_cast<std::uint8_t>(random()));
        ASSERT_EQ(crc32(buffer), zlibCrc(buffer)) << "length " << length;
    }
    EXPECT_EQ(makePngChunk("tEXt", buffer), chunk("tEXt", buffer));
    EXPECT_THROW(makePngChunk("tEX", {}), std::invalid_argument);
    EXPECT_THROW(makePngChunk("tEXtt", {}), std::invalid_argument);
}

TEST(ReadPngTextChunk, FirstExactKeywordBeforeIendWhateverItsCrcWithUtf8Repaired)
{
    EXPECT_EQ(readPngTextChunk(keyword, header() + iend + textChunk(keyword, "twoColor")),
              std::nullopt);
    const Bytes data = header() + textChunk("PixmoraColorMode", "a") + textChunk(keyword + " ", "b")
                       + chunk("zTXt", bytes(keyword) + Bytes{0, 0} + bytes("zz"))
                       + textChunk(keyword, "sixteenColor") + textChunk(keyword, "twoColor") + iend;
    EXPECT_EQ(readPngTextChunk(keyword, data), "sixteenColor");
    Bytes badCrc = textChunk(keyword, "webSafe256");
    badCrc.back() ^= 0x5A;
    EXPECT_EQ(readPngTextChunk(keyword, header() + badCrc + iend), "webSafe256");
    EXPECT_EQ(readPngTextChunk(keyword, header() + textChunk(keyword, "\xE2\x82" "A") + iend),
              "\xEF\xBF\xBD" "A");
}

TEST(HostileBuffers, ShortInputsAndLengthsRunningPastTheEndOrWrappingStopTheWalk)
{
    EXPECT_EQ(pngPixelSize(header(0xFFFFFFFF, 0x80000000)), (Span{4294967295, 2147483648}));
    const Bytes tail = textChunk(keyword, "twoColor") + iend;
    // In 32 bits, pos + 12 + N would land on this chunk again (2^32 - 12) or on the
    // tEXt chunk behind its header (2^32 - 4); signed, 0x80000000 would step back.
    for (const std::uint32_t length : {0xFFFFFFF4u, 0xFFFFFFFCu, 0x80000000u}) {
        const Bytes data = header() + bigEndian(length) + bytes("tEXt") + tail;
        EXPECT_EQ(readPngTextChunk(keyword, data), std::nullopt) << std::hex << length;
        EXPECT_EQ(findPngChunk("IEND", data), std::nullopt) << std::hex << length;
        EXPECT_EQ(insertPngTextChunk(keyword, "twoColor", data), data) << std::hex << length;
    }
}

// A decoder allocates what a chunk claims before it finds the data missing (fuzz
// finding: 151 bytes asking for 1 GiB of text).
TEST(OverlongChunk, DataShorterThanADeclaredLengthBeforeIendIsOverlong)
{
    const Bytes whole = header() + textChunk(keyword, "twoColor") + idat + iend;
    EXPECT_FALSE(hasOverlongPngChunk(whole));
    const auto prefix = [&whole](std::size_t size) {
        return Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    };
    const std::size_t textData = header().size() + 8;
    EXPECT_TRUE(hasOverlongPngChunk(prefix(textData)));
    EXPECT_TRUE(hasOverlongPngChunk(prefix(textData + 24)));
    // Cut in a length field or a CRC: nothing claims bytes that are missing.
    EXPECT_FALSE(hasOverlongPngChunk(prefix(header().size() + 3)));
    EXPECT_FALSE(hasOverlongPngChunk(prefix(textData + 28)));
    const Bytes claim = bigEndian(0xFFFFFFFFu) + bytes("tEXt") + Bytes(29, 'x');
    EXPECT_TRUE(hasOverlongPngChunk(header() + idat + claim + iend));
    // Behind IEND no decoder looks.
    EXPECT_FALSE(hasOverlongPngChunk(header() + idat + iend + claim));
}

// Icons carry whole PNGs inside, which Qt hands to the same decoder.
TEST(OverlongChunk, EmbeddedStreamsCountWhereverTheyStart)
{
    const Bytes claim = bigEndian(0x4000001Du) + bytes("tEXt") + Bytes(29, 'x');
    const Bytes iconHeader = Bytes{0, 0, 1, 0, 1, 0} + Bytes(16, 7);
    EXPECT_FALSE(hasOverlongPngChunk(iconHeader + header() + idat + iend));
    EXPECT_TRUE(hasOverlongPngChunk(iconHeader + header() + claim + idat + iend));
    // Past 64 streams the data is refused unwalked.
    Bytes many;
    for (int i = 0; i < 64; ++i) {
        many = many + header() + iend;
    }
    EXPECT_FALSE(hasOverlongPngChunk(many));
    EXPECT_TRUE(hasOverlongPngChunk(many + header() + iend));
}

// Qt's encoder writes IEND last; pngcheck and Pillow read the chunk independently.
TEST(InsertPngTextChunk, AddsOneTextChunkJustBeforeTheEncodersIend)
{
    const Bytes png = test::encoded(test::filledImage(7, 5, {200, 100, 50, 128}), "png");
    const Bytes out = insertPngTextChunk(keyword, "sixteenColor", png);
    EXPECT_EQ(out, Bytes(png.begin(), png.end() - 12) + textChunk(keyword, "sixteenColor") + iend);
    QTemporaryDir dir;
    const QString path = dir.filePath("mode.png");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<qint64>(out.size()));
    file.close();
    QProcess check;
    check.start("/usr/bin/pngcheck", {"-v", path});
    ASSERT_TRUE(check.waitForFinished());
    EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
    QProcess pillow;
    pillow.start("/usr/bin/python3",
                 {"-c", "import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
                        "im.load(); print(im.text.get('pixmoraColorMode'))",
                  path});
    ASSERT_TRUE(pillow.waitForFinished());
    EXPECT_EQ(pillow.readAllStandardOutput().toStdString(), "sixteenColor\n")
        << pillow.readAllStandardError().toStdString();
}

}  // namespace
}  // namespace pixmora::document
