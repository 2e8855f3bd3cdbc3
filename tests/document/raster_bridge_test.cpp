#include "document/raster_bridge.h"

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QImageWriter>

#include <sys/resource.h>

#include "document_fixtures.h"

namespace pixmora::document {
namespace {

using model::PixelImage;
using model::PixelRect;
using model::RGBAColor;
using test::Legend;
using test::Rows;

constexpr RGBAColor kRed{255, 0, 0, 255};
constexpr RGBAColor kHalfOrange{200, 100, 50, 128};

// Pixels as the document reads them, from bytes Qt encoded from image.
std::optional<PixelImage> roundTrip(const QImage& image, const char* format = "png")
{
    return decodeImageData(test::encoded(image, format));
}

TEST(EncodeAndDecode, PngKeepsEveryPixelExactlyIncludingPartialAlpha)
{
    const PixelImage image(4, 1, {kRed, model::kTransparent, kHalfOrange, {1, 2, 3, 1}});
    const auto png = encodeImage(image, ImageFormat::png);
    ASSERT_TRUE(png);
    EXPECT_EQ(decodeImageData(*png), image);
}

// Qt stores TIFF alpha premultiplied, so only opaque and transparent pixels (all the
// editor draws) are exact; a partial alpha keeps its colours within rounding.
TEST(EncodeAndDecode, TiffKeepsOpaqueAndTransparentPixelsExactly)
{
    const PixelImage image(2, 2, {kRed, model::kTransparent, kHalfOrange, {0, 0, 0, 255}});
    const auto tiff = encodeImage(image, ImageFormat::tiff);
    ASSERT_TRUE(tiff);
    const auto decoded = decodeImageData(*tiff);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->pixels.size(), 4u);
    EXPECT_EQ(decoded->pixels[0], kRed);
    EXPECT_EQ(decoded->pixels[1], model::kTransparent);
    EXPECT_EQ(decoded->pixels[3], (RGBAColor{0, 0, 0, 255}));
    const RGBAColor half = decoded->pixels[2];
    EXPECT_EQ(half.a, 128);
    EXPECT_NEAR(half.r, 200, 1);
    EXPECT_NEAR(half.g, 100, 1);
    EXPECT_NEAR(half.b, 50, 1);
}

TEST(EncodeAndDecode, ImageWhosePixelsDoNotMatchItsSizeIsNotEncoded)
{
    EXPECT_TRUE(makeBitmapRep(PixelImage(2, 2, {kRed})).isNull());
    EXPECT_TRUE(makeBitmapRep(PixelImage()).isNull());
    EXPECT_FALSE(encodeImage(PixelImage(3, 1, {kRed}), ImageFormat::png));
}

TEST(Decode, TransparentPixelsComeBackAsTransparentBlack)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(10, 20, 30, 0));
    image.setPixel(1, 0, qRgba(10, 20, 30, 255));
    EXPECT_EQ(roundTrip(image), PixelImage(2, 1, {model::kTransparent, {10, 20, 30, 255}}));
}

TEST(Decode, JpegGivesAnOpaqueImageOfItsOwnSize)
{
    const auto image = roundTrip(test::filledImage(12, 7, {90, 160, 30, 255}), "jpeg");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 12);
    EXPECT_EQ(image->height, 7);
    for (const RGBAColor& c : image->pixels) {
        EXPECT_EQ(c.a, 255);
    }
}

TEST(Decode, DocumentPixelsAreNotColourManaged)
{
    QImage image = test::filledImage(1, 1, {10, 200, 30, 255});
    image.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
    EXPECT_EQ(roundTrip(image), PixelImage(1, 1, {{10, 200, 30, 255}}));
}

TEST(Decode, WhatIsNotAnImageGivesNothing)
{
    EXPECT_FALSE(decodeImageData(test::asBytes("just some text\n")));
    EXPECT_FALSE(decodeImageData({}));
    EXPECT_FALSE(isReadableImage(test::asBytes("just some text\n")));
    EXPECT_FALSE(isReadableImage({}));
    EXPECT_TRUE(isReadableImage(test::encoded(test::filledImage(3, 3, kRed), "jpeg")));
    EXPECT_TRUE(isReadableImage(test::encoded(test::filledImage(3, 3, kRed), "bmp")));
}

// Headers that promise far more pixels than the memory budget allows, with
// almost no data behind them.
TEST(HostileFiles, HugeDeclaredSizesAreRefusedBeforeDecoding)
{
    Bytes png =
        test::pngWithHeader(100000, 100000, test::pngChunk("IDAT", {0x78, 0x9C, 0x03, 0x00}));
    test::append(png, test::pngChunk("IEND", {}));
    EXPECT_FALSE(decodeImageData(png));
    EXPECT_TRUE(decodeSourceImage(png).isNull());
    EXPECT_TRUE(decodeSourceImage(png, QSize(64, 64)).isNull());
    EXPECT_EQ(sourceImageSize(png), QSize(100000, 100000));

    // Just over the budget at 4 bytes a pixel.
    Bytes bmp = test::encoded(test::filledImage(2, 2, kRed), "bmp");
    const std::uint32_t side = 5793;  // 5793^2 * 4 > 128 MiB
    for (int i = 0; i < 4; ++i) {
        bmp[18 + i] = static_cast<std::uint8_t>(side >> (8 * i));
        bmp[22 + i] = static_cast<std::uint8_t>(side >> (8 * i));
    }
    EXPECT_TRUE(decodeSourceImage(bmp).isNull());
    EXPECT_FALSE(decodeImageData(bmp));
}

// A chunk claiming a gigabyte in a file of a hundred bytes: the decoder would
// allocate and zero the gigabyte before finding the data missing, so no entry point
// may hand such data to it, whether the PNG is the file or sits inside an icon
// (fuzz findings).
TEST(HostileFiles, ChunkClaimingMoreThanTheDataHoldsIsNeverDecoded)
{
    const auto peakResidentBytes = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return std::int64_t{usage.ru_maxrss} * 1024;
    };
    const Bytes image = test::encoded(test::filledImage(8, 8, kRed), "png");
    ASSERT_TRUE(decodeImageData(image));
    const auto idat = static_cast<std::ptrdiff_t>(findPngChunk("IDAT", image)->first);
    Bytes claim;
    test::appendBigEndian(claim, 0x40000000u);
    test::append(claim, test::asBytes("tEXtpixmoraColorMode"));
    Bytes png(image.begin(), image.begin() + idat);
    test::append(png, claim);
    png.insert(png.end(), image.begin() + idat, image.end());

    // The same PNG as the one image of an icon, which Qt decodes as a PNG in its own right.
    const auto icon = [](const Bytes& entry) {
        Bytes ico{0, 0, 1, 0, 1, 0, 8, 8, 0, 0, 1, 0, 32, 0};
        for (const std::uint32_t field : {static_cast<std::uint32_t>(entry.size()), 22u}) {
            for (int shift = 0; shift < 32; shift += 8) {
                ico.push_back(static_cast<std::uint8_t>(field >> shift));
            }
        }
        test::append(ico, entry);
        return ico;
    };
    ASSERT_EQ(decodeSourceImage(icon(image)).size(), QSize(8, 8));

    const std::int64_t before = peakResidentBytes();
    for (const Bytes& data : {png, icon(png)}) {
        EXPECT_FALSE(decodeImageData(data));
        EXPECT_FALSE(sourceImageSize(data));
        EXPECT_TRUE(decodeSourceImage(data, QSize(4, 4)).isNull());
        EXPECT_FALSE(isReadableImage(data));
    }
    EXPECT_LT(peakResidentBytes() - before, std::int64_t{256} << 20);
}

TEST(HostileFiles, TruncatedDataDecodesToNothingOrAnImageButNeverCrashes)
{
    const Bytes png = test::encoded(test::filledImage(64, 64, kHalfOrange), "png");
    for (std::size_t length : {std::size_t{8}, std::size_t{33}, png.size() / 2, png.size() - 12}) {
        const Bytes cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(length));
        const auto decoded = decodeImageData(cut);
        if (decoded) {
            EXPECT_EQ(decoded->pixels.size(), std::size_t{64 * 64});
        }
        decodeSourceImage(cut, QSize(8, 8));
    }
}

const Legend kOpaqueOrEmpty{{'#', kRed}, {'.', model::kTransparent}};

TEST(RenderFitted, WideSourceFillsTheTopRows)
{
    const FittedImage fitted = renderFitted(test::filledImage(100, 50, kRed), 10, 10);
    EXPECT_EQ(fitted.covered, (PixelRect{0, 0, 10, 5}));
    EXPECT_EQ(test::toRows(fitted.pixels, 10, kOpaqueOrEmpty),
              (Rows{"##########", "##########", "##########", "##########", "##########",
                    "..........", "..........", "..........", "..........", ".........."}));
}

TEST(RenderFitted, TallSourceFillsTheLeftColumns)
{
    const FittedImage fitted = renderFitted(test::filledImage(50, 100, kRed), 10, 10);
    EXPECT_EQ(fitted.covered, (PixelRect{0, 0, 5, 10}));
    EXPECT_EQ(test::toRows(fitted.pixels, 10, kOpaqueOrEmpty), Rows(10, "#####....."));
}

TEST(RenderFitted, ThreeByThreeIntoTwoByTwoCoversAll)
{
    const FittedImage fitted = renderFitted(test::filledImage(3, 3, kRed), 2, 2);
    EXPECT_EQ(fitted.covered, (PixelRect{0, 0, 2, 2}));
    EXPECT_EQ(test::toRows(fitted.pixels, 2, kOpaqueOrEmpty), (Rows{"##", "##"}));
}

TEST(RenderFitted, CoveredSizeRoundsHalvesAwayFromZero)
{
    // 4 x 2 into 9 x 9: scale 2.25, drawn height exactly 4.5.
    const FittedImage half = renderFitted(test::filledImage(4, 2, kRed), 9, 9);
    EXPECT_EQ(half.covered, (PixelRect{0, 0, 9, 5}));
    EXPECT_EQ(half.fullyCovered, (PixelRect{0, 0, 9, 4}));
    EXPECT_EQ(half.pixels[3 * 9].a, 255);
    EXPECT_GT(half.pixels[4 * 9].a, 0);  // the half-covered row is partly transparent
    EXPECT_LT(half.pixels[4 * 9].a, 255);
    EXPECT_EQ(half.pixels[5 * 9], model::kTransparent);

    // 1000 x 449 into 10 x 10: drawn height 4.49.
    const FittedImage below = renderFitted(test::filledImage(1000, 449, kRed), 10, 10);
    EXPECT_EQ(below.covered, (PixelRect{0, 0, 10, 4}));
}

TEST(RenderFitted, ReadBackUnpremultipliesWithTheIntegerRule)
{
    // Premultiplied by Qt: (100, 50, 25, 128); 100 * 255 / 128 = 199.2 -> 199 and so on.
    FittedImage fitted = renderFitted(test::filledImage(1, 1, kHalfOrange), 1, 1);
    EXPECT_EQ(fitted.pixels, (std::vector<RGBAColor>{{199, 99, 49, 128}}));

    // A component above its alpha (not valid premultiplied data) is capped at 255.
    QImage over(1, 1, QImage::Format_RGBA8888_Premultiplied);
    over.fill(0);
    uchar* p = over.scanLine(0);
    p[0] = 200, p[1] = 40, p[2] = 0, p[3] = 100;
    fitted = renderFitted(over, 1, 1);
    EXPECT_EQ(fitted.pixels, (std::vector<RGBAColor>{{255, 102, 0, 100}}));

    fitted = renderFitted(test::filledImage(1, 1, {10, 20, 30, 0}), 1, 1);
    EXPECT_EQ(fitted.pixels, (std::vector<RGBAColor>{model::kTransparent}));
}

TEST(RenderFitted, NoSurfaceGivesNoPixelsAndNoRectangle)
{
    for (const auto& [w, h] :
         {std::pair<std::int64_t, std::int64_t>{0, 10}, {10, 0}, {100000, 100000}, {-1, 5}}) {
        const FittedImage fitted = renderFitted(test::filledImage(4, 4, kRed), w, h);
        EXPECT_TRUE(fitted.pixels.empty());
        EXPECT_FALSE(fitted.covered);
    }
    EXPECT_TRUE(renderFitted(QImage(), 4, 4).pixels.empty());
}

TEST(RenderFitted, StrongReductionAveragesInsteadOfSampling)
{
    // One white column in three: sampling would land on black or white only.
    QImage stripes(990, 990, QImage::Format_RGBA8888);
    for (int y = 0; y < stripes.height(); ++y) {
        auto* row = reinterpret_cast<RGBAColor*>(stripes.scanLine(y));
        for (int x = 0; x < stripes.width(); ++x) {
            row[x] = x % 3 == 0 ? RGBAColor{255, 255, 255, 255} : RGBAColor{0, 0, 0, 255};
        }
    }
    const FittedImage fitted = renderFitted(stripes, 10, 10);
    ASSERT_EQ(fitted.covered, (PixelRect{0, 0, 10, 10}));
    for (int x = 0; x < 10; ++x) {
        EXPECT_NEAR(fitted.pixels[static_cast<std::size_t>(5 * 10 + x)].r, 85, 12)
            << "column " << x;
    }
}

TEST(AlphaVariation, OnlyAStoredAlphaBelowOpaqueCounts)
{
    QImage opaque = test::filledImage(3, 3, kRed);
    EXPECT_FALSE(hasAlphaVariation(opaque));
    opaque.setPixelColor(2, 2, QColor(255, 0, 0, 254));
    EXPECT_TRUE(hasAlphaVariation(opaque));

    QImage noChannel(3, 3, QImage::Format_RGB32);
    noChannel.fill(Qt::white);
    EXPECT_FALSE(hasAlphaVariation(noChannel));

    QImage premultiplied(2, 1, QImage::Format_ARGB32_Premultiplied);
    premultiplied.fill(qRgba(0, 0, 0, 255));
    EXPECT_FALSE(hasAlphaVariation(premultiplied));
    premultiplied.setPixel(1, 0, qPremultiply(qRgba(9, 9, 9, 254)));
    EXPECT_TRUE(hasAlphaVariation(premultiplied));

    // A transparent palette entry that no pixel uses is not a stored alpha.
    QImage indexed(2, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgba(1, 2, 3, 255), qRgba(0, 0, 0, 0)});
    indexed.fill(0);
    EXPECT_FALSE(hasAlphaVariation(indexed));
    indexed.setPixel(1, 1, 1);
    EXPECT_TRUE(hasAlphaVariation(indexed));

    QImage deep(2, 1, QImage::Format_RGBA64);
    deep.fill(QColor(Qt::black));
    EXPECT_FALSE(hasAlphaVariation(deep));
    reinterpret_cast<QRgba64*>(deep.scanLine(0))[1] = QRgba64::fromRgba64(0, 0, 0, 65534);
    EXPECT_TRUE(hasAlphaVariation(deep));
}

// A JPEG as stored, with an Exif orientation tag 6 (turn a quarter clockwise).
Bytes withOrientationSix(const Bytes& jpeg)
{
    const Bytes app1{0xFF, 0xE1, 0x00, 0x22,                          // APP1, 34 bytes
                     'E',  'x',  'i',  'f',  0x00, 0x00,              // Exif header
                     'M',  'M',  0x00, 0x2A, 0x00, 0x00, 0x00, 0x08,  // big-endian TIFF
                     0x00, 0x01,                                      // one entry
                     0x01, 0x12, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01,  // Orientation, SHORT
                     0x00, 0x06, 0x00, 0x00,                          // value 6
                     0x00, 0x00, 0x00, 0x00};                         // no next IFD
    Bytes tagged(jpeg.begin(), jpeg.begin() + 2);                     // SOI
    test::append(tagged, app1);
    tagged.insert(tagged.end(), jpeg.begin() + 2, jpeg.end());
    return tagged;
}

TEST(SourceDecoding, OrientationTagTurnsThePhotoUpright)
{
    QImage landscape = test::filledImage(40, 20, kRed);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 4; ++x) {
            landscape.setPixelColor(x, y, QColor(0, 0, 255));  // blue left edge
        }
    }
    const Bytes jpeg = withOrientationSix(test::encoded(landscape, "jpeg", 95));

    EXPECT_EQ(sourceImageSize(jpeg), QSize(20, 40));
    const QImage upright = decodeSourceImage(jpeg);
    ASSERT_EQ(upright.size(), QSize(20, 40));
    // Turned a quarter clockwise, the blue left edge becomes the top rows.
    EXPECT_GT(upright.pixelColor(10, 0).blue(), 200);
    EXPECT_LT(upright.pixelColor(10, 39).blue(), 60);
    // A document is read as stored.
    EXPECT_EQ(decodeImageData(jpeg)->width, 40);
}

TEST(SourceDecoding, LargeJpegIsDecodedReducedButAtLeastTwiceTheTarget)
{
    const Bytes jpeg = test::encoded(test::filledImage(2400, 1600, {30, 90, 200, 255}), "jpeg");
    EXPECT_EQ(decodeSourceImage(jpeg, QSize(128, 128)).size(), QSize(300, 200));
    EXPECT_EQ(decodeSourceImage(jpeg, QSize(200, 128)).size(), QSize(600, 400));
    EXPECT_EQ(decodeSourceImage(jpeg, QSize(1000, 1000)).size(), QSize(2400, 1600));
    EXPECT_EQ(decodeSourceImage(jpeg).size(), QSize(2400, 1600));

    // Other formats decode whole; renderFitted does their reduction.
    const Bytes png = test::encoded(test::filledImage(800, 400, kRed), "png");
    EXPECT_EQ(decodeSourceImage(png, QSize(16, 16)).size(), QSize(800, 400));
}

TEST(SourceDecoding, ColourManagedSourcesArriveInSrgb)
{
    QImage wide = test::filledImage(2, 2, {0, 255, 0, 255});
    wide.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
    const QImage source = decodeSourceImage(test::encoded(wide, "png"));
    ASSERT_FALSE(source.isNull());
    EXPECT_EQ(source.colorSpace(), QColorSpace(QColorSpace::SRgb));
    // Adobe RGB green lies outside sRGB: red clips to 0 and green stays full.
    EXPECT_EQ(source.pixelColor(0, 0).green(), 255);
    EXPECT_EQ(source.pixelColor(0, 0).red(), 0);

    QImage plain = test::filledImage(2, 2, {10, 200, 30, 255});
    EXPECT_EQ(decodeSourceImage(test::encoded(plain, "png")).pixelColor(1, 1), QColor(10, 200, 30));
}

}  // namespace
}  // namespace pixmora::document
