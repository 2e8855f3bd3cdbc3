// Small fixtures come from data/make_fixtures.py; large and broken ones are built here.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

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

struct Refused {
    DocumentError error;
    QString text;
};

Refused unreadable(const char* text)
{
    return {FileError{FileError::Code::fileReadCorruptFile, QString::fromUtf8(text)},
            QString::fromUtf8(text)};
}

const Refused kOversized{ImportRequiredError{Reason::oversizedPNG},
                         QString::fromUtf8("画像サイズが大きすぎます。インポート機能をお試しください")};
const Refused kUnsupported{ImportRequiredError{Reason::unsupportedFormat},
                           QString::fromUtf8("サポートしていない形式です。インポート機能をお試しください")};
const Refused kNotAnImage{ImportRequiredError{Reason::notAnImage},
                          QString::fromUtf8("サポートしていない形式です")};
const Refused kNotRegular = unreadable("ファイルを読み込めませんでした。通常のファイルではありません。");
const Refused kNoPermission =
    unreadable("ファイルを読み込めませんでした。読み込みが許可されていない可能性があります。");

constexpr RGBAColor kBlack{0, 0, 0, 255};
constexpr RGBAColor kRed{255, 0, 0, 255};
constexpr RGBAColor kBlue{0, 0, 255, 255};
constexpr RGBAColor kClear = model::kTransparent;

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

Bytes pngOf(std::uint32_t side, std::uint8_t depth, std::uint8_t colourType, const Bytes& idat)
{
    Bytes rest = test::pngChunk("IDAT", idat);
    test::append(rest, test::pngChunk("IEND", {}));
    return test::pngWithHeader(side, side, rest, depth, colourType);
}

Bytes deflatedZeros(std::size_t zeros)
{
    const std::vector<Bytef> input(zeros, 0);
    uLongf size = zeros / 512 + 256;  // zeros shrink about a thousandfold
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, input.data(), zeros, 9), Z_OK);
    out.resize(size);
    return out;
}

const PixelImage kSample = test::picture({"k.r", "rkb", "..k"},
                                         {{'.', kClear}, {'k', kBlack}, {'r', kRed}, {'b', kBlue}});

Bytes sampleDocument()
{
    return *writeDocument({kSample, false, ColorMode::sixteenColor});
}

// png whose first `type` chunk claims a gigabyte more, or has its CRC damaged.
Bytes damaged(Bytes png, const char* type, bool crc = false)
{
    const auto where = findPngChunk(type, png).value();
    png[static_cast<std::size_t>(crc ? where.second - 1 : where.first)] ^= crc ? 0xFF : 0x40;
    return png;
}

struct Opens {
    PixelImage image;
    ColorMode mode = ColorMode::webSafe256;
};

// Importing the file at width x height in mode (fixed threshold): the pixels, or nothing.
struct Import {
    std::int64_t width = 8;
    std::int64_t height = 8;
    ColorMode mode = ColorMode::twoColor;
    std::optional<PixelImage> image;
};

struct HostileFile {
    std::string name;
    std::function<void(const QString& path)> make;
    std::variant<Opens, Refused> open;
    std::optional<Import> import = std::nullopt;
};

std::function<void(const QString&)> writes(std::function<Bytes()> bytes)
{
    return [bytes](const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const Bytes data = bytes();
        file.write(reinterpret_cast<const char*>(data.data()), static_cast<qint64>(data.size()));
    };
}

PixelImage filled(std::int64_t width, std::int64_t height, RGBAColor colour)
{
    return PixelImage(width, height, std::vector<RGBAColor>(std::size_t(width * height), colour));
}

std::vector<HostileFile> hostileFiles()
{
    return {
        {"rgba16", writes([] { return fixture("rgba16.png"); }),
         Opens{PixelImage(2, 2, {{255, to8(0x12FF), 0, 255},
                                 {to8(0x4000), to8(0x8000), to8(0xC000), 255}, kClear,
                                 {255, 255, 255, to8(0x8080)}})}},
        {"cmykJpeg", writes([] { return fixture("cmyk.jpg"); }), kUnsupported,
         Import{4, 2, ColorMode::sixteenColor,
                test::picture({"rrbb", "rrbb"}, {{'r', kRed}, {'b', kBlue}})}},
        // Black 1-bit grey whose image data really inflates to every declared row.
        {"decompressionBombWithinBudget",
         writes([] { return pngOf(4096, 1, 0, deflatedZeros(513 * 4096)); }), kOversized,
         Import{.image = filled(8, 8, kBlack)}},
        {"trailingCompressedZeros",
         writes([] { return pngOf(128, 1, 0, deflatedZeros(64 << 20)); }),
         Opens{filled(128, 128, kBlack)}},
        {"zeroSizeHeader", writes([] { return pngOf(0, 8, 6, {0x78, 0x9C, 0x03, 0x00}); }),
         kNotAnImage, Import{}},
        {"overlongTextAheadOfImageData",
         writes([] { return damaged(fixture("interlaced_rgba.png"), "tEXt"); }), kNotAnImage,
         Import{}},
        {"imageDataCrcDamaged", writes([] { return damaged(sampleDocument(), "IDAT", true); }),
         kNotAnImage},
        {"zeroBytes", writes([] { return Bytes{}; }), kNotAnImage, Import{}},
        {"fifo",
         [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); },
         kNotRegular},
        {"noReadPermission",
         [](const QString& path) {
             writes([] { return sampleDocument(); })(path);
             ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
         },
         kNoPermission},
    };
}

class HostileFiles : public ::testing::TestWithParam<HostileFile> {};

TEST_P(HostileFiles, AreRefusedWithTheRightTextOrReadWithTheRightPixels)
{
    const HostileFile& row = GetParam();
    if (row.name == "noReadPermission" && ::geteuid() == 0) {
        GTEST_SKIP() << "running as root, which reads files whatever their permissions";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("file");
    row.make(path);
    const ReadResult result = readDocumentFile(path);
    if (const auto* opens = std::get_if<Opens>(&row.open)) {
        const auto* document = std::get_if<BitmapDocument>(&result);
        ASSERT_TRUE(document) << errorText(std::get<DocumentError>(result)).toStdString();
        EXPECT_EQ(*document, (BitmapDocument{opens->image, false, opens->mode}));
    } else {
        const auto* error = std::get_if<DocumentError>(&result);
        ASSERT_TRUE(error) << "opened";
        EXPECT_EQ(*error, std::get<Refused>(row.open).error);
        EXPECT_EQ(errorText(*error), std::get<Refused>(row.open).text);
    }
    if (row.import) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        EXPECT_EQ(convertImportData(Bytes(data.begin(), data.end()), row.import->width,
                                    row.import->height, row.import->mode,
                                    convert::MonochromeMethod::fixedThreshold,
                                    convert::PaletteDitherMethod::none),
                  row.import->image);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, HostileFiles, ::testing::ValuesIn(hostileFiles()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace pixmora::document
