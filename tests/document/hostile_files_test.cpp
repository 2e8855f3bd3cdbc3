#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include <QFile>
#include <QTemporaryDir>

#include "document/bitmap_document.h"
#include "document/import_conversion.h"
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

// The 8-bit sample nearest to a 16-bit one: v / 257 rounded, never truncated.
std::uint8_t to8(std::uint32_t v)
{
    return static_cast<std::uint8_t>((v + 128) / 257);
}

// A square PNG whose image data inflates to `raw`, scanlines with their filter bytes.
Bytes squarePng(std::uint32_t side, std::uint8_t depth, std::uint8_t colourType,
                const std::vector<Bytef>& raw)
{
    uLongf size = raw.size() / 512 + 256;  // zeros shrink about a thousandfold
    Bytes idat(size);
    EXPECT_EQ(compress2(idat.data(), &size, raw.data(), raw.size(), 9), Z_OK);
    idat.resize(size);
    Bytes rest = test::pngChunk("IDAT", idat);
    test::append(rest, test::pngChunk("IEND", {}));
    return test::pngWithHeader(side, side, rest, depth, colourType);
}

PixelImage sampleDocumentImage()
{
    const test::Legend legend{{'.', model::kTransparent}, {'k', kBlack}, {'r', kRed}, {'b', kBlue}};
    return test::picture({"k.r", "rkb"}, legend);
}

Bytes sampleDocument()
{
    return *writeDocument({sampleDocumentImage(), false, ColorMode::sixteenColor});
}

struct Import {
    std::int64_t width = 8;
    std::int64_t height = 8;
    ColorMode mode = ColorMode::twoColor;
    std::optional<PixelImage> image;
};

struct HostileFile {
    std::string name;
    std::function<void(const QString& path)> make;
    std::variant<PixelImage, Refused> open;
    std::optional<Import> import = std::nullopt;
};

std::function<void(const QString&)> writes(std::function<Bytes()> bytes)
{
    return [bytes](const QString& path) { test::writeFile(path, bytes()); };
}

std::vector<HostileFile> hostileFiles()
{
    return {
        {"rgba16",
         writes([] {
             return squarePng(2, 16, 6, {0, 0xFF, 0xFF, 0x12, 0xFF, 0, 0, 0xFF, 0xFF, 0x40, 0,
                                         0x80, 0, 0xC0, 0, 0xFF, 0xFF, 0, 0x12, 0x34, 0x56, 0x78,
                                         0x9A, 0xBC, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                         0x80, 0x80});
         }),
         PixelImage(2, 2, {{255, to8(0x12FF), 0, 255}, {to8(0x4000), to8(0x8000), to8(0xC000), 255},
                           model::kTransparent, {255, 255, 255, to8(0x8080)}})},
        {"cmykJpeg",
         [](const QString& path) {
             ASSERT_TRUE(QFile::copy(QString(PIXMORA_TEST_DATA_DIR "/data/cmyk.jpg"), path));
         },
         kUnsupported,
         Import{4, 2, ColorMode::sixteenColor,
                test::picture({"rrbb", "rrbb"}, {{'r', kRed}, {'b', kBlue}})}},
        {"decompressionBombWithinBudget",
         writes([] { return squarePng(4096, 1, 0, std::vector<Bytef>(513 * 4096)); }), kOversized,
         Import{.image = PixelImage(8, 8, std::vector<RGBAColor>(64, kBlack))}},
        // Damage past the image data loses only the mode (before it: raster_bridge_test).
        {"overlongModeChunk",  // the mode chunk claims a gigabyte more
         writes([] {
             Bytes png = sampleDocument();
             png[static_cast<std::size_t>(findPngChunk("tEXt", png).value().first)] ^= 0x40;
             return png;
         }),
         sampleDocumentImage()},
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
    const QString path = dir.filePath("file");
    row.make(path);
    const ReadResult result = readDocumentFile(path);
    if (const auto* image = std::get_if<PixelImage>(&row.open)) {
        const auto* document = std::get_if<BitmapDocument>(&result);
        ASSERT_TRUE(document) << errorText(std::get<DocumentError>(result)).toStdString();
        EXPECT_EQ(*document, (BitmapDocument{*image, false, ColorMode::webSafe256}));
    } else {
        const auto* error = std::get_if<DocumentError>(&result);
        ASSERT_TRUE(error) << "opened";
        EXPECT_EQ(*error, std::get<Refused>(row.open).error);
        EXPECT_EQ(errorText(*error), std::get<Refused>(row.open).text);
    }
    if (row.import) {
        const auto& [width, height, mode, image] = *row.import;
        EXPECT_EQ(convertImportData(test::readFile(path), width, height, mode,
                                    convert::MonochromeMethod::fixedThreshold,
                                    convert::PaletteDitherMethod::none),
                  image);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, HostileFiles, ::testing::ValuesIn(hostileFiles()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace pixmora::document
