#include "document/png_chunks.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
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

std::uint32_t bigEndianAt(const Bytes& data, std::size_t offset)
{
    return std::uint32_t(data[offset]) << 24 | std::uint32_t(data[offset + 1]) << 16
           | std::uint32_t(data[offset + 2]) << 8 | data[offset + 3];
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

QImage sampleImage()
{
    QImage image(7, 5, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgba(x * 36, y * 60, (x + y) * 20, (x * y) % 3 == 0 ? 255 : 0));
        }
    }
    return image;
}

Bytes encodePng(const QImage& image)
{
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "PNG"));
    return Bytes(encoded.begin(), encoded.end());
}

struct CommandResult {
    int status = -1;
    std::string output;
};

CommandResult run(const std::string& command)
{
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char piece[256];
    while (fgets(piece, sizeof piece, pipe) != nullptr) {
        result.output += piece;
    }
    const int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

TEST(Crc32, MatchesZlibOnRandomBuffers)
{
    std::mt19937 random(1);
    Bytes buffer;
    for (std::size_t length = 0; length <= 300; ++length) {
        buffer.resize(length);
        for (std::uint8_t& b : buffer) {
            b = static_cast<std::uint8_t>(random());
        }
        ASSERT_EQ(crc32(buffer), zlibCrc(buffer)) << "length " << length;
    }
    EXPECT_EQ(crc32(nullptr, 0), 0u);
}

TEST(Crc32, TableIsSafeUnderConcurrentFirstUse)
{
    // Each test runs in its own process under CTest, so the table is built here.
    std::vector<std::uint32_t> results(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] { results[i] = crc32(bytes("IEND")); });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(results, std::vector<std::uint32_t>(8, 0xAE426082u));
}

TEST(PngPixelSize, ReadsTheHeaderOfAtLeastTwentyFourBytes)
{
    EXPECT_EQ(pngPixelSize(header(0xFFFFFFFF, 0x80000000)), (Span{4294967295, 2147483648}));
    const Bytes png = header(16, 8);
    EXPECT_EQ(pngPixelSize(Bytes(png.begin(), png.begin() + 24)), (Span{16, 8}));
    EXPECT_EQ(pngPixelSize(Bytes(png.begin(), png.begin() + 23)), std::nullopt);
    Bytes badSignature = png;
    badSignature[3] = 'g';
    EXPECT_EQ(pngPixelSize(badSignature), std::nullopt);
}

TEST(MakePngChunk, LengthTypeDataAndCrc)
{
    for (const Bytes& data : {Bytes{}, bytes(keyword) + Bytes{0} + bytes("twoColor"), Bytes(300, 0xAB)}) {
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
    Bytes noSignature = data;
    std::fill(noSignature.begin(), noSignature.begin() + 8, 0);
    EXPECT_EQ(findPngChunk("abCD", noSignature), (Span{45, 57}));

    const Bytes nonAscii = header() + chunk("IEN\xC4", {}) + iend;
    EXPECT_EQ(findPngChunk("IEND", nonAscii), (Span{45, 57}));
    EXPECT_EQ(findPngChunk("IEN\xC4", nonAscii), std::nullopt);
}

TEST(FindPngChunk, TruncatedChunkIsNeverMatched)
{
    const Bytes whole = header() + iend;
    for (std::size_t cut = 1; cut <= 12; ++cut) {
        const Bytes truncated(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(findPngChunk("IEND", truncated), std::nullopt) << "cut " << cut;
    }
}

TEST(ReadPngTextChunk, FirstExactKeywordBeforeIendWhateverItsCrc)
{
    EXPECT_EQ(readPngTextChunk(keyword, header() + idat + textChunk(keyword, "twoColor") + iend),
              "twoColor");
    EXPECT_EQ(readPngTextChunk(keyword, header() + idat + iend), std::nullopt);
    EXPECT_EQ(readPngTextChunk(keyword, header() + iend + textChunk(keyword, "twoColor")), std::nullopt);
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
}

TEST(ReadPngTextChunk, EmptyTextIsPresentAndTheTextRunsToTheChunkEnd)
{
    EXPECT_EQ(readPngTextChunk(keyword, header() + textChunk(keyword, "") + iend), std::string());
    const Bytes embeddedZero = header() + chunk("tEXt", bytes(keyword) + Bytes{0, 'a', 0, 'b'}) + iend;
    EXPECT_EQ(readPngTextChunk(keyword, embeddedZero), std::string("a\0b", 3));
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

TEST(HostileBuffers, TinyInputsHaveNothing)
{
    const Bytes full = header();
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

TEST(HostileBuffers, RandomDamageNeverEscapesTheBuffer)
{
    const Bytes good = insertPngTextChunk(keyword, "sixteenColor", encodePng(sampleImage()));
    std::mt19937 random(3);
    for (int round = 0; round < 1000; ++round) {
        Bytes data = good;
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits && !data.empty(); ++e) {
            const std::size_t at = random() % data.size();
            switch (random() % 3) {
            case 0: data[at] = static_cast<std::uint8_t>(random()); break;
            case 1: data.resize(at); break;
            default: data[at] = 0xFF; break;
            }
        }
        const auto found = findPngChunk("IEND", data);
        if (found) {
            ASSERT_GE(found->first, 8);
            ASSERT_LE(found->second, static_cast<std::int64_t>(data.size()));
            const std::uint32_t length = bigEndianAt(data, static_cast<std::size_t>(found->first));
            ASSERT_EQ(found->second - found->first, 12 + static_cast<std::int64_t>(length));
        }
        ASSERT_EQ(insertPngTextChunk(keyword, "twoColor", data).size(),
                  data.size() + (found ? 37u : 0u));
        // Repair turns each bad byte into at most three.
        if (const auto text = readPngTextChunk(keyword, data)) {
            ASSERT_LE(text->size(), 3 * data.size()) << "round " << round;
        }
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

class InsertIntoEncodedPng : public ::testing::TestWithParam<const char*> {};

TEST_P(InsertIntoEncodedPng, AddsOneTextChunkJustBeforeIend)
{
    const std::string text = GetParam();
    const QImage image = sampleImage();
    const Bytes png = encodePng(image);
    const Bytes out = insertPngTextChunk(keyword, text, png);
    const Bytes before(png.begin(), png.end() - 12);  // the encoder writes IEND last
    EXPECT_EQ(out, before + textChunk(keyword, text) + iend);
    EXPECT_EQ(readPngTextChunk(keyword, out), text);

    const QImage decoded = QImage::fromData(QByteArray(reinterpret_cast<const char*>(out.data()),
                                                       static_cast<qsizetype>(out.size())),
                                            "PNG");
    EXPECT_EQ(decoded.convertToFormat(QImage::Format_ARGB32), image);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("mode.png").toStdString();
    {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    }
    const CommandResult check = run("/usr/bin/pngcheck -v '" + path + "'");
    EXPECT_EQ(check.status, 0) << check.output;
    const CommandResult pillow = run(
        "/usr/bin/python3 -c \"import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
        "im.load(); print(im.text.get('pixmoraColorMode'))\" '" + path + "'");
    EXPECT_EQ(pillow.status, 0) << pillow.output;
    EXPECT_EQ(pillow.output, text + "\n");
}

INSTANTIATE_TEST_SUITE_P(ColorModes, InsertIntoEncodedPng,
                         ::testing::Values("twoColor", "sixteenColor", "webSafe256"),
                         [](const auto& info) { return std::string(info.param); });

TEST(InsertPngTextChunk, GoesBeforeTheFirstCompleteIendAfterAnyEarlierOne)
{
    const Bytes trailer = iend + chunk("abCD", bytes("x"));
    const Bytes earlier = header() + textChunk(keyword, "twoColor");
    const Bytes out = insertPngTextChunk(keyword, "webSafe256", earlier + trailer);
    EXPECT_EQ(out, earlier + textChunk(keyword, "webSafe256") + trailer);
    EXPECT_EQ(readPngTextChunk(keyword, out), "twoColor");

    const Bytes noIend = header() + chunk("IDAT", bytes("data")) + Bytes(iend.begin(), iend.end() - 1);
    EXPECT_EQ(insertPngTextChunk(keyword, "twoColor", noIend), noIend);
}

}  // namespace
}  // namespace pixmora::document
