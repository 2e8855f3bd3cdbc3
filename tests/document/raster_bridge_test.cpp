#include "document/raster_bridge.h"

#include <gtest/gtest.h>

#include <tuple>

#include <QColorSpace>
#include <QPainter>

#include "document_fixtures.h"

namespace pixmora::document {
namespace {

using model::RGBAColor;

constexpr RGBAColor kRed{255, 0, 0, 255};

// A chunk claiming a gigabyte in a file of a hundred bytes, which the decoder would
// allocate first, whether the PNG is the file or sits inside an icon (fuzz findings).
TEST(HostileFiles, ChunkClaimingMoreThanTheDataHoldsIsNeverDecoded)
{
    const Bytes image = test::encoded(test::filledImage(8, 8, kRed), "png");
    const auto idat = static_cast<std::ptrdiff_t>(findPngChunk("IDAT", image)->first);
    Bytes png(image.begin(), image.begin() + idat);
    test::appendBigEndian(png, 0x40000000u);
    test::append(png, test::asBytes("tEXtpixmoraColorMode"));
    png.insert(png.end(), image.begin() + idat, image.end());
    ASSERT_LT(png.size(), 256u);  // one byte of the icon's size field
    const auto icon = [](const Bytes& entry) {
        Bytes ico{0, 0, 1, 0, 1, 0, 8, 8, 0, 0, 1, 0, 32, 0};
        test::append(ico, {static_cast<std::uint8_t>(entry.size()), 0, 0, 0, 22, 0, 0, 0});
        test::append(ico, entry);
        return ico;
    };
    ASSERT_EQ(decodeSourceImage(icon(image)).size(), QSize(8, 8));
    const std::int64_t before = test::peakResidentBytes();
    for (const Bytes& data : {png, icon(png)}) {
        EXPECT_FALSE(decodeImageData(data));
        EXPECT_FALSE(sourceImageSize(data));
        EXPECT_TRUE(decodeSourceImage(data, QSize(4, 4)).isNull());
        EXPECT_FALSE(isReadableImage(data));
    }
    EXPECT_LT(test::peakResidentBytes() - before, std::int64_t{256} << 20);
}

// Up to 256 colours a PNG is written with a palette (alpha in it too), above that as RGBA;
// either way the same pixels come back. An opaque grey ramp Qt writes as greyscale.
TEST(Encoding, PngUsesAPaletteUpTo256ColoursAndReadsBackTheSamePixels)
{
    const auto varied = [](int i) {
        return i == 0 ? model::kTransparent
                      : RGBAColor{std::uint8_t(i), std::uint8_t(i * 7), std::uint8_t(255 - i),
                                  std::uint8_t(i % 3 == 0 ? 128 : 255)};
    };
    for (const auto& [colours, greyRamp, pngColourType] :
         {std::tuple{256, false, 3}, {257, false, 6}, {256, true, 0}}) {
        model::PixelImage picture{32, 16, {}};
        for (int i = 0; i < 32 * 16; ++i) {
            const auto c = std::uint8_t(i % colours);
            picture.pixels.push_back(greyRamp ? RGBAColor{c, c, c, 255} : varied(i % colours));
        }
        const Bytes png = encodeImage(picture, ImageFormat::png).value_or(Bytes(26));
        EXPECT_EQ(png[25], pngColourType);
        EXPECT_EQ(decodeImageData(png), picture) << "colour type " << pngColourType;
    }
}

// One white column in three: sampling would land on black or white only.
TEST(RenderFitted, StrongReductionAveragesInsteadOfSampling)
{
    QImage stripes = test::filledImage(990, 990, {0, 0, 0, 255});
    for (int x = 0; x < stripes.width(); x += 3) {
        QPainter(&stripes).fillRect(x, 0, 1, stripes.height(), Qt::white);
    }
    const FittedImage fitted = renderFitted(stripes, 10, 10);
    ASSERT_EQ(fitted.pixels.size(), 100u);
    for (std::size_t x = 0; x < 10; ++x) {
        EXPECT_NEAR(fitted.pixels[5 * 10 + x].r, 85, 12) << "column " << x;
    }
}

// Adobe RGB green lies outside sRGB: red clips to 0 and green stays full.
TEST(SourceDecoding, ColourManagedSourcesArriveInSrgb)
{
    QImage wide = test::filledImage(2, 2, {0, 255, 0, 255});
    wide.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
    const QImage source = decodeSourceImage(test::encoded(wide, "png"));
    EXPECT_EQ(source.pixelColor(0, 0).green(), 255);
    EXPECT_EQ(source.pixelColor(0, 0).red(), 0);
}

}  // namespace
}  // namespace pixmora::document
