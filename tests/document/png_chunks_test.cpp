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

const std::string keyword = "pixmoraColorMode";
const Bytes signature{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

Bytes bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::uint32_t zlibCrc(const std::uint8_t* data, std::size_t size)
{
    return static_cast<std::uint32_t>(::crc32(::crc32(0L, Z_NULL, 0), data, static_cast<uInt>(size)));
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

// A chunk assembled here with zlib's CRC, independent of makePngChunk.
Bytes chunk(std::string_view type, const Bytes& data)
{
    const Bytes typeAndData = bytes(type) + data;
    return bigEndian(static_cast<std::uint32_t>(data.size())) + typeAndData
           + bigEndian(zlibCrc(typeAndData.data(), typeAndData.size()));
}

Bytes textChunk(std::string_view key, std::string_view text)
{
    return chunk("tEXt", bytes(key) + Bytes{0} + bytes(text));
}

Bytes header(std::uint32_t width = 4, std::uint32_t height = 4)
{
    return signature + chunk("IHDR", bigEndian(width) + bigEndian(height) + Bytes{8, 6, 0, 0, 0});
}

const Bytes iend = chunk("IEND", {});

Bytes encodePng(const QImage& image)
{
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "PNG"));
    return Bytes(encoded.begin(), encoded.end());
}

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
    char chunkOfOutput[256];
    while (fgets(chunkOfOutput, sizeof chunkOfOutput, pipe) != nullptr) {
        result.output += chunkOfOutput;
    }
    const int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

// ---- crc32

TEST(Crc32, MatchesZlibOnRandomBuffersOfEveryLength)
{
    std::mt19937 random(1);
    Bytes buffer;
    for (std::size_t length = 0; length <= 1000; ++length) {
        buffer.resize(length);
        for (std::uint8_t& b : buffer) {
            b = static_cast<std::uint8_t>(random());
        }
        ASSERT_EQ(crc32(buffer), zlibCrc(buffer.data(), buffer.size())) << "length " << length;
    }
}

TEST(Crc32, StandardCheckValue)
{
    EXPECT_EQ(crc32(bytes("123456789")), 0xCBF43926u);
    EXPECT_EQ(crc32(nullptr, 0), 0u);
}

TEST(Crc32, TableIsSafeUnderConcurrentFirstUse)
{
    // Each test runs in its own process under CTest, so the table is built here.
    const Bytes data = bytes("IEND");
    std::vector<std::uint32_t> results(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] { results[i] = crc32(data); });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (const std::uint32_t value : results) {
        EXPECT_EQ(value, 0xAE426082u);  // the CRC every PNG's IEND carries
    }
}

// ---- pngPixelSize

TEST(PngPixelSize, ReadsTheHeaderFields)
{
    EXPECT_EQ(pngPixelSize(header(129, 3)), (std::pair<std::int64_t, std::int64_t>{129, 3}));
    EXPECT_EQ(pngPixelSize(header(0xFFFFFFFF, 0x80000000)),
              (std::pair<std::int64_t, std::int64_t>{4294967295, 2147483648}));
    const Bytes full = header(16, 8);
    const Bytes exact(full.begin(), full.begin() + 24);
    EXPECT_EQ(pngPixelSize(exact), (std::pair<std::int64_t, std::int64_t>{16, 8}));
    EXPECT_EQ(pngPixelSize(encodePng(sampleImage())), (std::pair<std::int64_t, std::int64_t>{7, 5}));
}

TEST(PngPixelSize, NeedsTheSignatureAndTwentyFourBytes)
{
    const Bytes png = header(8, 8);
    EXPECT_EQ(pngPixelSize(Bytes(png.begin(), png.begin() + 23)), std::nullopt);
    EXPECT_EQ(pngPixelSize({}), std::nullopt);
    Bytes notG(png.begin(), png.begin() + 24);
    notG[3] = 'g';
    EXPECT_EQ(pngPixelSize(notG), std::nullopt);
    Bytes badFirstByte = png;
    badFirstByte[0] = 0x88;
    EXPECT_EQ(pngPixelSize(badFirstByte), std::nullopt);
}

// ---- makePngChunk

TEST(MakePngChunk, LengthTypeDataAndCrc)
{
    const Bytes modeData = bytes(keyword) + Bytes{0} + bytes("twoColor");
    for (const Bytes& data : {Bytes{}, bytes("a"), modeData, Bytes(300, 0xAB)}) {
        EXPECT_EQ(makePngChunk("tEXt", data), chunk("tEXt", data));
    }
    EXPECT_EQ(makePngChunk("IEND", {}), iend);
    EXPECT_EQ(bigEndianAt(iend, 8), 0xAE426082u);
}

TEST(MakePngChunk, RefusesTypesThatAreNotFourBytes)
{
    EXPECT_THROW(makePngChunk("tEX", {}), std::invalid_argument);
    EXPECT_THROW(makePngChunk("tEXtt", {}), std::invalid_argument);
}

// ---- findPngChunk

TEST(FindPngChunk, LocatesTheFirstCompleteChunkOfAType)
{
    const Bytes png = encodePng(sampleImage());
    const auto found = findPngChunk("IEND", png);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->first, static_cast<std::int64_t>(png.size()) - 12);
    EXPECT_EQ(found->second, static_cast<std::int64_t>(png.size()));
    EXPECT_EQ(findPngChunk("IHDR", png), (std::pair<std::int64_t, std::int64_t>{8, 33}));
    EXPECT_EQ(findPngChunk("tIME", png), std::nullopt);

    const Bytes twice = header() + chunk("abCD", bytes("12")) + chunk("abCD", bytes("3"));
    EXPECT_EQ(findPngChunk("abCD", twice), (std::pair<std::int64_t, std::int64_t>{33, 47}));
}

TEST(FindPngChunk, WalksPastIendAndIgnoresTheSignature)
{
    const Bytes data = header() + iend + chunk("abCD", {});
    EXPECT_EQ(findPngChunk("abCD", data), (std::pair<std::int64_t, std::int64_t>{45, 57}));

    Bytes noSignature = data;
    std::fill(noSignature.begin(), noSignature.begin() + 8, 0);
    EXPECT_EQ(findPngChunk("abCD", noSignature), findPngChunk("abCD", data));
}

TEST(FindPngChunk, TypesWithNonAsciiBytesNeverMatch)
{
    const Bytes data = header() + chunk("IEN\xC4", {}) + chunk("\xFF\xFF\xFF\xFF", {}) + iend;
    EXPECT_EQ(findPngChunk("IEND", data), (std::pair<std::int64_t, std::int64_t>{57, 69}));
    EXPECT_EQ(findPngChunk("IEN\xC4", data), std::nullopt);
}

TEST(FindPngChunk, TruncatedChunkIsNeverMatched)
{
    const Bytes whole = header() + iend;
    for (std::size_t cut = 1; cut <= 12; ++cut) {
        const Bytes truncated(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(findPngChunk("IEND", truncated), std::nullopt) << "cut " << cut;
    }
}

// ---- readPngTextChunk

TEST(ReadPngTextChunk, FindsTheChunkAnywhereBeforeIend)
{
    const Bytes idat = chunk("IDAT", Bytes(40, 0x11));
    EXPECT_EQ(readPngTextChunk(keyword, header() + textChunk(keyword, "webSafe256") + idat + iend),
              "webSafe256");
    EXPECT_EQ(readPngTextChunk(keyword, header() + idat + textChunk(keyword, "twoColor") + iend),
              "twoColor");
    EXPECT_EQ(readPngTextChunk(keyword, header() + idat + iend), std::nullopt);
    // With no IEND at all the walk simply runs to the end.
    EXPECT_EQ(readPngTextChunk(keyword, header() + idat + textChunk(keyword, "x")), "x");
}

TEST(ReadPngTextChunk, MatchesTheKeywordExactly)
{
    const Bytes data = header() + textChunk("PixmoraColorMode", "a") + textChunk(keyword + " ", "b")
                       + textChunk("pixmoraColor", "c") + textChunk(keyword, "sixteenColor")
                       + textChunk(keyword, "twoColor") + iend;
    EXPECT_EQ(readPngTextChunk(keyword, data), "sixteenColor");
    EXPECT_EQ(readPngTextChunk("PixmoraColorMode", data), "a");
    EXPECT_EQ(readPngTextChunk("pixmora", data), std::nullopt);
}

TEST(ReadPngTextChunk, SkipsMalformedTextChunksAndKeepsWalking)
{
    const Bytes data = header() + chunk("tEXt", {}) + chunk("tEXt", bytes(keyword))
                       + chunk("zTXt", bytes(keyword) + Bytes{0, 0} + bytes("zz"))
                       + chunk("iTXt", bytes(keyword) + Bytes{0, 0, 0, 0, 0} + bytes("ii"))
                       + textChunk(keyword, "webSafe256") + iend;
    EXPECT_EQ(readPngTextChunk(keyword, data), "webSafe256");
}

TEST(ReadPngTextChunk, EmptyTextIsPresentAndTheTextRunsToTheChunkEnd)
{
    EXPECT_EQ(readPngTextChunk(keyword, header() + textChunk(keyword, "") + iend), std::string());
    const Bytes embeddedZero = header() + chunk("tEXt", bytes(keyword) + Bytes{0, 'a', 0, 'b'}) + iend;
    EXPECT_EQ(readPngTextChunk(keyword, embeddedZero), std::string("a\0b", 3));
    EXPECT_EQ(readPngTextChunk("", header() + chunk("tEXt", Bytes{0, 'v'}) + iend), "v");
}

TEST(ReadPngTextChunk, ChunksAfterIendAreNotRead)
{
    EXPECT_EQ(readPngTextChunk(keyword, header() + iend + textChunk(keyword, "twoColor")), std::nullopt);
}

TEST(ReadPngTextChunk, WrongCrcIsStillRead)
{
    Bytes text = textChunk(keyword, "sixteenColor");
    text.back() ^= 0x5A;
    EXPECT_EQ(readPngTextChunk(keyword, header() + text + iend), "sixteenColor");
}

TEST(ReadPngTextChunk, RepairsInvalidUtf8)
{
    struct Case {
        std::string stored;
        std::string expected;
    };
    const std::string fffd = "\xEF\xBF\xBD";
    for (const Case& c : {Case{"日本\xC3\xA9", "日本\xC3\xA9"},
                          {"a\xFF" "b", "a" + fffd + "b"},
                          {"\xE2\x82", fffd},                        // cut-off sequence
                          {"\xE2\x82" "A", fffd + "A"},
                          {"\xC0\x80", fffd + fffd},                 // overlong
                          {"\xED\xA0\x80", fffd + fffd + fffd},      // surrogate
                          {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},  // past U+10FFFF
                          {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
                          {"\x80\xBF", fffd + fffd}}) {
        const Bytes data = header() + textChunk(keyword, c.stored) + iend;
        EXPECT_EQ(readPngTextChunk(keyword, data), c.expected) << "stored bytes: " << c.stored;
    }
    // The keyword is repaired before the comparison, too.
    EXPECT_EQ(readPngTextChunk("k" + fffd, header() + textChunk("k\xFF", "v") + iend), "v");
    EXPECT_EQ(readPngTextChunk("k\xFF", header() + textChunk("k\xFF", "v") + iend), std::nullopt);
}

// ---- hostile buffers

TEST(HostileBuffers, TinyInputsHaveNothing)
{
    const Bytes full = header();
    for (const int size : {0, 1, 8, 9, 15, 16, 23}) {
        const Bytes data(full.begin(), full.begin() + size);
        EXPECT_EQ(pngPixelSize(data), std::nullopt) << size;
        EXPECT_EQ(readPngTextChunk(keyword, data), std::nullopt) << size;
        EXPECT_EQ(findPngChunk("IHDR", data), std::nullopt) << size;
        EXPECT_EQ(insertPngTextChunk(keyword, "twoColor", data), data) << size;
    }
    const Bytes emptyIendOnly = Bytes(8, 0) + iend;
    EXPECT_EQ(findPngChunk("IEND", emptyIendOnly), (std::pair<std::int64_t, std::int64_t>{8, 20}));
}

TEST(HostileBuffers, LengthRunningPastTheEndStopsTheWalk)
{
    const Bytes tail = textChunk(keyword, "twoColor") + iend;
    const Bytes overlong = bigEndian(static_cast<std::uint32_t>(tail.size())) + bytes("abCD");
    const Bytes data = header() + overlong + tail;
    EXPECT_EQ(readPngTextChunk(keyword, data), std::nullopt);
    EXPECT_EQ(findPngChunk("IEND", data), std::nullopt);
    EXPECT_EQ(insertPngTextChunk(keyword, "twoColor", data), data);
}

TEST(HostileBuffers, HugeAndWrappingLengths)
{
    const Bytes tail = textChunk(keyword, "twoColor") + iend;
    // In 32 bits, pos + 12 + N would land on this chunk again (N = 2^32 - 12) or
    // on the tEXt chunk right behind its header (N = 2^32 - 4); as a signed value
    // 0x80000000 would step backwards.
    for (const std::uint32_t length : {0xFFFFFFFFu, 0xFFFFFFF4u, 0xFFFFFFFCu, 0x80000000u,
                                       0x7FFFFFFFu, 0xFFFFFFF0u}) {
        const Bytes data = header() + bigEndian(length) + bytes("tEXt") + tail;
        EXPECT_EQ(readPngTextChunk(keyword, data), std::nullopt) << std::hex << length;
        EXPECT_EQ(findPngChunk("IEND", data), std::nullopt) << std::hex << length;
    }
    // The same lengths in the last few bytes of the buffer.
    const Bytes field = bigEndian(0xFFFFFFFFu) + bytes("IEND");
    for (int keep = 0; keep <= 8; ++keep) {
        const Bytes data = header() + Bytes(field.begin(), field.begin() + keep);
        EXPECT_EQ(findPngChunk("IEND", data), std::nullopt) << keep;
        EXPECT_EQ(readPngTextChunk(keyword, data), std::nullopt) << keep;
    }
}

// A chunk that claims more data than the buffer holds would make a decoder allocate
// that much before it found out (fuzz finding: 151 bytes asking for 1 GiB of text).
TEST(OverlongChunk, DataShorterThanADeclaredLengthBeforeIendIsOverlong)
{
    const Bytes image = chunk("IDAT", Bytes(20, 0));
    const Bytes text = textChunk(keyword, "twoColor");
    const Bytes whole = header() + text + image + iend;
    EXPECT_FALSE(hasOverlongPngChunk(whole));
    const auto prefix = [&whole](std::size_t size) {
        return Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    };

    // Cut anywhere inside a chunk's data: that chunk now claims more than is left.
    const std::size_t textData = header().size() + 8;
    for (std::size_t cut = textData; cut < textData + 25; ++cut) {
        EXPECT_TRUE(hasOverlongPngChunk(prefix(cut))) << cut;
    }
    // Cut in a length field, a type or a CRC: nothing claims bytes that are missing.
    for (const std::size_t cut : {std::size_t{8}, header().size() + 3, header().size() + 7,
                                  textData + 25, textData + 28, whole.size() - 4,
                                  whole.size() - 1}) {
        EXPECT_FALSE(hasOverlongPngChunk(prefix(cut))) << cut;
    }

    for (const std::uint32_t length : {0x4000001Du, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        const Bytes claim = bigEndian(length) + bytes("tEXt") + Bytes(29, 'x');
        EXPECT_TRUE(hasOverlongPngChunk(header() + claim + image + iend)) << std::hex << length;
        EXPECT_TRUE(hasOverlongPngChunk(header() + image + claim + iend)) << std::hex << length;
        // Behind IEND no decoder looks, and without the signature it is no PNG.
        EXPECT_FALSE(hasOverlongPngChunk(header() + image + iend + claim)) << std::hex << length;
        EXPECT_FALSE(hasOverlongPngChunk(Bytes(8, 0) + claim)) << std::hex << length;
    }
}

// Icons carry whole PNGs inside, which Qt hands to the same decoder.
TEST(OverlongChunk, EmbeddedStreamsCountWhereverTheyStart)
{
    const Bytes image = chunk("IDAT", Bytes(20, 0));
    const Bytes claim = bigEndian(0x4000001Du) + bytes("tEXt") + Bytes(29, 'x');
    const Bytes iconHeader = Bytes{0, 0, 1, 0, 1, 0} + Bytes(16, 7);
    EXPECT_FALSE(hasOverlongPngChunk(iconHeader + header() + image + iend));
    EXPECT_TRUE(hasOverlongPngChunk(iconHeader + header() + claim + image + iend));
    // The second of two streams, after a complete first one.
    EXPECT_TRUE(hasOverlongPngChunk(header() + image + iend + Bytes(5, 1) + header() + claim));

    // Walking every one of very many streams would cost time in proportion to their
    // number times the data's size; past 64 the data is refused unwalked.
    Bytes many;
    for (int i = 0; i < 64; ++i) {
        many = many + header() + iend;
    }
    EXPECT_FALSE(hasOverlongPngChunk(many));
    EXPECT_TRUE(hasOverlongPngChunk(many + header() + iend));
}

TEST(HostileBuffers, RandomDamageNeverEscapesTheBuffer)
{
    const Bytes good = insertPngTextChunk(keyword, "sixteenColor", encodePng(sampleImage()));
    std::mt19937 random(3);
    for (int round = 0; round < 3000; ++round) {
        Bytes data = good;
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits && !data.empty(); ++e) {
            const std::size_t at = random() % data.size();
            switch (random() % 3) {
            case 0:
                data[at] = static_cast<std::uint8_t>(random());
                break;
            case 1:
                data.resize(at);
                break;
            default:
                data[at] = 0xFF;
                break;
            }
        }
        const auto found = findPngChunk("IEND", data);
        if (found) {
            ASSERT_GE(found->first, 8);
            ASSERT_LE(found->second, static_cast<std::int64_t>(data.size()));
            const std::uint32_t length = bigEndianAt(data, static_cast<std::size_t>(found->first));
            ASSERT_EQ(found->second - found->first, 12 + static_cast<std::int64_t>(length));
        }
        const Bytes inserted = insertPngTextChunk(keyword, "twoColor", data);
        ASSERT_EQ(inserted.size(), data.size() + (found ? 37u : 0u));
        // Repair turns each bad byte into at most three.
        if (const auto text = readPngTextChunk(keyword, data)) {
            ASSERT_LE(text->size(), 3 * data.size()) << "round " << round;
        }
    }
}

// ---- insertPngTextChunk

struct ModeCase {
    const char* text;
    std::uint32_t dataLength;
};

class InsertIntoEncodedPng : public ::testing::TestWithParam<ModeCase> {};

TEST_P(InsertIntoEncodedPng, AddsOneTextChunkJustBeforeIend)
{
    const ModeCase mode = GetParam();
    const QImage image = sampleImage();
    const Bytes png = encodePng(image);
    const Bytes out = insertPngTextChunk(keyword, mode.text, png);

    ASSERT_EQ(out.size(), png.size() + 12 + mode.dataLength);
    const std::size_t at = png.size() - 12;  // the encoder writes IEND last
    ASSERT_TRUE(std::equal(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(at), out.begin()));
    EXPECT_EQ(bigEndianAt(out, at), mode.dataLength);
    const Bytes typeAndData(out.begin() + static_cast<std::ptrdiff_t>(at + 4),
                            out.begin() + static_cast<std::ptrdiff_t>(at + 8 + mode.dataLength));
    EXPECT_EQ(typeAndData, bytes("tEXt") + bytes(keyword) + Bytes{0} + bytes(mode.text));
    EXPECT_EQ(bigEndianAt(out, at + 8 + mode.dataLength),
              zlibCrc(typeAndData.data(), typeAndData.size()));
    EXPECT_TRUE(std::equal(png.end() - 12, png.end(), out.end() - 12)) << "IEND follows unchanged";

    EXPECT_EQ(readPngTextChunk(keyword, out), mode.text);

    const QImage decoded = QImage::fromData(QByteArray(reinterpret_cast<const char*>(out.data()),
                                                       static_cast<qsizetype>(out.size())),
                                            "PNG");
    ASSERT_FALSE(decoded.isNull());
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
    EXPECT_EQ(pillow.output, std::string(mode.text) + "\n");
}

INSTANTIATE_TEST_SUITE_P(ColorModes, InsertIntoEncodedPng,
                         ::testing::Values(ModeCase{"twoColor", 25}, ModeCase{"sixteenColor", 29},
                                           ModeCase{"webSafe256", 27}),
                         [](const auto& info) { return std::string(info.param.text); });

TEST(InsertPngTextChunk, GoesBeforeTheFirstCompleteIendOnly)
{
    const Bytes trailer = iend + chunk("abCD", bytes("x"));
    const Bytes data = header() + trailer;
    const Bytes out = insertPngTextChunk(keyword, "webSafe256", data);
    EXPECT_EQ(out, header() + textChunk(keyword, "webSafe256") + trailer);
}

TEST(InsertPngTextChunk, AnEarlierChunkWithTheSameKeywordStaysAndWins)
{
    const Bytes data = header() + textChunk(keyword, "twoColor") + iend;
    const Bytes out = insertPngTextChunk(keyword, "webSafe256", data);
    EXPECT_EQ(out, header() + textChunk(keyword, "twoColor") + textChunk(keyword, "webSafe256") + iend);
    EXPECT_EQ(readPngTextChunk(keyword, out), "twoColor");
}

TEST(InsertPngTextChunk, WithoutACompleteIendReturnsTheInput)
{
    const Bytes noIend = header() + chunk("IDAT", bytes("data"));
    EXPECT_EQ(insertPngTextChunk(keyword, "twoColor", noIend), noIend);
    const Bytes cutIend(iend.begin(), iend.end() - 1);
    EXPECT_EQ(insertPngTextChunk(keyword, "twoColor", noIend + cutIend), noIend + cutIend);
}

}  // namespace
}  // namespace pixmora::document
