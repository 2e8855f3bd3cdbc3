#include "document/png_chunks.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <random>
#include <stdexcept>
#include <thread>

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

// Assembled here with zlib's CRC, independent of makePngChunk.
Bytes chunk(std::string_view type, const Bytes& data)
{
    const Bytes typeAndData = bytes(type) + data;
    return bigEndian(static_cast<std::uint32_t>(data.size())) + typeAndData
           + bigEndian(zlibCrc(typeAndData));
}

Bytes textChunk(std::string_view key, std::string_view text)
{
    return chunk("tEXt", bytes(key) + Bytes{0} + bytes(text));
}

Bytes header(std::uint32_t width = 4, std::uint32_t height = 4)
{
    return Bytes{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}
           + chunk("IHDR", bigEndian(width) + bigEndian(height) + Bytes{8, 6, 0, 0, 0});
}

const Bytes iend = chunk("IEND", {});
const Bytes idat = chunk("IDAT", Bytes(20, 0));

TEST(Crc32, MatchesZlibOnRandomBuffersAndIsSafeUnderConcurrentFirstUse)
{
    // Each test runs in its own process under CTest, so the table is built here.
    std::vector<std::uint32_t> results(8);
    {
        std::vector<std::jthread> threads;
        for (std::size_t i = 0; i < results.size(); ++i) {
            threads.emplace_back([&, i] { results[i] = crc32(bytes("IEND")); });
        }
    }
    EXPECT_EQ(results, std::vector<std::uint32_t>(8, 0xAE426082u));
    std::mt19937 random(1);
    Bytes buffer;
    for (std::size_t length = 0; length <= 300; ++length) {
        buffer.push_back(static_cast<std::uint8_t>(random()));
        ASSERT_EQ(crc32(buffer), zlibCrc(buffer)) << "length " << length;
    }
    EXPECT_EQ(crc32(nullptr, 0), 0u);
}

TEST(MakePngChunk, LengthTypeDataAndCrc)
{
    for (const Bytes& data : {Bytes{}, textChunk(keyword, "twoColor"), Bytes(300, 0xAB)}) {
        EXPECT_EQ(makePngChunk("tEXt", data), chunk("tEXt", data));
    }
    EXPECT_THROW(makePngChunk("tEX", {}), std::invalid_argument);
    EXPECT_THROW(makePngChunk("tEXtt", {}), std::invalid_argument);
}

TEST(FindPngChunk, FirstCompleteChunkOfATypeAlsoPastIend)
{
    const Bytes twice = header() + chunk("abCD", bytes("12")) + chunk("abCD", bytes("3"));
    EXPECT_EQ(findPngChunk("abCD", twice), (Span{33, 47}));
    EXPECT_EQ(findPngChunk("tIME", twice), std::nullopt);
    const Bytes data = header() + iend + chunk("abCD", {});
    EXPECT_EQ(findPngChunk("abCD", data), (Span{45, 57}));
    const Bytes nonAscii = header() + chunk("IEN\xC4", {}) + iend;
    EXPECT_EQ(findPngChunk("IEND", nonAscii), (Span{45, 57}));
    EXPECT_EQ(findPngChunk("IEN\xC4", nonAscii), std::nullopt);
}

TEST(ReadPngTextChunk, FirstExactKeywordBeforeIendWhateverItsCrcRunningToTheChunkEnd)
{
    EXPECT_EQ(readPngTextChunk(keyword, header() + idat + textChunk(keyword, "twoColor") + iend),
              "twoColor");
    EXPECT_EQ(readPngTextChunk(keyword, header() + idat + iend), std::nullopt);
    EXPECT_EQ(readPngTextChunk(keyword, header() + iend + textChunk(keyword, "twoColor")),
              std::nullopt);
    // Without IEND the walk runs to the end.
    EXPECT_EQ(readPngTextChunk(keyword, header() + idat + textChunk(keyword, "x")), "x");
    const Bytes data = header() + textChunk("PixmoraColorMode", "a") + textChunk(keyword + " ", "b")
                       + textChunk("pixmoraColor", "c") + chunk("tEXt", {})
                       + chunk("tEXt", bytes(keyword))
                       + chunk("zTXt", bytes(keyword) + Bytes{0, 0} + bytes("zz"))
                       + textChunk(keyword, "sixteenColor") + textChunk(keyword, "twoColor") + iend;
    EXPECT_EQ(readPngTextChunk(keyword, data), "sixteenColor");
    Bytes badCrc = textChunk(keyword, "webSafe256");
    badCrc.back() ^= 0x5A;
    EXPECT_EQ(readPngTextChunk(keyword, header() + badCrc + iend), "webSafe256");
    EXPECT_EQ(readPngTextChunk(keyword, header() + textChunk(keyword, "") + iend), std::string());
    const Bytes zero = header() + chunk("tEXt", bytes(keyword) + Bytes{0, 'a', 0, 'b'}) + iend;
    EXPECT_EQ(readPngTextChunk(keyword, zero), std::string("a\0b", 3));
}

TEST(ReadPngTextChunk, RepairsInvalidUtf8)
{
    const std::string fffd = "\xEF\xBF\xBD";
    for (const auto& [stored, expected] :
         std::vector<std::pair<std::string, std::string>>{
             {"日本\xC3\xA9", "日本\xC3\xA9"},
             {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
             {"a\xFF" "b", "a" + fffd + "b"},
             {"\xE2\x82" "A", fffd + "A"},                      // cut-off sequence
             {"\xC0\x80", fffd + fffd},                         // overlong
             {"\xED\xA0\x80", fffd + fffd + fffd},              // surrogate
             {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},   // past U+10FFFF
             {"\x80\xBF", fffd + fffd}}) {
        EXPECT_EQ(readPngTextChunk(keyword, header() + textChunk(keyword, stored) + iend), expected)
            << "stored bytes: " << stored;
    }
    // The keyword is repaired before the comparison, too.
    EXPECT_EQ(readPngTextChunk("k" + fffd, header() + textChunk("k\xFF", "v") + iend), "v");
    EXPECT_EQ(readPngTextChunk("k\xFF", header() + textChunk("k\xFF", "v") + iend), std::nullopt);
}

TEST(PngPixelSize, ReadsTheHeaderOfAtLeastTwentyFourBytesAndTinyInputsHaveNothing)
{
    EXPECT_EQ(pngPixelSize(header(0xFFFFFFFF, 0x80000000)), (Span{4294967295, 2147483648}));
    const Bytes full = header(16, 8);
    EXPECT_EQ(pngPixelSize(Bytes(full.begin(), full.begin() + 24)), (Span{16, 8}));
    Bytes badSignature = full;
    badSignature[3] = 'g';
    EXPECT_EQ(pngPixelSize(badSignature), std::nullopt);
    for (const int size : {0, 8, 9, 16, 23}) {
        const Bytes data(full.begin(), full.begin() + size);
        EXPECT_EQ(pngPixelSize(data), std::nullopt) << size;
        EXPECT_EQ(readPngTextChunk(keyword, data), std::nullopt) << size;
        EXPECT_EQ(findPngChunk("IHDR", data), std::nullopt) << size;
        EXPECT_EQ(insertPngTextChunk(keyword, "twoColor", data), data) << size;
    }
}

TEST(HostileBuffers, LengthsRunningPastTheEndOrWrappingStopTheWalk)
{
    const Bytes tail = textChunk(keyword, "twoColor") + iend;
    // In 32 bits, pos + 12 + N would land on this chunk again (2^32 - 12) or on the
    // tEXt chunk behind its header (2^32 - 4); signed, 0x80000000 would step back.
    for (const std::uint32_t length : {static_cast<std::uint32_t>(tail.size()), 0xFFFFFFFFu,
                                       0xFFFFFFF4u, 0xFFFFFFFCu, 0x80000000u, 0x7FFFFFFFu}) {
        const Bytes data = header() + bigEndian(length) + bytes("tEXt") + tail;
        EXPECT_EQ(readPngTextChunk(keyword, data), std::nullopt) << std::hex << length;
        EXPECT_EQ(findPngChunk("IEND", data), std::nullopt) << std::hex << length;
        EXPECT_EQ(insertPngTextChunk(keyword, "twoColor", data), data) << std::hex << length;
    }
    const Bytes field = bigEndian(0xFFFFFFFFu) + bytes("IEND");
    for (int keep = 0; keep <= 8; ++keep) {
        const Bytes data = header() + Bytes(field.begin(), field.begin() + keep);
        EXPECT_EQ(findPngChunk("IEND", data), std::nullopt) << keep;
        EXPECT_EQ(readPngTextChunk(keyword, data), std::nullopt) << keep;
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
    for (std::size_t cut = textData; cut < textData + 25; ++cut) {
        EXPECT_TRUE(hasOverlongPngChunk(prefix(cut))) << cut;
    }
    // Cut in a length field, a type or a CRC: nothing claims bytes that are missing.
    for (const std::size_t cut : {std::size_t{8}, header().size() + 3, header().size() + 7,
                                  textData + 25, textData + 28, whole.size() - 1}) {
        EXPECT_FALSE(hasOverlongPngChunk(prefix(cut))) << cut;
    }
    for (const std::uint32_t length : {0x4000001Du, 0xFFFFFFFFu}) {
        const Bytes claim = bigEndian(length) + bytes("tEXt") + Bytes(29, 'x');
        EXPECT_TRUE(hasOverlongPngChunk(header() + claim + idat + iend)) << std::hex << length;
        EXPECT_TRUE(hasOverlongPngChunk(header() + idat + claim + iend)) << std::hex << length;
        // Behind IEND no decoder looks, and without the signature it is no PNG.
        EXPECT_FALSE(hasOverlongPngChunk(header() + idat + iend + claim)) << std::hex << length;
        EXPECT_FALSE(hasOverlongPngChunk(Bytes(8, 0) + claim)) << std::hex << length;
    }
}

// Icons carry whole PNGs inside, which Qt hands to the same decoder.
TEST(OverlongChunk, EmbeddedStreamsCountWhereverTheyStart)
{
    const Bytes claim = bigEndian(0x4000001Du) + bytes("tEXt") + Bytes(29, 'x');
    const Bytes iconHeader = Bytes{0, 0, 1, 0, 1, 0} + Bytes(16, 7);
    EXPECT_FALSE(hasOverlongPngChunk(iconHeader + header() + idat + iend));
    EXPECT_TRUE(hasOverlongPngChunk(iconHeader + header() + claim + idat + iend));
    EXPECT_TRUE(hasOverlongPngChunk(header() + idat + iend + Bytes(5, 1) + header() + claim));
    // Walking very many streams costs their number times the data's size; past 64
    // the data is refused unwalked.
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
    QImage image(7, 5, QImage::Format_ARGB32);
    image.fill(qRgba(200, 100, 50, 128));
    QByteArray encoded;
    QBuffer buffer(&encoded);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"));
    const Bytes png(encoded.begin(), encoded.end());
    QTemporaryDir dir;
    const QString path = dir.filePath("mode.png");
    for (const std::string text : {"twoColor", "sixteenColor", "webSafe256"}) {
        const Bytes out = insertPngTextChunk(keyword, text, png);
        EXPECT_EQ(out, Bytes(png.begin(), png.end() - 12) + textChunk(keyword, text) + iend);
        EXPECT_EQ(readPngTextChunk(keyword, out), text);
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
        EXPECT_EQ(pillow.readAllStandardOutput().toStdString(), text + "\n")
            << pillow.readAllStandardError().toStdString();
    }
}

TEST(InsertPngTextChunk, GoesBeforeTheFirstCompleteIendAfterAnyEarlierOne)
{
    const Bytes trailer = iend + chunk("abCD", bytes("x"));
    const Bytes earlier = header() + textChunk(keyword, "twoColor");
    const Bytes out = insertPngTextChunk(keyword, "webSafe256", earlier + trailer);
    EXPECT_EQ(out, earlier + textChunk(keyword, "webSafe256") + trailer);
    EXPECT_EQ(readPngTextChunk(keyword, out), "twoColor");
    const Bytes noIend = header() + idat + Bytes(iend.begin(), iend.end() - 1);
    EXPECT_EQ(insertPngTextChunk(keyword, "twoColor", noIend), noIend);
}

}  // namespace
}  // namespace pixmora::document
