// Small fixtures come from data/make_fixtures.py; large and broken ones are built here.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "document/bitmap_document.h"
#include "document/import_conversion.h"
#include "document/raster_bridge.h"
#include "document_fixtures.h"

namespace pixmora::document {
namespace {

using model::ColorMode;
using model::PixelImage;
using model::RGBAColor;
using Reason = ImportRequiredError::Reason;

const QString kOversizedText = QString::fromUtf8("画像サイズが大きすぎます。インポート機能をお試しください");
const QString kUnsupportedText = QString::fromUtf8("サポートしていない形式です。インポート機能をお試しください");
const QString kNotAnImageText = QString::fromUtf8("サポートしていない形式です");
const QString kNotRegularText =
    QString::fromUtf8("ファイルを読み込めませんでした。通常のファイルではありません。");
const QString kMissingText = QString::fromUtf8("ファイルを読み込めませんでした。ファイルが見つかりません。");
const QString kNoPermissionText = QString::fromUtf8(
    "ファイルを読み込めませんでした。読み込みが許可されていない可能性があります。");

constexpr RGBAColor kBlack{0, 0, 0, 255};
constexpr RGBAColor kWhite{255, 255, 255, 255};
constexpr RGBAColor kRed{255, 0, 0, 255};
constexpr RGBAColor kBlue{0, 0, 255, 255};
constexpr RGBAColor kClear = model::kTransparent;

RGBAColor grey(std::uint8_t v, std::uint8_t a = 255)
{
    return a == 0 ? kClear : RGBAColor{v, v, v, a};
}

// The 8-bit sample nearest to a 16-bit one: v / 257 rounded, never truncated.
std::uint8_t to8(std::uint32_t v)
{
    return static_cast<std::uint8_t>((v + 128) / 257);
}

Bytes fixture(const char* name)
{
    QFile file(QString(PIXMORA_TEST_DATA_DIR "/data/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}

// zlib stream of `zeros` zero bytes, fed in pieces so no large buffer is needed.
Bytes deflatedZeros(std::uint64_t zeros)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit(&stream, 9), Z_OK);
    const std::vector<Bytef> block(1 << 20, 0);
    Bytes out;
    std::vector<Bytef> buffer(1 << 16);
    int flush = Z_NO_FLUSH;
    do {
        const std::uint64_t piece = std::min<std::uint64_t>(zeros, block.size());
        zeros -= piece;
        flush = zeros == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = const_cast<Bytef*>(block.data());
        stream.avail_in = static_cast<uInt>(piece);
        do {
            stream.next_out = buffer.data();
            stream.avail_out = static_cast<uInt>(buffer.size());
            deflate(&stream, flush);
            out.insert(out.end(), buffer.data(), stream.next_out);
        } while (stream.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&stream);
    return out;
}

Bytes pngOf(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colourType,
            const Bytes& idat)
{
    Bytes png{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header;
    test::appendBigEndian(header, width);
    test::appendBigEndian(header, height);
    test::append(header, Bytes{depth, colourType, 0, 0, 0});
    test::append(png, test::pngChunk("IHDR", header));
    test::append(png, test::pngChunk("IDAT", idat));
    test::append(png, test::pngChunk("IEND", {}));
    return png;
}

// Black 1-bit grey whose image data really inflates to every declared row.
Bytes blackBomb(std::uint32_t side)
{
    const std::uint64_t rowBytes = 1 + (side + 7) / 8;
    return pngOf(side, side, 1, 0, deflatedZeros(rowBytes * side));
}

const PixelImage kSample = test::picture({"k.r", "rkb", "..k"},
                                         {{'.', kClear}, {'k', kBlack}, {'r', kRed}, {'b', kBlue}});

Bytes sampleDocument()
{
    return *writeDocument({kSample, false, ColorMode::sixteenColor});
}

// png with the first length byte (a gigabyte claimed) or the last CRC byte of its
// first chunk of that type changed.
Bytes damaged(Bytes png, const char* type, bool crc = false)
{
    const auto where = findPngChunk(type, png);
    EXPECT_TRUE(where) << type;
    if (where) {
        png[static_cast<std::size_t>(crc ? where->second - 1 : where->first)] ^= crc ? 0xFF : 0x40;
    }
    return png;
}

struct Opens {
    PixelImage image;
    ColorMode mode = ColorMode::webSafe256;
};
struct MustImport {
    Reason reason;
    QString text;
};
struct Unreadable {
    QString text;
};
using Outcome = std::variant<Opens, MustImport, Unreadable>;

// Importing the file's bytes at width x height in mode (fixed threshold, no
// dither): the expected pixels, or nothing when it must not decode.
struct Import {
    std::int64_t width = 0;
    std::int64_t height = 0;
    ColorMode mode = ColorMode::sixteenColor;
    std::optional<PixelImage> image;
};

struct HostileFile {
    std::string name;
    std::function<void(const QString& path)> make;
    Outcome open;
    std::optional<Import> import = std::nullopt;
    bool rootReadsAnyway = false;
};

void PrintTo(const HostileFile& row, std::ostream* out)
{
    *out << row.name;
}

std::function<void(const QString&)> writes(std::function<Bytes()> bytes)
{
    return [bytes](const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const Bytes data = bytes();
        file.write(reinterpret_cast<const char*>(data.data()), static_cast<qint64>(data.size()));
    };
}

std::function<void(const QString&)> copies(const char* name)
{
    return writes([name] { return fixture(name); });
}

PixelImage filled(std::int64_t width, std::int64_t height, RGBAColor colour)
{
    return PixelImage(width, height,
                      std::vector<RGBAColor>(static_cast<std::size_t>(width * height), colour));
}

PixelImage interlacedRgbaPicture()
{
    PixelImage image(9, 10);
    for (std::int64_t y = 0; y < image.height; ++y) {
        for (std::int64_t x = 0; x < image.width; ++x) {
            if ((x + y) % 5 != 0) {
                image.at(x, y) = {static_cast<std::uint8_t>(20 * x + 10),
                                  static_cast<std::uint8_t>(20 * y + 5),
                                  static_cast<std::uint8_t>(7 * x * y % 256), 255};
            }
        }
    }
    return image;
}

PixelImage interlacedGreyPicture()
{
    PixelImage image(9, 9);
    for (std::int64_t y = 0; y < image.height; ++y) {
        for (std::int64_t x = 0; x < image.width; ++x) {
            image.at(x, y) = grey(static_cast<std::uint8_t>((x + 2 * y) % 4 * 85));
        }
    }
    return image;
}

std::vector<HostileFile> hostileFiles()
{
    const RGBAColor g170 = grey(170);
    return {
        {"grey1", copies("grey1.png"),
         Opens{test::picture({"k.k.k", ".k.k.", "kk..k"}, {{'k', kBlack}, {'.', kWhite}})}},
        {"grey4WithTransparentKey", copies("grey4_trns.png"),
         Opens{PixelImage(4, 2, {kBlack, kClear, g170, kWhite, kWhite, g170, kClear, kBlack})}},
        {"grey8", copies("grey8.png"),
         Opens{PixelImage(4, 2, {grey(0), grey(51), grey(200), grey(255), grey(17), grey(128),
                                 grey(254), grey(1)})}},
        {"grey16", copies("grey16.png"),
         Opens{PixelImage(3, 2, {grey(0), grey(to8(0x12FF)), grey(to8(0x8080)), grey(255),
                                 grey(to8(0x00FF)), grey(to8(0x7F80))})}},
        {"greyAlpha8", copies("grey_alpha8.png"),
         Opens{PixelImage(3, 2, {grey(0), grey(200, 128), kClear, grey(100, 1), grey(50),
                                 grey(255, 254)})}},
        {"greyAlpha16", copies("grey_alpha16.png"),
         Opens{PixelImage(2, 2, {grey(to8(0x12FF)), kClear, grey(255, to8(0x8080)),
                                 grey(to8(0x0101))})}},
        {"rgb16", copies("rgb16.png"),
         Opens{PixelImage(2, 1, {{255, 0, to8(0x12FF), 255},
                                 {to8(0x00FF), to8(0x7F80), to8(0xFF00), 255}})}},
        {"rgba16", copies("rgba16.png"),
         Opens{PixelImage(2, 2, {{255, to8(0x12FF), 0, 255},
                                 {to8(0x4000), to8(0x8000), to8(0xC000), 255}, kClear,
                                 {255, 255, 255, to8(0x8080)}})}},
        {"palette4WithShortTrns", copies("palette4.png"),
         Opens{PixelImage(5, 2, {kClear, {0, 255, 0, 128}, kBlue, {255, 255, 0, 255},
                                 {10, 20, 30, 255}, kWhite, {10, 20, 30, 255},
                                 {255, 255, 0, 255}, kBlue, {0, 255, 0, 128}})}},
        // The colour mode chunk sits ahead of IDAT, which is split over four chunks.
        {"interlacedRgba", copies("interlaced_rgba.png"),
         Opens{interlacedRgbaPicture(), ColorMode::sixteenColor}},
        {"interlacedGrey2", copies("interlaced_grey2.png"), Opens{interlacedGreyPicture()}},

        {"cmykJpeg", copies("cmyk.jpg"), MustImport{Reason::unsupportedFormat, kUnsupportedText},
         Import{4, 2, ColorMode::sixteenColor,
                test::picture({"rrbb", "rrbb"}, {{'r', kRed}, {'b', kBlue}})}},
        {"animatedGifFirstFrame", copies("animated.gif"),
         MustImport{Reason::unsupportedFormat, kUnsupportedText},
         Import{4, 4, ColorMode::sixteenColor, filled(4, 4, kRed)}},

        {"hugeDeclaredSize",
         writes([] { return pngOf(100000, 100000, 8, 6, {0x78, 0x9C, 0x03, 0x00}); }),
         MustImport{Reason::oversizedPNG, kOversizedText}, Import{8, 8, ColorMode::twoColor, {}}},
        {"decompressionBombWithinBudget", writes([] { return blackBomb(4096); }),
         MustImport{Reason::oversizedPNG, kOversizedText},
         Import{8, 8, ColorMode::twoColor, filled(8, 8, kBlack)}},
        // Image data followed by 64 MiB of compressed zeros: the image is whole.
        {"trailingCompressedZeros",
         writes([] { return pngOf(128, 128, 1, 0, deflatedZeros(std::uint64_t{64} << 20)); }),
         Opens{filled(128, 128, kBlack)}},
        {"zeroSizeHeader", writes([] { return pngOf(0, 0, 8, 6, {0x78, 0x9C, 0x03, 0x00}); }),
         MustImport{Reason::notAnImage, kNotAnImageText}, Import{8, 8, ColorMode::twoColor, {}}},
        // A few bytes claiming a gigabyte of text, wherever the chunk lies.
        {"overlongTextAheadOfImageData",
         writes([] { return damaged(fixture("interlaced_rgba.png"), "tEXt"); }),
         MustImport{Reason::notAnImage, kNotAnImageText}, Import{4, 4, ColorMode::twoColor, {}}},
        {"overlongTextBehindImageData",
         writes([] { return damaged(sampleDocument(), "tEXt"); }),
         MustImport{Reason::notAnImage, kNotAnImageText}, Import{4, 4, ColorMode::twoColor, {}}},
        {"iconHoldingAnOverlongPng",
         writes([] {
             const Bytes png = damaged(sampleDocument(), "tEXt");
             Bytes ico{0, 0, 1, 0, 1, 0, 3, 3, 0, 0, 1, 0, 32, 0};
             test::append(ico, Bytes{static_cast<std::uint8_t>(png.size()), 0, 0, 0, 22, 0, 0, 0});
             test::append(ico, png);
             return ico;
         }),
         MustImport{Reason::notAnImage, kNotAnImageText}, Import{4, 4, ColorMode::twoColor, {}}},

        // A damaged ancillary chunk is dropped by the decoder while its text counts.
        {"imageDataCrcDamaged", writes([] { return damaged(sampleDocument(), "IDAT", true); }),
         MustImport{Reason::notAnImage, kNotAnImageText}},
        {"textChunkCrcDamaged", writes([] { return damaged(sampleDocument(), "tEXt", true); }),
         Opens{kSample, ColorMode::sixteenColor}},

        {"zeroBytes", writes([] { return Bytes{}; }),
         MustImport{Reason::notAnImage, kNotAnImageText}, Import{8, 8, ColorMode::twoColor, {}}},
        {"directory", [](const QString& path) { ASSERT_TRUE(QDir().mkdir(path)); },
         Unreadable{kNotRegularText}},
        {"fifo",
         [](const QString& path) {
             ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
         },
         Unreadable{kNotRegularText}},
        {"danglingSymlink",
         [](const QString& path) { ASSERT_TRUE(QFile::link(path + ".gone", path)); },
         Unreadable{kMissingText}},
        {"noReadPermission",
         [](const QString& path) {
             writes([] { return sampleDocument(); })(path);
             ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
         },
         Unreadable{kNoPermissionText}, std::nullopt, true},
    };
}

class HostileFiles : public ::testing::TestWithParam<HostileFile> {
protected:
    QTemporaryDir m_dir;
};

TEST_P(HostileFiles, AreRefusedWithTheRightTextOrReadWithTheRightPixels)
{
    const HostileFile& row = GetParam();
    if (row.rootReadsAnyway && ::geteuid() == 0) {
        GTEST_SKIP() << "running as root, which reads files whatever their permissions";
    }
    ASSERT_TRUE(m_dir.isValid());
    const QString path = m_dir.filePath("file");
    row.make(path);

    const ReadResult result = readDocumentFile(path);
    if (const auto* opens = std::get_if<Opens>(&row.open)) {
        const auto* document = std::get_if<BitmapDocument>(&result);
        ASSERT_TRUE(document) << errorText(std::get<DocumentError>(result)).toStdString();
        EXPECT_EQ(document->image, opens->image);
        EXPECT_EQ(document->colorMode, opens->mode);
        EXPECT_FALSE(document->needsSizeConfiguration);
    } else {
        const auto* error = std::get_if<DocumentError>(&result);
        ASSERT_TRUE(error) << "opened";
        if (const auto* mustImport = std::get_if<MustImport>(&row.open)) {
            ASSERT_TRUE(std::holds_alternative<ImportRequiredError>(*error));
            EXPECT_EQ(std::get<ImportRequiredError>(*error).reason, mustImport->reason);
            EXPECT_EQ(errorText(*error), mustImport->text);
        } else {
            ASSERT_TRUE(std::holds_alternative<FileError>(*error));
            EXPECT_EQ(std::get<FileError>(*error).code, FileError::Code::fileReadCorruptFile);
            EXPECT_EQ(errorText(*error), std::get<Unreadable>(row.open).text);
        }
    }

    if (row.import) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        const auto imported = convertImportData(
            Bytes(data.begin(), data.end()), row.import->width, row.import->height,
            row.import->mode, convert::MonochromeMethod::fixedThreshold,
            convert::PaletteDitherMethod::none);
        EXPECT_EQ(imported, row.import->image);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, HostileFiles, ::testing::ValuesIn(hostileFiles()),
                         [](const auto& info) { return info.param.name; });

// Every prefix of a document is refused as no image or read whole; so is its import.
void expectEveryPrefixRefusedOrWhole(const Bytes& png)
{
    const ReadResult full = readDocument(png);
    ASSERT_TRUE(std::holds_alternative<BitmapDocument>(full));
    const auto& whole = std::get<BitmapDocument>(full);
    const auto importAt4x4 = [](const Bytes& data) {
        return convertImportData(data, 4, 4, ColorMode::webSafe256,
                                 convert::MonochromeMethod::fixedThreshold,
                                 convert::PaletteDitherMethod::none);
    };
    const auto wholeImport = importAt4x4(png);
    ASSERT_TRUE(wholeImport);
    for (std::size_t length = 0; length < png.size(); ++length) {
        SCOPED_TRACE(testing::Message() << "first " << length << " of " << png.size() << " bytes");
        const Bytes cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(length));
        const ReadResult result = readDocument(cut);
        if (const auto* document = std::get_if<BitmapDocument>(&result)) {
            EXPECT_EQ(document->image, whole.image);
        } else {
            const auto& error = std::get<DocumentError>(result);
            ASSERT_TRUE(std::holds_alternative<ImportRequiredError>(error));
            EXPECT_EQ(std::get<ImportRequiredError>(error).reason, Reason::notAnImage);
            EXPECT_EQ(errorText(error), kNotAnImageText);
        }
        if (const auto imported = importAt4x4(cut)) {
            EXPECT_EQ(*imported, *wholeImport);
        }
    }
}

TEST(TruncatedPng, AtEveryByteOffsetOfADocumentAndOfAnInterlacedFileWithSplitImageData)
{
    expectEveryPrefixRefusedOrWhole(sampleDocument());
    expectEveryPrefixRefusedOrWhole(fixture("interlaced_rgba.png"));
}

}  // namespace
}  // namespace pixmora::document
